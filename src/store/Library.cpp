#include "store/Library.h"

#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QUrl>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "errors/Error.h"
#include "jet/Signature.h"
#include "store/Backup.h"
#include "store/FileIdentity.h"
#include "store/JetConversion.h"
#include "store/LogOwner.h"
#include "store/NameCompare.h"
#include "store/engine/Checkpointer.h"
#include "store/engine/Connection.h"
#include "store/engine/EngineErrors.h"
#include "store/engine/HeaderStamp.h"
#include "store/engine/Schema.h"
#include "store/engine/TextDigest.h"

namespace store {
namespace {

// How long a statement waits for another program's lock before it gives up.
constexpr int kBusyTimeoutMs = 3000;

// New item rows read as text everywhere: "Empty" as the name (so a category's
// placeholder item is listed under it) and the empty text as each long text.
constexpr char kCreateSchema[] = R"sql(
CREATE TABLE Category (Category TEXT);
CREATE TABLE Items (Category TEXT, ItemName TEXT DEFAULT 'Empty',
                    Code TEXT DEFAULT '', Declares TEXT DEFAULT '', Notes TEXT DEFAULT '');
CREATE TABLE TempCat (Category TEXT);
CREATE TABLE TempItems (Category TEXT, ItemName TEXT DEFAULT 'Empty',
                        Code TEXT DEFAULT '', Declares TEXT DEFAULT '', Notes TEXT DEFAULT '');
)sql";

// Choosing a category reads its items from this index alone, without touching
// the long texts. It uses the built-in collation, so any SQLite tool can still
// write to the table.
constexpr char kCreateIndex[] =
    "CREATE INDEX IF NOT EXISTS ItemsByCategory ON Items (Category, ItemName);";

QString quoted(const QString& path) {
    return QStringLiteral("\"%1\"").arg(path);
}

// Looks at the file itself before the engine does, so that a user who points
// Snibbet at the wrong file learns what it is.
void checkFileBeforeOpening(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        throw errors::Error(errors::LibraryMissing,
                            QStringLiteral("The library %1 does not exist.").arg(quoted(path)));
    if (!info.isFile())
        throw errors::Error(
            errors::NotADatabase,
            QStringLiteral("%1 is a folder, not a library file.").arg(quoted(path)));

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw errors::Error(errors::LibraryReadOnly,
                            QStringLiteral("The library %1 cannot be read: %2. Check the file's "
                                           "permissions.")
                                .arg(quoted(path), file.errorString()));
    const QByteArray head = file.read(32);
    if (jet::hasAceSignature(head)) throw newerAccessFormat(path);
    if (jet::hasJetSignature(head))
        throw errors::Error(errors::OlderFormat,
                            QStringLiteral("The file %1 is in the older Microsoft Access format "
                                           "of the earlier Windows version, not yet a library "
                                           "this Snibbet can open. Start Snibbet to convert it.")
                                .arg(quoted(path)));
    if (!head.startsWith(QByteArrayView("SQLite format 3\0", 16)))
        throw errors::Error(errors::NotADatabase,
                            QStringLiteral("The file %1 is not a Snibbet library: it is not a "
                                           "database. Move it away and let Snibbet create an "
                                           "empty library.")
                                .arg(quoted(path)));
}

// Snibbet writes into the file and, for its log, into the folder beside it.
void checkWritable(const QString& path) {
    const QFileInfo info(path);
    if (!QFileInfo(info.absolutePath()).isWritable())
        throw errors::Error(errors::LibraryReadOnly,
                            QStringLiteral("Snibbet cannot work with the library %1, because its "
                                           "folder %2 is read-only: Snibbet needs to write there. "
                                           "Make the folder writable and start Snibbet again.")
                                .arg(quoted(path), quoted(info.absolutePath())));
    if (!info.isWritable())
        throw errors::Error(errors::LibraryReadOnly,
                            QStringLiteral("Snibbet cannot work with the library %1, because the "
                                           "file is read-only. Make it writable and start Snibbet "
                                           "again.")
                                .arg(quoted(path)));
}

void checkSchema(SQLite::Database& db, const QString& path) {
    QList<QStringList> fieldsOf;  // of each table, in the order of libraryTables()
    for (const TableShape& shape : libraryTables()) {
        SQLite::Statement columns(db, "SELECT name FROM pragma_table_info(?)");
        columns.bind(1, shape.name);
        QStringList present;
        while (columns.executeStep()) present << QString::fromUtf8(columns.getColumn(0).getText());
        fieldsOf << present;
    }
    // A database that holds none of the tables is another program's.
    if (std::all_of(fieldsOf.cbegin(), fieldsOf.cend(),
                    [](const QStringList& f) { return f.isEmpty(); }))
        throw errors::Error(errors::NotADatabase,
                            QStringLiteral("The file %1 is not a Snibbet library: it is a "
                                           "database of another program. Move it away and let "
                                           "Snibbet create an empty library.")
                                .arg(quoted(path)));
    for (qsizetype t = 0; t < fieldsOf.size(); ++t) {
        const TableShape& shape = libraryTables()[static_cast<size_t>(t)];
        if (fieldsOf[t].isEmpty())
            throw errors::Error(errors::MissingTable,
                                QStringLiteral("The library %1 is incomplete: it has no table "
                                               "\"%2\". Restore it from a backup copy.")
                                    .arg(quoted(path), shape.name));
        for (const char* field : shape.fields)
            if (!fieldsOf[t].contains(QString::fromLatin1(field), Qt::CaseInsensitive))
                throw errors::Error(errors::MissingField,
                                    QStringLiteral("The library %1 is incomplete: its table \"%2\" "
                                                   "has no field \"%3\". Restore it from a backup "
                                                   "copy.")
                                        .arg(quoted(path), shape.name, field));
    }
}

// The URI of a file read as it stands on the disk, without its log and
// without locks.
QString asItStands(const QString& path) {
    return QStringLiteral("file:%1?immutable=1")
        .arg(QString::fromLatin1(QUrl::toPercentEncoding(QFileInfo(path).absoluteFilePath(), "/")));
}

std::unique_ptr<Connection> connect(const QString& path, int flags) {
    return std::make_unique<Connection>(path, flags);
}

// Each change is on disk when its call returns: the write-ahead log with a full
// sync commits with one flush of the log, where a rollback journal takes
// several. Switching to the log writes to the file, so this comes only after
// the file has been found to be a library.
void configure(SQLite::Database& db) {
    db.exec("PRAGMA journal_mode=WAL");
    db.exec("PRAGMA synchronous=FULL");
}

using logowner::Stamp;

// Copies the whole log into the file and empties it; false when another
// program's reading kept part of it back.
bool emptyLog(SQLite::Database& db) {
    SQLite::Statement checkpoint(db, "PRAGMA main.wal_checkpoint(TRUNCATE)");
    return checkpoint.executeStep() && checkpoint.getColumn(0).getInt() == 0;
}

void recordLogOwner(const QString& path, const QList<Stamp>& stamps) {
    if (logowner::record(path, stamps)) return;
    throw errors::Error(errors::LogNotRecorded,
                        QStringLiteral("Snibbet cannot write the file \"%1\" beside the library "
                                       "(%2), which it needs to keep your changes safe after a "
                                       "crash. Free some space on the disk and start Snibbet "
                                       "again.")
                            .arg(QDir::toNativeSeparators(path + QStringLiteral("-wal.owner")),
                                 QString::fromLocal8Bit(std::strerror(errno))));
}

// Gives the file a stamp of this run's own, recorded beside its log, so that
// whatever log this run leaves behind is applied to this file only. Each step
// leaves a record that names the stamp on the disk whenever the log holds
// changes; where the log cannot be emptied the file keeps the stamp it has.
// Returns the stamps the file may carry from now on.
QList<Stamp> stampForThisRun(SQLite::Database& db, const QString& path) {
    const Stamp onFile = stampThrough(db.getHandle()).value_or(0);
    if (!emptyLog(db)) {
        recordLogOwner(path, {onFile});
        return {onFile};
    }
    Stamp fresh = 0;
    do fresh = static_cast<Stamp>(QRandomGenerator::system()->generate() | 0x80000000u);
    while (fresh == onFile);
    recordLogOwner(path, {onFile, fresh});
    db.exec("PRAGMA user_version = " + std::to_string(fresh));
    if (!emptyLog(db)) return {onFile, fresh};
    // Should this fail, the record still names both stamps, which is as safe.
    logowner::record(path, {fresh});
    return {fresh};
}

// The name the file with `identity` has in `folder` now, if any.
QString nameIn(const QString& folder, const FileIdentity& identity) {
    for (const QFileInfo& entry :
         QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System))
        if (FileIdentity::of(entry.filePath()) == identity) return entry.filePath();
    return {};
}

