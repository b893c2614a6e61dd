#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <limits>

#include "errors/Error.h"
#include "jet/Database.h"
#include "store/JetConversion.h"
#include "store/Library.h"
#include "support/JetFixtures.h"

using store::JetConversion;
using store::Library;

// Converting the library of the earlier Windows version: every row and value
// comes across, and bad input leaves the original exactly as it was.
class TestConversion : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void convertsEveryRowExactly_data();
    void convertsEveryRowExactly();
    void readsEveryStoredValue_data();
    void readsEveryStoredValue();
    void neverOverwritesAKeptFile();
    void badInputChangesNothing_data();
    void badInputChangesNothing();
    void folderThatCannotBeWritten();
    void diskThatFillsUp();
    void stoppedConversionChangesNothing_data();
    void stoppedConversionChangesNothing();

private:
    QTemporaryDir fixtures_;
};

namespace {

const QStringList kTables{"Category", "Items", "TempCat", "TempItems"};

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

QString schemaOf(const QString& library) {
    SQLite::Database db(library.toStdString(), SQLite::OPEN_READWRITE);
    QString schema = QString::fromStdString(db.execAndGet("PRAGMA journal_mode").getString());
    SQLite::Statement select(db, "SELECT type, name, sql FROM sqlite_master ORDER BY name");
    while (select.executeStep())
        for (int i = 0; i < 3; ++i)
            schema += QLatin1Char('\n') + QString::fromStdString(select.getColumn(i).getString());
    return schema;
}

// A page of a fixture: pages 2 to 5 hold the system tables' definitions, the
// user tables' definitions follow in their order.
qsizetype pageSize(const QByteArray& jet) {
    return jet[0x14] == 0 ? 2048 : 4096;
}

qsizetype definitionPage(const QByteArray& jet, int userTable) {
    int seen = -1;
    for (qsizetype page = 6; page * pageSize(jet) < jet.size(); ++page)
        if (jet[page * pageSize(jet)] == 0x02 && ++seen == userTable) return page;
    return -1;
}

// A page in the middle of the long-value pages that hold one row each: the
// inner links of the 100 KB memo's chain.
qsizetype chainPage(const QByteArray& jet) {
    const qsizetype size = pageSize(jet), rowCount = size == 2048 ? 8 : 12;
    QList<qsizetype> pages;
    for (qsizetype page = 1; page * size < jet.size(); ++page) {
        const char* p = jet.constData() + page * size;
        if (p[0] == 0x01 && QByteArrayView(p + 4, 4) == "LVAL" &&
            qFromLittleEndian<quint16>(p + rowCount) == 1)
            pages << page;
    }
    return pages.value(pages.size() / 2, -1);
}

QByteArray zeroPage(QByteArray jet, qsizetype page) {
    jet.replace(page * pageSize(jet), pageSize(jet), QByteArray(pageSize(jet), '\0'));
    return jet;
}

// The header's protected fields are masked with a fixed key stream, so
// setting one means flipping its masked bits.
QByteArray xorAt(QByteArray jet, qsizetype offset, const QByteArray& bits) {
    for (qsizetype i = 0; i < bits.size(); ++i) jet[offset + i] = char(jet[offset + i] ^ bits[i]);
    return jet;
}

QJsonObject withoutTable(QJsonObject fixture, const QString& name) {
    QJsonArray tables;
    for (const QJsonValue& table : fixture["tables"].toArray())
        if (table["name"].toString() != name) tables.append(table);
    fixture["tables"] = tables;
    return fixture;
}

QJsonObject withoutLastItemsField(QJsonObject fixture) {
    QJsonArray tables;
    for (QJsonValue table : fixture["tables"].toArray()) {
        QJsonObject t = table.toObject();
        if (t["name"] == "Items") {
            QJsonArray columns = t["columns"].toArray();
            columns.removeLast();
            QJsonArray rows;
            for (QJsonValue row : t["rows"].toArray()) {
                QJsonArray r = row.toArray();
                r.removeLast();
                rows.append(r);
            }
            t["columns"] = columns;
            t["rows"] = rows;
        }
        tables.append(t);
    }
    fixture["tables"] = tables;
    return fixture;
}

// Converts and returns the error's number (0: none) and text.
std::pair<int, QString> convert(const QString& folder) {
    try {
        JetConversion::run(folder);
    } catch (const errors::Error& e) {
        return {e.number(), e.text()};
    }
    return {0, {}};
}

}  // namespace

