#include <SQLiteCpp/Database.h>

#include <QTest>

#include "store/Library.h"
#include "store/TidyUp.h"
#include "store/engine/Connection.h"
#include "support/TempLibrary.h"

using namespace store;

class TestTidyUp : public QObject {
    Q_OBJECT
private slots:
    void sortsAndRemovesUnnamedRows();
    void untouchedLibraryKeepsItsContent();
    void leftoverScratchRowsNeverReachTheLibrary();
    void skippingATidyLibraryHasTheSameEffect_data();
    void skippingATidyLibraryHasTheSameEffect();
    void failureAtAnyStepLeavesEverythingAsItWas_data();
    void failureAtAnyStepLeavesEverythingAsItWas();
};

namespace {

void fillUnsorted(const TempLibrary& lib) {
    for (const char* c : {"zeta", "", "Beta", "alpha", "ärger", "Ärger", "apple"})
        lib.addCategory(c);
    lib.exec("INSERT INTO Category VALUES (NULL)");
    lib.addItem("zeta", "b", "zb code", "zb decl", "zb notes");
    lib.addItem("beta", "x");
    lib.addItem("Zeta", "A", "za");
    lib.addItem("gone", "", "unnamed item");
    lib.exec("INSERT INTO Items (Category, ItemName) VALUES ('beta', NULL)");
    lib.addItem("", "orphan of an unnamed category");
    lib.addItem("alpha", "Empty");
    lib.exec("INSERT INTO Items (Category, ItemName) VALUES (NULL, 'no category')");
}

// Folded code points order the names: non-ASCII letters come after "z".
const QStringList kSortedCategories{"alpha", "apple", "Beta", "zeta", "ärger", "Ärger"};

}  // namespace

