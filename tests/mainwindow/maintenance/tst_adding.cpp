#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include "Arrange.h"
#include "mainwindow/PanelEdit.h"

using Box = FakePlatformServices::Box;

namespace {

const QStringList kCategories{"Strings", "Files", "Ärger", "it's \"x\""};
const QStringList kItems{"Strings|Trim|trim code|#include <QString>|trims", "Strings|Pad",
                         "Strings|Öl", "Files|Open|open code"};

QAction* addAction(const WindowFixture& f, const QString& level) {
    return level == "category" ? f.window->mnuAddCat : f.window->mnuAddItem;
}

}  // namespace

class TestAdding : public QObject {
    Q_OBJECT
private slots:
    void emptyAnswerChangesNothing_data();
    void emptyAnswerChangesNothing();
    void takenNameIsRefused_data();
    void takenNameIsRefused();
    void addingACategory_data();
    void addingACategory();
    void addingAnItem_data();
    void addingAnItem();
    void newCategoryTakesItsFirstItemIntoThePlaceholder();
    void firstCategoryOfAnEmptyLibrary();
    void anAddThatFailsHalfwayLeavesNoRow();
};

void TestAdding::emptyAnswerChangesNothing_data() {
    QTest::addColumn<QString>("level");
    QTest::addColumn<Box>("prompt");
    QTest::newRow("category") << "category"
                              << Box{"Enter the name of this category.", "Add Category"};
    QTest::newRow("item") << "item" << Box{"Enter the name of this item.", "Add Item"};
}

// Cancel answers with the empty text.
void TestAdding::emptyAnswerChangesNothing() {
    QFETCH(QString, level);
    QFETCH(Box, prompt);
    WindowFixture f;
    arrange::fill(f.lib, kCategories, kItems);
    f.start();
    f.chooseCategory("Strings");
    f.chooseItem("Trim");
    const QStringList screen = arrange::screen(f);
    const QStringList categories = arrange::categoryRows(f.lib), items = arrange::itemRows(f.lib);

    f.fake.inputAnswers << "";
    addAction(f, level)->trigger();

    QCOMPARE(f.fake.inputBoxes, QList<Box>{prompt});
    QCOMPARE(f.fake.messages, QList<Box>{});
    COMPARE_ROWS(arrange::categoryRows(f.lib), categories);
    COMPARE_ROWS(arrange::itemRows(f.lib), items);
    COMPARE_ROWS(arrange::screen(f), screen);
}

void TestAdding::takenNameIsRefused_data() {
    QTest::addColumn<QString>("level");
    QTest::addColumn<QString>("category");  // chosen first; empty: none
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("caution");
    const QString category = "You already have a category named: ";
    QTest::newRow("category, same spelling") << "category"
                                             << "Strings"
                                             << "Files" << category + "Files";
    QTest::newRow("category, other case") << "category"
                                          << "Strings"
                                          << "FILES" << category + "FILES";
    QTest::newRow("category, other case beyond ASCII") << "category"
                                                       << ""
                                                       << "äRGER" << category + "äRGER";
    QTest::newRow("category with quotes, other case") << "category"
                                                      << ""
                                                      << "IT'S \"X\"" << category + "IT'S \"X\"";
    const auto item = [](const QString& name) {
        return "You already have an item named: " + name + " in this category.";
    };
    QTest::newRow("item, same spelling") << "item"
                                         << "Strings"
                                         << "Pad" << item("Pad");
    QTest::newRow("item, other case") << "item"
                                      << "Strings"
                                      << "tRIM" << item("tRIM");
    QTest::newRow("item, other case beyond ASCII") << "item"
                                                   << "Strings"
                                                   << "öL" << item("öL");
    // Before any category is chosen the item list's source is the whole table.
    QTest::newRow("item, no category chosen: any item counts") << "item"
                                                               << ""
                                                               << "open" << item("open");
}

void TestAdding::takenNameIsRefused() {
    QFETCH(QString, level);
    QFETCH(QString, category);
    QFETCH(QString, answer);
    QFETCH(QString, caution);
    WindowFixture f;
    arrange::fill(f.lib, kCategories, kItems);
    f.start();
    if (!category.isEmpty()) f.chooseCategory(category);
    const QStringList screen = arrange::screen(f);
    const QStringList categories = arrange::categoryRows(f.lib), items = arrange::itemRows(f.lib);

    f.fake.inputAnswers << answer;
    addAction(f, level)->trigger();

    QCOMPARE(f.fake.messages, (QList<Box>{{caution, "Caution..."}}));
    COMPARE_ROWS(arrange::categoryRows(f.lib), categories);
    COMPARE_ROWS(arrange::itemRows(f.lib), items);
    COMPARE_ROWS(arrange::screen(f), screen);
}

