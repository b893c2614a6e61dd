#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <csignal>
#include <random>

#include "store/Backup.h"
#include "store/JetConversion.h"
#include "store/Library.h"
#include "store/TidyUp.h"
#include "support/ChangeScript.h"
#include "support/JetFixtures.h"
#include "support/TempLibrary.h"
#include "support/TypicalRun.h"

// A worker process changes a library and is killed at a random moment, again
// and again. After each kill the file must be sound, hold every change whose
// call had returned, and hold the change in flight either whole or not at all.
class TestCrash : public QObject {
    Q_OBJECT
private slots:
    void killedAtRandomMomentsLosesNothing();
    void killedDuringACloseLosesNothing_data();
    void killedDuringACloseLosesNothing();
    void killedRunsLogReachesOnlyItsOwnFile_data();
    void killedRunsLogReachesOnlyItsOwnFile();
};

namespace {

constexpr int kChanges = 60;

// Both tables in stored order, as one text.
QString snapshot(const QString& folder) {
    SQLite::Database db(store::Library::pathIn(folder).toStdString(), SQLite::OPEN_READWRITE);
    QString all;
    for (const char* table : {"Category", "Items"}) {
        SQLite::Statement select(db, std::string("SELECT * FROM ") + table + " ORDER BY rowid");
        while (select.executeStep()) {
            for (int i = 0; i < select.getColumnCount(); ++i)
                all += QString::fromUtf8(select.getColumn(i).getText()) + QLatin1Char('|');
            all += QLatin1Char('\n');
        }
        all += QStringLiteral("----\n");
    }
    return all;
}

QString integrity(const QString& folder) {
    SQLite::Database db(store::Library::pathIn(folder).toStdString(), SQLite::OPEN_READWRITE);
    return QString::fromStdString(db.execAndGet("PRAGMA integrity_check").getString());
}

void copyLibrary(const QString& from, const QString& to) {
    QDir().mkpath(to);
    for (const char* suffix : {"", "-wal", "-shm"})
        QFile::remove(store::Library::pathIn(to) + suffix);
    if (!QFile::copy(store::Library::pathIn(from), store::Library::pathIn(to)))
        qFatal("copy failed");
}

// The two states a killed run may leave: after `done` changes, or one more.
std::pair<QString, QString> replay(const QString& initial, const QString& folder, unsigned seed,
                                   int done, int changes = kChanges,
                                   ChangeScript::Mix mix = ChangeScript::Mix::Session) {
    copyLibrary(initial, folder);
    store::Library library = store::Library::open(folder);
    ChangeScript script(seed, mix);
    for (int i = 0; i < done; ++i) script.next(library, i);
    const QString before = snapshot(folder);
    if (done == changes) return {before, before};
    script.next(library, done);
    return {before, snapshot(folder)};
}

int rounds() {
    return qEnvironmentVariableIsSet("SNIBBET_CRASH_ROUNDS")
               ? qEnvironmentVariableIntValue("SNIBBET_CRASH_ROUNDS")
               : 150;
}

// Fills a library the way a test needs it, through a connection of its own.
void fill(const QString& folder, const QString& sql) {
    SQLite::Database db(store::Library::pathIn(folder).toStdString(), SQLite::OPEN_READWRITE);
    db.exec(sql.toStdString());
}

// 3,000 items of about 2 KB in 30 categories, stored in an order far from
// sorted.
QString shuffledItems() {
    QString sql = "BEGIN;";
    for (int c = 0; c < 30; ++c)
        sql += QStringLiteral("INSERT INTO Category VALUES ('c%1');").arg(c);
    for (int i = 0; i < 3000; ++i)
        sql += QStringLiteral("INSERT INTO Items VALUES ('c%1', 'item %2', '%3', 'd', 'n');")
                   .arg((i * 7) % 30)
                   .arg((i * 7919) % 3000)
                   .arg(QString(2000, QChar(u'a' + i % 26)));
    return sql + "COMMIT;";
}

QString scratchFolder() {
    // Killing a process is not a power cut: the page cache survives it, so a
    // memory-backed folder checks the same thing, much faster.
    return QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm")
                                                     : QDir::tempPath();
}

// The folders of a run: an empty library in "initial", and "work" (where the
// worker is killed) and "check" (where the changes are replayed) beside it.
struct Scratch {
    QTemporaryDir dir{scratchFolder() + QStringLiteral("/snibbet-crash-XXXXXX")};
    QString initial = dir.filePath("initial"), work = dir.filePath("work"),
            check = dir.filePath("check");
    Scratch() {
        QDir().mkpath(initial);
        store::Library::createEmpty(initial);
    }
};

// 20 categories of 40 items of about 700 characters.
void fillWithItems(const QString& folder) {
    QString sql = "BEGIN;";
    for (int c = 0; c < 20; ++c) {
        sql += QStringLiteral("INSERT INTO Category VALUES ('Category %1');").arg(c);
        for (int i = 0; i < 40; ++i)
            sql +=
                QStringLiteral(
                    "INSERT INTO Items VALUES ('Category %1', 'Item %2', '%3', 'decl', 'notes');")
                    .arg(c)
                    .arg(i)
                    .arg(QString(700, QChar(u'a' + i % 26)));
    }
    fill(folder, sql + "COMMIT;");
}

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Writes `from` over `to` as cp does: into the same file, truncated first.
bool writeOver(const QString& to, const QString& from) {
    QFile target(to);
    return target.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           target.write(contentOf(from)) == QFileInfo(from).size();
}

}  // namespace

