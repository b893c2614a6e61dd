#pragma once

#include <QByteArray>
#include <QString>
#include <memory>
#include <vector>

#include "jet/Stream.h"

namespace jet {

// A Jet 3 or Jet 4 file opened for reading through libmdb. Every failure is
// an errors::Error that says in a user's words what is wrong with the file.
// libmdb reads untrusted bytes and can crash on a damaged file, so the
// program itself reads through the reader program (ReaderProcess), never
// through this class.
class Database {
public:
    // Refuses a file that is truncated, damaged, protected by a password or
    // encrypted.
    static Database open(const QString& path);

    Database(Database&&) noexcept;
    Database& operator=(Database&&) noexcept;
    ~Database();

    // One table with the named fields, ready to be read from its first row.
    // A missing table or field, or a field that holds no text, is an
    // errors::Error.
    class Table {
    public:
        Table(Table&&) noexcept;
        ~Table();

        // The number of rows the table's definition records.
        qint64 rowCount() const;
        // Reads the next row in the table's order, its values in the order
        // the fields were named; false after the last. A row that was moved
        // to another page is read where its current data lies. A row that
        // cannot be read whole, or fewer rows than recorded, is an
        // errors::Error.
        bool next(Row& row);

    private:
        friend class Database;
        struct State;
        explicit Table(std::unique_ptr<State> state);
        std::unique_ptr<State> state_;
    };

    Table table(const QByteArray& name, const std::vector<QByteArray>& fields) const;

private:
    struct Handle;
    explicit Database(std::unique_ptr<Handle> handle);
    std::unique_ptr<Handle> handle_;
};

}  // namespace jet
