#include <SQLiteCpp/Database.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include "errors/Error.h"
#include "store/Backup.h"
#include "store/Library.h"
#include "store/RecordSet.h"
#include "store/Statements.h"
#include "store/TidyUp.h"
#include "store/engine/Connection.h"
#include "support/TempLibrary.h"

using namespace store;

// Faults of the disk and of the file: each is an error with a number and a
// text for the user, never a silent loss, and what was saved before stays.
class TestFaults : public QObject {
    Q_OBJECT
private slots:
    void diskFullKeepsEarlierChanges();
    void fileReplacedWhileOpenTakesNoChange();
    void libraryGoneWhileOpenKeepsTheSessionsChanges_data();
    void libraryGoneWhileOpenKeepsTheSessionsChanges();
    void fileLockedByAnotherProgramDuringASave();
    void truncatedFileIsReported();
    void logIsCopiedBackWhileTheLibraryIsOpen();
};

namespace {

// Saves `code` into the first item of category "c"; returns the error, if any.
std::optional<errors::Error> save(const Library& library, const QString& code) {
    DataSource items(library, RecordSource::itemsOf("c"));
    try {
        RecordSet& rs = items.Recordset();
        rs.Edit();
        rs.setText(Field::Code, code);
        rs.Update();
    } catch (const errors::Error& e) {
        return e;
    }
    return std::nullopt;
}

}  // namespace

void TestFaults::diskFullKeepsEarlierChanges() {
    TempLibrary lib;
    lib.addCategory("c");
    lib.addItem("c", "one", "original");
    Library library = Library::open(lib.folder());
    QVERIFY(!save(library, "saved before the disk filled"));
    // Room for a few more pages only, as on a disk that is nearly full.
    library.database().exec(
        "PRAGMA max_page_count = " +
        std::to_string(library.database().execAndGet("PRAGMA page_count").getInt() + 2));
    const auto error = save(library, QString(2'000'000, 'x'));
    QVERIFY(error);
    QCOMPARE(error->number() & 0xff, 13);  // SQLITE_FULL
    QVERIFY2(error->text().contains("disk is full"), qPrintable(error->text()));
    QCOMPARE(lib.rows("Items"), QStringList{"c|one|saved before the disk filled||"});
}

void TestFaults::fileReplacedWhileOpenTakesNoChange() {
    TempLibrary lib;
    lib.addCategory("c");
    lib.addItem("c", "one", "original");
    TempLibrary other;
    other.addCategory("theirs");
    Library library = Library::open(lib.folder());
    QVERIFY(QFile::remove(lib.path()));
    QVERIFY(QFile::copy(other.path(), lib.path()));

    const auto error = save(library, "lost?");
    QVERIFY(error);
    QCOMPARE(error->number(), int(errors::LibraryReplaced));
    QVERIFY_THROWS_EXCEPTION(errors::Error, deleteCategory(library, "theirs"));
    QVERIFY(!TidyUp::run(library));
    QCOMPARE(lib.rows("Category"), QStringList{"theirs"});  // the new file is untouched
    QVERIFY(lib.rows("Items").isEmpty());
}

// The library moved, removed or written over by another program while open:
// what the session saved is kept where the user is told (the moved file, a
// copy beside where it was, or the log set aside), and nothing of it reaches a
// file written over the library.
void TestFaults::libraryGoneWhileOpenKeepsTheSessionsChanges_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("told");
    QTest::newRow("moved within its folder") << "move"
                                             << "which is now";
    QTest::newRow("removed") << "remove"
                             << "has saved a copy";
    QTest::newRow("written over by a copy") << "overwrite"
                                            << "are in the log";
}

