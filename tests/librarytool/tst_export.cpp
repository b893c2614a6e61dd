#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include "ToolRun.h"
#include "store/NameCompare.h"
#include "support/TempLibrary.h"

class TestExport : public QObject {
    Q_OBJECT
private slots:
    void everyByteComesBack();
    void foldersAreSafeAndDistinct();
    void refusals_data();
    void refusals();
};

namespace {

// A value exactly as the file holds it: its type and its bytes (a number's
// value as the engine writes it).
struct Value {
    QString type;
    QByteArray bytes;
    bool operator==(const Value&) const = default;
};

char* toString(const Value& v) {
    return QTest::toString(v.type + ":" + QString::fromLatin1(v.bytes.toHex()));
}

struct Row {
    qint64 rowid = 0;
    QList<Value> values;
};

QList<Row> rowsOf(const QString& path, const char* sql) {
    SQLite::Database db(path.toStdString(), SQLite::OPEN_READONLY);
    SQLite::Statement select(db, sql);
    QList<Row> rows;
    while (select.executeStep()) {
        Row row{select.getColumn(0).getInt64(), {}};
        for (int i = 1; i < select.getColumnCount(); ++i) {
            const SQLite::Column c = select.getColumn(i);
            static const char* const kTypes[] = {"", "integer", "real", "text", "blob", "null"};
            Value v{kTypes[c.getType()], {}};
            if (c.isInteger())
                v.bytes = QByteArray::number(c.getInt64());
            else if (c.isFloat())
                v.bytes = QByteArray::number(c.getDouble(), 'g', 17);
            else if (!c.isNull())
                v.bytes = QByteArray(static_cast<const char*>(c.getBlob()), c.getBytes());
            row.values << v;
        }
        rows << row;
    }
    return rows;
}

// A name as the manifest records it.
Value nameFrom(const QJsonObject& o) {
    Value v{o["type"].toString(), {}};
    if (v.type == "integer") v.bytes = QByteArray::number(o["integer"].toInteger());
    if (v.type == "real") v.bytes = QByteArray::number(o["real"].toDouble(), 'g', 17);
    if (o.contains("text")) v.bytes = o["text"].toString().toUtf8();
    if (o.contains("base64")) v.bytes = QByteArray::fromBase64(o["base64"].toString().toLatin1());
    return v;
}

// A text as the export holds it: its type from the manifest, its bytes from
// its file (a number's from the manifest).
Value textFrom(const QJsonObject& o, const QString& file) {
    Value v = nameFrom(o);
    if (v.type == "text" || v.type == "blob") {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly)) return {"missing file " + file, {}};
        v.bytes = f.readAll();
    }
    return v;
}

