#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>

#include "mainwindow/panels/PanelSupport.h"

using namespace panelsupport;

namespace {

// Selects from `anchor` to `position` in the panel (backwards when anchor is
// the greater), or only places the caret when they are equal.
void select(PanelEdit* box, int anchor, int position) {
    QTextCursor cursor(box->document());
    cursor.setPosition(anchor);
    cursor.setPosition(position, QTextCursor::KeepAnchor);
    box->setTextCursor(cursor);
}

QAction* entry(frmSnibbet::Panel& panel, const QString& name) {
    return name == "cut" ? panel.cut : name == "copy" ? panel.copy : panel.paste;
}

}  // namespace

class TestClipboard : public QObject {
    Q_OBJECT
private slots:
    void init() { QGuiApplication::clipboard()->clear(); }
    void rightButtonReleaseOpensThatPanelsMenu_data();
    void rightButtonReleaseOpensThatPanelsMenu();
    void cutAndCopy_data();
    void cutAndCopy();
    void pasteOnlySendsShiftInsert();
    void keystrokesGoToTheMenusOwnPanel_data();
    void keystrokesGoToTheMenusOwnPanel();
    void clearAllEmptiesThePanelAndSavesAtTheNextFocusLoss_data();
    void clearAllEmptiesThePanelAndSavesAtTheNextFocusLoss();
    void menuOpenedOverAPanelActsOnThatPanel_data();
    void menuOpenedOverAPanelActsOnThatPanel();
};

void TestClipboard::rightButtonReleaseOpensThatPanelsMenu_data() {
    QTest::addColumn<int>("panel");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<QStringList>("opened");
    QTest::newRow("code, right") << 0 << Qt::RightButton << QStringList{"mnuCode"};
    QTest::newRow("declarations, right") << 1 << Qt::RightButton << QStringList{"mnuDeclares"};
    QTest::newRow("notes, right") << 2 << Qt::RightButton << QStringList{"mnuNotes"};
    QTest::newRow("code, left") << 0 << Qt::LeftButton << QStringList{};
    QTest::newRow("notes, middle") << 2 << Qt::MiddleButton << QStringList{};
}

void TestClipboard::rightButtonReleaseOpensThatPanelsMenu() {
    QFETCH(int, panel);
    QFETCH(Qt::MouseButton, button);
    QFETCH(QStringList, opened);
    WindowFixture f;
    frmSnibbet& w = startOnX(f);
    QTest::mousePress(w.panels[panel].box->viewport(), button);
    QVERIFY(f.fake.popups.isEmpty());  // not on the press
    QTest::mouseRelease(w.panels[panel].box->viewport(), button);
    QCOMPARE(f.fake.popups, opened);
}

void TestClipboard::cutAndCopy_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("anchor");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("caret");
    QTest::newRow("cut a word") << "cut"
                                << "alpha beta gamma" << 6 << 10 << "beta"
                                << "alpha  gamma" << 6;
    QTest::newRow("copy a word") << "copy"
                                 << "alpha beta gamma" << 6 << 10 << "beta"
                                 << "alpha beta gamma" << 10;
    QTest::newRow("copy across lines, selected backwards") << "copy"
                                                           << "one\ntwo\nthree" << 6 << 2 << "e\ntw"
                                                           << "one\ntwo\nthree" << 6;
    QTest::newRow("cut across lines") << "cut"
                                      << "one\ntwo\nthree" << 2 << 6 << "e\ntw"
                                      << "ono\nthree" << 2;
    QTest::newRow("cut with nothing selected") << "cut"
                                               << "alpha" << 2 << 2 << ""
                                               << "alpha" << 2;
    QTest::newRow("copy with nothing selected") << "copy"
                                                << "alpha" << 2 << 2 << ""
                                                << "alpha" << 2;
}

void TestClipboard::cutAndCopy() {
    QFETCH(QString, command);
    QFETCH(QString, text);
    QFETCH(int, anchor);
    QFETCH(int, position);
    QFETCH(QString, selected);
    QFETCH(QString, after);
    QFETCH(int, caret);
    WindowFixture f;
    frmSnibbet& w = f.start();
    QGuiApplication::clipboard()->setText("left over");
    WindowFixture::typeInto(w.rTxtDeclares, text);
    w.rTxtDeclares->markChanged(false);
    select(w.rTxtDeclares, anchor, position);
    entry(w.panels[1], command)->trigger();
    deliverQueuedKeys();

    QCOMPARE(f.fake.clipboardCalls, (QStringList{"Clear", "SetText:" + selected}));
    // Copy is done directly: the text is not cut and pasted back, so it stays unchanged.
    QCOMPARE(f.fake.keys, command == "cut" ? QStringList{"+{Delete}"} : QStringList{});
    QCOMPARE(w.rTxtDeclares->isChanged(), after != text);
    QCOMPARE(w.rTxtDeclares->toPlainText(), after);
    QVERIFY(!w.rTxtDeclares->textCursor().hasSelection());
    QCOMPARE(w.rTxtDeclares->textCursor().position(), caret);
    QCOMPARE(QGuiApplication::clipboard()->text(), selected);
}

