#include <QTest>

#include "errors/Error.h"
#include "store/Library.h"
#include "store/Statements.h"
#include "support/TempLibrary.h"

using namespace store;

// Each case starts from the same library; names are chosen so that a quoting,
// wildcard or case mistake would touch a row it must not.
class TestStatements : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void renameCategory_data();
    void renameCategory();
    void renameItem_data();
    void renameItem();
    void deleteCategory_data();
    void deleteCategory();
    void deleteItem_data();
    void deleteItem();
    void categoryRenameIsOneUnit();
    void categoryDeleteIsOneUnit();

private:
    std::unique_ptr<TempLibrary> lib_;
};

void TestStatements::init() {
    lib_ = std::make_unique<TempLibrary>();
    for (const char* c : {"O'Brien", "Ärger", "100%", "a_b", "x; --", ""}) lib_->addCategory(c);
    lib_->addItem("O'Brien", "it's");
    lib_->addItem("ärger", "Ärger item");
    lib_->addItem("ÄRGER", "it's");
    lib_->addItem("100%", "1000");
    lib_->addItem("a_b", "");
    lib_->addItem("axb", "");
    lib_->exec("INSERT INTO Items (Category, ItemName) VALUES ('a_b', NULL)");
    lib_->addItem("x; --", "drop");
    lib_->addItem("", "orphan");
}

void TestStatements::cleanup() {
    lib_.reset();
}

void TestStatements::renameCategory_data() {
    QTest::addColumn<QString>("oldName");
    QTest::addColumn<QString>("newName");
    QTest::addColumn<QStringList>("categories");
    QTest::addColumn<QStringList>("itemCategories");
    const QStringList items{"O'Brien", "ärger", "ÄRGER", "100%", "a_b", "axb", "a_b", "x; --", ""};
    QTest::newRow("apostrophe") << "o'brien"
                                << "Don't"
                                << QStringList{"Don't", "Ärger", "100%", "a_b", "x; --", ""}
                                << QStringList{"Don't", "ärger", "ÄRGER", "100%", "a_b",
                                               "axb",   "a_b",   "x; --", ""};
    QTest::newRow("all case spellings move")
        << "ÄRGER"
        << "Anger" << QStringList{"O'Brien", "Anger", "100%", "a_b", "x; --", ""}
        << QStringList{"O'Brien", "Anger", "Anger", "100%", "a_b", "axb", "a_b", "x; --", ""};
    QTest::newRow("underscore is literal")
        << "a_b"
        << "ab" << QStringList{"O'Brien", "Ärger", "100%", "ab", "x; --", ""}
        << QStringList{"O'Brien", "ärger", "ÄRGER", "100%", "ab", "axb", "ab", "x; --", ""};
    QTest::newRow("empty old name")
        << ""
        << "named" << QStringList{"O'Brien", "Ärger", "100%", "a_b", "x; --", "named"}
        << QStringList{"O'Brien", "ärger", "ÄRGER", "100%", "a_b", "axb", "a_b", "x; --", "named"};
    QTest::newRow("unknown name changes nothing")
        << "100"
        << "new" << QStringList{"O'Brien", "Ärger", "100%", "a_b", "x; --", ""} << items;
}

namespace {
QStringList field(const QStringList& rows, int index) {
    QStringList out;
    for (const QString& r : rows) out << r.section('|', index, index);
    return out;
}
}  // namespace

void TestStatements::renameCategory() {
    QFETCH(QString, oldName);
    QFETCH(QString, newName);
    QFETCH(QStringList, categories);
    QFETCH(QStringList, itemCategories);
    const QStringList itemNamesBefore = field(lib_->rows("Items"), 1);
    {
        Library library = Library::open(lib_->folder());
        store::renameCategory(library, oldName, newName);
    }
    COMPARE_ROWS(lib_->rows("Category"), categories);
    COMPARE_ROWS(field(lib_->rows("Items"), 0), itemCategories);
    COMPARE_ROWS(field(lib_->rows("Items"), 1), itemNamesBefore);
}

void TestStatements::renameItem_data() {
    QTest::addColumn<QString>("category");
    QTest::addColumn<QString>("oldName");
    QTest::addColumn<QString>("newName");
    QTest::addColumn<QStringList>("itemNames");
    QTest::newRow("only in its category")
        << "O'BRIEN"
        << "IT'S"
        << "It is"
        << QStringList{"It is", "Ärger item", "it's", "1000", "", "", "<null>", "drop", "orphan"};
    QTest::newRow("every case spelling of the category")
        << "ärger"
        << "it's"
        << "its"
        << QStringList{"it's", "Ärger item", "its", "1000", "", "", "<null>", "drop", "orphan"};
    QTest::newRow("empty name, not null")
        << "A_B"
        << ""
        << "was empty" << QStringList{"it's", "Ärger item", "it's", "1000",  "was empty",
                                      "",     "<null>",     "drop", "orphan"};
}

