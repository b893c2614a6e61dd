#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

#include "mainwindow/PanelEdit.h"
#include "platform/Twips.h"
#include "support/WindowFixture.h"

class TestLayout : public QObject {
    Q_OBJECT
private slots:
    void menuBarReadsCategoriesItemsInstructions();
    void contextMenusAreNeverOnTheBar();
    void captionsHaveNoAccessKeysAndEntriesNoShortcuts();
    void controlsSitWhereTheLayoutPutsThem_data();
    void controlsSitWhereTheLayoutPutsThem();
    void labelsReadTheirHeadings();
    void tabOrderRunsFromExitToTheItemList();
    void enlargingTheWindowMovesNothing();
    void everyControlHasAnAccessibleName();
    void exitButtonIsLightGrey();
};

void TestLayout::menuBarReadsCategoriesItemsInstructions() {
    WindowFixture f;
    frmSnibbet& w = f.start();
    QStringList bar;
    for (QAction* a : w.menuBar()->actions()) bar << a->text();
    QCOMPARE(bar, (QStringList{"Categories", "Items", "Instructions"}));
    QVERIFY(w.mnuInstructions->menu() == nullptr);  // it runs at once
    QStringList entries;
    for (QMenu* menu : {w.mnuCategory, w.mnuItems})
        for (QAction* a : menu->actions()) entries << a->text();
    QCOMPARE(entries, (QStringList{"Add", "Delete", "Rename", "Add", "Delete", "Rename"}));
}

void TestLayout::contextMenusAreNeverOnTheBar() {
    WindowFixture f;
    frmSnibbet& w = f.start();
    for (QMenu* menu : {w.mnuCode, w.mnuDeclares, w.mnuNotes}) {
        QVERIFY(!w.menuBar()->actions().contains(menu->menuAction()));
        QStringList entries;
        for (QAction* a : menu->actions()) entries << a->text();
        QCOMPARE(entries, (QStringList{"Cut", "Copy", "Paste", "Print", "Clear All"}));
    }
    QCOMPARE(w.mnuCode->title(), "Code");
    QCOMPARE(w.mnuDeclares->title(), "Declares");
    QCOMPARE(w.mnuNotes->title(), "Notes");
}

void TestLayout::captionsHaveNoAccessKeysAndEntriesNoShortcuts() {
    WindowFixture f;
    frmSnibbet& w = f.start();
    const QList<QAction*> actions = w.findChildren<QAction*>();
    QVERIFY(actions.size() >= 22);
    for (QAction* a : actions) {
        QVERIFY2(!a->text().contains('&'), qPrintable(a->text()));
        QVERIFY2(a->shortcut().isEmpty(), qPrintable(a->text()));
        QVERIFY2(a->isEnabled(), qPrintable(a->text()));
    }
    QVERIFY(!w.cmdExit->text().contains('&'));
}

void TestLayout::controlsSitWhereTheLayoutPutsThem_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");
    QTest::newRow("cboItems") << "cboItems" << QRect(3120, 855, 2925, 315);
    QTest::newRow("cboCategory") << "cboCategory" << QRect(120, 855, 2925, 315);
    QTest::newRow("rTxtNotes") << "rTxtNotes" << QRect(6285, 1485, 2550, 3045);
    QTest::newRow("rTxtDeclares") << "rTxtDeclares" << QRect(105, 4755, 8715, 1275);
    QTest::newRow("rTxtCode") << "rTxtCode" << QRect(105, 1500, 6075, 3030);
    QTest::newRow("cmdExit") << "cmdExit" << QRect(150, 15, 735, 495);
}

void TestLayout::controlsSitWhereTheLayoutPutsThem() {
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    WindowFixture f;
    frmSnibbet& w = f.start();
    auto* control = w.findChild<QWidget*>(name);
    QVERIFY(control);
    QCOMPARE(control->geometry(),
             platform::twips::toPixels(twips.x(), twips.y(), twips.width(), twips.height()));
    QCOMPARE(w.centralWidget()->size(),
             QSize(platform::twips::toPixels(8910), platform::twips::toPixels(6090)));
}