void TestFaults::libraryGoneWhileOpenKeepsTheSessionsChanges() {
    QFETCH(QString, how);
    QFETCH(QString, told);
    TempLibrary lib, copy;
    lib.addCategory("c");
    lib.addItem("c", "one", "original");
    copy.addCategory("theirs");
    const QString moved = lib.folder() + "/Snibbet archive.mdb";
    const QDir backups(Backup::folderFor(lib.path()));
    QString words;
    {
        Library library = Library::open(lib.folder());
        QVERIFY(!save(library, "saved in this session"));
        if (how == "move") QVERIFY(QFile::rename(lib.path(), moved));
        if (how == "remove") QVERIFY(QFile::remove(lib.path()));
        if (how == "overwrite") {
            QFile target(lib.path());  // as cp does: the same file, new content
            QVERIFY(target.open(QIODevice::WriteOnly | QIODevice::Truncate));
            QFile source(copy.path());
            QVERIFY(source.open(QIODevice::ReadOnly));
            target.write(source.readAll());
        }
        QVERIFY(!library.isStillInPlace());
        QVERIFY_THROWS_EXCEPTION(errors::Error, deleteCategory(library, "c"));
        words = library.keepChangesOfLostFile();
        QVERIFY2(words.contains(told), qPrintable(words));
    }
    const QString session = "c|one|saved in this session||";
    if (how == "move") {
        SQLite::Database db(moved.toStdString(), SQLite::OPEN_READONLY);
        QCOMPARE(QString::fromStdString(db.execAndGet("SELECT Code FROM Items").getString()),
                 "saved in this session");
        QVERIFY(words.contains(moved));
        // This run's emptied log, its index and its record do not outlive it.
        for (const char* left : {"-wal", "-shm", "-wal.owner"})
            QVERIFY2(!QFileInfo::exists(lib.path() + left), left);
    }
    if (how == "remove") {
        const QStringList saved = backups.entryList({"Snibbet saved *.mdb"});
        QCOMPARE(saved.size(), 1);
        QVERIFY(words.contains(saved.first()));
        QFile::copy(backups.filePath(saved.first()), copy.path() + ".saved");
        SQLite::Database db((copy.path() + ".saved").toStdString(), SQLite::OPEN_READONLY);
        QCOMPARE(QString::fromStdString(db.execAndGet("SELECT Code FROM Items").getString()),
                 "saved in this session");
    }
    if (how == "overwrite") {
        QCOMPARE(lib.rows("Category"), QStringList{"theirs"});
        QVERIFY(lib.rows("Items").isEmpty());
        QCOMPARE(backups.entryList({"Log set aside *.mdb-wal"}).size(), 1);
        QVERIFY(!QFileInfo::exists(lib.path() + "-wal"));
    }
}

void TestFaults::fileLockedByAnotherProgramDuringASave() {
    TempLibrary lib;
    lib.addCategory("c");
    lib.addItem("c", "one", "original");
    Library library = Library::open(lib.folder());
    QProcess holder;
    holder.start("sqlite3", {lib.path()});
    QVERIFY(holder.waitForStarted());
    holder.write("BEGIN IMMEDIATE; UPDATE Items SET Notes = 'theirs';\n.print holding\n");
    QVERIFY(holder.waitForReadyRead(5000));
    QElapsedTimer timer;
    timer.start();
    const auto error = save(library, "mine");
    QVERIFY(error);
    QVERIFY(timer.elapsed() < 20000);
    QCOMPARE(error->number() & 0xff, 5);  // SQLITE_BUSY
    QVERIFY2(error->text().contains("another program"), qPrintable(error->text()));
    holder.write("ROLLBACK;\n.quit\n");
    QVERIFY(holder.waitForFinished());
    QCOMPARE(lib.rows("Items"), QStringList{"c|one|original||"});
    QVERIFY(!save(library, "mine"));  // the lock gone, saving works again
}

void TestFaults::truncatedFileIsReported() {
    TempLibrary lib;
    lib.addCategory("c");
    for (int i = 0; i < 400; ++i)
        lib.addItem("c", QString::number(i), QString(3000, QChar(u'a' + i % 26)));
    QFile file(lib.path());
    QVERIFY(file.resize(file.size() / 2));
    bool reported = false;
    try {
        Library library = Library::open(lib.folder());
        DataSource items(library, RecordSource::itemsOf("c"));
        RecordSet& rs = items.Recordset();
        for (rs.MoveFirst(); !rs.isEOF(); rs.MoveNext()) rs.text(Field::Code);
    } catch (const errors::Error& e) {
        reported = true;
        QVERIFY2(e.text().contains("damaged") || e.text().contains("not a database"),
                 qPrintable(e.text()));
    }
    QVERIFY(reported);
}

// Saves go to the write-ahead log; a worker copies the log back into the
// library file while it is open, so that neither grows without end and no
// click waits for the copy.
void TestFaults::logIsCopiedBackWhileTheLibraryIsOpen() {
    TempLibrary lib;
    lib.addCategory("c");
    lib.addItem("c", "one");
    Library library = Library::open(lib.folder());
    const qint64 before = QFileInfo(lib.path()).size();
    for (int i = 0; i < 8; ++i) QVERIFY(!save(library, QString(1'000'000, QChar(u'a' + i))));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(lib.path()).size() > before + 900'000, 20000);
    QCOMPARE(lib.rows("Items"), QStringList{"c|one|" + QString(1'000'000, QChar(u'h')) + "||"});
}

QTEST_GUILESS_MAIN(TestFaults)
#include "tst_faults.moc"