void TestCrash::killedAtRandomMomentsLosesNothing() {
    const int rounds = ::rounds();
    const Scratch scratch;
    QVERIFY(scratch.dir.isValid());
    const QString &initial = scratch.initial, &work = scratch.work, &check = scratch.check;
    fillWithItems(initial);

    bool ranWhole = true;
    const qint64 runUs = typicalRunUs([&] {
        copyLibrary(initial, work);
        QElapsedTimer clock;
        clock.start();
        QProcess whole;
        whole.start(QStringLiteral(CRASH_WORKER),
                    {work, QStringLiteral("1"), QString::number(kChanges)});
        ranWhole &= whole.waitForFinished(120000) && whole.exitCode() == 0;
        return clock.nsecsElapsed() / 1000;
    });
    QVERIFY(ranWhole);

    // Each kill waits for a random change to start, then lets the worker run on
    // for up to two changes' time, so that the kills land within the run
    // however busy the machine is while they are made.
    const qint64 changeUs = runUs / kChanges;
    std::mt19937 random(20261207);
    int killedMidway = 0;
    for (int round = 0; round < rounds; ++round) {
        const unsigned seed = 1000 + static_cast<unsigned>(round);
        copyLibrary(initial, work);
        QProcess worker;
        worker.start(QStringLiteral(CRASH_WORKER),
                     {work, QString::number(seed), QString::number(kChanges)});
        QVERIFY(worker.waitForStarted());
        const QByteArray started =
            "start " + QByteArray::number(std::uniform_int_distribution<int>(1, kChanges)(random)) +
            '\n';
        QByteArray said;
        while (!said.contains(started) && worker.waitForReadyRead(30000))
            said += worker.readAllStandardOutput();
        QThread::usleep(std::uniform_int_distribution<qint64>(0, 2 * changeUs)(random));
        ::kill(static_cast<pid_t>(worker.processId()), SIGKILL);
        QVERIFY(worker.waitForFinished(10000));
        said += worker.readAllStandardOutput();
        const int done = static_cast<int>(said.count("done"));
        if (done < kChanges) ++killedMidway;

        QCOMPARE(integrity(work), "ok");
        const QString crashed = snapshot(work);
        const auto [before, after] = replay(initial, check, seed, done);
        if (crashed != before && crashed != after)
            QFAIL(qPrintable(
                QStringLiteral("round %1 (seed %2): after %3 changes the file holds neither the "
                               "state before nor after the change in flight")
                    .arg(round)
                    .arg(seed)
                    .arg(done)));
    }
    qInfo("%d kills, %d of them in the middle of the run; nothing lost", rounds, killedMidway);
    QVERIFY(killedMidway > rounds / 2);
}

// Each way a close can take, killed at random moments between the start of
// the close and the end of the process (its last checkpoint included).
void TestCrash::killedDuringACloseLosesNothing_data() {
    QTest::addColumn<QString>("setUp");     // made to the shuffled library
    QTest::addColumn<bool>("tidiedFirst");  // by the rewrite, before `setUp`
    QTest::addColumn<bool>("rewrite");      // the way the close takes
    QTest::newRow("rows moved, pages given back")
        << "UPDATE Items SET ItemName = 'a' || ItemName "
           "WHERE (ItemName LIKE '%5' OR ItemName LIKE '%1') AND length(ItemName) = 8; "
           "UPDATE Items SET ItemName = NULL WHERE ItemName LIKE '%77'; "
           "UPDATE Category SET Category = 'b' || Category WHERE Category IN ('c7', 'c21'); "
           "DELETE FROM Items WHERE Category = 'c4'"
        << true << false;
    QTest::newRow("rewritten") << "" << false << true;
    QTest::newRow("older file: rewritten, then compacted")
        << "PRAGMA auto_vacuum = NONE; VACUUM; "
           "INSERT INTO TempItems SELECT * FROM Items; DELETE FROM TempItems"
        << false << true;
}

