#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include "mainwindow/PanelEdit.h"
#include "support/WindowFixture.h"

// What the lists and panels hold after each choice.
class TestSelection : public QObject {
    Q_OBJECT
private slots:
    void choosingACategoryListsItsItemsAndEmptiesThePanels();
    void choosingAnItemShowsItsThreeTexts();
    void itemsUnderACaseVariantOfTheCategoryAreListed();
    void categoryWithoutItemsListsNothing();
    void newPlaceholderIsListedAsEmpty();
    void nullTextsShowAsEmpty();
    void namesWithQuotesAndWildcards();
    void choosingFromTheKeyboard();
    void typingIsNoChoice();
    void typedCategoryCountsForActionsButDoesNotRefill();
    void staleItemChoiceShowsEmptyPanels();
};

namespace {

void fill(const TempLibrary& lib) {
    lib.addCategory("Files");
    lib.addCategory("Strings");
    lib.addItem("Strings", "Reverse", "rev code", "rev decl", "rev notes");
    lib.addItem("Files", "Read", "read code", "read decl", "read notes");
    lib.addItem("Strings", "Trim", "trim code", "", "trim notes");
}

}  // namespace

void TestSelection::choosingACategoryListsItsItemsAndEmptiesThePanels() {
    WindowFixture f;
    fill(f.lib);
    frmSnibbet& w = f.start();
    f.chooseCategory("Strings");
    QCOMPARE(w.cboCategory->currentText(), "Strings");
    QCOMPARE(WindowFixture::entries(w.cboItems), (QStringList{"Reverse", "Trim"}));
    QCOMPARE(w.cboItems->currentText(), QString());  // no item chosen by itself
    QCOMPARE(f.panelTexts(), (QStringList{"", "", ""}));

    f.chooseItem("Trim");
    f.chooseCategory("Files");  // back to "category chosen"
    QCOMPARE(WindowFixture::entries(w.cboItems), QStringList{"Read"});
    QCOMPARE(w.cboItems->currentText(), QString());
    QCOMPARE(f.panelTexts(), (QStringList{"", "", ""}));
}

void TestSelection::choosingAnItemShowsItsThreeTexts() {
    WindowFixture f;
    fill(f.lib);
    f.start();
    f.chooseCategory("Strings");
    f.chooseItem("Reverse");
    QCOMPARE(f.panelTexts(), (QStringList{"rev code", "rev decl", "rev notes"}));
    f.chooseItem("Trim");
    QCOMPARE(f.panelTexts(), (QStringList{"trim code", "", "trim notes"}));
    QVERIFY(f.fake.messages.isEmpty());
}

void TestSelection::itemsUnderACaseVariantOfTheCategoryAreListed() {
    WindowFixture f;
    f.lib.addCategory("Ärger");
    f.lib.addItem("Ärger", "one");
    f.lib.addItem("ÄRGER", "two", "second");
    f.lib.addItem("Ärger ", "not this one");
    frmSnibbet& w = f.start();
    f.chooseCategory("Ärger");
    QCOMPARE(WindowFixture::entries(w.cboItems), (QStringList{"one", "two"}));
    f.chooseItem("two");
    QCOMPARE(w.rTxtCode->toPlainText(), "second");
}

void TestSelection::categoryWithoutItemsListsNothing() {
    WindowFixture f;
    f.lib.addCategory("lonely");
    frmSnibbet& w = f.start();
    WindowFixture::typeInto(w.rTxtCode, "left over");
    f.chooseCategory("lonely");
    QCOMPARE(w.cboItems->count(), 0);
    QCOMPARE(f.panelTexts(), (QStringList{"", "", ""}));
}

void TestSelection::newPlaceholderIsListedAsEmpty() {
    WindowFixture f;
    f.lib.addCategory("New");
    f.lib.exec("INSERT INTO Items (Category) VALUES ('New')");
    frmSnibbet& w = f.start();
    f.chooseCategory("New");
    QCOMPARE(WindowFixture::entries(w.cboItems), QStringList{"Empty"});
    f.chooseItem("Empty");
    QCOMPARE(f.panelTexts(), (QStringList{"", "", ""}));
    QVERIFY(f.fake.messages.isEmpty());
}

