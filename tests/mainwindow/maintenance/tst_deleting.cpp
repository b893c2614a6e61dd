#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include "Arrange.h"
#include "mainwindow/PanelEdit.h"

using Box = FakePlatformServices::Box;

namespace {

const QString kQuoted = "it's \"50%\"; --";

// "Strings" has its items under three spellings, one of them its placeholder;
// "Str_ngs", "it's" and the blank-only category sit beside names they would
// match if a name were ever taken as a pattern or cut at a quote.
const QStringList kCategories{"Strings", "Files", "Str_ngs", "Ärger", kQuoted, "it's", "", " "};
const QStringList kItems = arrange::padded(
    {"Strings|Trim|t", "STRINGS|Pad|p", "strings|Empty", "Files|Trim|f", "Str_ngs|x", "ärger|Öl|o",
     kQuoted + "|q", "it's|r", "|Loose", " |Blank", "<null>|Stray"});

QStringList without(QStringList rows, const QStringList& gone) {
    for (const QString& row : gone)
        if (!rows.removeOne(row)) qFatal("no row \"%s\" to take away", qPrintable(row));
    return rows;
}

}  // namespace

class TestDeleting : public QObject {
    Q_OBJECT
private slots:
    void deletingACategory_data();
    void deletingACategory();
    void deletingAnItem_data();
    void deletingAnItem();
    void failedCategoryDeleteChangesNothing();
};

void TestDeleting::deletingACategory_data() {
    QTest::addColumn<QString>("chosen");   // empty: none
    QTest::addColumn<QString>("typed");    // the category list's text at the command
    QTest::addColumn<bool>("itemPicked");  // the first item picked, or its name typed
    QTest::addColumn<QStringList>("goneItems");
    QTest::addColumn<QString>("listed");  // the item list afterwards

    QTest::newRow("every spelling, the placeholder too")
        << "Strings"
        << "Strings" << true
        << QStringList{"Strings|Trim|t||", "STRINGS|Pad|p||", "strings|Empty|||"} << "";
    QTest::newRow("a name with a wildcard takes only itself")
        << "Str_ngs"
        << "Str_ngs" << true << QStringList{"Str_ngs|x|||"} << "";
    QTest::newRow("other case beyond ASCII")
        << "Ärger"
        << "Ärger" << true << QStringList{"ärger|Öl|o||"} << "";
    QTest::newRow("quotes, percent, comment")
        << kQuoted << kQuoted << true << QStringList{kQuoted + "|q|||"} << "";
    QTest::newRow("blanks only") << " "
                                 << " " << true << QStringList{" |Blank|||"} << "";
    // The item list is refilled from its source as it stands: before any
    // choice that is every item of the library.
    QTest::newRow("none chosen: the unnamed category")
        << ""
        << "" << true << QStringList{"|Loose|||"}
        << "Trim / Pad / Empty / Trim / x / Öl / q / r / Blank / Stray";
    QTest::newRow("category typed, not picked")
        << ""
        << "Files" << true << QStringList{"Files|Trim|f||"}
        << "Trim / Pad / Empty / x / Öl / q / r / Loose / Blank / Stray";
    QTest::newRow("typed over another choice")
        << "Files"
        << "Strings" << true
        << QStringList{"Strings|Trim|t||", "STRINGS|Pad|p||", "strings|Empty|||"} << "Trim";
    QTest::newRow("item typed, not picked")
        << "Files"
        << "Files" << false << QStringList{"Files|Trim|f||"} << "";
}

void TestDeleting::deletingACategory() {
    QFETCH(QString, chosen);
    QFETCH(QString, typed);
    QFETCH(bool, itemPicked);
    QFETCH(QStringList, goneItems);
    QFETCH(QString, listed);
    WindowFixture f;
    arrange::fill(f.lib, kCategories, kItems);
    f.start();
    if (!chosen.isEmpty()) f.chooseCategory(chosen);
    if (f.window->cboItems->count() > 0) {
        const QString first = f.window->cboItems->itemText(0);
        if (itemPicked)
            f.chooseItem(first);
        else
            QTest::keyClicks(f.window->cboItems->lineEdit(), first);
    }
    f.window->cboCategory->setEditText(typed);
    WindowFixture::typeInto(f.window->rTxtNotes, "typed, not saved");
    const QStringList panels = f.panelTexts();

    f.window->mnuDeleteCat->trigger();

    QCOMPARE(f.fake.messages, QList<Box>{});
    QCOMPARE(f.fake.questions, QList<Box>{});
    const QStringList categories = without(kCategories, {typed});
    COMPARE_ROWS(arrange::categoryRows(f.lib), categories);
    COMPARE_ROWS(arrange::itemRows(f.lib), without(kItems, goneItems));
    COMPARE_ROWS(arrange::screen(f), (QStringList{"categories: " + categories.join(" / "),
                                                  "category text: ", "items: " + listed,
                                                  "item text: ", "panels: " + panels.join(" / ")}));
}