void TestConversion::initTestCase() {
    QVERIFY(fixtures_.isValid());
    QVERIFY(jetfixtures::write(fixtures_.path(), {"snibbet-jet3", "snibbet-jet4", "edge-jet3",
                                                  "edge-jet4", "moved-jet3", "moved-jet4"}));
    const QJsonObject jet3 = jetfixtures::load(fixtures_.filePath("snibbet-jet3.json"));
    QVERIFY(jetfixtures::writeFrom(fixtures_.filePath("no-tempcat.mdb"), "jet3",
                                   withoutTable(jet3, "TempCat")));
    QVERIFY(jetfixtures::writeFrom(fixtures_.filePath("no-notes.mdb"), "jet4",
                                   withoutLastItemsField(jet3)));
}

void TestConversion::convertsEveryRowExactly_data() {
    QTest::addColumn<QString>("fixture");
    QTest::newRow("Jet 3") << "snibbet-jet3";
    QTest::newRow("Jet 4") << "snibbet-jet4";
    // Rows that grew were moved once, twice or three times; they come in
    // their places in the table, in their current form, and once.
    QTest::newRow("Jet 3, moved rows") << "moved-jet3";
    QTest::newRow("Jet 4, moved rows") << "moved-jet4";
}

void TestConversion::convertsEveryRowExactly() {
    QFETCH(QString, fixture);
    QTemporaryDir dir;
    const QString library = Library::pathIn(dir.path());
    const QByteArray original = contentOf(fixtures_.filePath(fixture + ".mdb"));
    writeFile(library, original);
    // Read-only, as a file copied from a disc often is.
    const auto readOnly = QFile::ReadOwner | QFile::ReadGroup;
    QVERIFY(QFile::setPermissions(library, readOnly));
    const QString kept = dir.filePath("Snibbet (Windows version).mdb");
    QCOMPARE(JetConversion::keptOriginalPath(dir.path()), kept);

    QList<std::pair<qint64, qint64>> progress;
    QCOMPARE(JetConversion::run(dir.path(),
                                [&](qint64 done, qint64 total) {
                                    progress.append({done, total});
                                }),
             kept);

    QCOMPARE(filesIn(dir.path()), (QStringList{"Snibbet (Windows version).mdb", "Snibbet.mdb"}));
    QCOMPARE(contentOf(kept), original);
    const auto modeOf = [](const QString& path) {
        return QFileInfo(path).permissions() &
               ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
    };
    QCOMPARE(modeOf(kept), readOnly);
    QCOMPARE(modeOf(library), readOnly | QFile::WriteOwner);
    QVERIFY(!JetConversion::isNeeded(dir.path()));
    const QJsonObject expected = jetfixtures::load(fixtures_.filePath(fixture + ".json"));
    for (const QString& table : kTables) {
        const QJsonArray rows =
            jetfixtures::rowsOf(library, table, jetfixtures::fieldsOf(expected, table));
        COMPARE_JSON_ROWS(rows, jetfixtures::rowsOf(expected, table));
    }

    // The library is one like any other: the schema an empty one has, and it opens.
    QTemporaryDir empty;
    Library::createEmpty(empty.path());
    QCOMPARE(schemaOf(library), schemaOf(Library::pathIn(empty.path())));
    Library::open(dir.path());

    QVERIFY(!progress.isEmpty());
    QCOMPARE(progress.last().first, progress.last().second);
    for (qsizetype i = 1; i < progress.size(); ++i)
        QVERIFY(progress[i].first >= progress[i - 1].first);
}

void TestConversion::readsEveryStoredValue_data() {
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<QString>("table");
    for (const char* fixture : {"edge-jet3", "edge-jet4"})
        for (const char* table : {"Memos", "Wide", "Tiny", "Mixed"})
            QTest::addRow("%s %s", fixture, table) << fixture << table;
}