// Names and texts that a file system, a terminal or a JSON string would
// rather not have.
void fillAwkward(const TempLibrary& lib) {
    lib.exec(R"sql(
        INSERT INTO Category VALUES ('Strings'), ('a/b'), ('.hidden'), ('..'), ('.'), ('CON'),
            ('Dup'), ('DUP'), (CAST(X'FF41C3' AS TEXT)), ('nul' || char(0) || 'inside'), (''),
            (NULL), (42), (3.25), (X'00FF'), ('Empty category'), ('snibbet-export.json'),
            ('trailing dot.'), ('C++: what? <T>|*'), ('tab	and' || char(10) || 'line'),
            ('100% sure'), (char(65279) || 'byte order mark'), ('Ärger'), ('ärger'),
            (replace(hex(zeroblob(300)), '00', 'x')), (replace(hex(zeroblob(150)), '00', 'ü'));
        INSERT INTO Items VALUES
            ('Strings', 'Trim', 'line 1' || char(13) || char(10) || 'line 2', 'a' || char(160) || 'b',
             CAST(X'6E6F7420FF5554462D38' AS TEXT)),
            ('strings', 'Lower-case category', '', '', ''),
            ('Strings', 'trim', 'same name, other case', NULL, 7),
            ('Strings', 'a/b', '', X'000102FF', 2.5),
            ('Strings', '.', 'dot', '', ''), ('Strings', '..', 'dots', '', ''),
            ('Strings', 'aux.txt', '', '', ''), ('Strings', NULL, 'no name', '', ''),
            ('Strings', '', 'empty name', '', ''),
            ('Strings', replace(hex(zeroblob(300)), '00', 'y'), '', '', ''),
            ('Orphan category', 'lost', 'no row in Category', '', ''),
            (NULL, 'no category', '', '', ''),
            ('Dup', 'one', '', '', ''), ('DUP', 'two', '', '', ''),
            (CAST(X'FF41C3' AS TEXT), CAST(X'C0AF' AS TEXT), '', '', ''),
            ('nul' || char(0) || 'inside', 'x' || char(0) || 'y', 'nul' || char(0) || 'text', '', ''),
            (42, 42, '', '', ''), (3.25, 'real', '', '', ''), (X'00FF', X'00', '', '', ''),
            ('snibbet-export.json', 'manifest?', '', '', ''),
            ('Ärger', 'ÄRGER', '', '', ''), ('Ärger', 'ärger', '', '', '');
    )sql");
}

QJsonObject manifestIn(const QString& folder) {
    QFile file(folder + "/snibbet-export.json");
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

}  // namespace

// Every row of both tables, in stored order, every name and text with its
// type and bytes, rebuilt from the folders, the files and the manifest.
void TestExport::everyByteComesBack() {
    TempLibrary lib;
    fillAwkward(lib);
    QTemporaryDir out;
    const QString folder = out.filePath("export/of/the library");
    const ToolRun run = ToolRun::of({"export", lib.path(), folder});
    QVERIFY2(run.status == 0, run.err);
    QCOMPARE(run.out, ("Exported 26 categories and 22 items of \"" + lib.path() + "\" into \"" +
                       folder + "\".\n")
                          .toUtf8());
    const QJsonObject manifest = manifestIn(folder);
    QCOMPARE(manifest["format"].toString(), QString("snibbet-export"));

    const QList<Row> categories = rowsOf(lib.path(), "SELECT rowid, Category FROM Category");
    const QJsonArray categoryList = manifest["categories"].toArray();
    QCOMPARE(categoryList.size(), categories.size());
    for (qsizetype i = 0; i < categories.size(); ++i) {
        const QJsonObject c = categoryList[i].toObject();
        QCOMPARE(c["order"].toInteger(), i);
        QCOMPARE(c["rowid"].toInteger(), categories[i].rowid);
        QCOMPARE(nameFrom(c["name"].toObject()), categories[i].values[0]);
        QVERIFY2(QFileInfo(folder + "/" + c["folder"].toString()).isDir(),
                 qPrintable(c["folder"].toString()));
    }

    const QList<Row> items =
        rowsOf(lib.path(), "SELECT rowid, Category, ItemName, Code, Declares, Notes FROM Items");
    const QJsonArray itemList = manifest["items"].toArray();
    QCOMPARE(itemList.size(), items.size());
    for (qsizetype i = 0; i < items.size(); ++i) {
        const QJsonObject item = itemList[i].toObject();
        const QString path = folder + "/" + item["folder"].toString() + "/";
        QCOMPARE(item["rowid"].toInteger(), items[i].rowid);
        QCOMPARE(nameFrom(item["category"].toObject()), items[i].values[0]);
        QCOMPARE(nameFrom(item["name"].toObject()), items[i].values[1]);
        QCOMPARE(textFrom(item["code"].toObject(), path + "code.txt"), items[i].values[2]);
        QCOMPARE(textFrom(item["declarations"].toObject(), path + "declarations.txt"),
                 items[i].values[3]);
        QCOMPARE(textFrom(item["notes"].toObject(), path + "notes.txt"), items[i].values[4]);
    }
    // An item goes where the window lists it: under the category row whose
    // name it bears, exactly or else ignoring case.
    QCOMPARE(itemList[1].toObject()["folder"].toString(), QString("Strings/Lower-case category"));
    QCOMPARE(itemList[13].toObject()["folder"].toString().section('/', 0, 0),
             categoryList[7].toObject()["folder"].toString());
}

