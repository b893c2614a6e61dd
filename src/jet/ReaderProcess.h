#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <vector>

#include "jet/Stream.h"

namespace jet {

// The tables and fields to read: "Items" with "Category", "ItemName", ...
struct TableRequest {
    QByteArray name;
    std::vector<QByteArray> fields;
};

// Reads a Jet file through the reader program, in a process of its own:
// libmdb reads untrusted bytes, and a damaged file can make it crash or
// loop. A reader that crashes, hangs or hands over more than the file can
// hold is killed, and the file reported as damaged; nothing is written to
// the file or beside it.
class ReaderProcess {
public:
    // The reader's program file name, installed beside snibbet.
    static constexpr char kProgramName[] = "snibbet-jet-reader";

    struct Listener {
        // The rows each table's definition records, before any row.
        std::function<void(const std::vector<qint64>& counts)> counted;
        // Each row of table number `table` (in the order asked for), its
        // values in the order of the fields, table by table in table order.
        std::function<void(int table, Row&& row)> row;
        // Asked now and then; true stops the reading at once.
        std::function<bool()> stop;
    };

    enum class Scope { Definitions, Rows };

    // The reader beside the running program.
    static QString programBesideThis();

    explicit ReaderProcess(QString program = programBesideThis(), int idleLimitMs = 10000);

    // Reads the tables of the Jet file at `path`: with Scope::Definitions
    // only checks that they are there and counts their rows. Returns false
    // when `listener.stop` stopped it; what is wrong with the file, or a
    // reader that fails, is an errors::Error.
    bool read(const QString& path, const std::vector<TableRequest>& tables, Scope scope,
              const Listener& listener) const;

private:
    QString program_;
    int idleLimitMs_;
};

}  // namespace jet
