#include <QDir>
#include <QFile>
#include <QTest>

#include "errors/Error.h"
#include "store/Backup.h"
#include "store/Library.h"
#include "support/TempLibrary.h"

using store::Backup;

class TestBackup : public QObject {
    Q_OBJECT
private slots:
    void copyIsAWholeLibraryMadeOnceADay();
    void keepsTheLastSevenCopies();
    void keepsTheCopiesMadeLastWhateverTheirDates();
    void failureLeavesEarlierCopiesAndNoPartialFile();
};

void TestBackup::copyIsAWholeLibraryMadeOnceADay() {
    TempLibrary lib;
    lib.addCategory("c");
    lib.addItem("c", "it's", QString(200000, 'x'), "d", "n");
    const QDate day(2026, 12, 7);
    QVERIFY(Backup::makeIfDue(lib.path(), day));
    lib.addItem("c", "later");
    QVERIFY(!Backup::makeIfDue(lib.path(), day));  // not twice a day

    const QString copy = Backup::fileFor(lib.path(), day);
    QCOMPARE(QFileInfo(copy).fileName(), "Snibbet 2026-12-07.mdb");
    QCOMPARE(QFileInfo(copy).dir().dirName(), "Snibbet backups");
    // Restoring is copying it over the library: it opens as one.
    QTemporaryDir restored;
    QVERIFY(QFile::copy(copy, store::Library::pathIn(restored.path())));
    store::Library library = store::Library::open(restored.path());
    Q_UNUSED(library);
    TempLibrary view;
    QFile::remove(view.path());
    QVERIFY(QFile::copy(copy, view.path()));
    QCOMPARE(view.rows("Items"), QStringList{"c|it's|" + QString(200000, 'x') + "|d|n"});
}

// Seven dated copies are kept; the user's own files in the folder, however
// they are named, are never touched.
void TestBackup::keepsTheLastSevenCopies() {
    TempLibrary lib;
    const QDir folder(Backup::folderFor(lib.path()));
    QVERIFY(QDir().mkpath(folder.path()));
    const QStringList own{"Snibbet 1 my own copy before cleanup.mdb", "Snibbet 2026-13-45.mdb",
                          "Snibbet 2026-11-01 before the big rename.mdb", "notes.txt"};
    for (const QString& name : own) {
        QFile file(folder.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("mine");
    }
    const QDate first(2026, 11, 1);
    for (int i = 0; i < 10; ++i) QVERIFY(Backup::makeIfDue(lib.path(), first.addDays(i * 2)));
    QStringList expected = own;
    for (int day = 7; day <= 19; day += 2)
        expected << QStringLiteral("Snibbet 2026-11-%1.mdb").arg(day, 2, 10, QLatin1Char('0'));
    QStringList actual = folder.entryList(QDir::Files);
    actual.sort();
    expected.sort();
    COMPARE_ROWS(actual, expected);
    for (const QString& name : own) {
        QFile file(folder.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), "mine");
    }
}

// A clock a month ahead for a week named seven copies after days yet to come.
// Once the clock is right again, each day's copy is kept, and the seven kept
// are always the seven made last.
void TestBackup::keepsTheCopiesMadeLastWhateverTheirDates() {
    TempLibrary lib;
    const QDate today(2026, 12, 8);
    for (int i = 0; i < 7; ++i) QVERIFY(Backup::makeIfDue(lib.path(), today.addDays(30 + i)));
    QStringList madeLast;
    for (int i = 0; i < 7; ++i)
        madeLast << QFileInfo(Backup::fileFor(lib.path(), today.addDays(30 + i))).fileName();
    for (int day = 0; day < 8; ++day) {
        QVERIFY(Backup::makeIfDue(lib.path(), today.addDays(day)));
        madeLast << QFileInfo(Backup::fileFor(lib.path(), today.addDays(day))).fileName();
        QStringList kept = QDir(Backup::folderFor(lib.path())).entryList(QDir::Files);
        QStringList expected = madeLast.mid(madeLast.size() - 7);
        kept.sort();
        expected.sort();
        COMPARE_ROWS(kept, expected);
    }
}

void TestBackup::failureLeavesEarlierCopiesAndNoPartialFile() {
    TempLibrary lib;
    QVERIFY(Backup::makeIfDue(lib.path(), QDate(2026, 12, 1)));
    QFile damaged(lib.path());
    QVERIFY(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write("no longer a database, not even close to one; just text that fills a header");
    damaged.close();
    try {
        Backup::makeIfDue(lib.path(), QDate(2026, 12, 2));
        QFAIL("a copy of a damaged file was reported as made");
    } catch (const errors::Error& e) {
        QVERIFY(!e.text().isEmpty());
    }
    QCOMPARE(QDir(Backup::folderFor(lib.path())).entryList(QDir::Files),
             QStringList{"Snibbet 2026-12-01.mdb"});
}

QTEST_GUILESS_MAIN(TestBackup)
#include "tst_backup.moc"
