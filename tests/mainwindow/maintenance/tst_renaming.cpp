#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include "Arrange.h"
#include "mainwindow/PanelEdit.h"

using Box = FakePlatformServices::Box;

namespace {

// Items of "Strings" are stored under three spellings of its name; "Str_ngs"
// and "Strings%" would match it if a name were ever taken as a pattern.
const QStringList kCategories{"Strings", "Files", "Ärger", "Str_ngs", "Strings%"};
const QStringList kItems{"Strings|Trim|t", "STRINGS|Pad|p", "strings|Empty", "Files|Trim|f",
                         "ärger|Öl|o",     "Str_ngs|x",     "Strings%|y"};

QAction* renameAction(const WindowFixture& f, const QString& level) {
    return level == "category" ? f.window->mnuRenameCat : f.window->mnuRenameItem;
}

void start(WindowFixture& f, const QString& category, const QString& item) {
    arrange::fill(f.lib, kCategories, kItems);
    f.start();
    if (!category.isEmpty()) f.chooseCategory(category);
    if (!item.isEmpty()) f.chooseItem(item);
}

}  // namespace

class TestRenaming : public QObject {
    Q_OBJECT
private slots:
    void declinedRenameChangesNothing_data();
    void declinedRenameChangesNothing();
    void takenNameIsRefused_data();
    void takenNameIsRefused();
    void renamingACategory_data();
    void renamingACategory();
    void renamingAnItem_data();
    void renamingAnItem();
    void failedCategoryRenameChangesNothing();
};

void TestRenaming::declinedRenameChangesNothing_data() {
    QTest::addColumn<QString>("level");
    QTest::addColumn<QString>("category");  // chosen first; empty: none
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<Box>("prompt");
    const Box category{"Rename Strings As:", "Rename Category"};
    const Box item{"Rename Trim As:", "Rename Item"};
    QTest::newRow("category, cancelled") << "category"
                                         << "Strings"
                                         << "Trim"
                                         << "" << category;
    QTest::newRow("category, same name") << "category"
                                         << "Strings"
                                         << "Trim"
                                         << "Strings" << category;
    QTest::newRow("category, none chosen") << "category"
                                           << ""
                                           << ""
                                           << "" << Box{"Rename  As:", "Rename Category"};
    QTest::newRow("item, cancelled") << "item"
                                     << "Strings"
                                     << "Trim"
                                     << "" << item;
    QTest::newRow("item, same name") << "item"
                                     << "Strings"
                                     << "Trim"
                                     << "Trim" << item;
    QTest::newRow("item, none chosen") << "item"
                                       << "Strings"
                                       << ""
                                       << "" << Box{"Rename  As:", "Rename Item"};
}

void TestRenaming::declinedRenameChangesNothing() {
    QFETCH(QString, level);
    QFETCH(QString, category);
    QFETCH(QString, item);
    QFETCH(QString, answer);
    QFETCH(Box, prompt);
    WindowFixture f;
    start(f, category, item);
    const QStringList screen = arrange::screen(f);

    f.fake.inputAnswers << answer;
    renameAction(f, level)->trigger();

    QCOMPARE(f.fake.inputBoxes, QList<Box>{prompt});
    QCOMPARE(f.fake.messages, QList<Box>{});
    COMPARE_ROWS(arrange::categoryRows(f.lib), kCategories);
    COMPARE_ROWS(arrange::itemRows(f.lib), arrange::padded(kItems));
    COMPARE_ROWS(arrange::screen(f), screen);
}

void TestRenaming::takenNameIsRefused_data() {
    QTest::addColumn<QString>("level");
    QTest::addColumn<QString>("category");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("caution");
    const QString category = "You already have a category named: ";
    const auto item = [](const QString& name) {
        return "You already have an item named: " + name + " in this category.";
    };
    QTest::newRow("category, its own name in other case") << "category"
                                                          << "Strings"
                                                          << ""
                                                          << "STRINGS" << category + "STRINGS";
    QTest::newRow("category, another category") << "category"
                                                << "Strings"
                                                << ""
                                                << "files" << category + "files";
    QTest::newRow("category, another beyond ASCII") << "category"
                                                    << "Files"
                                                    << ""
                                                    << "äRGER" << category + "äRGER";
    QTest::newRow("item, its own name in other case") << "item"
                                                      << "Strings"
                                                      << "Trim"
                                                      << "TRIM" << item("TRIM");
    QTest::newRow("item, another item") << "item"
                                        << "Strings"
                                        << "Trim"
                                        << "pad" << item("pad");
    QTest::newRow("item, the placeholder's name") << "item"
                                                  << "Strings"
                                                  << "Trim"
                                                  << "EMPTY" << item("EMPTY");
}

void TestRenaming::takenNameIsRefused() {
    QFETCH(QString, level);
    QFETCH(QString, category);
    QFETCH(QString, item);
    QFETCH(QString, answer);
    QFETCH(QString, caution);
    WindowFixture f;
    start(f, category, item);
    const QStringList screen = arrange::screen(f);
    const QStringList items = arrange::itemRows(f.lib);

    f.fake.inputAnswers << answer;
    renameAction(f, level)->trigger();

    QCOMPARE(f.fake.messages, (QList<Box>{{caution, "Caution..."}}));
    COMPARE_ROWS(arrange::categoryRows(f.lib), kCategories);
    COMPARE_ROWS(arrange::itemRows(f.lib), items);
    COMPARE_ROWS(arrange::screen(f), screen);
}