void TestCrash::killedDuringACloseLosesNothing() {
    QFETCH(QString, setUp);
    QFETCH(bool, tidiedFirst);
    QFETCH(bool, rewrite);
    const Scratch scratch;
    QVERIFY(scratch.dir.isValid());
    const QString &initial = scratch.initial, &work = scratch.work, &check = scratch.check;
    fill(initial, shuffledItems());
    if (tidiedFirst)
        QVERIFY(store::TidyUp::run(store::Library::open(initial), store::TidyUp::Rewrite::Always));
    if (!setUp.isEmpty()) fill(initial, setUp);
    const auto [before, after] = replay(initial, check, 1, 0, 1, ChangeScript::Mix::Closes);
    QVERIFY(before != after);
    copyLibrary(initial, check);
    bool rewritten = false, moved = false;
    QVERIFY(store::TidyUp::run(store::Library::open(check), store::TidyUp::Rewrite::WhenNeeded,
                               [&](store::TidyUp::Step step, int) {
                                   rewritten |= step == store::TidyUp::Step::Rewrite;
                                   moved |= step == store::TidyUp::Step::MoveItems;
                               }));
    QCOMPARE(rewritten, rewrite);
    QCOMPARE(moved, !rewrite);

    const auto startWorker = [&](QProcess& worker) {
        copyLibrary(initial, work);
        worker.start(QStringLiteral(CRASH_WORKER),
                     {work, QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("closes")});
        return worker.waitForStarted() && worker.waitForReadyRead(30000) &&
               worker.readAllStandardOutput().startsWith("start 1");
    };
    bool closedWhole = true;
    const qint64 closeUs = typicalRunUs([&] {
        QProcess worker;
        closedWhole &= startWorker(worker);
        QElapsedTimer clock;
        clock.start();
        closedWhole &= worker.waitForFinished(120000) && worker.exitCode() == 0;
        const qint64 us = clock.nsecsElapsed() / 1000;
        closedWhole &= snapshot(work) == after;
        return us;
    });
    QVERIFY(closedWhole);

    std::mt19937 random(20261208);
    const int rounds = std::max(1, ::rounds() / 3);
    int killedInTheClose = 0;
    for (int round = 0; round < rounds; ++round) {
        QProcess worker;
        QVERIFY(startWorker(worker));
        QThread::usleep(std::uniform_int_distribution<qint64>(0, closeUs)(random));
        ::kill(static_cast<pid_t>(worker.processId()), SIGKILL);
        QVERIFY(worker.waitForFinished(10000));
        if (worker.exitStatus() == QProcess::CrashExit) ++killedInTheClose;

        QCOMPARE(integrity(work), "ok");
        const QString crashed = snapshot(work);
        if (crashed != before && crashed != after)
            QFAIL(qPrintable(QStringLiteral("round %1: the file holds neither the state before "
                                            "nor the state after the close")
                                 .arg(round)));
    }
    qInfo("%d kills, %d of them before the process ended (the close takes %.1f ms); nothing lost",
          rounds, killedInTheClose, closeUs / 1000.0);
    QVERIFY(killedInTheClose > rounds / 5);
}

// A run killed with changes still in its log, and then what a user may do to
// the folder before the next start: nothing, restore a backup copy (of the
// same day, made during that run, or of an earlier day), have moved the
// library away while it was open, or put the earlier Windows version's file
// back. The log reaches only the file it was written for; otherwise it is set
// aside whole, where it still gives back the killed run's work.
void TestCrash::killedRunsLogReachesOnlyItsOwnFile_data() {
    QTest::addColumn<QString>("then");
    QTest::newRow("nothing touched") << "nothing";
    QTest::newRow("the same day's backup copied over") << "today's copy";
    QTest::newRow("an earlier day's backup copied over") << "earlier copy";
    QTest::newRow("the library moved while open") << "moved";
    QTest::newRow("the earlier version's file put back") << "jet";
}