void TestAdding::addingACategory_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("plain") << "Tools";
    QTest::newRow("blanks only") << " ";
    QTest::newRow("quotes, wildcards, comment") << "it's \"50%\"_; --";
    QTest::newRow("beyond ASCII, with blanks") << "Über Öl";
    QTest::newRow("name of an item") << "Trim";
    QTest::newRow("wildcard that would match a category") << "Fil_s";
    QTest::newRow("percent sign alone") << "%";
}

void TestAdding::addingACategory() {
    QFETCH(QString, name);
    WindowFixture f;
    arrange::fill(f.lib, kCategories, kItems);
    f.start();
    f.chooseCategory("Strings");
    f.chooseItem("Trim");
    const QStringList categories = arrange::categoryRows(f.lib), items = arrange::itemRows(f.lib);

    f.fake.inputAnswers << name;
    f.window->mnuAddCat->trigger();

    QCOMPARE(f.fake.messages, QList<Box>{});
    COMPARE_ROWS(arrange::categoryRows(f.lib), categories + QStringList{name});
    COMPARE_ROWS(arrange::itemRows(f.lib), items + QStringList{name + "|Empty|||"});
    COMPARE_ROWS(arrange::screen(f),
                 (QStringList{"categories: " + (kCategories + QStringList{name}).join(" / "),
                              "category text: ", "items: Trim / Pad / Öl", "item text: Trim",
                              "panels: trim code / #include <QString> / trims"}));
}

void TestAdding::addingAnItem_data() {
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QString>("category");  // chosen first; empty: none
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QStringList>("listed");

    QTest::newRow("placeholder \"Empty\" is taken over, keeping its texts")
        << QStringList{"Files|Open", "New|Empty|c|d|n"} << "New"
        << "First" << QStringList{"Files|Open|||", "New|First|c|d|n"} << QStringList{"First"};
    QTest::newRow("placeholder without a name is taken over")
        << QStringList{"New|<null>|c|d|n"} << "New"
        << "First" << QStringList{"New|First|c|d|n"} << QStringList{"First"};
    QTest::newRow("\"empty\" in other case is a real item")
        << QStringList{"New|empty|c"} << "New"
        << "First" << QStringList{"New|empty|c||", "New|First|||"} << QStringList{"empty", "First"};
    QTest::newRow("only the first row can be a placeholder")
        << QStringList{"New|Real", "New|Empty"} << "New"
        << "First" << QStringList{"New|Real|||", "New|Empty|||", "New|First|||"}
        << QStringList{"Real", "Empty", "First"};
    QTest::newRow("category without rows gets a new row")
        << QStringList{"Files|Open"} << "New"
        << "First" << QStringList{"Files|Open|||", "New|First|||"} << QStringList{"First"};
    QTest::newRow("name taken only in another category")
        << QStringList{"Files|Open", "New|Real"} << "New"
        << "OPEN" << QStringList{"Files|Open|||", "New|Real|||", "New|OPEN|||"}
        << QStringList{"Real", "OPEN"};
    QTest::newRow("blanks only") << QStringList{"New|Real"} << "New"
                                 << "  " << QStringList{"New|Real|||", "New|  |||"}
                                 << QStringList{"Real", "  "};
    QTest::newRow("quotes, wildcards, comment")
        << QStringList{"New|it", "New|Empty"} << "New"
        << "it's \"50%\"_; --"
        << QStringList{"New|it|||", "New|Empty|||", "New|it's \"50%\"_; --|||"}
        << QStringList{"it", "Empty", "it's \"50%\"_; --"};
    QTest::newRow("beyond ASCII") << QStringList{"Ärger|Empty"} << "Ärger"
                                  << "Größe ändern" << QStringList{"Ärger|Größe ändern|||"}
                                  << QStringList{"Größe ändern"};
    // With no category chosen the item joins the unnamed category, and the
    // first row of the whole table decides where it goes.
    QTest::newRow("no category chosen, first row a real item")
        << QStringList{"Files|Open", "New|Empty|c|d|n"} << ""
        << "First" << QStringList{"Files|Open|||", "New|Empty|c|d|n", "|First|||"}
        << QStringList{"First"};
    QTest::newRow("no category chosen, first row a placeholder")
        << QStringList{"New|Empty|c|d|n", "Files|Open"} << ""
        << "First" << QStringList{"|First|c|d|n", "Files|Open|||"} << QStringList{"First"};
}

