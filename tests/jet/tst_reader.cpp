#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "errors/Error.h"
#include "jet/ReaderProcess.h"

// Whatever the reader does, Snibbet hears of it as a damaged file and goes
// on: a reader that crashes, hangs, floods the pipe or talks nonsense is
// ended, never waited for.
class TestReaderProcess : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void aReaderThatFailsIsReportedAndEnded_data();
    void aReaderThatFailsIsReportedAndEnded();
    void stopEndsTheReaderAtOnce();

private:
    QString reader(const QString& name, const QString& python);

    QTemporaryDir dir_;
    QString file_;
};

namespace {

const std::vector<jet::TableRequest> kTables{{"Category", {"Category"}}};

// Python that writes the reader's stream: record(tag, payload).
const QString kRecords = QStringLiteral(
    "import os, signal, struct, sys, time\n"
    "out = sys.stdout.buffer\n"
    "def record(tag, payload=b''):\n"
    "    out.write(tag + struct.pack('<I', len(payload)) + payload); out.flush()\n"
    "def counts(): record(b'C', struct.pack('<q', 2))\n"
    "def row(text): record(b'R', struct.pack('<BHI', 0, 1, len(text)) + text)\n"
    "open(os.environ['PIDFILE'], 'w').write(str(os.getpid()))\n");

bool running(const QString& pidFile) {
    QFile file(pidFile);
    return file.open(QIODevice::ReadOnly) &&
           QFileInfo::exists(QStringLiteral("/proc/%1").arg(QString::fromLatin1(file.readAll())));
}

}  // namespace

void TestReaderProcess::initTestCase() {
    QVERIFY(dir_.isValid());
    file_ = dir_.filePath("Snibbet.mdb");
    QFile file(file_);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, 'x'));
    qputenv("PIDFILE", dir_.filePath("pid").toLocal8Bit());
}

QString TestReaderProcess::reader(const QString& name, const QString& python) {
    const QString path = dir_.filePath(name);
    QFile script(path);
    if (!script.open(QIODevice::WriteOnly)) return {};
    script.write(("#!/usr/bin/env python3\n" + kRecords + python + "\n").toUtf8());
    script.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    return path;
}

void TestReaderProcess::aReaderThatFailsIsReportedAndEnded_data() {
    QTest::addColumn<QString>("python");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("saying");
    QTest::addColumn<int>("rows");  // handed on before the failure
    const int damaged = errors::JetDamaged;
    QTest::newRow("crashes") << "os.kill(os.getpid(), signal.SIGSEGV)" << damaged << "broke off"
                             << 0;
    QTest::newRow("crashes after a row")
        << "counts(); row(b'Strings'); os.kill(os.getpid(), signal.SIGSEGV)" << damaged
        << "broke off" << 1;
    QTest::newRow("ends without a word") << "sys.exit(0)" << damaged << "broke off" << 0;
    QTest::newRow("hangs") << "time.sleep(60)" << damaged << "got no further" << 0;
    QTest::newRow("hangs in a row") << "counts(); out.write(b'R\\x40'); out.flush(); time.sleep(60)"
                                    << damaged << "got no further" << 0;
    QTest::newRow("talks nonsense")
        << "record(b'Z', b'?'); time.sleep(60)" << damaged << "went wrong" << 0;
    QTest::newRow("a row before the counts")
        << "row(b'x'); time.sleep(60)" << damaged << "went wrong" << 0;
    QTest::newRow("a row of another table")
        << "counts(); record(b'R', struct.pack('<BH', 3, 0)); time.sleep(60)" << damaged
        << "went wrong" << 0;
    QTest::newRow("floods the pipe")
        << "counts()\nwhile True: row(b'y' * 1000)" << damaged << "far more" << -1;
    QTest::newRow("names an error of its own")
        << "record(b'X', struct.pack('<i', 51) + b'internal error')" << damaged << "went wrong"
        << 0;
    QTest::newRow("finds the file damaged")
        << "record(b'X', struct.pack('<i', 9013) + b'it is cut short')" << damaged
        << "it is cut short" << 0;
    QTest::newRow("is missing") << QString() << int(errors::ConversionFailed) << "is missing" << 0;
    QTest::newRow("finds no library") << "record(b'X', struct.pack('<i', 9015) + b'no table')"
                                      << int(errors::JetIncomplete) << "no table" << 0;
}

void TestReaderProcess::aReaderThatFailsIsReportedAndEnded() {
    QFETCH(QString, python);
    QFETCH(int, error);
    QFETCH(QString, saying);
    QFETCH(int, rows);
    QFile::remove(dir_.filePath("pid"));
    const QString program =
        python.isEmpty() ? dir_.filePath("missing") : reader(QTest::currentDataTag(), python);
    const jet::ReaderProcess process(program, 1000);
    int handedOn = 0;
    jet::ReaderProcess::Listener listener;
    listener.row = [&](int, jet::Row&&) { ++handedOn; };

    QElapsedTimer clock;
    clock.start();
    int number = 0;
    QString text;
    try {
        process.read(file_, kTables, jet::ReaderProcess::Scope::Rows, listener);
    } catch (const errors::Error& e) {
        number = e.number();
        text = e.text();
    }
    QCOMPARE(number, error);
    QVERIFY2(text.contains(saying), qPrintable(text));
    if (rows >= 0) QCOMPARE(handedOn, rows);
    QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!running(dir_.filePath("pid")));
    QCOMPARE(QDir(dir_.path()).entryList(QDir::Files).filter("core"), QStringList());
}

void TestReaderProcess::stopEndsTheReaderAtOnce() {
    const QString program = reader("endless", "counts()\nwhile True: row(b'z'); time.sleep(0.01)");
    int handedOn = 0;
    jet::ReaderProcess::Listener listener;
    listener.row = [&](int, jet::Row&&) { ++handedOn; };
    listener.stop = [&] { return handedOn >= 3; };
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!jet::ReaderProcess(program).read(file_, kTables, jet::ReaderProcess::Scope::Rows,
                                              listener));
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(handedOn >= 3);
    QVERIFY(!running(dir_.filePath("pid")));
}

QTEST_GUILESS_MAIN(TestReaderProcess)
#include "tst_reader.moc"
