#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

#include <QTest>
#include <random>
#include <stdexcept>

#include "store/Library.h"
#include "store/TidyUp.h"
#include "store/engine/Connection.h"
#include "support/TempLibrary.h"

using namespace store;
using Step = TidyUp::Step;

class TestTidyUp : public QObject {
    Q_OBJECT
private slots:
    void sortsAndRemovesUnnamedRows();
    void untouchedLibraryKeepsItsContent();
    void leftoverScratchRowsNeverReachTheLibrary();
    void aCloseAfterOneChangeMatchesTheRewrite_data();
    void aCloseAfterOneChangeMatchesTheRewrite();
    void closesOfRandomSessionsMatchTheRewrite();
    void rowsPutIntoTheSameGapAgainAndAgain();
    void failureAtAnyStepLeavesEverythingAsItWas_data();
    void failureAtAnyStepLeavesEverythingAsItWas();
    void theFileStaysTheSizeOfItsContent_data();
    void theFileStaysTheSizeOfItsContent();
};

namespace {

void fillUnsorted(const TempLibrary& lib) {
    for (const char* c : {"zeta", "", "Beta", "alpha", "ärger", "Ärger", "apple"})
        lib.addCategory(c);
    lib.exec("INSERT INTO Category VALUES (NULL), (CAST('Aardvark' AS BLOB)), (X'')");
    lib.addItem("zeta", "b", "zb code", "zb decl", "zb notes");
    lib.addItem("beta", "x");
    lib.addItem("Zeta", "A", "za");
    lib.addItem("gone", "", "unnamed item");
    lib.exec("INSERT INTO Items (Category, ItemName) VALUES ('beta', NULL)");
    lib.addItem("", "orphan of an unnamed category");
    lib.addItem("alpha", "Empty");
    lib.exec("INSERT INTO Items (Category, ItemName) VALUES (NULL, 'no category')");
}

// Folded code points order the names, whatever their stored type: non-ASCII
// letters come after "z", a name stored as a BLOB sorts by its text, and an
// empty BLOB is no name.
const QStringList kSortedCategories{"Aardvark", "alpha", "apple", "Beta", "zeta", "ärger", "Ärger"};

// Categories c00, c01, ... with items i00, i01, ... each, stored sorted by
// the rewrite, with `textBytes` of code in each item.
void fillTidy(const TempLibrary& lib, int categories, int itemsEach, int textBytes = 10) {
    QString sql = "BEGIN;";
    for (int c = 0; c < categories; ++c) {
        sql += QStringLiteral("INSERT INTO Category VALUES ('c%1');").arg(c, 2, 10, QChar('0'));
        for (int i = 0; i < itemsEach; ++i)
            sql += QStringLiteral("INSERT INTO Items VALUES ('c%1', 'i%2', '%3', 'd', 'n');")
                       .arg(c, 2, 10, QChar('0'))
                       .arg(i, 2, 10, QChar('0'))
                       .arg(QString(textBytes, QChar('a' + i % 26)));
    }
    lib.exec(sql + "COMMIT;");
    QVERIFY(TidyUp::run(Library::open(lib.folder()), TidyUp::Rewrite::Always));
}

// What a table holds, row for row in stored order, every column (also those
// another tool added); quote() tells a null, a text and a blob apart.
QStringList stored(const TempLibrary& lib, const QString& table, bool withRowIds = false,
                   const QString& where = QString()) {
    SQLite::Database db(lib.path().toStdString(), SQLite::OPEN_READONLY);
    QStringList columns;
    SQLite::Statement info(db, "SELECT name FROM pragma_table_info(?)");
    info.bind(1, table.toStdString());
    while (info.executeStep())
        columns << QStringLiteral("quote(%1)").arg(info.getColumn(0).getText());
    SQLite::Statement select(db, QStringLiteral("SELECT %1%2 FROM %3 %4 ORDER BY rowid")
                                     .arg(withRowIds ? "rowid, " : "", columns.join(", "), table,
                                          where.isEmpty() ? QString() : "WHERE " + where)
                                     .toStdString());
    QStringList rows;
    while (select.executeStep()) {
        QStringList fields;
        for (int i = 0; i < select.getColumnCount(); ++i)
            fields << QString::fromUtf8(select.getColumn(i).getText());
        rows << fields.join('|');
    }
    return rows;
}

// Every named row with all its values, in no particular order: what a close
// must keep.
QStringList namedRows(const TempLibrary& lib) {
    QStringList rows =
        stored(lib, "Items", false, "ItemName IS NOT NULL AND CAST(ItemName AS TEXT) <> ''");
    rows += stored(lib, "Category", false, "Category IS NOT NULL AND CAST(Category AS TEXT) <> ''");
    rows.sort();
    return rows;
}

// Columns that another tool added with the sqlite3 shell, and filled.
const QString kAddedColumns =
    "ALTER TABLE Items ADD COLUMN Language TEXT; UPDATE Items SET Language = 'lang ' || "
    "ItemName || rowid; ALTER TABLE Category ADD COLUMN Colour; UPDATE Category SET Colour = "
    "rowid % 3";

const QStringList kTables{"Category", "Items", "TempCat", "TempItems"};

void compareLibraries(const TempLibrary& closed, const TempLibrary& rewritten) {
    for (const QString& table : kTables)
        COMPARE_ROWS(stored(closed, table), stored(rewritten, table));
}

// Which way a close took, from the steps it reported.
enum class Way { Nothing, Moves, Rewrite };

struct Close {
    Way way = Way::Nothing;
    bool ok = false;
};

Close closeWithMoves(const TempLibrary& lib) {
    Close close;
    close.ok =
        TidyUp::run(Library::open(lib.folder()), TidyUp::Rewrite::WhenNeeded, [&](Step step, int) {
            if (step == Step::Rewrite)
                close.way = Way::Rewrite;
            else if (step != Step::FreePages && close.way == Way::Nothing)
                close.way = Way::Moves;
        });
    return close;
}

QString literal(const std::optional<QString>& value) {
    if (!value) return "NULL";
    return "'" + QString(*value).replace("'", "''") + "'";
}

int pragma(const TempLibrary& lib, const char* name) {
    SQLite::Database db(lib.path().toStdString(), SQLite::OPEN_READONLY);
    return db.execAndGet(std::string("PRAGMA ") + name).getInt();
}

double contentShare(const TempLibrary& lib) {
    return 1.0 - double(pragma(lib, "freelist_count")) / pragma(lib, "page_count");
}

}  // namespace