bool isEmptyFile(const QString& path) {
    const QFileInfo info(path);
    return info.exists() && info.size() == 0;
}

// Why reading the file failed, in words for someone who asked to read it.
errors::Error readingFailure(const SQLite::Exception& e, const QString& path) {
    const int code = e.getErrorCode();
    if (code == SQLITE_NOTADB || code == SQLITE_CORRUPT)
        return {errors::NotADatabase,
                QStringLiteral("The file %1 is not a Snibbet library: it is not a database, or "
                               "it is damaged.")
                    .arg(quoted(path))};
    if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
        return {errors::LibraryLocked,
                QStringLiteral("The library %1 is locked by another program, which keeps it from "
                               "being read. Try again when that program is done.")
                    .arg(quoted(path))};
    return {e.getExtendedErrorCode(), QStringLiteral("The library %1 could not be read: %2.")
                                          .arg(quoted(path), QString::fromUtf8(e.what()))};
}

}  // namespace

Connection::Connection(const QString& path, int flags)
    : SQLite::Database(path.toStdString(), flags, kBusyTimeoutMs) {
    registerNameCollation(getHandle());
    registerTextDigest(getHandle());
}

Library::Library(QString path, std::unique_ptr<Connection> db, QList<qint32> stamps)
    : path_(std::move(path)),
      db_(std::move(db)),
      identity_(FileIdentity::of(path_).value_or(FileIdentity{})),
      logIdentity_(FileIdentity::of(path_ + QStringLiteral("-wal")).value_or(FileIdentity{})),
      stamps_(std::move(stamps)),
      checkpointer_(std::make_unique<Checkpointer>(db_->getHandle(), path_, identity_, stamps_)) {}