void TestCrash::killedRunsLogReachesOnlyItsOwnFile() {
    QFETCH(QString, then);
    const Scratch scratch;
    QVERIFY(scratch.dir.isValid());
    const QString &initial = scratch.initial, &work = scratch.work, &check = scratch.check;
    const QString library = store::Library::pathIn(work);
    const QString archive = QDir(work).filePath("Snibbet archive.mdb");
    const QDir backups(store::Backup::folderFor(library));
    // An earlier day's copy, from before anything was added.
    QVERIFY(store::Backup::makeIfDue(store::Library::pathIn(initial), QDate(2026, 12, 1)));
    const QString earlierCopy =
        store::Backup::fileFor(store::Library::pathIn(initial), QDate(2026, 12, 1));
    fillWithItems(initial);
    copyLibrary(initial, work);

    constexpr unsigned kSeed = 7;
    QProcess worker;
    worker.start(QStringLiteral(CRASH_WORKER),
                 {work, QString::number(kSeed), QString::number(kChanges)});
    QByteArray said;
    const auto waitFor = [&](const QByteArray& line) {
        while (!said.contains(line) && worker.waitForReadyRead(30000))
            said += worker.readAllStandardOutput();
        return said.contains(line);
    };
    QVERIFY(waitFor("start 1\n"));
    // As the program makes it, beside the window, from the library in use.
    if (then == "today's copy") QVERIFY(store::Backup::makeIfDue(library, QDate(2026, 12, 8)));
    QVERIFY(waitFor("done 30\n"));
    if (then == "moved") QVERIFY(QFile::rename(library, archive));
    ::kill(static_cast<pid_t>(worker.processId()), SIGKILL);
    QVERIFY(worker.waitForFinished(10000));
    said += worker.readAllStandardOutput();
    const int done = static_cast<int>(said.count("done"));
    const QByteArray log = contentOf(library + "-wal");
    QVERIFY2(log.size() > 32 * 1024, "the killed run left its changes in its log");
    const auto [before, after] = replay(initial, check, kSeed, done);

    QString expected;  // what the library must hold at the next start
    if (then == "nothing") {
        expected = QStringLiteral("the killed run's");
    } else if (then == "today's copy" || then == "earlier copy") {
        const QString copy = then == "earlier copy"
                                 ? earlierCopy
                                 : store::Backup::fileFor(library, QDate(2026, 12, 8));
        copyLibrary(work, check);
        QVERIFY(writeOver(store::Library::pathIn(check), copy));
        expected = snapshot(check);
        QVERIFY(writeOver(library, copy));
    } else if (then == "moved") {
        store::Library::createEmpty(work);          // Yes to the offer of an empty library
        expected = QStringLiteral("----\n----\n");  // a new, empty library
    } else {
        QVERIFY(QFile::rename(library, QDir(work).filePath("Snibbet (converted).mdb")));
        QVERIFY(jetfixtures::write(check, {"snibbet-jet3"}));
        QVERIFY(QFile::copy(QDir(check).filePath("snibbet-jet3.mdb"), library));
        store::JetConversion::run(work);
        const QJsonObject jet = jetfixtures::load(QDir(check).filePath("snibbet-jet3.json"));
        for (const QString table : {"Category", "Items"})
            COMPARE_JSON_ROWS(
                jetfixtures::rowsOf(library, table, jetfixtures::fieldsOf(jet, table)),
                jetfixtures::rowsOf(jet, table));
    }
    store::Library::open(work);  // and closed at once
    QCOMPARE(integrity(work), "ok");
    const QString now = snapshot(work);
    if (then == "nothing")
        QVERIFY(now == before || now == after);
    else if (then != "jet")
        QCOMPARE(now, expected);

    const QStringList aside = backups.entryList({"Log set aside *.mdb-wal"});
    if (then == "nothing") {
        QVERIFY(aside.isEmpty());
        return;
    }
    QCOMPARE(aside.size(), 1);
    QVERIFY(contentOf(backups.filePath(aside.first())) == log);
    if (then != "moved") return;
    // The moved file with its log beside it is the killed run's work.
    copyLibrary(work, check);
    QVERIFY(writeOver(store::Library::pathIn(check), archive));
    QVERIFY(QFile::copy(backups.filePath(aside.first()), store::Library::pathIn(check) + "-wal"));
    const QString recovered = snapshot(check);
    QVERIFY(recovered == before || recovered == after);
}

QTEST_GUILESS_MAIN(TestCrash)
#include "tst_crash.moc"
