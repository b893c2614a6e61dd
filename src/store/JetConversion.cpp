#include "store/JetConversion.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <array>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "errors/Error.h"
#include "store/JetFile.h"
#include "store/KeepAside.h"
#include "store/Library.h"
#include "store/LogOwner.h"
#include "store/engine/Connection.h"
#include "store/engine/Schema.h"
#include "store/engine/Sql.h"

namespace store {
namespace {

using Rows = std::vector<JetRow>;
using AllRows = std::array<Rows, kLibraryTables>;

QString quoted(const QString& text) {
    return QStringLiteral("\"%1\"").arg(text);
}

// The new library is written under this name first, so that a conversion
// cut short never leaves anything that looks like a library.
QString partialPath(const QString& library) {
    return library + QStringLiteral(".converting");
}

void removePartial(const QString& partial) {
    for (const char* suffix : {"", "-journal", "-wal", "-shm"})
        ::unlink(QFile::encodeName(partial + QLatin1String(suffix)).constData());
}

[[noreturn]] void failed(const QString& library, const QString& reason, const QString& advice) {
    throw errors::Error(errors::ConversionFailed,
                        QStringLiteral("Snibbet could not convert the library %1: %2. The original "
                                       "file is unchanged. %3")
                            .arg(quoted(library), reason, advice));
}

[[noreturn]] void failedWith(int error, const QString& library) {
    if (error == ENOSPC || error == EDQUOT)
        failed(library, QStringLiteral("there is not enough free space on the disk"),
               QStringLiteral("Free some space and start Snibbet again."));
    if (error == EACCES || error == EPERM || error == EROFS)
        failed(library,
               QStringLiteral("Snibbet may not write into the folder %1")
                   .arg(quoted(QFileInfo(library).absolutePath())),
               QStringLiteral("Make the folder writable and start Snibbet again."));
    failed(library, QString::fromLocal8Bit(std::strerror(error)).toLower(),
           QStringLiteral("Check the disk and start Snibbet again."));
}

// Counts the steps of a conversion and tells the caller now and then: often
// enough for a progress bar to move smoothly, seldom enough to cost nothing.
class Steps {
public:
    explicit Steps(const JetConversion::Progress& progress) : progress_(progress) {}

