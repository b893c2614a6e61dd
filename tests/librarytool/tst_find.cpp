#include <QDir>
#include <QFile>
#include <QTest>

#include "ToolRun.h"
#include "store/Library.h"
#include "support/TempLibrary.h"

class TestFind : public QObject {
    Q_OBJECT
private slots:
    void findsItems_data();
    void findsItems();
    void severalLibraries();
    void filesThatCannotBeRead_data();
    void filesThatCannotBeRead();
    void colourAsGrepHasIt();
    void readsWhileSnibbetHasTheLibraryOpen();
};

namespace {

// One library for the table of searches.
void fill(const TempLibrary& lib) {
    lib.addCategory("Strings");
    lib.addCategory("Dateien");
    lib.addItem("Strings", "Trim both ends", "QString t = s.trimmed();\nreturn t;",
                "#include <QString>", "Works on any QString.");
    lib.addItem("Strings", "Split lines", "for (auto line : text.split('\\n'))\r\n  use(line);\r\n",
                "", "Keeps empty lines.\nÄrger with CRLF");
    lib.addItem("Dateien", "Größe lesen", "auto size = QFileInfo(path).size();", "-DLARGE_FILES",
                "Straße: \u212Aelvin sign");
    lib.addItem("Dateien", "Read whole file",
                "QFile f(path);\nf.open(QIODevice::ReadOnly);\n"
                "return f.readAll();",
                "", "");
}

}  // namespace

void TestFind::findsItems_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("out");
    QTest::newRow("a word in the name")
        << QStringList{"both"} << 0 << QByteArray("Strings / Trim both ends\n");
    QTest::newRow("a word in the code, with its line")
        << QStringList{"readall"} << 0
        << QByteArray("Dateien / Read whole file\n  code:3:return f.readAll();\n");
    QTest::newRow("a word in the declarations")
        << QStringList{"<qstring>"} << 0
        << QByteArray("Strings / Trim both ends\n  declarations:1:#include <QString>\n");
    QTest::newRow("a word in the notes, every line it is on")
        << QStringList{"lines"} << 0
        << QByteArray("Strings / Split lines\n  notes:1:Keeps empty lines.\n");
    QTest::newRow("every word, each in another field")
        << QStringList{"TRIMMED", "any"} << 0
        << QByteArray(
               "Strings / Trim both ends\n  code:1:QString t = s.trimmed();\n"
               "  notes:1:Works on any QString.\n");
    QTest::newRow("one word missing finds nothing")
        << QStringList{"trimmed", "nowhere"} << 1 << QByteArray();
    QTest::newRow("a CRLF line is shown without its CR, numbered as a line")
        << QStringList{"use(line)"} << 0
        << QByteArray("Strings / Split lines\n  code:2:  use(line);\n");
    QTest::newRow("case beyond ASCII, as names compare")
        << QStringList{"ärger"} << 0
        << QByteArray("Strings / Split lines\n  notes:2:Ärger with CRLF\n");
    QTest::newRow("the Kelvin sign folds to k")
        << QStringList{"KELVIN"} << 0
        << QByteArray("Dateien / Größe lesen\n  notes:1:Straße: \u212Aelvin sign\n");
    QTest::newRow("ß is not SS: simple case folding")
        << QStringList{"STRASSE"} << 1 << QByteArray();
    QTest::newRow("a word in quotes is found as it stands")
        << QStringList{"whole file"} << 0 << QByteArray("Dateien / Read whole file\n");
    QTest::newRow("names only skips the texts")
        << QStringList{"--names", "readall"} << 1 << QByteArray();
    QTest::newRow("names only") << QStringList{"--names", "GRÖßE"} << 0
                                << QByteArray("Dateien / Größe lesen\n");
    QTest::newRow("a word that starts with a dash, given with -e")
        << QStringList{"-e", "-dlarge"} << 0
        << QByteArray("Dateien / Größe lesen\n  declarations:1:-DLARGE_FILES\n");
}

void TestFind::findsItems() {
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QByteArray, out);
    TempLibrary lib;
    fill(lib);
    const ToolRun run = ToolRun::of(QStringList{"find"} + arguments, lib.path());
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.out, out);
    QCOMPARE(run.status, status);
}

