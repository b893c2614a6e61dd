#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

#include "platform/LibraryClaim.h"

using platform::LibraryClaim;

// One Snibbet per library: a later start on the same file, however its path is
// written, brings the first to the front and ends; a crashed first start never
// blocks the next; a first start that does not answer is reported.
class TestClaim : public QObject {
    Q_OBJECT
private slots:
    void laterStartRaisesTheFirst_data();
    void laterStartRaisesTheFirst();
    void lockOfAKilledSnibbetIsTakenOver();
    void holderThatDoesNotAnswerIsReported();
    void anotherLibraryIsUnaffected();
    void lockThatCannotBeWrittenClaimsNothing_data();
    void lockThatCannotBeWrittenClaimsNothing();
};

namespace {

// Runs the claim tool to its end while this process goes on answering.
QString runTool(const QString& library, const QString& mode = "once") {
    QProcess tool;
    tool.start(CLAIM_TOOL, {library, mode});
    if (!tool.waitForStarted()) return "not started";
    while (tool.state() != QProcess::NotRunning) QTest::qWait(10);
    return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
}

// Starts the tool holding a claim, and waits until it holds it.
bool startHolder(QProcess& tool, const QString& library, const QString& mode) {
    tool.start(CLAIM_TOOL, {library, mode});
    return tool.waitForReadyRead(10000) && tool.readLine().trimmed() == "claimed";
}

}  // namespace

void TestClaim::laterStartRaisesTheFirst_data() {
    QTest::addColumn<QString>("spelling");
    QTest::newRow("the same path") << "folder/Snibbet.mdb";
    QTest::newRow("through a link to the folder") << "link/Snibbet.mdb";
    QTest::newRow("with ..") << "folder/../folder/./Snibbet.mdb";
}

void TestClaim::laterStartRaisesTheFirst() {
    QFETCH(QString, spelling);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("folder"));
    QVERIFY(QFile::link(dir.filePath("folder"), dir.filePath("link")));
    LibraryClaim first(dir.filePath("folder/Snibbet.mdb"));
    QCOMPARE(first.outcome(), LibraryClaim::Outcome::Claimed);
    QSignalSpy raised(&first, &LibraryClaim::raiseRequested);
    QCOMPARE(runTool(dir.filePath(spelling)), "raised the other");
    QCOMPARE(raised.size(), 1);
    first.release();
    QCOMPARE(runTool(dir.filePath(spelling)), "claimed");
}

void TestClaim::lockOfAKilledSnibbetIsTakenOver() {
    QTemporaryDir dir;
    const QString library = dir.filePath("Snibbet.mdb");
    QProcess holder;
    QVERIFY(startHolder(holder, library, "hold"));
    ::kill(static_cast<pid_t>(holder.processId()), SIGKILL);
    QVERIFY(holder.waitForFinished());
    LibraryClaim next(library);
    QCOMPARE(next.outcome(), LibraryClaim::Outcome::Claimed);
}

void TestClaim::holderThatDoesNotAnswerIsReported() {
    QTemporaryDir dir;
    const QString library = dir.filePath("Snibbet.mdb");
    QProcess holder;
    QVERIFY(startHolder(holder, library, "hang"));
    LibraryClaim next(library);
    QCOMPARE(next.outcome(), LibraryClaim::Outcome::OtherUnreachable);
    QVERIFY2(next.refusalText().contains(library), qPrintable(next.refusalText()));
    holder.kill();
    holder.waitForFinished();
}

void TestClaim::anotherLibraryIsUnaffected() {
    QTemporaryDir one, two;
    LibraryClaim first(one.filePath("Snibbet.mdb"));
    LibraryClaim second(two.filePath("Snibbet.mdb"));
    QCOMPARE(first.outcome(), LibraryClaim::Outcome::Claimed);
    QCOMPARE(second.outcome(), LibraryClaim::Outcome::Claimed);
}

// Snibbet never works on a library it has not claimed: where no lock can be
// written (a disk that takes no more, here a process allowed no file growth)
// or a folder stands in the lock's place, it refuses and says what is there.
void TestClaim::lockThatCannotBeWrittenClaimsNothing_data() {
    QTest::addColumn<bool>("folderInTheWay");
    QTest::addColumn<QString>("told");
    QTest::newRow("a full disk") << false << "could not write its lock file";
    QTest::newRow("a folder named like the lock") << true << "A folder of that name";
}

void TestClaim::lockThatCannotBeWrittenClaimsNothing() {
    QFETCH(bool, folderInTheWay);
    QFETCH(QString, told);
    QTemporaryDir dir;
    const QString library = dir.filePath("Snibbet.mdb");
    if (folderInTheWay) {
        QVERIFY(QDir().mkpath(library + ".lock/mine"));
        LibraryClaim claim(library);
        QCOMPARE(claim.outcome(), LibraryClaim::Outcome::CannotLock);
        QVERIFY2(claim.refusalText().contains(told), qPrintable(claim.refusalText()));
        QVERIFY(QFileInfo(library + ".lock/mine").isDir());
        return;
    }
    QProcess tool;
    tool.start("bash",
               {"-c", "trap '' XFSZ; ulimit -f 0; exec \"$0\" \"$1\" once", CLAIM_TOOL, library});
    QVERIFY(tool.waitForFinished(10000));
    const QString said = QString::fromUtf8(tool.readAllStandardOutput());
    QVERIFY2(said.startsWith("cannot lock\n") && said.contains(told), qPrintable(said));
    QVERIFY(!QFileInfo::exists(library + ".lock"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
}

QTEST_GUILESS_MAIN(TestClaim)
#include "tst_claim.moc"