void TestDeleting::deletingAnItem_data() {
    QTest::addColumn<QString>("category");  // empty: none chosen
    QTest::addColumn<QString>("item");      // empty: none chosen
    QTest::addColumn<QStringList>("gone");
    QTest::addColumn<QString>("listed");

    QTest::newRow("only in the current category")
        << "Strings"
        << "Trim" << QStringList{"Strings|Trim|t"}
        << "Pad / Tr_m / " + kQuoted + " / it's /  /  / Empty";
    QTest::newRow("stored under another spelling of the category")
        << "Strings"
        << "Pad" << QStringList{"STRINGS|Pad|p"}
        << "Trim / Tr_m / " + kQuoted + " / it's /  /  / Empty";
    QTest::newRow("a name with a wildcard takes only itself")
        << "Strings"
        << "Tr_m" << QStringList{"Strings|Tr_m|u"}
        << "Trim / Pad / " + kQuoted + " / it's /  /  / Empty";
    QTest::newRow("quotes, percent, comment")
        << "Strings" << kQuoted << QStringList{"Strings|" + kQuoted + "|q"}
        << "Trim / Pad / Tr_m / it's /  /  / Empty";
    QTest::newRow("the placeholder") << "Strings"
                                     << "Empty" << QStringList{"strings|Empty"}
                                     << "Trim / Pad / Tr_m / " + kQuoted + " / it's /  / ";
    QTest::newRow("beyond ASCII") << "Öl"
                                  << "Größe" << QStringList{"Öl|Größe|s"} << "Grösse";
    // No current item: the item named with the empty text, never the null.
    QTest::newRow("none chosen") << "Strings"
                                 << "" << QStringList{"Strings||e"}
                                 << "Trim / Pad / Tr_m / " + kQuoted + " / it's /  / Empty";
    // The list is selected anew: from the whole library before, from the
    // unnamed category after.
    QTest::newRow("no category chosen") << ""
                                        << "" << QStringList{"||m"} << "Loose";
}

void TestDeleting::deletingAnItem() {
    QFETCH(QString, category);
    QFETCH(QString, item);
    QFETCH(QStringList, gone);
    QFETCH(QString, listed);
    WindowFixture f;
    const QStringList items{"Strings|Trim|t",   "STRINGS|Pad|p",
                            "Strings|Tr_m|u",   "Strings|" + kQuoted + "|q",
                            "Strings|it's|r",   "Strings||e",
                            "Strings|<null>|n", "strings|Empty",
                            "Files|Trim|f",     "Files||g",
                            "Öl|Größe|s",       "öl|Grösse|z",
                            "|Loose|l",         "||m"};
    arrange::fill(f.lib, {"Strings", "Files", "Öl"}, items);
    f.start();
    if (!category.isEmpty()) f.chooseCategory(category);
    if (!item.isEmpty()) f.chooseItem(item);
    WindowFixture::typeInto(f.window->rTxtNotes, "typed, not saved");
    const QStringList panels = f.panelTexts();

    f.window->mnuDeleteItem->trigger();

    QCOMPARE(f.fake.messages, QList<Box>{});
    QCOMPARE(f.fake.questions, QList<Box>{});
    COMPARE_ROWS(arrange::itemRows(f.lib), arrange::padded(without(items, gone)));
    COMPARE_ROWS(arrange::categoryRows(f.lib), (QStringList{"Strings", "Files", "Öl"}));
    COMPARE_ROWS(arrange::screen(f),
                 (QStringList{"categories: Strings / Files / Öl", "category text: " + category,
                              "items: " + listed, "item text: ", "panels: " + panels.join(" / ")}));
}

// The items go first; when the category itself cannot go, its items stay.
void TestDeleting::failedCategoryDeleteChangesNothing() {
    WindowFixture f;
    arrange::fill(f.lib, kCategories, kItems);
    f.start();
    f.chooseCategory("Strings");
    f.lib.exec(
        "CREATE TRIGGER keep BEFORE DELETE ON Category BEGIN SELECT RAISE(ABORT, 'kept'); END");

    f.window->mnuDeleteCat->trigger();

    COMPARE_ROWS(arrange::categoryRows(f.lib), kCategories);
    COMPARE_ROWS(arrange::itemRows(f.lib), kItems);
    const QString report =
        "The library could not be read or changed: kept. If this happens again, restore a copy "
        "from the "
        "folder \"Snibbet backups\".\n\nSnibbet will now close; every change saved before this is "
        "kept.\n\n"
        "(Error 1811)";
    QCOMPARE(f.fake.messages, (QList<Box>{{report, "Snibbet"}}));
    QCOMPARE(f.fake.endedWith, QList<int>{1});
}

QTEST_MAIN(TestDeleting)
#include "tst_deleting.moc"