// Memo lengths around every way of storing them, rows with long offset
// tables, full pages, and text that switches its compression.
void TestConversion::readsEveryStoredValue() {
    QFETCH(QString, fixture);
    QFETCH(QString, table);
    const QJsonObject expected = jetfixtures::load(fixtures_.filePath(fixture + ".json"));
    const QStringList fields = jetfixtures::fieldsOf(expected, table);
    std::vector<QByteArray> names;
    for (const QString& field : fields) names.push_back(field.toLatin1());

    const jet::Database jet = jet::Database::open(fixtures_.filePath(fixture + ".mdb"));
    jet::Database::Table reader = jet.table(table.toLatin1(), names);
    QJsonArray rows;
    jet::Row row;
    while (reader.next(row)) {
        QJsonArray values;
        for (const jet::Value& value : row)
            values.append(value ? QJsonValue(QString::fromUtf8(*value)) : QJsonValue());
        rows.append(values);
    }
    COMPARE_JSON_ROWS(rows, jetfixtures::rowsOf(expected, table));
}

void TestConversion::neverOverwritesAKeptFile() {
    QTemporaryDir dir;
    writeFile(Library::pathIn(dir.path()), contentOf(fixtures_.filePath("snibbet-jet3.mdb")));
    writeFile(dir.filePath("Snibbet (Windows version).mdb"), "an earlier copy");
    const QString second = dir.filePath("Snibbet (Windows version) 2.mdb");
    QCOMPARE(JetConversion::keptOriginalPath(dir.path()), second);
    QCOMPARE(JetConversion::run(dir.path()), second);
    QCOMPARE(contentOf(dir.filePath("Snibbet (Windows version).mdb")),
             QByteArray("an earlier copy"));
    QCOMPARE(contentOf(second), contentOf(fixtures_.filePath("snibbet-jet3.mdb")));
}

void TestConversion::badInputChangesNothing_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("saying");
    const QByteArray jet3 = contentOf(fixtures_.filePath("snibbet-jet3.mdb"));
    const QByteArray jet4 = contentOf(fixtures_.filePath("snibbet-jet4.mdb"));

    QTest::newRow("cut at a page")
        << jet4.first(jet4.size() / 3 / 4096 * 4096) << int(errors::JetDamaged) << "cut short";
    QTest::newRow("cut inside a page")
        << jet3.first(100000) << int(errors::JetDamaged) << "cut short";
    QTest::newRow("list of tables destroyed")
        << zeroPage(jet4, 2) << int(errors::JetDamaged) << "list of tables";
    QTest::newRow("table definition destroyed")
        << zeroPage(jet3, definitionPage(jet3, 1)) << int(errors::JetDamaged)
        << "definition of its table \"Items\"";
    QTest::newRow("long text chain broken")
        << zeroPage(jet4, chainPage(jet4)) << int(errors::JetDamaged) << "cut short";
    QTest::newRow("password, Jet 3")
        << xorAt(jet3, 0x42, "secret") << int(errors::JetProtected) << "password";
    QTest::newRow("password, Jet 4") << xorAt(jet4, 0x42, QByteArray("s\0e\0c\0r\0e\0t\0", 12))
                                     << int(errors::JetProtected) << "password";
    QTest::newRow("encrypted") << xorAt(jet4, 0x3e, "\x5a\x17\x00\x01") << int(errors::JetProtected)
                               << "encrypted";
    QTest::newRow("no table TempCat") << contentOf(fixtures_.filePath("no-tempcat.mdb"))
                                      << int(errors::JetIncomplete) << "no table \"TempCat\"";
    QTest::newRow("no field Notes") << contentOf(fixtures_.filePath("no-notes.mdb"))
                                    << int(errors::JetIncomplete) << "no field \"Notes\"";
}

void TestConversion::badInputChangesNothing() {
    QFETCH(QByteArray, content);
    QFETCH(int, error);
    QFETCH(QString, saying);
    QTemporaryDir dir;
    writeFile(Library::pathIn(dir.path()), content);
    const auto [number, text] = convert(dir.path());
    QCOMPARE(number, error);
    QVERIFY2(text.contains(saying), qPrintable(text));
    QVERIFY2(text.contains("unchanged"), qPrintable(text));
    QCOMPARE(filesIn(dir.path()), QStringList{"Snibbet.mdb"});
    QVERIFY(contentOf(Library::pathIn(dir.path())) == content);
}