// The path still leads to the file that was opened, and nothing was written
// over that file: it carries this run's stamp.
bool Library::isStillInPlace() const {
    return FileIdentity::of(path_) == identity_ &&
           stamps_.contains(stampThrough(db_->getHandle()).value_or(0));
}

void Library::checkStillInPlace() const {
    if (!isStillInPlace())
        throw errors::Error(
            errors::LibraryReplaced,
            QStringLiteral("The library %1 was moved, replaced or removed by another program "
                           "while Snibbet had it open, so Snibbet saves nothing more into it. "
                           "Start Snibbet again to work with the file that is there now.")
                .arg(quoted(path_)));
}

QString Library::keepChangesOfLostFile() {
    if (!lostFileWords_.isEmpty()) return lostFileWords_;
    checkpointer_.reset();
    sqlite3* const db = db_->getHandle();
    try {
        if (!stamps_.contains(stampThrough(db).value_or(0))) {
            // Another file was written over this one: what the session saved is
            // in the log alone, and the engine must not copy it into that file.
            sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
            logToSetAside_ = logowner::asidePath(path_);
            return lostFileWords_ = QStringLiteral(
                                        "The changes Snibbet saved in this session are not in the "
                                        "file that is there now: they are in the log \"%1\", "
                                        "which only an expert can read back.")
                                        .arg(QDir::toNativeSeparators(logToSetAside_));
        }
        // Moved or removed: the file Snibbet has open takes every change,
        // wherever it is now.
        emptyLog(*db_);
        const QString now = nameIn(QFileInfo(path_).absolutePath(), identity_);
        if (!now.isEmpty())
            return lostFileWords_ = QStringLiteral(
                                        "Every change saved before this is in the library, which "
                                        "is now \"%1\".")
                                        .arg(QDir::toNativeSeparators(now));
        // Snibbet cannot tell whether it still exists anywhere: a copy beside
        // where it was keeps every change.
        const QString copy =
            Backup::freshName(path_, QStringLiteral("Snibbet saved"), QStringLiteral(".mdb"));
        QDir().mkpath(Backup::folderFor(path_));
        SQLite::Statement vacuum(*db_, "VACUUM INTO ?");
        vacuum.bind(1, QFile::encodeName(copy).toStdString());
        vacuum.exec();
        return lostFileWords_ = QStringLiteral(
                                    "Snibbet cannot tell where the library is now, so "
                                    "it has saved a copy with every change saved "
                                    "before this as \"%1\".")
                                    .arg(QDir::toNativeSeparators(copy));
    } catch (const std::exception& e) {
        return lostFileWords_ = QStringLiteral(
                                    "Snibbet could not make sure that the changes of this session "
                                    "are kept (%1): they may be only in the log \"%2\".")
                                    .arg(QString::fromUtf8(e.what()),
                                         QDir::toNativeSeparators(path_ + QStringLiteral("-wal")));
    }
}

