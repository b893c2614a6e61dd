#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <csignal>
#include <random>

#include "store/Library.h"
#include "support/JetFixtures.h"
#include "support/TypicalRun.h"

// A conversion is killed at random moments, again and again. Each time the
// folder must hold either the untouched original under the library's name,
// or the finished library with the original kept beside it; and a conversion
// started again afterwards must finish.
class TestConversionCrash : public QObject {
    Q_OBJECT
private slots:
    void killedAtRandomMomentsLeavesOneOfTwoStates();
};

namespace {

const QString kKept = QStringLiteral("Snibbet (Windows version).mdb");

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

QString runWorker(const QStringList& arguments) {
    QProcess worker;
    worker.start(QStringLiteral(JET_WORKER), arguments);
    worker.waitForFinished(120000);
    return QString::fromUtf8(worker.readAllStandardOutput());
}

// Empty when the folder holds the finished library beside the original.
QString notConverted(const QString& folder, const QByteArray& original, const QJsonObject& rows) {
    if (filesIn(folder) != QStringList{kKept, "Snibbet.mdb"})
        return "files: " + filesIn(folder).join(" / ");
    if (contentOf(QDir(folder).filePath(kKept)) != original) return "the kept original differs";
    const QString library = store::Library::pathIn(folder);
    for (const char* table : {"Category", "Items", "TempCat", "TempItems"})
        if (jetfixtures::rowsOf(library, table, jetfixtures::fieldsOf(rows, table)) !=
            jetfixtures::rowsOf(rows, table))
            return QStringLiteral("table %1 differs").arg(table);
    return {};
}

}  // namespace

void TestConversionCrash::killedAtRandomMomentsLeavesOneOfTwoStates() {
    const int rounds = qEnvironmentVariableIsSet("SNIBBET_CRASH_ROUNDS")
                           ? qEnvironmentVariableIntValue("SNIBBET_CRASH_ROUNDS")
                           : 60;
    // Killing a process is not a power cut: the page cache survives it, so a
    // memory-backed folder checks the same thing, faster.
    QTemporaryDir dir((QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm") : QDir::tempPath()) +
                      QStringLiteral("/snibbet-jet-crash-XXXXXX"));
    QVERIFY(dir.isValid());
    QVERIFY(jetfixtures::write(dir.path(), {"snibbet-jet4"}));
    const QByteArray original = contentOf(dir.filePath("snibbet-jet4.mdb"));
    const QJsonObject rows = jetfixtures::load(dir.filePath("snibbet-jet4.json"));
    const QString work = dir.filePath("work");
    const auto fresh = [&] {
        QDir(work).removeRecursively();
        QDir().mkpath(work);
        QFile::copy(dir.filePath("snibbet-jet4.mdb"), store::Library::pathIn(work));
    };

    bool ranWhole = true;
    const qint64 runUs = typicalRunUs([&] {
        fresh();
        QElapsedTimer clock;
        clock.start();
        ranWhole &= runWorker({work, "1"}).startsWith("ok");
        const qint64 us = clock.nsecsElapsed() / 1000;
        ranWhole &= notConverted(work, original, rows).isEmpty();
        return us;
    });
    QVERIFY(ranWhole);

    std::mt19937 random(20261207);
    int untouched = 0, keptTwice = 0, converted = 0;
    for (int round = 0; round < rounds; ++round) {
        fresh();
        QProcess worker;
        worker.start(QStringLiteral(JET_WORKER), {work, QString::number(100 + round)});
        QVERIFY(worker.waitForStarted());
        QThread::usleep(std::uniform_int_distribution<qint64>(0, runUs)(random));
        ::kill(static_cast<pid_t>(worker.processId()), SIGKILL);
        QVERIFY(worker.waitForFinished(10000));

        const QString where = QStringLiteral("round %1 (killed after %2)")
                                  .arg(round)
                                  .arg(QString::fromUtf8(worker.readAllStandardOutput()));
        if (contentOf(store::Library::pathIn(work)) == original) {
            // Only the passing file and a second name of the original may be left.
            for (const QString& file : filesIn(work)) {
                const bool passing = file.startsWith("Snibbet.mdb.converting");
                const bool secondName =
                    file == kKept && contentOf(QDir(work).filePath(kKept)) == original;
                QVERIFY2(file == "Snibbet.mdb" || passing || secondName,
                         qPrintable(where + ": left " + file));
            }
            ++(filesIn(work).contains(kKept) ? keptTwice : untouched);
            const QString again = runWorker({work});
            QVERIFY2(again.startsWith("ok"), qPrintable(where + ", then: " + again));
        } else {
            ++converted;
        }
        const QString problem = notConverted(work, original, rows);
        QVERIFY2(problem.isEmpty(), qPrintable(where + ": " + problem));
    }
    qInfo(
        "%d kills: %d left the original alone, %d with it kept under a second name as well, "
        "%d the finished library",
        rounds, untouched, keptTwice, converted);
    QVERIFY(untouched > 0 && keptTwice > 0 && converted > 0);
}

QTEST_GUILESS_MAIN(TestConversionCrash)
#include "tst_conversion_crash.moc"