void TestTidyUp::sortsAndRemovesUnnamedRows() {
    TempLibrary lib;
    fillUnsorted(lib);
    {
        Library library = Library::open(lib.folder());
        QVERIFY(TidyUp::run(library));
    }
    // Ties ("ärger"/"Ärger") keep the order of their row ids.
    COMPARE_ROWS(lib.rows("Category"), kSortedCategories);
    COMPARE_ROWS(
        lib.rows("Items"),
        (QStringList{"<null>|no category|||", "|orphan of an unnamed category|||", "alpha|Empty|||",
                     "beta|x|||", "Zeta|A|za||", "zeta|b|zb code|zb decl|zb notes"}));
    QVERIFY(lib.rows("TempCat").isEmpty());
    QVERIFY(lib.rows("TempItems").isEmpty());
    // Stored order is row id order, and the ids leave room for rows between them.
    const QStringList ids = lib.rows("(SELECT rowid FROM Items)");
    for (qsizetype i = 1; i < ids.size(); ++i)
        QVERIFY2(ids[i].toLongLong() - ids[i - 1].toLongLong() > 1, qPrintable(ids.join(' ')));
}

void TestTidyUp::untouchedLibraryKeepsItsContent() {
    TempLibrary lib;
    lib.addCategory("a");
    lib.addItem("a", "one", QString(100000, 'x'), "d", "n");
    const QStringList before = lib.rows("Items");
    {
        Library library = Library::open(lib.folder());
        QVERIFY(TidyUp::run(library));
        QVERIFY(TidyUp::run(library));
    }
    QCOMPARE(lib.rows("Items"), before);
    QCOMPARE(lib.rows("Category"), QStringList{"a"});
}