// Reading takes no checkpoints: the log is not this connection's to copy.
Library::Library(QString path, std::unique_ptr<Connection> db, ReadOnly)
    : path_(std::move(path)),
      db_(std::move(db)),
      identity_(FileIdentity::of(path_).value_or(FileIdentity{})),
      readOnly_(true) {}

Library::Library(Library&&) noexcept = default;

Library::~Library() {
    if (!db_) return;       // moved from
    if (readOnly_) return;  // it only read, and wrote nothing to look after
    checkpointer_.reset();
    bool inPlace = true;
    try {
        inPlace = isStillInPlace();
        if (!inPlace) keepChangesOfLostFile();
    } catch (...) {
    }
    db_.reset();  // the engine copies the log into the file and removes it
    cleanUpAfterClose(inPlace);
}

// The log's record goes with the log. Where the library was moved away, the
// emptied log and its index are this run's own and go too; a log that holds
// what was saved into an overwritten file is set aside.
void Library::cleanUpAfterClose(bool wasInPlace) {
    const QString log = path_ + QStringLiteral("-wal");
    if (!logToSetAside_.isEmpty()) {
        if (QDir().mkpath(QFileInfo(logToSetAside_).absolutePath()) &&
            FileIdentity::of(log) == logIdentity_ &&
            ::rename(QFile::encodeName(log).constData(),
                     QFile::encodeName(logToSetAside_).constData()) == 0)
            logowner::forget(path_);
        return;
    }
    if (!wasInPlace && FileIdentity::of(log) == logIdentity_ && isEmptyFile(log)) {
        QFile::remove(log);
        QFile::remove(path_ + QStringLiteral("-shm"));
    }
    if (!QFileInfo::exists(log) || isEmptyFile(log)) logowner::forget(path_);
}

QString Library::pathIn(const QString& folder) {
    return QDir(folder).filePath(QString::fromLatin1(kLibraryFileName));
}