// Root may write anywhere, so the conversion then runs as an ordinary user.
void TestConversion::folderThatCannotBeWritten() {
    QTemporaryDir dir;
    const QByteArray original = contentOf(fixtures_.filePath("snibbet-jet4.mdb"));
    writeFile(Library::pathIn(dir.path()), original);
    QVERIFY(QFile::setPermissions(Library::pathIn(dir.path()),
                                  QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    QVERIFY(QFile::setPermissions(
        dir.path(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
    QStringList command{QStringLiteral(JET_WORKER), dir.path()};
    if (geteuid() == 0)
        command =
            QStringList{"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"} + command;
    QProcess worker;
    worker.start(command.takeFirst(), command);
    QVERIFY(worker.waitForFinished(60000));
    const QString said = QString::fromUtf8(worker.readAllStandardOutput());
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY2(said.startsWith("error 9016:"), qPrintable(said + worker.readAllStandardError()));
    QVERIFY2(said.contains("may not write into the folder"), qPrintable(said));
    QCOMPARE(filesIn(dir.path()), QStringList{"Snibbet.mdb"});
    QVERIFY(contentOf(Library::pathIn(dir.path())) == original);
}

// A file system of its own, just larger than the original, in a mount
// namespace of its own so that nothing else sees it.
void TestConversion::diskThatFillsUp() {
    if (QProcess::execute("unshare", {"--mount", "true"}) != 0)
        QSKIP("needs a mount namespace of its own (root)");
    const QString original = fixtures_.filePath("snibbet-jet3.mdb");
    QTemporaryDir dir;
    const QString script = QStringLiteral(
        "set -e; mount -t tmpfs -o size=%1 snibbet-full \"$1\"; cp \"$2\" \"$1/Snibbet.mdb\"; "
        "\"$3\" \"$1\" || true; echo \"files: $(ls -A \"$1\" | tr '\\n' '/')\"; "
        "cmp -s \"$2\" \"$1/Snibbet.mdb\" && echo same");
    QProcess shell;
    shell.start("unshare", {"--mount", "--propagation", "private", "sh", "-c",
                            script.arg(QFileInfo(original).size() + 48 * 1024), "sh", dir.path(),
                            original, QStringLiteral(JET_WORKER)});
    QVERIFY(shell.waitForFinished(60000));
    const QString said = QString::fromUtf8(shell.readAllStandardOutput());
    QVERIFY2(said.startsWith("error 9016:"), qPrintable(said + shell.readAllStandardError()));
    QVERIFY2(said.contains("not enough free space"), qPrintable(said));
    QVERIFY2(said.contains("files: Snibbet.mdb/\n"), qPrintable(said));
    QVERIFY2(said.endsWith("same\n"), qPrintable(said));
}

void TestConversion::stoppedConversionChangesNothing_data() {
    QTest::addColumn<double>("at");  // how far the conversion has come, of its whole,
    QTest::addColumn<int>("left");   // or how many steps it has left (-1: see at)
    QTest::newRow("before the reader has said anything") << 0.0 << -1;
    QTest::newRow("while the rows are read") << 0.2 << -1;
    QTest::newRow("while the new library is written") << 0.5 << -1;
    QTest::newRow("while it is read back") << 0.8 << -1;
    QTest::newRow("after the original was kept") << 1.0 << 1;
}

// Asked to stop, a conversion ends the reader, removes what it wrote, and
// leaves the original in place, untouched.
void TestConversion::stoppedConversionChangesNothing() {
    QFETCH(double, at);
    QFETCH(int, left);
    QTemporaryDir dir;
    const QByteArray original = contentOf(fixtures_.filePath("snibbet-jet4.mdb"));
    writeFile(Library::pathIn(dir.path()), original);
    qint64 done = 0, total = std::numeric_limits<qint64>::max();
    const auto progress = [&](qint64 d, qint64 t) {
        done = d;
        total = t;
    };
    const auto stop = [&] {
        return left >= 0 ? total - done <= left : double(done) / double(total) >= at;
    };
    int number = 0;
    QString text;
    try {
        JetConversion::run(dir.path(), progress, stop);
    } catch (const errors::Error& e) {
        number = e.number();
        text = e.text();
    }
    QCOMPARE(number, int(errors::ConversionStopped));
    QVERIFY2(text.contains("unchanged"), qPrintable(text));
    QCOMPARE(filesIn(dir.path()), QStringList{"Snibbet.mdb"});
    QVERIFY(contentOf(Library::pathIn(dir.path())) == original);
}

QTEST_GUILESS_MAIN(TestConversion)
#include "tst_conversion.moc"