void TestTidyUp::leftoverScratchRowsNeverReachTheLibrary() {
    TempLibrary lib;
    lib.addCategory("real");
    lib.exec(
        "INSERT INTO TempCat VALUES ('stale'); "
        "INSERT INTO TempItems (Category, ItemName) VALUES ('stale', 'stale')");
    {
        Library library = Library::open(lib.folder());
        QVERIFY(TidyUp::run(library));
    }
    QCOMPARE(lib.rows("Category"), QStringList{"real"});
    QVERIFY(lib.rows("Items").isEmpty());
    QVERIFY(lib.rows("TempCat").isEmpty() && lib.rows("TempItems").isEmpty());
}

// One change to a tidy library of 30 categories of 10 items, then a close:
// it leaves exactly what the rewrite leaves, the way the change calls for.
void TestTidyUp::aCloseAfterOneChangeMatchesTheRewrite_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<Way>("way");
    QTest::newRow("nothing changed") << "" << Way::Nothing;
    QTest::newRow("text saved") << "UPDATE Items SET Code = 'new' WHERE ItemName = 'i03'"
                                << Way::Nothing;
    QTest::newRow("item added at the end, in order")
        << "INSERT INTO Items VALUES ('c29', 'i99', '', '', '')" << Way::Nothing;
    QTest::newRow("item added out of order")
        << "INSERT INTO Items VALUES ('c05', 'i055', '', '', '')" << Way::Moves;
    QTest::newRow("item added before the first")
        << "INSERT INTO Items VALUES (NULL, 'no category', '', '', '')" << Way::Moves;
    QTest::newRow("item added as a case variant of another")
        << "INSERT INTO Items VALUES ('C05', 'I03', '', '', '')" << Way::Moves;
    QTest::newRow("item added without a category row")
        << "INSERT INTO Items VALUES ('c055', 'x', '', '', '')" << Way::Moves;
    QTest::newRow("category added out of order")
        << "INSERT INTO Category VALUES ('c055'); INSERT INTO Items (Category) VALUES ('c055')"
        << Way::Moves;
    QTest::newRow("category renamed out of order")
        << "UPDATE Category SET Category = 'aaa' WHERE Category = 'c20'; "
           "UPDATE Items SET Category = 'aaa' WHERE Category = 'c20'"
        << Way::Moves;
    QTest::newRow("half the category rows out of place: moved, the items untouched")
        << "UPDATE Category SET Category = 'a' || Category WHERE Category >= 'c15'" << Way::Moves;
    QTest::newRow("case variant stays in order")
        << "UPDATE Category SET Category = 'C20' WHERE Category = 'c20'" << Way::Nothing;
    QTest::newRow("non-ASCII name") << "UPDATE Items SET ItemName = 'Ärger' WHERE rowid = "
                                       "(SELECT rowid FROM Items ORDER BY rowid LIMIT 1)"
                                    << Way::Moves;
    QTest::newRow("unnamed item") << "UPDATE Items SET ItemName = '' WHERE ItemName = 'i04'"
                                  << Way::Moves;
    QTest::newRow("null category name")
        << "UPDATE Category SET Category = NULL WHERE Category = 'c07'" << Way::Moves;
    QTest::newRow("item deleted: a gap in the row ids")
        << "DELETE FROM Items WHERE ItemName = 'i02'" << Way::Nothing;
    QTest::newRow("row at a negative row id")
        << "INSERT INTO Items (rowid, Category, ItemName) VALUES (-7, 'c10', 'i055')" << Way::Moves;
    QTest::newRow("rows at the smallest and largest row ids")
        << "INSERT INTO Items (rowid, Category, ItemName) VALUES (-9223372036854775808, 'c10', "
           "'i055'), (9223372036854775807, 'c11', 'i055')"
        << Way::Moves;
    QTest::newRow("a quarter of the items out of place")
        << "UPDATE Items SET ItemName = 'z' || ItemName WHERE ItemName < 'i03'" << Way::Rewrite;
    QTest::newRow("scratch rows left") << "INSERT INTO TempCat VALUES ('stale')" << Way::Rewrite;
    QTest::newRow("a blob stored by another tool: sorted by its text")
        << "UPDATE Items SET ItemName = X'37' WHERE ItemName = 'i05' AND Category = 'c01'"
        << Way::Moves;
    QTest::newRow("a blob category name among text names")
        << "UPDATE Category SET Category = CAST('c055' AS BLOB) WHERE Category = 'c20'; "
           "UPDATE Items SET Category = CAST('c055' AS BLOB) WHERE Category = 'c20'"
        << Way::Moves;
    QTest::newRow("a number as a name")
        << "UPDATE Items SET ItemName = 5 WHERE ItemName = 'i07'" << Way::Moves;
    QTest::newRow("an empty blob is no name")
        << "UPDATE Items SET ItemName = X'' WHERE ItemName = 'i08' AND Category = 'c02'"
        << Way::Moves;
    QTest::newRow("a name with bytes that are no UTF-8")
        << "UPDATE Items SET ItemName = CAST(X'6930E9' AS TEXT) WHERE ItemName = 'i00'"
        << Way::Moves;
}