void TestAdding::addingAnItem() {
    QFETCH(QStringList, items);
    QFETCH(QString, category);
    QFETCH(QString, answer);
    QFETCH(QStringList, expected);
    QFETCH(QStringList, listed);
    WindowFixture f;
    arrange::fill(f.lib, {"Files", "New", "Ärger"}, items);
    f.start();
    if (!category.isEmpty()) f.chooseCategory(category);
    WindowFixture::typeInto(f.window->rTxtNotes, "typed, not saved");
    const QStringList categories = arrange::categoryRows(f.lib);

    f.fake.inputAnswers << answer;
    f.window->mnuAddItem->trigger();

    QCOMPARE(f.fake.messages, QList<Box>{});
    COMPARE_ROWS(arrange::categoryRows(f.lib), categories);
    COMPARE_ROWS(arrange::itemRows(f.lib), expected);
    COMPARE_ROWS(arrange::screen(f),
                 (QStringList{"categories: Files / New / Ärger", "category text: " + category,
                              "items: " + listed.join(" / "),
                              "item text: ", "panels:  /  / typed, not saved"}));
}

// The placeholder the program writes itself is the one the first item takes.
void TestAdding::newCategoryTakesItsFirstItemIntoThePlaceholder() {
    WindowFixture f;
    arrange::fill(f.lib, {"Files"}, {"Files|Open"});
    f.start();
    f.fake.inputAnswers << "Tools"
                        << "Hammer"
                        << "Saw";
    f.window->mnuAddCat->trigger();
    f.chooseCategory("Tools");
    QCOMPARE(WindowFixture::entries(f.window->cboItems), QStringList{"Empty"});
    f.window->mnuAddItem->trigger();
    f.window->mnuAddItem->trigger();

    COMPARE_ROWS(arrange::categoryRows(f.lib), (QStringList{"Files", "Tools"}));
    COMPARE_ROWS(arrange::itemRows(f.lib),
                 (QStringList{"Files|Open|||", "Tools|Hammer|||", "Tools|Saw|||"}));
    QCOMPARE(WindowFixture::entries(f.window->cboItems), (QStringList{"Hammer", "Saw"}));
}

// A newcomer types the name into the empty category list before finding the
// menu. The typed text is no choice and must not outlive the command, or the
// next item would be filed under it.
void TestAdding::firstCategoryOfAnEmptyLibrary() {
    WindowFixture f;
    f.start();
    QTest::keyClicks(f.window->cboCategory->lineEdit(), "Tools");
    f.fake.inputAnswers << "Tools";
    f.window->mnuAddCat->trigger();

    COMPARE_ROWS(arrange::categoryRows(f.lib), QStringList{"Tools"});
    COMPARE_ROWS(arrange::itemRows(f.lib), QStringList{"Tools|Empty|||"});
    COMPARE_ROWS(arrange::screen(f), (QStringList{"categories: Tools", "category text: ", "items: ",
                                                  "item text: ", "panels:  /  / "}));
}

// The category row is written, then its placeholder item fails: neither stays,
// the user is told, and the program ends without the tidy-up.
void TestAdding::anAddThatFailsHalfwayLeavesNoRow() {
    WindowFixture f;
    f.lib.addCategory("Files");
    f.lib.exec(
        "CREATE TRIGGER no_items BEFORE INSERT ON Items BEGIN SELECT RAISE(ABORT, 'no room'); END");
    f.start();
    f.fake.inputAnswers << "Tools";
    f.window->mnuAddCat->trigger();

    COMPARE_ROWS(arrange::categoryRows(f.lib), QStringList{"Files"});
    QVERIFY(arrange::itemRows(f.lib).isEmpty());
    QCOMPARE(f.fake.messages.size(), 1);
    QCOMPARE(f.fake.messages[0].title, "Snibbet");
    QVERIFY2(f.fake.messages[0].text.contains("no room"), qPrintable(f.fake.messages[0].text));
    QCOMPARE(f.fake.endedWith, QList<int>{1});
}

QTEST_MAIN(TestAdding)
#include "tst_adding.moc"
