#include <SQLiteCpp/Database.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "errors/Error.h"
#include "store/Library.h"
#include "support/TempLibrary.h"

using errors::Error;
using store::Library;

class TestOpen : public QObject {
    Q_OBJECT
private slots:
    void opensAnEmptyLibrary();
    void newLibraryHasTheSchema();
    void createRefusesToOverwrite();
    void fileProblems_data();
    void fileProblems();
    void missingTableOrField_data();
    void missingTableOrField();
    void refusedFileWithALogLeftBehind();
    void readOnlyFile();
    void lockedByAnotherProgram();
    void otherToolsCanStillWrite();
};

namespace {

int errorOfOpening(const QString& folder, QString* text = nullptr) {
    try {
        Library::open(folder);
    } catch (const errors::Error& e) {
        if (text) *text = e.text();
        return e.number();
    }
    return 0;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
}

// Another program's database, as its file holds it after that program closed.
QByteArray foreignDatabase(const char* journalMode) {
    QTemporaryDir dir;
    const QString path = dir.filePath("contacts.db");
    {
        SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        db.exec(std::string("PRAGMA journal_mode=") + journalMode);
        db.exec(
            "CREATE TABLE Contacts (Name TEXT, Phone TEXT);"
            "INSERT INTO Contacts VALUES ('Ann', '555-0100')");
    }
    return bytesOf(path);
}

}  // namespace

void TestOpen::opensAnEmptyLibrary() {
    TempLibrary lib;
    Library library = Library::open(lib.folder());
    QCOMPARE(library.path(), lib.path());
    QVERIFY(lib.path().endsWith("/Snibbet.mdb"));
}

void TestOpen::newLibraryHasTheSchema() {
    TempLibrary lib;
    QCOMPARE(lib.rows("pragma_table_info('Items')").size(), 5);
    QStringList names;
    for (const QString& row : lib.rows("pragma_table_info('Items')"))
        names << row.section('|', 1, 1);
    QCOMPARE(names, (QStringList{"Category", "ItemName", "Code", "Declares", "Notes"}));
    QCOMPARE(lib.rows("pragma_table_info('TempItems')").size(), 5);
    QCOMPARE(lib.rows("pragma_table_info('Category')").size(), 1);
    QCOMPARE(lib.rows("pragma_table_info('TempCat')").size(), 1);
    // A row appended without values reads as text in every field but Category.
    lib.exec("INSERT INTO Items DEFAULT VALUES");
    QCOMPARE(lib.rows("Items"), QStringList{"<null>|Empty|||"});
}

void TestOpen::createRefusesToOverwrite() {
    TempLibrary lib;
    lib.addCategory("keep me");
    try {
        Library::createEmpty(lib.folder());
        QFAIL("an existing library was overwritten");
    } catch (const errors::Error& e) {
        QCOMPARE(e.number(), int(errors::LibraryExists));
    }
    QCOMPARE(lib.rows("Category"), QStringList{"keep me"});
}

void TestOpen::fileProblems_data() {
    QTest::addColumn<QByteArray>("content");  // "<none>": no file at all
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("saying");
    QTest::newRow("missing") << QByteArray("<none>") << int(errors::LibraryMissing)
                             << "does not exist";
    QByteArray jet(2048, '\0');
    jet.replace(0, 19, QByteArray("\x00\x01\x00\x00Standard Jet DB", 19));
    QTest::newRow("jet") << jet << int(errors::OlderFormat) << "earlier Windows version";
    QByteArray ace(2048, '\0');
    ace.replace(0, 19, QByteArray("\x00\x01\x00\x00Standard ACE DB", 19));
    QTest::newRow("ace") << ace << int(errors::NewerAccessFormat) << "Access 2007 or later";
    QTest::newRow("text file") << QByteArray("just some notes\n") << int(errors::NotADatabase)
                               << "not a database";
    QTest::newRow("empty file") << QByteArray() << int(errors::NotADatabase) << "not a database";
    QByteArray damaged("SQLite format 3\0", 16);
    damaged += QByteArray(4080, '\xff');
    QTest::newRow("damaged header") << damaged << int(errors::NotADatabase) << "damaged";
    QTest::newRow("another program's database")
        << foreignDatabase("DELETE") << int(errors::NotADatabase) << "another program";
    QTest::newRow("another program's database, with a log")
        << foreignDatabase("WAL") << int(errors::NotADatabase) << "another program";
}