void TestTidyUp::aCloseAfterOneChangeMatchesTheRewrite() {
    QFETCH(QString, change);
    QFETCH(Way, way);
    TempLibrary moving, rewriting;
    for (const TempLibrary* lib : {&moving, &rewriting}) {
        fillTidy(*lib, 30, 10);
        if (!change.isEmpty()) lib->exec(change);
        lib->exec(kAddedColumns);
    }
    const QStringList named = namedRows(moving);
    QCOMPARE(TidyUp::isTidy(Library::open(moving.folder())), way == Way::Nothing);
    const Close close = closeWithMoves(moving);
    QVERIFY(close.ok);
    QCOMPARE(close.way, way);
    QVERIFY(TidyUp::run(Library::open(rewriting.folder()), TidyUp::Rewrite::Always));
    compareLibraries(moving, rewriting);
    COMPARE_ROWS(namedRows(moving), named);
    COMPARE_ROWS(namedRows(rewriting), named);
}

// Random sessions on random libraries: names that differ only in case,
// non-ASCII, empty and null names, names stored as BLOBs and numbers, items
// whose category has no row, nulls in the texts, a column another tool added.
// After each session one copy is closed as the program closes it, the other
// rewritten; both must then hold the same rows in the same order, and every
// named row with all its values.
void TestTidyUp::closesOfRandomSessionsMatchTheRewrite() {
    const QStringList categoryNames{"alpha",  "Alpha",  "ALPHA",  "beta", "Ärger", "ärger",
                                    "ÄRGER",  "straße", "Straße", "zeta", "émile", "Émile",
                                    "日本語", "ω",      "Ω",      "a b",  "A B",   "x1"};
    const QStringList itemNames{"one", "One",   "ONE",   "two",   "Ünïcödé", "ünïcödé", "x",
                                "X",   "Empty", "empty", "naïve", "NAÏVE",   "äpfel",   "Äpfel"};
    int moves = 0, rewrites = 0, closes = 0;
    for (unsigned seed = 1; seed <= 3; ++seed) {
        std::mt19937 random(seed);
        const auto chance = [&](int percent) {
            return std::uniform_int_distribution<int>(0, 99)(random) < percent;
        };
        const auto pick = [&](const QStringList& from) -> std::optional<QString> {
            if (chance(4)) return std::nullopt;
            if (chance(4)) return QString();
            QString name =
                from.at(std::uniform_int_distribution<qsizetype>(0, from.size() - 1)(random));
            if (chance(60)) name += QStringLiteral(" %1").arg(random() % 6);
            return name;
        };
        const auto text = [&]() -> std::optional<QString> {
            if (chance(5)) return std::nullopt;
            return QStringLiteral("text %1").arg(random() % 1000);
        };
        // Now and then a name as another tool may store it: a BLOB, a number.
        const auto name = [&](const QStringList& from) {
            const QString value = literal(pick(from));
            if (chance(5)) return QStringLiteral("CAST(%1 AS BLOB)").arg(value);
            if (chance(3)) return QString::number(random() % 20);
            return value;
        };
        const auto newItem = [&] {
            const QString category = chance(10) ? QStringLiteral("'orphan'") : name(categoryNames);
            return QStringLiteral(
                       "INSERT INTO Items (Category, ItemName, Code, Declares, Notes, Language) "
                       "VALUES (%1, %2, %3, %4, %5, %6);")
                .arg(category, name(itemNames), literal(text()), literal(text()), literal(text()),
                     literal(text()));
        };
        TempLibrary moving, rewriting;
        QString initial = "BEGIN; ALTER TABLE Items ADD COLUMN Language;";
        for (int i = 0; i < 20; ++i)
            initial += QStringLiteral("INSERT INTO Category VALUES (%1);").arg(name(categoryNames));
        for (int i = 0; i < 250; ++i) initial += newItem();
        for (const TempLibrary* lib : {&moving, &rewriting}) lib->exec(initial + "COMMIT;");

        for (int round = 0; round < 30; ++round) {
            QString session;
            const int items = stored(moving, "Items").size();
            const int categories = stored(moving, "Category").size();
            const auto nth = [&](const char* table, int count) {
                return QStringLiteral("(SELECT rowid FROM %1 ORDER BY rowid LIMIT 1 OFFSET %2)")
                    .arg(table)
                    .arg(count > 0 ? random() % count : 0);
            };
            for (int change = 1 + random() % 5; change > 0; --change) {
                const int kind = random() % 100;
                if (kind < 30)
                    session += newItem();
                else if (kind < 40)
                    session += QStringLiteral("INSERT INTO Category VALUES (%1);")
                                   .arg(name(categoryNames));
                else if (kind < 55)
                    session += QStringLiteral("UPDATE Items SET ItemName = %1 WHERE rowid = %2;")
                                   .arg(name(itemNames), nth("Items", items));
                else if (kind < 62)
                    session += QStringLiteral("UPDATE Items SET Category = %1 WHERE rowid = %2;")
                                   .arg(name(categoryNames), nth("Items", items));
                else if (kind < 70)
                    session += QStringLiteral("UPDATE Category SET Category = %1 WHERE rowid = %2;")
                                   .arg(name(categoryNames), nth("Category", categories));
                else if (kind < 80)
                    session += QStringLiteral("DELETE FROM Items WHERE rowid = %1;")
                                   .arg(nth("Items", items));
                else if (kind < 83)
                    session += QStringLiteral("DELETE FROM Category WHERE rowid = %1;")
                                   .arg(nth("Category", categories));
                else if (kind < 93)
                    session += QStringLiteral("UPDATE Items SET %1 = %2 WHERE rowid = %3;")
                                   .arg(chance(50) ? "Notes" : "Language", literal(text()),
                                        nth("Items", items));
                else if (kind < 96)
                    session += QStringLiteral(
                                   "INSERT INTO Items (rowid, Category, ItemName) "
                                   "VALUES (%1, %2, %3);")
                                   .arg(-1000 * (round + 1) - change)
                                   .arg(literal(pick(categoryNames)), literal(pick(itemNames)));
                else
                    session +=
                        QStringLiteral(
                            "UPDATE Items SET ItemName = 'zz' || ItemName "
                            "WHERE Category = (SELECT Category FROM Items WHERE rowid = %1);")
                            .arg(nth("Items", items));
            }
            // Now and then a blob where the other names are texts, and scratch
            // rows left, which only the rewrite can tidy.
            if (round == 10)
                session +=
                    "UPDATE Items SET ItemName = X'41' WHERE rowid = (SELECT max(rowid) FROM "
                    "Items);";
            if (round == 11) session += "UPDATE Items SET ItemName = 'B' WHERE ItemName = X'41';";
            if (round == 20) session += "INSERT INTO TempItems (ItemName) VALUES ('stale');";
            for (const TempLibrary* lib : {&moving, &rewriting}) lib->exec(session);
            const QStringList named = namedRows(moving);
            const Close close = closeWithMoves(moving);
            QVERIFY(close.ok);
            QVERIFY(TidyUp::run(Library::open(rewriting.folder()), TidyUp::Rewrite::Always));
            ++closes;
            moves += close.way == Way::Moves;
            rewrites += close.way == Way::Rewrite;
            compareLibraries(moving, rewriting);
            COMPARE_ROWS(namedRows(moving), named);
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(
                    QStringLiteral("seed %1, round %2: %3").arg(seed).arg(round).arg(session)));
        }
    }
    qInfo("%d closes: %d by moving rows, %d by the rewrite", closes, moves, rewrites);
    QVERIFY(moves > closes * 3 / 4);
    QVERIFY(rewrites >= 2 * 3);  // the first close of each library, the scratch rows
}