void TestLayout::labelsReadTheirHeadings() {
    WindowFixture f;
    frmSnibbet& w = f.start();
    const QStringList captions{
        "Code:", "Notes:", "API and DLL Declarations:", "Category:", "Item:"};
    const QList<QPoint> at{{135, 1290}, {6270, 1290}, {120, 4545}, {120, 600}, {3135, 600}};
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(w.lblStatic[i]->text(), captions[i]);
        QCOMPARE(w.lblStatic[i]->pos(), QPoint(platform::twips::toPixels(at[i].x()),
                                               platform::twips::toPixels(at[i].y())));
        // Never clipped, whatever the desktop's font.
        QVERIFY(w.lblStatic[i]->width() >= w.lblStatic[i]->sizeHint().width());
    }
}

// Pressed for real: Tab from the button and the lists, Ctrl+Tab from the
// panels (where Tab types a tab into the code).
void TestLayout::tabOrderRunsFromExitToTheItemList() {
    WindowFixture f;
    frmSnibbet& w = f.start();
    w.cmdExit->setFocus(Qt::TabFocusReason);
    QList<QWidget*> order{w.cmdExit};
    for (int i = 0; i < 6; ++i) {
        QWidget* focused = QApplication::focusWidget();
        const bool panel = qobject_cast<PanelEdit*>(focused) != nullptr;
        QTest::keyClick(focused, Qt::Key_Tab, panel ? Qt::ControlModifier : Qt::NoModifier);
        QWidget* now = QApplication::focusWidget();
        order << (now && now->parentWidget() != w.centralWidget() ? now->parentWidget() : now);
    }
    QCOMPARE(order, (QList<QWidget*>{w.cmdExit, w.rTxtCode, w.rTxtDeclares, w.rTxtNotes,
                                     w.cboCategory, w.cboItems, w.cmdExit}));
    for (QLabel* label : w.lblStatic) QCOMPARE(label->focusPolicy(), Qt::NoFocus);
}

void TestLayout::enlargingTheWindowMovesNothing() {
    WindowFixture f;
    frmSnibbet& w = f.start();
    QList<QRect> before;
    const QList<QWidget*> controls =
        w.centralWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* c : controls) before << c->geometry();
    w.resize(w.width() + 300, w.height() + 200);
    QTest::qWait(20);
    for (int i = 0; i < controls.size(); ++i) QCOMPARE(controls[i]->geometry(), before[i]);
}

void TestLayout::everyControlHasAnAccessibleName() {
    WindowFixture f;
    frmSnibbet& w = f.start();
    QCOMPARE(w.cboCategory->accessibleName(), "Category");
    QCOMPARE(w.cboItems->accessibleName(), "Item");
    QCOMPARE(w.rTxtCode->accessibleName(), "Code");
    QCOMPARE(w.rTxtNotes->accessibleName(), "Notes");
    QCOMPARE(w.rTxtDeclares->accessibleName(), "API and DLL Declarations");
    QCOMPARE(w.cmdExit->accessibleName(), "Exit");
    QCOMPARE(w.windowTitle(), "Snibbet");
    QVERIFY(!w.windowIcon().isNull());
    QCOMPARE(w.windowIcon().availableSizes().value(0), QSize(32, 32));
}

void TestLayout::exitButtonIsLightGrey() {
    WindowFixture f;
    frmSnibbet& w = f.start();
    QCOMPARE(w.cmdExit->palette().color(QPalette::Button), QColor(192, 192, 192));
    QCOMPARE(w.cmdExit->font().pointSizeF(), 8.25);
    QCOMPARE(w.rTxtCode->document()->defaultFont().pointSizeF(), 8.5);
}

QTEST_MAIN(TestLayout)
#include "tst_layout.moc"
