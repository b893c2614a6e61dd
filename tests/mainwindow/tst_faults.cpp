#include <SQLiteCpp/Database.h>
#include <unistd.h>

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "mainwindow/PanelEdit.h"
#include "store/engine/Connection.h"
#include "support/WindowFixture.h"

// Faults of the disk and the file while the window works: the user is told
// what happened with a number and a text, the program ends without the
// tidy-up, and the file keeps every change made before the fault.
class TestWindowFaults : public QObject {
    Q_OBJECT
private slots:
    void diskFullDuringASave();
    void libraryReplacedWhileOpen();
    void libraryLockedByAnotherProgram();
    void startUpWhereNothingCanBeWritten_data();
    void startUpWhereNothingCanBeWritten();
};

namespace {

frmSnibbet& startOnItem(WindowFixture& f) {
    f.lib.addCategory("c");
    f.lib.addItem("c", "i", "original");
    f.lib.addItem("c", "j", "other");
    frmSnibbet& w = f.start();
    f.chooseCategory("c");
    f.chooseItem("i");
    return w;
}

void saveCode(frmSnibbet& w, const QString& text) {
    w.rTxtCode->setFocus(Qt::MouseFocusReason);
    WindowFixture::typeInto(w.rTxtCode, text);
    w.rTxtNotes->setFocus(Qt::MouseFocusReason);
}

void expectReportAndEnd(const WindowFixture& f, const QString& saying) {
    QCOMPARE(f.fake.messages.size(), 1);
    QCOMPARE(f.fake.messages[0].title, "Snibbet");
    QVERIFY2(f.fake.messages[0].text.contains(saying), qPrintable(f.fake.messages[0].text));
    QVERIFY(f.fake.messages[0].text.contains("(Error "));
    QCOMPARE(f.fake.endedWith, QList<int>{1});
}

}  // namespace

// A full disk ends nothing: the typing stays in the panel (and goes onto the
// clipboard), and once there is space, leaving the panel again saves it.
void TestWindowFaults::diskFullDuringASave() {
    WindowFixture f;
    frmSnibbet& w = startOnItem(f);
    saveCode(w, "saved before");
    SQLite::Database& db = w.dbLibrary.database();
    const int pages = db.execAndGet("PRAGMA page_count").getInt();
    db.exec("PRAGMA max_page_count = " + std::to_string(pages + 1));
    const QString big(3'000'000, QChar(u'x'));
    saveCode(w, big);
    QCOMPARE(f.fake.messages.size(), 1);
    QVERIFY2(f.fake.messages[0].text.contains("disk is full") &&
                 f.fake.messages[0].text.contains("stays in the panel"),
             qPrintable(f.fake.messages[0].text));
    QVERIFY(f.fake.endedWith.isEmpty());
    QCOMPARE(w.rTxtCode->toPlainText(), big);
    QCOMPARE(f.fake.clipboardCalls.last(), "SetText:" + big);
    QCOMPARE(f.lib.rows("Items"), (QStringList{"c|i|saved before||", "c|j|other||"}));

    db.exec("PRAGMA max_page_count = " + std::to_string(pages + 10000));
    w.rTxtCode->setFocus(Qt::MouseFocusReason);
    w.rTxtNotes->setFocus(Qt::MouseFocusReason);
    QCOMPARE(f.lib.rows("Items"), (QStringList{"c|i|" + big + "||", "c|j|other||"}));
}

void TestWindowFaults::libraryReplacedWhileOpen() {
    WindowFixture f;
    frmSnibbet& w = startOnItem(f);
    TempLibrary other;
    other.addCategory("theirs");
    QVERIFY(QFile::remove(f.lib.path()));
    QVERIFY(QFile::copy(other.path(), f.lib.path()));
    w.mnuDeleteCat->trigger();  // nothing current: would delete rows named ''
    f.chooseItem("j");
    saveCode(w, "into which file?");
    expectReportAndEnd(f, "replaced or removed by another program");
    w.close();
    QCOMPARE(f.lib.rows("Category"), QStringList{"theirs"});
    QVERIFY(f.lib.rows("Items").isEmpty());
}

void TestWindowFaults::libraryLockedByAnotherProgram() {
    WindowFixture f;
    frmSnibbet& w = startOnItem(f);
    QProcess holder;
    holder.start("sqlite3", {f.lib.path()});
    QVERIFY(holder.waitForStarted());
    holder.write("BEGIN IMMEDIATE; UPDATE Items SET Notes = 'theirs';\n.print holding\n");
    QVERIFY(holder.waitForReadyRead(5000));
    saveCode(w, "mine");
    expectReportAndEnd(f, "in use by another program");
    holder.write("ROLLBACK;\n.quit\n");
    QVERIFY(holder.waitForFinished());
    QCOMPARE(f.lib.rows("Items"), (QStringList{"c|i|original||", "c|j|other||"}));
}

void TestWindowFaults::startUpWhereNothingCanBeWritten_data() {
    QTest::addColumn<bool>("library");
    QTest::addColumn<bool>("writableFolder");
    QTest::addColumn<QString>("saying");
    QTest::newRow("a read-only folder with no library") << false << false << "cannot create one";
    QTest::newRow("a library in a read-only folder") << true << false << "is read-only";
    QTest::newRow("a read-only library") << true << true << "file is read-only";
}

// Root may write to any file, so the program is started as an ordinary user.
// The message names the folder or file and speaks of the start: no library is
// offered where none can be written, and no change was made to be kept.
void TestWindowFaults::startUpWhereNothingCanBeWritten() {
    QFETCH(bool, library);
    QFETCH(bool, writableFolder);
    QFETCH(QString, saying);
    WindowFixture f;
    const auto everyone =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther;
    if (library)
        QVERIFY(QFile::setPermissions(f.lib.path(), QFile::ReadOwner | QFile::ReadOther));
    else
        QVERIFY(QFile::remove(f.lib.path()));
    QVERIFY(QFile::setPermissions(f.lib.folder(),
                                  writableFolder ? everyone | QFile::WriteOther : everyone));
    // A copy of the tool in a folder that every user may enter.
    QTemporaryDir bin;
    QFile::setPermissions(bin.path(), everyone);
    const QString toolCopy = bin.filePath("start_tool");
    QVERIFY(QFile::copy(QStringLiteral(START_TOOL), toolCopy));
    QProcess tool;
    QStringList command{toolCopy, f.lib.folder()};
    if (geteuid() == 0)
        command =
            QStringList{"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"} + command;
    tool.start(command.takeFirst(), command);
    QVERIFY(tool.waitForFinished());
    const QString said = QString::fromUtf8(tool.readAllStandardOutput());
    QVERIFY2(said.startsWith("message: ") && said.endsWith("ended\n"),
             qPrintable(said + tool.readAllStandardError()));
    QVERIFY2(said.contains(saying) && said.contains(library ? f.lib.path() : f.lib.folder()),
             qPrintable(said));
    QVERIFY2(!said.contains("change"), qPrintable(said));
    QVERIFY(library == QFile::exists(f.lib.path()));
}

QTEST_MAIN(TestWindowFaults)
#include "tst_faults.moc"