void TestFind::severalLibraries() {
    TempLibrary today, older;
    today.addCategory("Net");
    today.addItem("Net", "Open socket", "socket(AF_INET)");
    older.addCategory("Net");
    older.addItem("Net", "Old socket", "socket(AF_INET6)");
    older.addItem("Net", "Close", "close(fd)");
    const QString copy = older.folder() + "/Snibbet 2026-12-01.mdb";
    QVERIFY(QFile::copy(older.path(), copy));
    const ToolRun run = ToolRun::of({"find", "--names", "socket", today.path(), copy});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out,
             (today.path() + ": Net / Open socket\n" + copy + ": Net / Old socket\n").toUtf8());
    // Only the library and the copy, as they were: reading left nothing.
    QCOMPARE(QDir(older.folder()).entryList(QDir::Files),
             (QStringList{"Snibbet 2026-12-01.mdb", "Snibbet.mdb"}));
}

void TestFind::filesThatCannotBeRead_data() {
    QTest::addColumn<QByteArray>("content");  // "<none>": no file
    QTest::addColumn<QString>("saying");
    QTest::newRow("missing") << QByteArray("<none>") << "does not exist";
    QTest::newRow("not a database") << QByteArray("just notes\n") << "not a database";
    QTest::newRow("damaged") << QByteArray("SQLite format 3\0", 16) + QByteArray(4000, '\x5a')
                             << "damaged";
}

// Every library is searched; the one that cannot be read is named, and the
// status says that something went wrong even though an item was found.
void TestFind::filesThatCannotBeRead() {
    QFETCH(QByteArray, content);
    QFETCH(QString, saying);
    TempLibrary lib;
    fill(lib);
    const QString bad = lib.folder() + "/bad.mdb";
    if (content != "<none>") {
        QFile file(bad);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    const ToolRun run = ToolRun::of({"find", "--names", "both", bad, lib.path()});
    QCOMPARE(run.status, 2);
    QVERIFY2(run.err.contains(bad.toUtf8()) && run.err.contains(saying.toUtf8()), run.err);
    QVERIFY(run.out.endsWith(": Strings / Trim both ends\n"));
}

void TestFind::colourAsGrepHasIt() {
    TempLibrary lib;
    fill(lib);
    const QByteArray marked = "Strings / Trim \33[01;31m\33[KBOTH\33[m\33[K ends\n";
    QByteArray expected = QByteArray(marked).replace("BOTH", "both");
    expected.replace(" / ", "\33[36m\33[K / \33[m\33[K");
    QCOMPARE(ToolRun::of({"find", "--color=always", "both"}, lib.path()).out, expected);
    QCOMPARE(ToolRun::of({"find", "--color", "both"}, lib.path(), true).out, expected);
    QCOMPARE(ToolRun::of({"find", "--color=auto", "both"}, lib.path(), false).out,
             QByteArray("Strings / Trim both ends\n"));
    QCOMPARE(ToolRun::of({"find", "--colour=never", "both"}, lib.path(), true).out,
             QByteArray("Strings / Trim both ends\n"));
}

// Snibbet keeps the library open with changes still in its log: the search
// sees them, and neither the file nor the log changes.
void TestFind::readsWhileSnibbetHasTheLibraryOpen() {
    TempLibrary lib;
    fill(lib);
    const store::Library open = store::Library::open(lib.folder());
    lib.addItem("Strings", "Fresh item", "not yet in the file itself");
    const auto bytesOf = [](const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
    };
    const QByteArray file = bytesOf(lib.path()), log = bytesOf(lib.path() + "-wal");
    QVERIFY(log.size() > 0);
    const ToolRun run = ToolRun::of({"find", "itself"}, lib.path());
    QCOMPARE(run.out, QByteArray("Strings / Fresh item\n  code:1:not yet in the file itself\n"));
    QCOMPARE(bytesOf(lib.path()), file);
    QCOMPARE(bytesOf(lib.path() + "-wal"), log);
}

QTEST_GUILESS_MAIN(TestFind)
#include "tst_find.moc"