// Each close puts one new item between the one put there before and the same
// neighbour, so the gap halves every time and is used up after some twenty
// closes. Spacing out the rows around it keeps every close small.
void TestTidyUp::rowsPutIntoTheSameGapAgainAndAgain() {
    TempLibrary moving, rewriting;
    for (const TempLibrary* lib : {&moving, &rewriting}) fillTidy(*lib, 1, 100);
    const auto idsByName = [](const TempLibrary& lib) {
        QHash<QString, QString> ids;
        for (const QString& row : lib.rows("(SELECT rowid, ItemName FROM Items)"))
            ids.insert(row.section('|', 1), row.section('|', 0, 0));
        return ids;
    };
    int largestClose = 0;
    for (int round = 1; round <= 60; ++round) {
        const QString name = "i50" + QString(round, QChar('5'));  // after the last one, before i51
        for (const TempLibrary* lib : {&moving, &rewriting})
            lib->exec(
                QStringLiteral("INSERT INTO Items VALUES ('c00', '%1', '', '', '')").arg(name));
        const auto before = idsByName(moving);
        const Close close = closeWithMoves(moving);
        QVERIFY(close.ok);
        QCOMPARE(close.way, Way::Moves);
        const auto after = idsByName(moving);
        int moved = 0;
        for (auto it = before.cbegin(); it != before.cend(); ++it) moved += after[it.key()] != *it;
        largestClose = std::max(largestClose, moved);
        QVERIFY(TidyUp::run(Library::open(rewriting.folder()), TidyUp::Rewrite::Always));
        compareLibraries(moving, rewriting);
    }
    qInfo("the largest close moved %d rows", largestClose);
    QVERIFY(largestClose > 1);  // the gap was used up and the rows around it spaced out
    QVERIFY(largestClose <= 40);
}

