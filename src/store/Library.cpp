#include "store/Library.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "store/Checkpointer.h"
#include "store/NameCompare.h"
#include "store/StoreError.h"

namespace store {
namespace {

// How long a statement waits for another program's lock before it gives up.
constexpr int kBusyTimeoutMs = 3000;

struct TableShape {
    const char* table;
    std::initializer_list<const char*> fields;
};

const TableShape kSchema[] = {
    {"Category", {"Category"}},
    {"Items", {"Category", "ItemName", "Code", "Declares", "Notes"}},
    {"TempCat", {"Category"}},
    {"TempItems", {"Category", "ItemName", "Code", "Declares", "Notes"}},
};

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
        throw StoreError(LibraryMissing,
                         QStringLiteral("The library %1 does not exist.").arg(quoted(path)));
    if (!info.isFile())
        throw StoreError(NotADatabase,
                         QStringLiteral("%1 is a folder, not a library file.").arg(quoted(path)));

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw StoreError(LibraryReadOnly,
                         QStringLiteral("The library %1 cannot be read: %2. Check the file's "
                                        "permissions.")
                             .arg(quoted(path), file.errorString()));
    const QByteArray head = file.read(32);
    if (head.mid(4, 15) == "Standard Jet DB" || head.mid(4, 15) == "Standard ACE DB")
        throw StoreError(OlderFormat,
                         QStringLiteral("The library %1 is in the older Jet/Access database "
                                        "format, which Snibbet cannot read. Convert it to an "
                                        "SQLite database with the same tables, or move it away "
                                        "and let Snibbet create an empty library.")
                             .arg(quoted(path)));
    if (!head.startsWith(QByteArrayView("SQLite format 3\0", 16)))
        throw StoreError(NotADatabase,
                         QStringLiteral("The file %1 is not a Snibbet library: it is not a "
                                        "database. Move it away and let Snibbet create an "
                                        "empty library.")
                             .arg(quoted(path)));
    if (!info.isWritable() || !QFileInfo(info.absolutePath()).isWritable())
        throw StoreError(LibraryReadOnly,
                         QStringLiteral("The library %1 is read-only, so Snibbet could not save "
                                        "your changes. Make the file and its folder writable and "
                                        "start Snibbet again.")
                             .arg(quoted(path)));
}

void checkSchema(SQLite::Database& db, const QString& path) {
    for (const TableShape& shape : kSchema) {
        SQLite::Statement columns(db, "SELECT name FROM pragma_table_info(?)");
        columns.bind(1, shape.table);
        QStringList present;
        while (columns.executeStep()) present << QString::fromUtf8(columns.getColumn(0).getText());
        if (present.isEmpty())
            throw StoreError(MissingTable,
                             QStringLiteral("The library %1 is incomplete: it has no table "
                                            "\"%2\". Restore it from a backup copy.")
                                 .arg(quoted(path), shape.table));
        for (const char* field : shape.fields)
            if (!present.contains(QString::fromLatin1(field), Qt::CaseInsensitive))
                throw StoreError(MissingField,
                                 QStringLiteral("The library %1 is incomplete: its table \"%2\" "
                                                "has no field \"%3\". Restore it from a backup "
                                                "copy.")
                                     .arg(quoted(path), shape.table, field));
    }
}

std::unique_ptr<SQLite::Database> connect(const QString& path, int flags) {
    auto db = std::make_unique<SQLite::Database>(path.toStdString(), flags, kBusyTimeoutMs);
    registerNameCollation(db->getHandle());
    // Each change is on disk when its call returns: the write-ahead log with a
    // full sync commits with one flush of the log, where a rollback journal
    // takes several.
    db->exec("PRAGMA journal_mode=WAL");
    db->exec("PRAGMA synchronous=FULL");
    return db;
}

}  // namespace

namespace {

bool identify(const QString& path, quint64& device, quint64& inode) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) return false;
    device = info.st_dev;
    inode = info.st_ino;
    return true;
}

}  // namespace

Library::Library(QString path, std::unique_ptr<SQLite::Database> db)
    : path_(std::move(path)),
      db_(std::move(db)),
      checkpointer_(std::make_unique<Checkpointer>(db_->getHandle(), path_)) {
    identify(path_, device_, inode_);
}

void Library::checkStillInPlace() const {
    quint64 device = 0, inode = 0;
    if (!identify(path_, device, inode) || device != device_ || inode != inode_)
        throw StoreError(
            LibraryReplaced,
            QStringLiteral("The library %1 was replaced or removed by another program while "
                           "Snibbet had it open, so Snibbet saves nothing more into it. Start "
                           "Snibbet again to work with the file that is there now.")
                .arg(quoted(path_)));
}
Library::Library(Library&&) noexcept = default;
Library& Library::operator=(Library&&) noexcept = default;
Library::~Library() = default;

QString Library::pathIn(const QString& folder) {
    return QDir(folder).filePath(QString::fromLatin1(kLibraryFileName));
}

Library Library::open(const QString& folder) {
    const QString path = pathIn(folder);
    checkFileBeforeOpening(path);
    return translatingEngineErrors([&] {
        try {
            auto db = connect(path, SQLite::OPEN_READWRITE);
            if (sqlite3_db_readonly(db->getHandle(), "main") == 1)
                throw StoreError(LibraryReadOnly,
                                 QStringLiteral("The library %1 is read-only. Make it writable "
                                                "and start Snibbet again.")
                                     .arg(quoted(path)));
            checkSchema(*db, path);
            // Taking the write lock once proves that nobody else holds it.
            db->exec("BEGIN IMMEDIATE");
            db->exec(kCreateIndex);
            db->exec("COMMIT");
            return Library(path, std::move(db));
        } catch (const SQLite::Exception& e) {
            const int code = e.getErrorCode();
            if (code == SQLITE_NOTADB)
                throw StoreError(NotADatabase,
                                 QStringLiteral("The file %1 is not a Snibbet library: it is "
                                                "not a database, or it is damaged. Restore it "
                                                "from a backup copy.")
                                     .arg(quoted(path)));
            if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
                throw StoreError(LibraryLocked,
                                 QStringLiteral("The library %1 is locked by another program. "
                                                "Close that program and start Snibbet again.")
                                     .arg(quoted(path)));
            throw;
        }
    });
}

void Library::createEmpty(const QString& folder) {
    const QString path = pathIn(folder);
    if (QFileInfo::exists(path))
        throw StoreError(LibraryExists,
                         QStringLiteral("A library %1 already exists; Snibbet does not "
                                        "overwrite it.")
                             .arg(quoted(path)));
    translatingEngineErrors([&] {
        auto db = connect(path, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        // Lets the close give free pages back to the file system. Taking
        // effect needs a VACUUM, which costs nothing on the empty file.
        db->exec("PRAGMA auto_vacuum = INCREMENTAL");
        db->exec("VACUUM");
        db->exec("BEGIN");
        db->exec(kCreateSchema);
        db->exec(kCreateIndex);
        db->exec("COMMIT");
    });
}

}  // namespace store