void TestRenaming::renamingACategory_data() {
    QTest::addColumn<QString>("category");
    QTest::addColumn<bool>("picked");  // or typed into the list
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("categories");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QString>("listed");  // the item list, which keeps its entries

    const QString q = "it's \"50%\"_; --";
    QTest::newRow("every spelling of its items follows")
        << "Strings" << true << "Text"
        << QStringList{"Text", "Files", "Ärger", "Str_ngs", "Strings%"}
        << QStringList{"Text|Trim|t||", "Text|Pad|p||", "Text|Empty|||", "Files|Trim|f||",
                       "ärger|Öl|o||",  "Str_ngs|x|||", "Strings%|y|||"}
        << "Trim / Pad / Empty";
    QTest::newRow("quotes, wildcards, comment")
        << "Strings" << true << q << QStringList{q, "Files", "Ärger", "Str_ngs", "Strings%"}
        << QStringList{q + "|Trim|t||", q + "|Pad|p||", q + "|Empty|||", "Files|Trim|f||",
                       "ärger|Öl|o||",  "Str_ngs|x|||", "Strings%|y|||"}
        << "Trim / Pad / Empty";
    QTest::newRow("blanks only") << "Files" << true << " "
                                 << QStringList{"Strings", " ", "Ärger", "Str_ngs", "Strings%"}
                                 << QStringList{"Strings|Trim|t||", "STRINGS|Pad|p||",
                                                "strings|Empty|||", " |Trim|f||",
                                                "ärger|Öl|o||",     "Str_ngs|x|||",
                                                "Strings%|y|||"}
                                 << "Trim";
    QTest::newRow("stored in other case beyond ASCII")
        << "Ärger" << true << "Sorgen über Öl"
        << QStringList{"Strings", "Files", "Sorgen über Öl", "Str_ngs", "Strings%"}
        << QStringList{"Strings|Trim|t||", "STRINGS|Pad|p||",       "strings|Empty|||",
                       "Files|Trim|f||",   "Sorgen über Öl|Öl|o||", "Str_ngs|x|||",
                       "Strings%|y|||"}
        << "Öl";
    QTest::newRow("a name with a wildcard changes only itself")
        << "Str_ngs" << true << "Other"
        << QStringList{"Strings", "Files", "Ärger", "Other", "Strings%"}
        << QStringList{"Strings|Trim|t||", "STRINGS|Pad|p||", "strings|Empty|||", "Files|Trim|f||",
                       "ärger|Öl|o||",     "Other|x|||",      "Strings%|y|||"}
        << "x";
    // A typed name is no choice: the item list was never filled.
    QTest::newRow("typed, not picked")
        << "Files" << false << "Docs"
        << QStringList{"Strings", "Docs", "Ärger", "Str_ngs", "Strings%"}
        << QStringList{"Strings|Trim|t||", "STRINGS|Pad|p||", "strings|Empty|||", "Docs|Trim|f||",
                       "ärger|Öl|o||",     "Str_ngs|x|||",    "Strings%|y|||"}
        << "";
}

void TestRenaming::renamingACategory() {
    QFETCH(QString, category);
    QFETCH(bool, picked);
    QFETCH(QString, name);
    QFETCH(QStringList, categories);
    QFETCH(QStringList, items);
    QFETCH(QString, listed);
    WindowFixture f;
    start(f, picked ? category : QString(), QString());
    if (picked)
        f.chooseItem(f.window->cboItems->itemText(0));  // so that the panels show something
    else
        QTest::keyClicks(f.window->cboCategory->lineEdit(), category);
    const QStringList panels = f.panelTexts();

    f.fake.inputAnswers << name;
    f.window->mnuRenameCat->trigger();

    QCOMPARE(f.fake.messages, QList<Box>{});
    COMPARE_ROWS(arrange::categoryRows(f.lib), categories);
    COMPARE_ROWS(arrange::itemRows(f.lib), items);
    COMPARE_ROWS(arrange::screen(f), (QStringList{"categories: " + categories.join(" / "),
                                                  "category text: ", "items: " + listed,
                                                  "item text: ", "panels: " + panels.join(" / ")}));
}