void TestClipboard::pasteOnlySendsShiftInsert() {
    WindowFixture f;
    frmSnibbet& w = f.start();
    QGuiApplication::clipboard()->setText("PASTED");
    WindowFixture::typeInto(w.rTxtNotes, "ab");
    select(w.rTxtNotes, 1, 1);
    w.panels[2].paste->trigger();
    deliverQueuedKeys();
    QCOMPARE(f.fake.keys, QStringList{"+{INSERT}"});
    QVERIFY(f.fake.clipboardCalls.isEmpty());
    QCOMPARE(w.rTxtNotes->toPlainText(), "aPASTEDb");
    QCOMPARE(QGuiApplication::clipboard()->text(), "PASTED");
}

// The code panel's menu is used while the notes panel or the item list has
// the focus: only the code panel changes, and the focus stays where it was.
void TestClipboard::keystrokesGoToTheMenusOwnPanel_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("focusInNotes");  // or in the item list
    QTest::addColumn<QString>("code");
    for (bool notes : {true, false}) {
        const char* where = notes ? "notes panel focused" : "item list focused";
        QTest::addRow("cut, %s", where) << "cut" << notes << "code ";
        QTest::addRow("copy, %s", where) << "copy" << notes << "code x";
        QTest::addRow("paste, %s", where) << "paste" << notes << "code xP";
    }
}

void TestClipboard::keystrokesGoToTheMenusOwnPanel() {
    QFETCH(QString, command);
    QFETCH(bool, focusInNotes);
    QFETCH(QString, code);
    WindowFixture f;
    frmSnibbet& w = startOnX(f);
    QGuiApplication::clipboard()->setText("P");
    select(w.rTxtCode, command == "paste" ? 6 : 5, 6);
    QWidget* focused = focusInNotes ? static_cast<QWidget*>(w.rTxtNotes) : w.cboItems;
    QTest::mouseClick(focusInNotes ? w.rTxtNotes->viewport() : w.cboItems->lineEdit(),
                      Qt::LeftButton);
    QVERIFY(focused->hasFocus());
    entry(w.panels[0], command)->trigger();
    deliverQueuedKeys();
    QCOMPARE(w.rTxtCode->toPlainText(), code);
    QCOMPARE(w.rTxtNotes->toPlainText(), "notes x");
    QCOMPARE(w.cboItems->currentText(), "x");
    QVERIFY(focused->hasFocus());
}

// Clear All is one step, like cutting everything: undo brings the text back,
// and then leaving the panel writes nothing.
void TestClipboard::clearAllEmptiesThePanelAndSavesAtTheNextFocusLoss_data() {
    QTest::addColumn<QStringList>("keys");  // pressed after Clear All
    QTest::addColumn<QString>("shown");     // then, and stored after leaving
    QTest::newRow("cleared") << QStringList{} << "";
    QTest::newRow("cleared, undone") << QStringList{"Ctrl+Z"} << "code x";
    QTest::newRow("cleared, undone, redone") << QStringList{"Ctrl+Z", "Ctrl+Shift+Z"} << "";
}

void TestClipboard::clearAllEmptiesThePanelAndSavesAtTheNextFocusLoss() {
    QFETCH(QStringList, keys);
    QFETCH(QString, shown);
    WindowFixture f;
    frmSnibbet& w = startOnX(f);
    clickInto(w.rTxtCode);
    w.panels[0].clearAll->trigger();
    QCOMPARE(f.panelTexts(), (QStringList{"", "decl x", "notes x"}));
    COMPARE_ROWS(f.lib.rows("Items"), (QStringList{row("x"), row("y")}));
    for (const QString& key : keys)
        QTest::keySequence(w.rTxtCode, QKeySequence(key, QKeySequence::PortableText));
    QCOMPARE(w.rTxtCode->toPlainText(), shown);
    QCOMPARE(w.rTxtCode->isChanged(), shown.isEmpty());
    ctrlTab(w.rTxtCode);
    COMPARE_ROWS(f.lib.rows("Items"), (QStringList{row("x", 0, shown), row("y")}));
    QVERIFY(f.fake.messages.isEmpty());
}

// The whole road: a right click over the panel, then "Clear All" chosen in
// the menu that opened.
void TestClipboard::menuOpenedOverAPanelActsOnThatPanel_data() {
    QTest::addColumn<int>("panel");
    QTest::newRow("code") << 0;
    QTest::newRow("declarations") << 1;
    QTest::newRow("notes") << 2;
}

void TestClipboard::menuOpenedOverAPanelActsOnThatPanel() {
    QFETCH(int, panel);
    WindowFixture f;
    frmSnibbet& w = startOnX(f);
    f.fake.onPopup = [](QMenu& menu) {
        QCOMPARE(menu.actions()[4]->text(), "Clear All");
        menu.actions()[4]->trigger();
    };
    QTest::mouseClick(w.panels[panel].box->viewport(), Qt::RightButton);
    QCOMPARE(f.fake.popups, QStringList{w.panels[panel].menu->objectName()});
    QStringList texts{"code x", "decl x", "notes x"};
    texts[panel].clear();
    QCOMPARE(f.panelTexts(), texts);
}

QTEST_MAIN(TestClipboard)
#include "tst_clipboard.moc"
