#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <csignal>
#include <random>

#include "store/Library.h"
#include "support/ChangeScript.h"
#include "support/TempLibrary.h"

// A worker process changes a library and is killed at a random moment, again
// and again. After each kill the file must be sound, hold every change whose
// call had returned, and hold the change in flight either whole or not at all.
class TestCrash : public QObject {
    Q_OBJECT
private slots:
    void killedAtRandomMomentsLosesNothing();
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
                                   int done) {
    copyLibrary(initial, folder);
    store::Library library = store::Library::open(folder);
    ChangeScript script(seed);
    for (int i = 0; i < done; ++i) script.next(library, i);
    const QString before = snapshot(folder);
    if (done == kChanges) return {before, before};
    script.next(library, done);
    return {before, snapshot(folder)};
}

QString scratchFolder() {
    // Killing a process is not a power cut: the page cache survives it, so a
    // memory-backed folder checks the same thing, much faster.
    return QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm")
                                                     : QDir::tempPath();
}

}  // namespace

void TestCrash::killedAtRandomMomentsLosesNothing() {
    const int rounds = qEnvironmentVariableIsSet("SNIBBET_CRASH_ROUNDS")
                           ? qEnvironmentVariableIntValue("SNIBBET_CRASH_ROUNDS")
                           : 150;
    QTemporaryDir dir(scratchFolder() + QStringLiteral("/snibbet-crash-XXXXXX"));
    QVERIFY(dir.isValid());
    const QString initial = dir.filePath("initial"), work = dir.filePath("work"),
                  check = dir.filePath("check");
    QDir().mkpath(initial);
    store::Library::createEmpty(initial);
    {
        TempLibrary writer;  // fills the initial library through a connection of its own
        QFile::remove(writer.path());
        QVERIFY(QFile::copy(store::Library::pathIn(initial), writer.path()));
        for (int c = 0; c < 20; ++c) {
            writer.addCategory(QStringLiteral("Category %1").arg(c));
            for (int i = 0; i < 40; ++i)
                writer.addItem(QStringLiteral("Category %1").arg(c),
                               QStringLiteral("Item %1").arg(i), QString(700, QChar(u'a' + i % 26)),
                               QStringLiteral("decl"), QStringLiteral("notes"));
        }
        QFile::remove(store::Library::pathIn(initial));
        QVERIFY(QFile::copy(writer.path(), store::Library::pathIn(initial)));
    }

    // How long an uninterrupted run takes, to spread the kills over it.
    copyLibrary(initial, work);
    QElapsedTimer clock;
    clock.start();
    QProcess whole;
    whole.start(QStringLiteral(CRASH_WORKER),
                {work, QStringLiteral("1"), QString::number(kChanges)});
    QVERIFY(whole.waitForFinished(120000));
    QCOMPARE(whole.exitCode(), 0);
    const int runMs = std::max<int>(5, static_cast<int>(clock.elapsed()));

    std::mt19937 random(20261207);
    int killedMidway = 0;
    for (int round = 0; round < rounds; ++round) {
        const unsigned seed = 1000 + static_cast<unsigned>(round);
        copyLibrary(initial, work);
        QProcess worker;
        worker.start(QStringLiteral(CRASH_WORKER),
                     {work, QString::number(seed), QString::number(kChanges)});
        QVERIFY(worker.waitForStarted());
        QThread::usleep(std::uniform_int_distribution<int>(0, runMs * 1000)(random));
        ::kill(static_cast<pid_t>(worker.processId()), SIGKILL);
        QVERIFY(worker.waitForFinished(10000));
        const int done = static_cast<int>(worker.readAllStandardOutput().count("done"));
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

QTEST_GUILESS_MAIN(TestCrash)
#include "tst_crash.moc"