void TestOpen::fileProblems() {
    QFETCH(QByteArray, content);
    QFETCH(int, error);
    QFETCH(QString, saying);
    QTemporaryDir dir;
    if (content != "<none>") writeFile(Library::pathIn(dir.path()), content);
    QString text;
    QCOMPARE(errorOfOpening(dir.path(), &text), error);
    QVERIFY2(text.contains(saying), qPrintable(text));
    QVERIFY2(text.contains(Library::pathIn(dir.path())), qPrintable(text));
    // A refused file, and its folder, stay exactly as they were.
    QCOMPARE(bytesOf(Library::pathIn(dir.path())), content);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             content == "<none>" ? QStringList{} : QStringList{"Snibbet.mdb"});
}

void TestOpen::missingTableOrField_data() {
    QTest::addColumn<QString>("sql");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("saying");
    QTest::newRow("no Category") << "DROP TABLE Category" << int(errors::MissingTable)
                                 << "\"Category\"";
    QTest::newRow("no TempItems") << "DROP TABLE TempItems" << int(errors::MissingTable)
                                  << "\"TempItems\"";
    QTest::newRow("no Notes field")
        << "DROP INDEX ItemsByCategory; ALTER TABLE Items DROP COLUMN Notes"
        << int(errors::MissingField) << "\"Notes\"";
    QTest::newRow("no TempCat field")
        << "DROP TABLE TempCat; CREATE TABLE TempCat (Name TEXT)" << int(errors::MissingField)
        << "\"TempCat\" has no field \"Category\"";
}

void TestOpen::missingTableOrField() {
    QFETCH(QString, sql);
    QFETCH(int, error);
    QFETCH(QString, saying);
    TempLibrary lib;
    lib.exec(sql);
    const QByteArray before = bytesOf(lib.path());
    QString text;
    QCOMPARE(errorOfOpening(lib.folder(), &text), error);
    QVERIFY2(text.contains(saying), qPrintable(text));
    QVERIFY(bytesOf(lib.path()) == before);
}

// Another program ended without closing its database: its log still holds
// changes. Refusing the file copies none of them into it.
void TestOpen::refusedFileWithALogLeftBehind() {
    QTemporaryDir dir;
    const QString path = Library::pathIn(dir.path());
    QTemporaryDir theirs;
    const QString original = theirs.filePath("contacts.db");
    SQLite::Database db(original.toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    db.exec(
        "PRAGMA journal_mode=WAL; CREATE TABLE Contacts (Name TEXT);"
        "INSERT INTO Contacts VALUES ('Ann')");
    QVERIFY(QFile::copy(original, path));  // as the other program left them
    QVERIFY(QFile::copy(original + "-wal", path + "-wal"));
    const QByteArray file = bytesOf(path), log = bytesOf(path + "-wal");
    QCOMPARE(errorOfOpening(dir.path()), int(errors::NotADatabase));
    QVERIFY(bytesOf(path) == file);
    QVERIFY(bytesOf(path + "-wal") == log);
}

void TestOpen::readOnlyFile() {
    if (geteuid() == 0)
        QSKIP("root writes to read-only files; tst_mainwindow_faults checks this as another user");
    TempLibrary lib;
    QVERIFY(QFile::setPermissions(lib.path(), QFile::ReadOwner));
    QCOMPARE(errorOfOpening(lib.folder()), int(errors::LibraryReadOnly));
}

// Another process holds the write lock: opening gives up after a bounded wait.
void TestOpen::lockedByAnotherProgram() {
    TempLibrary lib;
    QProcess holder;
    holder.start("sqlite3", {lib.path()});
    QVERIFY(holder.waitForStarted());
    holder.write("BEGIN EXCLUSIVE; INSERT INTO Category VALUES ('x');\n.print locked\n");
    QVERIFY(holder.waitForReadyRead(5000));
    QElapsedTimer timer;
    timer.start();
    QString text;
    QCOMPARE(errorOfOpening(lib.folder(), &text), int(errors::LibraryLocked));
    QVERIFY2(timer.elapsed() < 15000, "opening waited far too long");
    QVERIFY(text.contains("another program"));
    holder.write("ROLLBACK;\n.quit\n");
    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished());
    QCOMPARE(errorOfOpening(lib.folder()), 0);
}

// The collation lives only in statements: the plain sqlite3 shell still writes.
void TestOpen::otherToolsCanStillWrite() {
    TempLibrary lib;
    { Library library = Library::open(lib.folder()); }
    QProcess shell;
    shell.start("sqlite3", {lib.path(),
                            "INSERT INTO Items (Category, ItemName) VALUES ('c', 'i'); "
                            "UPDATE Items SET Code = 'x'; SELECT count(*) FROM Items;"});
    QVERIFY(shell.waitForFinished());
    QCOMPARE(shell.exitCode(), 0);
    QCOMPARE(shell.readAllStandardOutput().trimmed(), QByteArray("1"));
}

QTEST_GUILESS_MAIN(TestOpen)
#include "tst_open.moc"