void TestStatements::renameItem() {
    QFETCH(QString, category);
    QFETCH(QString, oldName);
    QFETCH(QString, newName);
    QFETCH(QStringList, itemNames);
    {
        Library library = Library::open(lib_->folder());
        store::renameItem(library, category, oldName, newName);
    }
    COMPARE_ROWS(field(lib_->rows("Items"), 1), itemNames);
}

void TestStatements::deleteCategory_data() {
    QTest::addColumn<QString>("category");
    QTest::addColumn<QStringList>("categories");
    QTest::addColumn<QStringList>("itemCategories");
    QTest::newRow("case spellings go together")
        << "ärger" << QStringList{"O'Brien", "100%", "a_b", "x; --", ""}
        << QStringList{"O'Brien", "100%", "a_b", "axb", "a_b", "x; --", ""};
    QTest::newRow("wildcards are literal")
        << "a_b" << QStringList{"O'Brien", "Ärger", "100%", "x; --", ""}
        << QStringList{"O'Brien", "ärger", "ÄRGER", "100%", "axb", "x; --", ""};
    QTest::newRow("empty name, rows named empty only")
        << "" << QStringList{"O'Brien", "Ärger", "100%", "a_b", "x; --"}
        << QStringList{"O'Brien", "ärger", "ÄRGER", "100%", "a_b", "axb", "a_b", "x; --"};
    QTest::newRow("semicolon and comment")
        << "X; --" << QStringList{"O'Brien", "Ärger", "100%", "a_b", ""}
        << QStringList{"O'Brien", "ärger", "ÄRGER", "100%", "a_b", "axb", "a_b", ""};
}

void TestStatements::deleteCategory() {
    QFETCH(QString, category);
    QFETCH(QStringList, categories);
    QFETCH(QStringList, itemCategories);
    {
        Library library = Library::open(lib_->folder());
        store::deleteCategory(library, category);
    }
    COMPARE_ROWS(lib_->rows("Category"), categories);
    COMPARE_ROWS(field(lib_->rows("Items"), 0), itemCategories);
}

void TestStatements::deleteItem_data() {
    QTest::addColumn<QString>("category");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QStringList>("itemNames");
    QTest::newRow("same name elsewhere stays")
        << "ÄRGER"
        << "IT'S" << QStringList{"it's", "Ärger item", "1000", "", "", "<null>", "drop", "orphan"};
    QTest::newRow("empty name: not the null one, not another category")
        << "a_b"
        << "" << QStringList{"it's", "Ärger item", "it's", "1000", "", "<null>", "drop", "orphan"};
    QTest::newRow("percent is literal")
        << "100%"
        << "100%"
        << QStringList{"it's", "Ärger item", "it's", "1000", "", "", "<null>", "drop", "orphan"};
}

void TestStatements::deleteItem() {
    QFETCH(QString, category);
    QFETCH(QString, item);
    QFETCH(QStringList, itemNames);
    {
        Library library = Library::open(lib_->folder());
        store::deleteItem(library, category, item);
    }
    COMPARE_ROWS(field(lib_->rows("Items"), 1), itemNames);
}

// The second statement fails for real (a trigger raises): the first is undone.
void TestStatements::categoryRenameIsOneUnit() {
    lib_->exec(
        "CREATE TRIGGER fail BEFORE UPDATE ON Items BEGIN SELECT RAISE(ABORT, 'disk says no'); "
        "END");
    const QStringList categories = lib_->rows("Category"), items = lib_->rows("Items");
    {
        Library library = Library::open(lib_->folder());
        QVERIFY_THROWS_EXCEPTION(errors::Error, store::renameCategory(library, "Ärger", "Anger"));
    }
    COMPARE_ROWS(lib_->rows("Category"), categories);
    COMPARE_ROWS(lib_->rows("Items"), items);
}

void TestStatements::categoryDeleteIsOneUnit() {
    lib_->exec(
        "CREATE TRIGGER fail BEFORE DELETE ON Category BEGIN SELECT RAISE(ABORT, 'no'); END");
    const QStringList categories = lib_->rows("Category"), items = lib_->rows("Items");
    {
        Library library = Library::open(lib_->folder());
        try {
            store::deleteCategory(library, "Ärger");
            QFAIL("a failed deletion reported success");
        } catch (const errors::Error& e) {
            QVERIFY2(e.text().contains("no"), qPrintable(e.text()));
        }
    }
    COMPARE_ROWS(lib_->rows("Category"), categories);
    COMPARE_ROWS(lib_->rows("Items"), items);
}

QTEST_GUILESS_MAIN(TestStatements)
#include "tst_statements.moc"
