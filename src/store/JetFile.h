#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

namespace store {

// The first bytes of a Microsoft Jet 3 or Jet 4 database, the format the
// earlier Windows version kept its library in.
bool hasJetSignature(QByteArrayView head);
// The same for its successor, the ACE format of later Access versions.
bool hasAceSignature(QByteArrayView head);
// Whether the file at `path` starts with the Jet signature.
bool isJetFile(const QString& path);

// One value of a text or memo field as UTF-8; nothing for a null.
using JetValue = std::optional<QByteArray>;
using JetRow = std::vector<JetValue>;

// A Jet 3 or Jet 4 file opened for reading through libmdb. Every failure is a
// errors::Error that says in a user's words what is wrong with the file.
class JetFile {
public:
    // Refuses a file that is truncated, damaged, protected by a password or
    // encrypted.
    static JetFile open(const QString& path);

    JetFile(JetFile&&) noexcept;
    JetFile& operator=(JetFile&&) noexcept;
    ~JetFile();

    // One table with the named fields, ready to be read from its first row.
    // A missing table or field, or a field that holds no text, is a errors::Error.
    class Table {
    public:
        Table(Table&&) noexcept;
        ~Table();

        // The number of rows the table's definition records.
        qint64 rowCount() const;
        // Reads the next row in stored order, its values in the order the
        // fields were named; false after the last. A row that cannot be read
        // whole, or fewer rows than recorded, is a errors::Error.
        bool next(JetRow& row);

    private:
        friend class JetFile;
        struct State;
        explicit Table(std::unique_ptr<State> state);
        std::unique_ptr<State> state_;
    };

    Table table(const char* name, const std::vector<const char*>& fields) const;

private:
    struct Handle;
    explicit JetFile(std::unique_ptr<Handle> handle);
    std::unique_ptr<Handle> handle_;
};

}  // namespace store