// Before the step a trigger is armed that makes exactly that step's statement
// fail inside the engine (or, where no trigger can, the step fails as it
// starts); nothing of the steps before it may survive, not even the file's
// size.
void TestTidyUp::failureAtAnyStepLeavesEverythingAsItWas_data() {
    QTest::addColumn<Step>("step");
    QTest::addColumn<int>("statement");
    QTest::addColumn<QString>("failure");  // empty: the step fails as it starts
    const auto trigger = [](const char* on) {
        return QStringLiteral(
                   "CREATE TEMP TRIGGER fail BEFORE %1 BEGIN SELECT RAISE(ABORT, 'injected'); END")
            .arg(on);
    };
    QTest::newRow("moves: delete unnamed")
        << Step::DeleteUnnamed << 0 << trigger("DELETE ON Items");
    QTest::newRow("moves: categories")
        << Step::MoveCategories << 0 << trigger("UPDATE ON Category");
    QTest::newRow("moves: items") << Step::MoveItems << 0 << trigger("UPDATE ON Items");
    QTest::newRow("moves: free pages") << Step::FreePages << 0 << QString();
    const QString failures[TidyUp::kSteps] = {trigger("DELETE ON Items"),
                                              trigger("DELETE ON Category"),
                                              trigger("DELETE ON TempCat"),
                                              trigger("DELETE ON TempItems"),
                                              QString(),
                                              "CREATE TEMP TABLE SortedCat (x)",
                                              "CREATE TEMP TABLE SortedItems (x)",
                                              trigger("DELETE ON Category"),
                                              trigger("DELETE ON Items"),
                                              trigger("INSERT ON Category"),
                                              trigger("INSERT ON Items"),
                                              "DROP TABLE temp.SortedCat",
                                              "DROP TABLE temp.SortedItems"};
    for (int statement = 1; statement <= TidyUp::kSteps; ++statement)
        QTest::addRow("rewrite: statement %d", statement)
            << Step::Rewrite << statement << failures[statement - 1];
    QTest::newRow("rewrite: free pages") << Step::FreePages << -1 << QString();
}