// Every folder name is one a file system takes anywhere, and no two in one
// folder are equal ignoring case.
void TestExport::foldersAreSafeAndDistinct() {
    TempLibrary lib;
    fillAwkward(lib);
    QTemporaryDir out;
    QCOMPARE(ToolRun::of({"export", lib.path(), out.path()}).status, 0);
    const QJsonObject manifest = manifestIn(out.path());
    QMap<QByteArray, QSet<QByteArray>> namesIn;  // folder -> folds of the names in it
    namesIn[""].insert("snibbet-export.json");
    QStringList folders;
    for (const char* list : {"categories", "items"})
        for (const QJsonValue entry : manifest[list].toArray())
            folders << entry.toObject()["folder"].toString();
    for (const QString& folder : folders) {
        const QByteArray parent = folder.section('/', 0, -2).toUtf8();
        const QByteArray name = folder.section('/', -1).toUtf8();
        QVERIFY2(!name.isEmpty() && !name.startsWith('.') && name.size() <= 255, name);
        QVERIFY2(QString::fromUtf8(name).toUtf8() == name, name);
        for (const char c : name)
            QVERIFY2(uchar(c) >= 0x20 && !QByteArray("\\:*?\"<>|").contains(c), name);
        QVERIFY2(!namesIn[parent].contains(store::foldCase(name)), name);
        namesIn[parent].insert(store::foldCase(name));
    }
    // The category folders, the manifest's names of them, are each made once.
    QCOMPARE(QDir(out.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden).size(),
             manifest["categories"].toArray().size() + 1);  // and "Orphan category"
    QVERIFY(QFileInfo(out.filePath("a%2Fb")).isDir());
    QVERIFY(QFileInfo(out.filePath("%2Ehidden")).isDir());
    QVERIFY(QFileInfo(out.filePath("%43ON")).isDir());
    QVERIFY(QFileInfo(out.filePath("Strings/trim (2)")).isDir());
    QVERIFY(QFileInfo(out.filePath("snibbet-export.json (2)")).isDir());
}

void TestExport::refusals_data() {
    QTest::addColumn<QString>("library");   // "" for the test's library
    QTest::addColumn<QString>("inFolder");  // a file put into the folder first
    QTest::addColumn<QString>("saying");
    QTest::newRow("a folder that is not empty") << ""
                                                << ".keep"
                                                << "is not empty";
    QTest::newRow("a library that is missing") << "/nonexistent/Snibbet.mdb"
                                               << ""
                                               << "does not exist";
}

// Nothing is written, and the message says why.
void TestExport::refusals() {
    QFETCH(QString, library);
    QFETCH(QString, inFolder);
    QFETCH(QString, saying);
    TempLibrary lib;
    lib.addCategory("Strings");
    QTemporaryDir out;
    const QString folder = out.filePath("target");
    if (!inFolder.isEmpty()) {
        QVERIFY(QDir().mkpath(folder));
        QFile file(folder + "/" + inFolder);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const ToolRun run = ToolRun::of({"export", library.isEmpty() ? lib.path() : library, folder});
    QCOMPARE(run.status, 2);
    QVERIFY2(run.err.contains(saying.toUtf8()), run.err);
    QCOMPARE(QDir(out.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             inFolder.isEmpty() ? QStringList() : QStringList{"target"});
    if (!inFolder.isEmpty())
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList{inFolder});
}

QTEST_GUILESS_MAIN(TestExport)
#include "tst_export.moc"
