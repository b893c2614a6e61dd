#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QTest>

#include "instructions/frmInstructions.h"
#include "platform/Placement.h"
#include "platform/Twips.h"
#include "support/WindowFixture.h"

class TestInstructions : public QObject {
    Q_OBJECT
private slots:
    void textsAreWrittenAtActivationExactly();
    void labelsSitAtTheirPlaces();
    void atMostOneWindowNotMovedWhenShownAgain();
    void reopenedWindowIsPlacedAgain();
    void placedAtOneThirdEvenOffTheScreen();
    void mainWindowStaysUsable();
};

namespace {

QList<frmInstructions*> instructionsWindows() {
    QList<frmInstructions*> found;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* help = qobject_cast<frmInstructions*>(top); help && help->isVisible())
            found << help;
    return found;
}

frmInstructions* open(frmSnibbet& w) {
    w.mnuInstructions->trigger();
    const QList<frmInstructions*> windows = instructionsWindows();
    if (windows.size() != 1) return nullptr;
    QApplication::setActiveWindow(windows[0]);
    if (!QTest::qWaitForWindowActive(windows[0]))
        qWarning("the instructions window did not become active");
    return windows[0];
}

void closeAll() {
    for (frmInstructions* help : instructionsWindows()) help->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace

void TestInstructions::textsAreWrittenAtActivationExactly() {
    WindowFixture f;
    frmSnibbet& w = f.start();
    frmInstructions* help = open(w);
    QVERIFY(help);
    const QStringList expected{
        "Thank you for using the Snibbet.",
        "Step 1: Click on the Categories menu item and enter a name for a code category.  When "
        "finished, "
        "select the category you just created in the Category combo box...",
        "Step 2: Click on the Items menu item and enter a name for this specific code item. When "
        "finished, "
        "select the item you just created in the Item combo box...",
        "Step 3: Enter the code, declarations, and any notes you want to keep in the applicable "
        "panels...",
        "Note:  Your your right mouse key on any of the panels to bring up the Copy/Paste command "
        "menus...",
    };
    for (int i = 0; i < 5; ++i) QCOMPARE(help->lblStatic[i]->text(), expected[i]);
    QCOMPARE(help->windowTitle(), "Instructions");
    QVERIFY(!help->windowIcon().isNull());
    closeAll();
}

void TestInstructions::labelsSitAtTheirPlaces() {
    WindowFixture f;
    frmInstructions* help = open(f.start());
    QVERIFY(help);
    const int tops[5] = {270, 750, 1350, 1935, 2535};
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(help->lblStatic[i]->geometry(),
                 platform::twips::toPixels(165, tops[i], 8460, 450));
        QVERIFY(help->lblStatic[i]->wordWrap());
        // Two lines' room is enough for every text at this font.
        QVERIFY(help->lblStatic[i]->heightForWidth(help->lblStatic[i]->width()) <=
                help->lblStatic[i]->height());
    }
    QCOMPARE(help->size(), QSize(platform::twips::toPixels(8850), platform::twips::toPixels(3075)));
    closeAll();
}

void TestInstructions::atMostOneWindowNotMovedWhenShownAgain() {
    WindowFixture f;
    frmSnibbet& w = f.start();
    frmInstructions* help = open(w);
    QVERIFY(help);
    help->move(help->pos() + QPoint(40, 30));
    const QPoint movedTo = help->pos();
    QCOMPARE(open(w), help);
    QCOMPARE(instructionsWindows().size(), 1);
    QCOMPARE(help->pos(), movedTo);
    closeAll();
}

void TestInstructions::reopenedWindowIsPlacedAgain() {
    WindowFixture f;
    frmSnibbet& w = f.start();
    frmInstructions* help = open(w);
    QVERIFY(help);
    QVERIFY(WindowFixture::placedByTheRule(f.fake.screen, *help, 3.0f));
    const QPoint placed = help->pos();
    help->move(placed + QPoint(100, 100));
    closeAll();
    QVERIFY(instructionsWindows().isEmpty());
    help = open(w);
    QVERIFY(help);
    QVERIFY(WindowFixture::placedByTheRule(f.fake.screen, *help, 3.0f));
    QCOMPARE(help->pos(), placed);
    closeAll();
}

void TestInstructions::placedAtOneThirdEvenOffTheScreen() {
    WindowFixture f;
    f.fake.screen = QSizeF(6000, 3000);  // narrower and lower than the window
    frmInstructions* help = open(f.start());
    QVERIFY(help);
    QVERIFY(WindowFixture::placedByTheRule(f.fake.screen, *help, 3.0f));
    QVERIFY(help->frameGeometry().x() < 0 && help->frameGeometry().y() < 0);
    closeAll();
}

void TestInstructions::mainWindowStaysUsable() {
    WindowFixture f;
    f.lib.addCategory("c");
    frmSnibbet& w = f.start();
    QVERIFY(open(w));
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    f.chooseCategory("c");
    f.fake.inputAnswers << "new";
    w.mnuAddCat->trigger();
    QVERIFY(f.lib.rows("Category").contains("new"));
    closeAll();
}

QTEST_MAIN(TestInstructions)
#include "tst_instructions.moc"