void TestSelection::nullTextsShowAsEmpty() {
    WindowFixture f;
    f.lib.addCategory("c");
    f.lib.exec("INSERT INTO Items VALUES ('c', 'n', NULL, NULL, NULL)");
    f.start();
    f.chooseCategory("c");
    f.chooseItem("n");
    QCOMPARE(f.panelTexts(), (QStringList{"", "", ""}));
    QVERIFY(f.fake.endedWith.isEmpty());
}

void TestSelection::namesWithQuotesAndWildcards() {
    WindowFixture f;
    f.lib.addCategory("O'Brien's \"tools\"");
    f.lib.addCategory("100%");
    f.lib.addItem("O'Brien's \"tools\"", "it's", "apostrophe");
    f.lib.addItem("100%", "a_b", "underscore");
    f.lib.addItem("100", "axb", "other category");
    frmSnibbet& w = f.start();
    f.chooseCategory("O'Brien's \"tools\"");
    f.chooseItem("it's");
    QCOMPARE(w.rTxtCode->toPlainText(), "apostrophe");
    f.chooseCategory("100%");
    QCOMPARE(WindowFixture::entries(w.cboItems), QStringList{"a_b"});
}

void TestSelection::choosingFromTheKeyboard() {
    WindowFixture f;
    fill(f.lib);
    frmSnibbet& w = f.start();
    w.cboCategory->setFocus(Qt::TabFocusReason);
    QTest::keyClick(w.cboCategory, Qt::Key_Down);  // the first entry
    QCOMPARE(w.cboCategory->currentText(), "Files");
    QCOMPARE(WindowFixture::entries(w.cboItems), QStringList{"Read"});
    w.cboItems->setFocus(Qt::TabFocusReason);
    QTest::keyClick(w.cboItems, Qt::Key_Down);
    QCOMPARE(f.panelTexts(), (QStringList{"read code", "read decl", "read notes"}));
}

void TestSelection::typingIsNoChoice() {
    WindowFixture f;
    fill(f.lib);
    frmSnibbet& w = f.start();
    w.cboCategory->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(w.cboCategory->lineEdit(), "Str");  // no completion to "Strings"
    QCOMPARE(w.cboCategory->currentText(), "Str");
    QCOMPARE(w.cboItems->count(), 0);
    w.cboItems->setFocus(Qt::TabFocusReason);  // leaving the list chooses nothing either
    QCOMPARE(w.cboCategory->currentText(), "Str");
    QCOMPARE(w.cboItems->count(), 0);
    QCOMPARE(w.cboCategory->count(), 2);  // typed text never joins the list
}

void TestSelection::typedCategoryCountsForActionsButDoesNotRefill() {
    WindowFixture f;
    fill(f.lib);
    frmSnibbet& w = f.start();
    f.chooseCategory("Strings");
    w.cboCategory->setEditText("Files");
    QCOMPARE(WindowFixture::entries(w.cboItems), (QStringList{"Reverse", "Trim"}));
    f.fake.inputAnswers << "Typed";
    w.mnuAddItem->trigger();  // the new item belongs to the typed category
    QVERIFY(f.lib.rows("Items").contains("Files|Typed|||"));
}

// An entry the record set does not hold (a list gone stale) never shows the
// texts of whatever row happened to be current.
void TestSelection::staleItemChoiceShowsEmptyPanels() {
    WindowFixture f;
    fill(f.lib);
    frmSnibbet& w = f.start();
    f.chooseCategory("Strings");
    f.chooseItem("Trim");
    QCOMPARE(w.rTxtCode->toPlainText(), "trim code");
    w.cboItems->addItem("Ghost");
    f.chooseItem("Ghost");
    QCOMPARE(f.panelTexts(), (QStringList{"", "", ""}));
    QVERIFY(f.fake.messages.isEmpty());
}

QTEST_MAIN(TestSelection)
#include "tst_selection.moc"
