#include <SQLiteCpp/Database.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <optional>

#include "ToolRun.h"
#include "store/Library.h"
#include "store/TidyUp.h"
#include "support/TempLibrary.h"

class TestCheck : public QObject {
    Q_OBJECT
private slots:
    void files_data();
    void files();
};

namespace {

enum class Shape {
    Sound,
    Untidy,
    Damaged,
    Foreign,
    LogLeftBehind,
    LogOfAnotherFile,
    OpenInSnibbet
};

void fillSorted(const TempLibrary& lib) {
    lib.addCategory("Files");
    lib.addCategory("Strings");
    lib.addItem("Files", "Read", "QFile f;");
    lib.addItem("Strings", "Split");
    lib.addItem("Strings", "Trim");
    QVERIFY(store::TidyUp::run(store::Library::open(lib.folder())));
}

// Read by another process: closing a descriptor of the library in this one
// would drop the locks of the library that this process has open.
QByteArray bytesOf(const QString& path) {
    if (!QFileInfo::exists(path)) return "<none>";
    QProcess cat;
    cat.start("cat", {path});
    cat.waitForFinished();
    return cat.readAllStandardOutput();
}

void writeBytes(const QString& path, qint64 at, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.seek(at));
    f.write(bytes);
}

}  // namespace

void TestCheck::files_data() {
    QTest::addColumn<Shape>("shape");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("saying");
    QTest::newRow("sound") << Shape::Sound << 0
                           << QStringList{": sound\n",     "library: yes",
                                          "integrity: ok", "rows: 2 categories, 3 items",
                                          "tidy: yes",     "log: none beside it"};
    QTest::newRow("untidy") << Shape::Untidy << 1
                            << QStringList{": not sound\n", "integrity: ok", "tidy: no:"};
    QTest::newRow("damaged") << Shape::Damaged << 2
                             << QStringList{": not sound\n", "library: yes", "damaged"};
    QTest::newRow("another program's database")
        << Shape::Foreign << 2
        << QStringList{": not sound\n", "library: no: The file",
                       "is not a Snibbet library: it is a database of another program"};
    QTest::newRow("a log left beside it")
        << Shape::LogLeftBehind << 1
        << QStringList{": not sound\n", "rows: 2 categories, 4 items",
                       "log: \"Snibbet.mdb-wal\" was left beside it"};
    QTest::newRow("a log written for another file (a crash, then a restore)")
        << Shape::LogOfAnotherFile << 1
        << QStringList{": not sound\n", "rows: 2 categories, 3 items",
                       "it was written for another file"};
    QTest::newRow("open in Snibbet, with its log")
        << Shape::OpenInSnibbet << 0
        << QStringList{": sound\n", "rows: 2 categories, 4 items", "in use by the program"};
}

// What check says of each file, its status, and that it changed nothing.
void TestCheck::files() {
    QFETCH(Shape, shape);
    QFETCH(int, status);
    QFETCH(QStringList, saying);
    TempLibrary lib;
    QString path = lib.path();
    std::optional<store::Library> snibbet;
    switch (shape) {
        case Shape::Sound:
            fillSorted(lib);
            break;
        case Shape::Untidy:
            fillSorted(lib);
            lib.addCategory("Arrays");
            break;
        case Shape::Damaged: {
            lib.exec(
                "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
                "INSERT INTO Items (Category, ItemName, Code) "
                "SELECT 'c', 'item ' || i, hex(randomblob(500)) FROM n");
            writeBytes(path, 20 * 4096 + 8, QByteArray(600, '\xff'));
            break;
        }
        case Shape::Foreign:
            QVERIFY(QFile::remove(path));
            SQLite::Database(path.toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE)
                .exec("CREATE TABLE Contacts (Name TEXT)");
            break;
        case Shape::LogLeftBehind:
        case Shape::LogOfAnotherFile: {
            // A copy of the file and its log taken while a Snibbet had it
            // open: as after a crash, nobody holds the log. Then, for the
            // other file, a copy of the library from before is put back.
            fillSorted(lib);
            const QString earlier = lib.folder() + "/earlier.mdb";
            QVERIFY(QFile::copy(lib.path(), earlier));
            const store::Library open = store::Library::open(lib.folder());
            lib.addItem("Strings", "Zip");
            path = lib.folder() + "/crashed/Snibbet.mdb";
            QVERIFY(QDir().mkpath(lib.folder() + "/crashed"));
            QVERIFY(QFile::copy(shape == Shape::LogOfAnotherFile ? earlier : lib.path(), path));
            QVERIFY(QFile::copy(lib.path() + "-wal", path + "-wal"));
            if (shape == Shape::LogOfAnotherFile)
                QVERIFY(QFile::copy(lib.path() + "-wal.owner", path + "-wal.owner"));
            break;
        }
        case Shape::OpenInSnibbet:
            fillSorted(lib);
            snibbet.emplace(store::Library::open(lib.folder()));
            lib.addItem("Strings", "Zip");
            break;
    }
    const QByteArray file = bytesOf(path), log = bytesOf(path + "-wal");
    const QStringList before = QDir(QFileInfo(path).path()).entryList(QDir::Files);

    const ToolRun run = ToolRun::of({"check", path});
    QVERIFY2(run.out.startsWith(path.toUtf8() + ":"), run.out);
    for (const QString& words : saying) QVERIFY2(run.out.contains(words.toUtf8()), run.out);
    QCOMPARE(run.status, status);
    QCOMPARE(bytesOf(path), file);
    QCOMPARE(bytesOf(path + "-wal"), log);
    if (!snibbet) QCOMPARE(QDir(QFileInfo(path).path()).entryList(QDir::Files), before);
}

QTEST_GUILESS_MAIN(TestCheck)
#include "tst_check.moc"
