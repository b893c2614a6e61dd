#include <QFileInfo>
#include <QProcess>
#include <QTest>

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void statusesAndMessages_data();
    void statusesAndMessages();
};

void TestCommandLine::statusesAndMessages_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");  // a part of the standard output
    QTest::addColumn<QString>("err");  // a part of the error output
    QTest::newRow("help") << QStringList{"--help"} << 0
                          << "Usage: snibbet-library find|check|export"
                          << "";
    QTest::newRow("help of find") << QStringList{"find", "--help"} << 0
                                  << "Usage: snibbet-library find [--names]"
                                  << "";
    QTest::newRow("help of check")
        << QStringList{"check", "-h"} << 0 << "Usage: snibbet-library check [LIBRARY...]"
        << "";
    QTest::newRow("help of export")
        << QStringList{"export", "--help"} << 0 << "Usage: snibbet-library export LIBRARY|- FOLDER"
        << "";
    QTest::newRow("version") << QStringList{"--version"} << 0 << "snibbet-library 0."
                             << "";
    QTest::newRow("no command") << QStringList{} << 2 << ""
                                << "Name a command.";
    QTest::newRow("unknown command") << QStringList{"search", "x"} << 2 << ""
                                     << "There is no command \"search\".";
    QTest::newRow("unknown option") << QStringList{"find", "--fast", "x"} << 2 << ""
                                    << "Unknown option 'fast'.";
    QTest::newRow("find without words") << QStringList{"find", "Snibbet.mdb"} << 2 << ""
                                        << "Name a word to find.";
    QTest::newRow("an empty word") << QStringList{"find", ""} << 2 << ""
                                   << "A word to find cannot be empty.";
    QTest::newRow("colour of another kind")
        << QStringList{"find", "--color=sometimes", "x"} << 2 << ""
        << "--color takes never, always or auto";
    QTest::newRow("export without a folder") << QStringList{"export", "-"} << 2 << ""
                                             << "Name the library (or -) and the folder";
    QTest::newRow("usage follows the message")
        << QStringList{"export", "a", "b", "c"} << 2 << ""
        << "Usage: snibbet-library export LIBRARY|- FOLDER\nTry \"snibbet-library export --help\"";
    // Beside the program in the build folder there is no library.
    QTest::newRow("the library beside the program")
        << QStringList{"find", "x"} << 2 << ""
        << QFileInfo(LIBRARY_TOOL).absolutePath() + "/Snibbet.mdb\" does not exist";
}

// The real program, as a shell runs it.
void TestCommandLine::statusesAndMessages() {
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QProcess tool;
    tool.start(LIBRARY_TOOL, arguments);
    QVERIFY(tool.waitForFinished(30000));
    QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
    const QString stdOut = QString::fromUtf8(tool.readAllStandardOutput());
    const QString stdErr = QString::fromUtf8(tool.readAllStandardError());
    QVERIFY2(stdOut.contains(out) && (out.isEmpty() || stdErr.isEmpty()), qPrintable(stdOut));
    QVERIFY2(stdErr.contains(err) && (err.isEmpty() || stdOut.isEmpty()), qPrintable(stdErr));
    QCOMPARE(tool.exitCode(), status);
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
