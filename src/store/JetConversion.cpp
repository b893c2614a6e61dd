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
#include "jet/ReaderProcess.h"
#include "jet/Signature.h"
#include "store/KeepAside.h"
#include "store/Library.h"
#include "store/LogOwner.h"
#include "store/engine/Connection.h"
#include "store/engine/Schema.h"
#include "store/engine/Sql.h"

namespace store {
namespace {

using Rows = std::vector<jet::Row>;
using AllRows = std::array<Rows, kLibraryTables>;

// Unwinds a conversion that was asked to stop to where it cleans up.
struct Stopped {};

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

[[noreturn]] void stopped(const QString& library) {
    throw errors::Error(errors::ConversionStopped,
                        QStringLiteral("Snibbet stopped converting the library %1 before it was "
                                       "finished, as it was asked to. The original file is "
                                       "unchanged, and nothing else is left beside it.")
                            .arg(quoted(library)));
}

// Counts the steps of a conversion and tells the caller now and then: often
// enough for a progress bar to move smoothly, seldom enough to cost nothing.
// At every step it asks whether to stop.
class Steps {
public:
    Steps(const JetConversion::Progress& progress, const JetConversion::Stop& stop)
        : progress_(progress), stop_(stop) {}

    void setTotal(qint64 total) { total_ = total; }
    void advance() {
        ++done_;
        if (done_ - reported_ >= std::max<qint64>(1, total_ / 200)) report();
        stopIfAsked();
    }
    void report() {
        reported_ = done_;
        if (progress_) progress_(std::min(done_, total_), total_);
    }
    // The last step, which nothing stops.
    void finish() {
        ++done_;
        report();
    }
    void stopIfAsked() const {
        if (stop_ && stop_()) throw Stopped{};
    }
    const JetConversion::Stop& stop() const { return stop_; }

private:
    const JetConversion::Progress& progress_;
    const JetConversion::Stop& stop_;
    qint64 done_ = 0, reported_ = 0, total_ = 1;
};

std::vector<jet::TableRequest> libraryRequests() {
    std::vector<jet::TableRequest> requests;
    for (const TableShape& shape : libraryTables()) {
        jet::TableRequest request{shape.name, {}};
        for (const char* field : shape.fields) request.fields.emplace_back(field);
        requests.push_back(std::move(request));
    }
    return requests;
}

AllRows readAll(const QString& library, Steps& steps) {
    AllRows all;
    jet::ReaderProcess::Listener listener;
    listener.counted = [&steps](const std::vector<qint64>& counts) {
        qint64 recorded = 0;
        for (const qint64 count : counts) recorded += count;
        steps.setTotal(3 * recorded + 2);
        steps.report();
    };
    listener.row = [&](int table, jet::Row&& row) {
        all[static_cast<size_t>(table)].push_back(std::move(row));
        steps.advance();
    };
    listener.stop = steps.stop();
    if (!jet::ReaderProcess().read(library, libraryRequests(), jet::ReaderProcess::Scope::Rows,
                                   listener))
        throw Stopped{};
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
        for (const jet::Row& row : all[t]) {
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
            const jet::Row& row = all[t][count++];
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

errors::Error newerAccessFormat(const QString& library) {
    return {errors::NewerAccessFormat,
            QStringLiteral("The file %1 is a database of Microsoft Access 2007 or later (the newer "
                           "\".accdb\" format), not a Snibbet library. Snibbet has left it "
                           "unchanged. If it is the library of the earlier Windows version, saved "
                           "again by a newer Access, save it in Access as an \"Access 2002-2003 "
                           "Database (*.mdb)\" named \"%2\" in its place: Snibbet then offers to "
                           "convert it. Otherwise move it away to start with an empty library.")
                .arg(quoted(library), QString::fromLatin1(kLibraryFileName))};
}

bool JetConversion::isNeeded(const QString& folder) {
    return jet::kindOf(Library::pathIn(folder)) == jet::FileKind::Jet;
}

void JetConversion::check(const QString& folder) {
    const QString library = Library::pathIn(folder);
    switch (jet::kindOf(library)) {
        case jet::FileKind::Ace:
            throw newerAccessFormat(library);
        case jet::FileKind::Jet:
            jet::ReaderProcess().read(library, libraryRequests(),
                                      jet::ReaderProcess::Scope::Definitions, {});
            return;
        case jet::FileKind::Other:
            return;
    }
}

QString JetConversion::keptOriginalPath(const QString& folder) {
    return keepaside::freeName(Library::pathIn(folder), QString::fromLatin1(kKeptStem));
}

QString JetConversion::run(const QString& folder, const Progress& progress, const Stop& stop) {
    const QString library = Library::pathIn(folder);
    const QString partial = partialPath(library);
    Steps steps(progress, stop);
    removePartial(partial);  // left by a conversion that was cut short
    QString kept;
    try {
        const AllRows all = readAll(library, steps);
        qint64 rows = 0;
        for (const Rows& table : all) rows += static_cast<qint64>(table.size());
        steps.setTotal(3 * rows + 2);

        createPartial(library, partial);
        write(partial, all, steps);
        verifyAndSeal(library, partial, all, steps);
        if (!keepaside::flush(partial))
            throw std::system_error(errno, std::generic_category(), "flush");
        steps.report();
        steps.stopIfAsked();
        kept = keepaside::keep(library, QString::fromLatin1(kKeptStem));
        steps.advance();
        steps.report();
        // A log beside the old file was written for some other library (a
        // crash left it there before this file was put back): it must never
        // reach the new one.
        logowner::setAside(library);
        // From here on the conversion is done: nothing stops it any more.
        keepaside::replace(partial, library);
    } catch (...) {
        removePartial(partial);
        if (!kept.isEmpty()) ::unlink(QFile::encodeName(kept).constData());
        try {
            throw;
        } catch (const Stopped&) {
            stopped(library);
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
    steps.finish();
    return kept;
}

}  // namespace store