void TestTidyUp::failureAtAnyStepLeavesEverythingAsItWas() {
    QFETCH(Step, step);
    QFETCH(int, statement);
    QFETCH(QString, failure);
    const bool rewrite = step == Step::Rewrite || statement < 0;
    TempLibrary lib;
    fillTidy(lib, 12, 10, 1000);
    // Work for every step: unnamed rows, rows out of place, pages set free.
    lib.exec(
        "INSERT INTO Category VALUES (''); UPDATE Items SET ItemName = NULL WHERE ItemName = 'i04';"
        "UPDATE Category SET Category = 'aaa' WHERE Category = 'c07';"
        "INSERT INTO Items VALUES ('c03', 'i055', '', '', ''); DELETE FROM Items WHERE Category = "
        "'c10'");
    if (rewrite)
        lib.exec(
            "INSERT INTO TempCat VALUES ('stale'); "
            "INSERT INTO TempItems (Category, ItemName) VALUES ('stale', 'stale')");
    QList<QStringList> before;
    for (const QString& table : kTables) before << stored(lib, table, true);
    const int pagesBefore = pragma(lib, "page_count");

    bool failed = false;
    {
        Library library = Library::open(lib.folder());
        const bool tidied =
            TidyUp::run(library, rewrite ? TidyUp::Rewrite::Always : TidyUp::Rewrite::WhenNeeded,
                        [&](Step current, int currentStatement) {
                            if (current != step || (statement > 0 && currentStatement != statement))
                                return;
                            failed = true;
                            if (failure.isEmpty()) throw std::runtime_error("injected");
                            library.database().exec(failure.toStdString());
                        });
        QVERIFY(!tidied);
    }
    QVERIFY(failed);
    for (qsizetype i = 0; i < kTables.size(); ++i)
        COMPARE_ROWS(stored(lib, kTables[i], true), before[i]);
    QCOMPARE(pragma(lib, "page_count"), pagesBefore);
}

// The share of the file's pages that hold content, after a first close and
// after a second one that follows deleting most of the items.
void TestTidyUp::theFileStaysTheSizeOfItsContent_data() {
    QTest::addColumn<bool>("olderFile");     // made without giving pages back
    QTest::addColumn<bool>("compactFails");  // the first close cannot compact it
    QTest::newRow("library of this version") << false << false;
    QTest::newRow("older library, twice its size") << true << false;
    QTest::newRow("older library, compacting fails") << true << true;
}

void TestTidyUp::theFileStaysTheSizeOfItsContent() {
    QFETCH(bool, olderFile);
    QFETCH(bool, compactFails);
    TempLibrary lib;
    fillTidy(lib, 10, 20, 3000);
    if (olderFile)  // as an older version's first close left it: a full copy freed
        lib.exec(
            "PRAGMA auto_vacuum = NONE; VACUUM; "
            "INSERT INTO TempItems SELECT * FROM Items; DELETE FROM TempItems");
    QCOMPARE(contentShare(lib) < 0.9, olderFile);
    const QStringList rows = stored(lib, "Items");

    const bool closed =
        TidyUp::run(Library::open(lib.folder()), TidyUp::Rewrite::WhenNeeded, [&](Step step, int) {
            if (compactFails && step == Step::Compact) throw std::runtime_error("injected");
        });
    QVERIFY(closed);
    COMPARE_ROWS(stored(lib, "Items"), rows);  // compacting moves no row
    QCOMPARE(contentShare(lib) >= 0.9, !compactFails);
    QCOMPARE(pragma(lib, "auto_vacuum"), compactFails ? 0 : 2);

    lib.exec("DELETE FROM Items WHERE Category > 'c02'");
    QVERIFY(TidyUp::run(Library::open(lib.folder())));
    QVERIFY2(contentShare(lib) >= 0.9, qPrintable(QString::number(contentShare(lib))));
    QCOMPARE(pragma(lib, "auto_vacuum"), 2);
}

QTEST_GUILESS_MAIN(TestTidyUp)
#include "tst_tidyup.moc"