void TestRenaming::renamingAnItem_data() {
    QTest::addColumn<QString>("category");
    QTest::addColumn<QString>("item");  // empty: none chosen
    QTest::addColumn<bool>("picked");   // or typed into the list
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("items");  // the rows of "Strings" in the file afterwards
    QTest::addColumn<QString>("listed");

    const QString q = "it's \"50%\"_; --";
    QTest::newRow("only in the current category")
        << "Strings"
        << "Trim" << true << "Strip"
        << QStringList{"Strings|Strip|t", "STRINGS|Pad|p", "Strings|Tr_m|u", "Strings||e",
                       "Strings|<null>|n"}
        << "Strip / Pad / Tr_m /  / ";
    QTest::newRow("stored under another spelling of the category")
        << "Strings"
        << "Pad" << true << "Pad left"
        << QStringList{"Strings|Trim|t", "STRINGS|Pad left|p", "Strings|Tr_m|u", "Strings||e",
                       "Strings|<null>|n"}
        << "Trim / Pad left / Tr_m /  / ";
    QTest::newRow("name taken only in another category")
        << "Strings"
        << "Pad" << true << "open"
        << QStringList{"Strings|Trim|t", "STRINGS|open|p", "Strings|Tr_m|u", "Strings||e",
                       "Strings|<null>|n"}
        << "Trim / open / Tr_m /  / ";
    QTest::newRow("a name with a wildcard changes only itself")
        << "Strings"
        << "Tr_m" << true << q
        << QStringList{"Strings|Trim|t", "STRINGS|Pad|p", "Strings|" + q + "|u", "Strings||e",
                       "Strings|<null>|n"}
        << "Trim / Pad / " + q + " /  / ";
    QTest::newRow("blanks only") << "Strings"
                                 << "Trim" << true << " "
                                 << QStringList{"Strings| |t", "STRINGS|Pad|p", "Strings|Tr_m|u",
                                                "Strings||e", "Strings|<null>|n"}
                                 << "  / Pad / Tr_m /  / ";
    QTest::newRow("beyond ASCII") << "Strings"
                                  << "Trim" << true << "Kürzen"
                                  << QStringList{"Strings|Kürzen|t", "STRINGS|Pad|p",
                                                 "Strings|Tr_m|u", "Strings||e", "Strings|<null>|n"}
                                  << "Kürzen / Pad / Tr_m /  / ";
    // No current item: the item whose name is the empty text, never the null.
    QTest::newRow("no item chosen")
        << "Strings"
        << "" << true << "Named"
        << QStringList{"Strings|Trim|t", "STRINGS|Pad|p", "Strings|Tr_m|u", "Strings|Named|e",
                       "Strings|<null>|n"}
        << "Trim / Pad / Tr_m / Named / ";
    QTest::newRow("typed, not picked")
        << "Strings"
        << "Trim" << false << "Strip"
        << QStringList{"Strings|Strip|t", "STRINGS|Pad|p", "Strings|Tr_m|u", "Strings||e",
                       "Strings|<null>|n"}
        << "Strip / Pad / Tr_m /  / ";
}

void TestRenaming::renamingAnItem() {
    QFETCH(QString, category);
    QFETCH(QString, item);
    QFETCH(bool, picked);
    QFETCH(QString, name);
    QFETCH(QStringList, items);
    QFETCH(QString, listed);
    WindowFixture f;
    const QStringList strings{"Strings|Trim|t", "STRINGS|Pad|p", "Strings|Tr_m|u", "Strings||e",
                              "Strings|<null>|n"};
    const QStringList others{"Files|Trim|f", "Files|Open|g", "Files||h"};
    arrange::fill(f.lib, {"Strings", "Files"}, strings + others);
    f.start();
    f.chooseCategory(category);
    if (!picked)
        QTest::keyClicks(f.window->cboItems->lineEdit(), item);
    else if (!item.isEmpty())
        f.chooseItem(item);
    WindowFixture::typeInto(f.window->rTxtNotes, "typed, not saved");
    const QStringList panels = f.panelTexts();

    f.fake.inputAnswers << name;
    f.window->mnuRenameItem->trigger();

    QCOMPARE(f.fake.messages, QList<Box>{});
    COMPARE_ROWS(arrange::itemRows(f.lib), arrange::padded(items + others));
    COMPARE_ROWS(arrange::categoryRows(f.lib), (QStringList{"Strings", "Files"}));
    COMPARE_ROWS(arrange::screen(f),
                 (QStringList{"categories: Strings / Files", "category text: " + category,
                              "items: " + listed, "item text: ", "panels: " + panels.join(" / ")}));
}

// The category is renamed first; when carrying its items over fails, the
// category keeps its name too, and the program ends without the tidy-up.
void TestRenaming::failedCategoryRenameChangesNothing() {
    WindowFixture f;
    start(f, "Strings", "Trim");
    f.lib.exec(
        "CREATE TRIGGER refuse BEFORE UPDATE ON Items BEGIN SELECT RAISE(ABORT, 'no changes "
        "today'); END");

    f.fake.inputAnswers << "Text";
    f.window->mnuRenameCat->trigger();

    COMPARE_ROWS(arrange::categoryRows(f.lib), kCategories);
    COMPARE_ROWS(arrange::itemRows(f.lib), arrange::padded(kItems));
    const QString report =
        "The library could not be read or changed: no changes today. If this happens again, "
        "restore a copy from the "
        "folder \"Snibbet backups\".\n\nSnibbet will now close; every change saved before this is "
        "kept.\n\n"
        "(Error 1811)";
    QCOMPARE(f.fake.messages, (QList<Box>{{report, "Snibbet"}}));
    QCOMPARE(f.fake.endedWith, QList<int>{1});
}

QTEST_MAIN(TestRenaming)
#include "tst_renaming.moc"