void TestTidyUp::sortsAndRemovesUnnamedRows() {
    TempLibrary lib;
    fillUnsorted(lib);
    {
        Library library = Library::open(lib.folder());
        QVERIFY(TidyUp::run(library));
    }
    // Ties ("ärger"/"Ärger") keep no particular order; compare them as a set.
    QStringList categories = lib.rows("Category");
    QCOMPARE(categories.size(), kSortedCategories.size());
    QCOMPARE(QSet<QString>(categories.begin() + 4, categories.end()),
             (QSet<QString>{"ärger", "Ärger"}));
    categories[4] = "ärger", categories[5] = "Ärger";
    COMPARE_ROWS(categories, kSortedCategories);
    COMPARE_ROWS(
        lib.rows("Items"),
        (QStringList{"<null>|no category|||", "|orphan of an unnamed category|||", "alpha|Empty|||",
                     "beta|x|||", "Zeta|A|za||", "zeta|b|zb code|zb decl|zb notes"}));
    QVERIFY(lib.rows("TempCat").isEmpty());
    QVERIFY(lib.rows("TempItems").isEmpty());
    // Stored order is now the row id order from 1 on.
    QCOMPARE(lib.rows("(SELECT rowid FROM Items)").first(), "1");
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

// Closing a library that needs no tidying may skip the rewrite only where the
// rewrite would change nothing: every table, row ids included, comes out the
// same either way.
void TestTidyUp::skippingATidyLibraryHasTheSameEffect_data() {
    QTest::addColumn<QString>("change");  // made to a freshly tidied library
    QTest::addColumn<bool>("skipped");
    QTest::newRow("nothing changed") << "" << true;
    QTest::newRow("text saved") << "UPDATE Items SET Code = 'new' WHERE rowid = 2" << true;
    QTest::newRow("row added at the end, in order")
        << "INSERT INTO Items VALUES ('zeta', 'zz', '', '', '')" << true;
    QTest::newRow("row added out of order")
        << "INSERT INTO Items VALUES ('alpha', 'a', '', '', '')" << false;
    QTest::newRow("renamed out of order")
        << "UPDATE Category SET Category = 'aaa' WHERE rowid = 6" << false;
    QTest::newRow("case variant stays in order")
        << "UPDATE Category SET Category = 'ZETA' WHERE rowid = 4" << true;
    QTest::newRow("unnamed item") << "UPDATE Items SET ItemName = '' WHERE rowid = 3" << false;
    QTest::newRow("null category name")
        << "UPDATE Category SET Category = NULL WHERE rowid = 6" << false;
    QTest::newRow("gap in the row ids") << "DELETE FROM Items WHERE rowid = 2" << false;
    QTest::newRow("scratch rows left") << "INSERT INTO TempCat VALUES ('stale')" << false;
    QTest::newRow("a blob stored by another tool")
        << "UPDATE Items SET ItemName = X'37' WHERE rowid = 4" << false;
}

void TestTidyUp::skippingATidyLibraryHasTheSameEffect() {
    QFETCH(QString, change);
    QFETCH(bool, skipped);
    TempLibrary skipping, rewriting;
    for (const TempLibrary* lib : {&skipping, &rewriting}) {
        fillUnsorted(*lib);
        {
            Library library = Library::open(lib->folder());
            QVERIFY(TidyUp::run(library, TidyUp::Rewrite::Always));
        }
        if (!change.isEmpty()) lib->exec(change);
    }
    int stepsRun = 0;
    {
        Library library = Library::open(skipping.folder());
        QCOMPARE(TidyUp::isTidy(library), skipped);
        QVERIFY(TidyUp::run(library, TidyUp::Rewrite::WhenNeeded, [&](int) { ++stepsRun; }));
        QVERIFY(TidyUp::run(Library::open(rewriting.folder()), TidyUp::Rewrite::Always));
    }
    QCOMPARE(stepsRun, skipped ? 0 : TidyUp::kSteps);
    for (const char* table : {"Category", "Items", "TempCat", "TempItems"}) {
        const QString withIds = QStringLiteral("(SELECT rowid, * FROM %1)").arg(table);
        COMPARE_ROWS(skipping.rows(withIds), rewriting.rows(withIds));
    }
}

// Before step N a trigger is armed that makes exactly that step's statement
// fail inside the engine; nothing of steps 1 to N-1 may survive.
void TestTidyUp::failureAtAnyStepLeavesEverythingAsItWas_data() {
    QTest::addColumn<int>("step");
    QTest::addColumn<QString>("trigger");
    const char* on[TidyUp::kSteps] = {
        "DELETE ON Items",    "DELETE ON Category",  "DELETE ON TempCat",  "DELETE ON TempItems",
        "INSERT ON TempCat",  "INSERT ON TempItems", "DELETE ON Category", "DELETE ON Items",
        "INSERT ON Category", "INSERT ON Items",     "DELETE ON TempCat",  "DELETE ON TempItems"};
    for (int step = 1; step <= TidyUp::kSteps; ++step)
        QTest::addRow("step %d", step)
            << step
            << QStringLiteral(
                   "CREATE TEMP TRIGGER fail BEFORE %1 BEGIN SELECT RAISE(ABORT, 'injected'); END")
                   .arg(on[step - 1]);
}

void TestTidyUp::failureAtAnyStepLeavesEverythingAsItWas() {
    QFETCH(int, step);
    QFETCH(QString, trigger);
    TempLibrary lib;
    fillUnsorted(lib);
    lib.exec(
        "INSERT INTO TempCat VALUES ('stale'); "
        "INSERT INTO TempItems (Category, ItemName) VALUES ('stale', 'stale')");
    const QStringList tables{"Category", "Items", "TempCat", "TempItems"};
    QList<QStringList> before;
    for (const QString& t : tables) before << lib.rows(t);

    int stepsStarted = 0;
    {
        Library library = Library::open(lib.folder());
        const bool tidied = TidyUp::run(library, TidyUp::Rewrite::Always, [&](int current) {
            stepsStarted = current;
            if (current == step) library.database().exec(trigger.toStdString());
        });
        QVERIFY(!tidied);
    }
    QCOMPARE(stepsStarted, step);
    for (int i = 0; i < tables.size(); ++i) COMPARE_ROWS(lib.rows(tables[i]), before[i]);
}

QTEST_GUILESS_MAIN(TestTidyUp)
#include "tst_tidyup.moc"