    void setTotal(qint64 total) { total_ = total; }
    void advance() {
        ++done_;
        if (done_ - reported_ >= std::max<qint64>(1, total_ / 200)) report();
    }
    void report() {
        reported_ = done_;
        if (progress_) progress_(std::min(done_, total_), total_);
    }
    qint64 done() const { return done_; }

private:
    const JetConversion::Progress& progress_;
    qint64 done_ = 0, reported_ = 0, total_ = 1;
};

AllRows readAll(const QString& library, Steps& steps) {
    const JetFile jet = JetFile::open(library);
    std::vector<JetFile::Table> tables;
    qint64 recorded = 0;
    for (const TableShape& shape : libraryTables()) {
        tables.push_back(jet.table(shape.name, shape.fields));
        recorded += tables.back().rowCount();
    }
    steps.setTotal(3 * recorded + 2);
    steps.report();
    AllRows all;
    for (size_t t = 0; t < tables.size(); ++t) {
        JetRow row;
        while (tables[t].next(row)) {
            all[t].push_back(std::move(row));
            steps.advance();
        }
    }
    return all;
}

QByteArray insertStatement(const TableShape& shape) {
    return "INSERT INTO " + QByteArray(shape.name) + " (" + fieldList(shape) + ") VALUES (" +
           sql::placeholders(static_cast<qsizetype>(shape.fields.size())) + ")";
}

// Nothing here needs a journal: until the file has its final name, a file cut
// short is thrown away, never used.
void write(const QString& partial, const AllRows& all, Steps& steps) {
    SQLite::Database db(QFile::encodeName(partial).toStdString(), SQLite::OPEN_READWRITE);
    db.exec("PRAGMA journal_mode=OFF");
    db.exec("PRAGMA synchronous=OFF");
    db.exec("BEGIN");
    createLibrarySchema(db);
    for (size_t t = 0; t < libraryTables().size(); ++t) {
        SQLite::Statement insert(db, insertStatement(libraryTables()[t]).toStdString());
        for (const JetRow& row : all[t]) {
            for (size_t f = 0; f < row.size(); ++f) {
                if (row[f])
                    sql::bindText(insert, static_cast<int>(f) + 1, *row[f]);
                else
                    insert.bind(static_cast<int>(f) + 1);
            }
            insert.exec();
            insert.reset();
            steps.advance();
        }
    }
    db.exec("COMMIT");
}

// Reads every row back through a connection of its own and compares it with
// what the Jet file held; then gives the file the journal every library has.
void verifyAndSeal(const QString& library, const QString& partial, const AllRows& all,
                   Steps& steps) {
    SQLite::Database db(QFile::encodeName(partial).toStdString(), SQLite::OPEN_READWRITE);
    for (size_t t = 0; t < libraryTables().size(); ++t) {
        const TableShape& shape = libraryTables()[t];
        const QByteArray fields = fieldList(shape);
        SQLite::Statement select(
            db, ("SELECT " + fields + " FROM " + shape.name + " ORDER BY rowid").toStdString());
        size_t count = 0;
        while (select.executeStep()) {
            if (count >= all[t].size())
                failed(library, QStringLiteral("the new library holds more rows than written"),
                       QStringLiteral("Check the disk and start Snibbet again."));
            const JetRow& row = all[t][count++];
            for (size_t f = 0; f < row.size(); ++f) {
                const int column = static_cast<int>(f);
                const bool same = select.getColumn(column).isNull()
                                      ? !row[f].has_value()
                                      : row[f] && sql::columnUtf8(select, column) == *row[f];
                if (!same)
                    failed(library,
                           QStringLiteral("the new library did not read back as it was written"),
                           QStringLiteral("Check the disk and start Snibbet again."));
            }
            steps.advance();
        }
        if (count != all[t].size())
            failed(library, QStringLiteral("the new library holds fewer rows than written"),
                   QStringLiteral("Check the disk and start Snibbet again."));
    }
    db.exec("PRAGMA journal_mode=WAL");
}

// The new library gets the original's permissions, and its owner may write
// it whatever the original allowed (a file copied from a disc or another
// system is often read-only): it is converted to be worked with, and the
// original is kept as it was.
void createPartial(const QString& library, const QString& partial) {
    struct stat original {};
    const mode_t mode = ::stat(QFile::encodeName(library).constData(), &original) == 0
                            ? (original.st_mode & 0666) | S_IWUSR
                            : 0644;
    const int fd = ::open(QFile::encodeName(partial).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) throw std::system_error(errno, std::generic_category(), "create");
    ::fchmod(fd, mode);
    ::close(fd);
}

}  // namespace

bool JetConversion::isNeeded(const QString& folder) {
    return isJetFile(Library::pathIn(folder));
}

QString JetConversion::keptOriginalPath(const QString& folder) {
    return keepaside::freeName(Library::pathIn(folder), QString::fromLatin1(kKeptStem));
}

QString JetConversion::run(const QString& folder, const Progress& progress) {
    const QString library = Library::pathIn(folder);
    const QString partial = partialPath(library);
    Steps steps(progress);
    removePartial(partial);  // left by a conversion that was cut short
    const AllRows all = readAll(library, steps);
    qint64 rows = 0;
    for (const Rows& table : all) rows += static_cast<qint64>(table.size());
    steps.setTotal(3 * rows + 2);

    QString kept;
    try {
        createPartial(library, partial);
        write(partial, all, steps);
        verifyAndSeal(library, partial, all, steps);
        if (!keepaside::flush(partial))
            throw std::system_error(errno, std::generic_category(), "flush");
        steps.report();
        kept = keepaside::keep(library, QString::fromLatin1(kKeptStem));
        steps.advance();
        steps.report();
        // A log beside the old file was written for some other library (a
        // crash left it there before this file was put back): it must never
        // reach the new one.
        logowner::setAside(library);
        keepaside::replace(partial, library);
    } catch (...) {
        removePartial(partial);
        if (!kept.isEmpty()) ::unlink(QFile::encodeName(kept).constData());
        try {
            throw;
        } catch (const SQLite::Exception& e) {
            const int code = e.getErrorCode() & 0xff;
            if (code == SQLITE_FULL) failedWith(ENOSPC, library);
            if (code == SQLITE_READONLY || code == SQLITE_CANTOPEN || code == SQLITE_PERM)
                failedWith(EACCES, library);
            failed(library, QString::fromUtf8(e.what()),
                   QStringLiteral("Check the disk and start Snibbet again."));
        } catch (const std::system_error& e) {
            failedWith(e.code().value(), library);
        }
    }
    steps.advance();
    steps.report();
    return kept;
}

}  // namespace store