// Nothing is written to a file before it is known to be a library: a file
// that is refused stays exactly as it was.
Library Library::open(const QString& folder) {
    const QString path = pathIn(folder);
    checkFileBeforeOpening(path);
    checkWritable(path);
    // A log written for another file must never reach this one.
    if (logowner::leftLogOf(path) == logowner::LeftLog::Foreign) logowner::setAside(path);
    return translatingEngineErrors([&] {
        try {
            // A log that another program left behind would be copied into
            // the file by a connection that may write: such a file is checked
            // through one that may not, so that looking changes nothing.
            const bool logLeftBehind = QFileInfo::exists(path + QStringLiteral("-wal"));
            auto db = connect(path, logLeftBehind ? SQLite::OPEN_READONLY : SQLite::OPEN_READWRITE);
            checkSchema(*db, path);
            if (logLeftBehind) db = connect(path, SQLite::OPEN_READWRITE);
            if (sqlite3_db_readonly(db->getHandle(), "main") == 1)
                throw errors::Error(
                    errors::LibraryReadOnly,
                    QStringLiteral("Snibbet cannot work with the library %1, because "
                                   "it can only be read. Make it writable and start "
                                   "Snibbet again.")
                        .arg(quoted(path)));
            configure(*db);
            // Taking the write lock once proves that nobody else holds it.
            db->exec("BEGIN IMMEDIATE");
            db->exec(kCreateIndex);
            db->exec("COMMIT");
            QList<Stamp> stamps = stampForThisRun(*db, path);
            return Library(path, std::move(db), std::move(stamps));
        } catch (const SQLite::Exception& e) {
            const int code = e.getErrorCode();
            if (code == SQLITE_NOTADB || code == SQLITE_CORRUPT)
                throw errors::Error(errors::NotADatabase,
                                    QStringLiteral("The file %1 is not a Snibbet library: it is "
                                                   "not a database, or it is damaged. Restore it "
                                                   "from a backup copy.")
                                        .arg(quoted(path)));
            if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
                throw errors::Error(errors::LibraryLocked,
                                    QStringLiteral("The library %1 is locked by another program. "
                                                   "Close that program and start Snibbet again.")
                                        .arg(quoted(path)));
            throw errors::Error(e.getExtendedErrorCode(),
                                QStringLiteral("Snibbet could not open the library %1: %2.")
                                    .arg(quoted(path), QString::fromUtf8(e.what())));
        }
    });
}

Library Library::openReadOnly(const QString& filePath) {
    checkFileBeforeOpening(filePath);
    return translatingEngineErrors([&] {
        try {
            // A log written for another file (a crash, then a restore) must not
            // be read as part of this one: the file is then read as it stands,
            // its log untouched.
            auto db = logowner::leftLogOf(filePath) == logowner::LeftLog::Foreign
                          ? connect(asItStands(filePath), SQLite::OPEN_READONLY | SQLite::OPEN_URI)
                          : connect(filePath, SQLite::OPEN_READONLY);
            // The engine cannot write through this connection; closing it must
            // not even try to copy the log into the file.
            sqlite3_db_config(db->getHandle(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
            checkSchema(*db, filePath);
            return Library(filePath, std::move(db), ReadOnly{});
        } catch (const SQLite::Exception& e) {
            throw readingFailure(e, filePath);
        }
    });
}

std::optional<errors::Error> Library::writeProblem(const QString& filePath) {
    try {
        checkWritable(filePath);
    } catch (const errors::Error& e) {
        return e;
    }
    return std::nullopt;
}

void Library::createEmpty(const QString& folder) {
    const QString path = pathIn(folder);
    if (QFileInfo::exists(path))
        throw errors::Error(errors::LibraryExists,
                            QStringLiteral("A library %1 already exists; Snibbet does not "
                                           "overwrite it.")
                                .arg(quoted(path)));
    // A log or journal beside a file that is not there belongs to no file
    // here; the engine would apply it to the new file, or throw it away.
    logowner::setAside(path);
    translatingEngineErrors([&] {
        auto db = connect(path, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        db->exec("BEGIN");
        createLibrarySchema(*db);
        db->exec("COMMIT");
        configure(*db);
    });
}

void createLibrarySchema(SQLite::Database& db) {
    // Lets the close give free pages back to the file system; on a file with
    // no table yet, the setting takes effect at once.
    db.exec("PRAGMA auto_vacuum = INCREMENTAL");
    db.exec(kCreateSchema);
    db.exec(kCreateIndex);
}

}  // namespace store
