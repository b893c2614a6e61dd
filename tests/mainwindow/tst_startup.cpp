#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QTest>

#include "instructions/frmInstructions.h"
#include "mainwindow/PanelEdit.h"
#include "platform/Placement.h"
#include "platform/Twips.h"
#include "store/Library.h"
#include "support/WindowFixture.h"

using platform::MousePointer;

namespace {

frmInstructions* instructionsWindow() {
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* help = qobject_cast<frmInstructions*>(top)) return help;
    return nullptr;
}

}  // namespace

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void missingLibraryIsOfferedAndCreated();
    void missingLibraryDeclinedEndsWithoutAFile();
    void brokenLibraryIsReportedBeforeAnyWindow_data();
    void brokenLibraryIsReportedBeforeAnyWindow();
    void emptyLibraryComesUpEmpty();
    void firstActivationListsCategoriesInStoredOrder();
    void returningFromInstructionsRepeatsNothing();
    void placementArithmetic_data();
    void placementArithmetic();
    void windowIsCentredOnTheScreen();
    void closingTidiesTheLibraryUnderTheHourglass_data();
    void closingTidiesTheLibraryUnderTheHourglass();
    void closingLeavesTheInstructionsWindowOpen();
    void aFailureIsReportedAndEndsWithoutTidyUp();
};

void TestStartup::missingLibraryIsOfferedAndCreated() {
    WindowFixture f;
    QFile::remove(f.lib.path());
    f.fake.yesNoAnswers << true;
    frmSnibbet& w = f.start();
    QCOMPARE(f.fake.questions.size(), 1);
    QVERIFY(f.fake.questions[0].text.contains(f.lib.folder()));
    QVERIFY(QFile::exists(f.lib.path()));
    QVERIFY(w.isVisible());
    QCOMPARE(w.cboCategory->count(), 0);
}

void TestStartup::missingLibraryDeclinedEndsWithoutAFile() {
    WindowFixture f;
    QFile::remove(f.lib.path());
    f.fake.yesNoAnswers << false;
    QVERIFY(startSnibbet(f.lib.folder(), f.fake) == nullptr);
    QVERIFY(!QFile::exists(f.lib.path()));
    QVERIFY(f.fake.messages.isEmpty());
}

void TestStartup::brokenLibraryIsReportedBeforeAnyWindow_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("saying");
    QTest::newRow("not a database") << QByteArray("notes, not a library") << "9002";
    // Access databases, of either format, are looked at before anything else
    // (tst_mainwindow_conversion).
}

void TestStartup::brokenLibraryIsReportedBeforeAnyWindow() {
    QFETCH(QByteArray, content);
    QFETCH(QString, saying);
    WindowFixture f;
    QFile file(f.lib.path());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
    file.close();
    QVERIFY(startSnibbet(f.lib.folder(), f.fake) == nullptr);
    QCOMPARE(f.fake.messages.size(), 1);
    QCOMPARE(f.fake.messages[0].title, "Snibbet");
    QVERIFY2(f.fake.messages[0].text.contains(saying), qPrintable(f.fake.messages[0].text));
    QVERIFY(f.fake.messages[0].text.contains("(Error 900"));
    QVERIFY(
        QApplication::topLevelWidgets().isEmpty() ||
        std::none_of(QApplication::topLevelWidgets().begin(), QApplication::topLevelWidgets().end(),
                     [](QWidget* w) { return qobject_cast<frmSnibbet*>(w) && w->isVisible(); }));
}

void TestStartup::emptyLibraryComesUpEmpty() {
    WindowFixture f;
    frmSnibbet& w = f.start();
    QCOMPARE(w.cboCategory->count(), 0);
    QCOMPARE(w.cboItems->count(), 0);
    QCOMPARE(f.panelTexts(), (QStringList{"", "", ""}));
    QVERIFY(f.fake.messages.isEmpty());
}

void TestStartup::firstActivationListsCategoriesInStoredOrder() {
    WindowFixture f;
    for (const char* c : {"zeta", "Alpha", "it's"}) f.lib.addCategory(c);
    frmSnibbet& w = f.start();
    QCOMPARE(WindowFixture::entries(w.cboCategory), (QStringList{"zeta", "Alpha", "it's"}));
    QCOMPARE(w.cboCategory->currentText(), QString());  // nothing chosen
    QCOMPARE(w.cboItems->count(), 0);
}

void TestStartup::returningFromInstructionsRepeatsNothing() {
    WindowFixture f;
    f.lib.addCategory("one");
    f.lib.addCategory("two");
    frmSnibbet& w = f.start();
    f.chooseCategory("two");
    for (int round = 0; round < 2; ++round) {
        w.mnuInstructions->trigger();
        frmInstructions* help = instructionsWindow();
        QVERIFY(help);
        QApplication::setActiveWindow(help);
        QVERIFY(QTest::qWaitForWindowActive(help));
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
    }
    QCOMPARE(WindowFixture::entries(w.cboCategory), (QStringList{"one", "two"}));
    QCOMPARE(w.cboCategory->currentText(), "two");  // the choice survives
}

void TestStartup::placementArithmetic_data() {
    QTest::addColumn<QSizeF>("screen");
    QTest::addColumn<QSizeF>("window");
    QTest::addColumn<float>("divisor");
    QTest::addColumn<QPointF>("expected");
    QTest::newRow("instructions example")
        << QSizeF(9600, 7200) << QSizeF(9000, 3600) << 3.0f << QPointF(300, 600);
    QTest::newRow("main window centred")
        << QSizeF(9600, 7200) << QSizeF(9000, 3600) << 2.0f << QPointF(300, 1800);
    QTest::newRow("window wider than the screen")
        << QSizeF(6000, 7200) << QSizeF(9000, 3600) << 2.0f << QPointF(-1500, 1800);
    QTest::newRow("odd twips keep their halves")
        << QSizeF(15361, 11521) << QSizeF(8911, 6091) << 2.0f << QPointF(3225, 2715);
    QTest::newRow("one third, taller than the screen")
        << QSizeF(9000, 3000) << QSizeF(9000, 4000) << 3.0f << QPointF(0, -1000);
}

void TestStartup::placementArithmetic() {
    QFETCH(QSizeF, screen);
    QFETCH(QSizeF, window);
    QFETCH(float, divisor);
    QFETCH(QPointF, expected);
    QCOMPARE(platform::placement::position(screen, window, divisor), expected);
}

// By its outer size, the desktop's frame included, as a window larger than the
// screen too.
void TestStartup::windowIsCentredOnTheScreen() {
    WindowFixture f;
    f.fake.screen = QSizeF(7200, 5000);  // smaller than the window: a negative left
    frmSnibbet& w = f.start();
    QVERIFY(WindowFixture::placedByTheRule(f.fake.screen, w, 2.0f));
    QVERIFY(w.frameGeometry().x() < 0);
}

void TestStartup::closingTidiesTheLibraryUnderTheHourglass_data() {
    QTest::addColumn<bool>("byExitButton");
    QTest::newRow("close box") << false;
    QTest::newRow("Exit button") << true;
}

void TestStartup::closingTidiesTheLibraryUnderTheHourglass() {
    QFETCH(bool, byExitButton);
    WindowFixture f;
    f.lib.addCategory("b");
    f.lib.addCategory("");
    f.lib.addCategory("A");
    f.lib.addItem("b", "y");
    f.lib.addItem("b", "");
    f.lib.addItem("A", "x");
    frmSnibbet& w = f.start();
    if (byExitButton)
        QTest::mouseClick(w.cmdExit, Qt::LeftButton);
    else
        f.close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!f.window);  // released
    QCOMPARE(f.fake.pointers,
             (QList<MousePointer>{MousePointer::Hourglass, MousePointer::Default}));
    QCOMPARE(f.lib.rows("Category"), (QStringList{"A", "b"}));
    QCOMPARE(f.lib.rows("Items"), (QStringList{"A|x|||", "b|y|||"}));
    // The next start lists the categories sorted.
    QCOMPARE(WindowFixture::entries(f.start().cboCategory), (QStringList{"A", "b"}));
}

void TestStartup::closingLeavesTheInstructionsWindowOpen() {
    WindowFixture f;
    f.lib.addCategory("b");
    f.lib.addCategory("a");
    frmSnibbet& w = f.start();
    w.mnuInstructions->trigger();
    QPointer<frmInstructions> help = instructionsWindow();
    QVERIFY(help && help->isVisible());
    f.close();
    QVERIFY(!f.window);
    QVERIFY(help && help->isVisible());
    QCOMPARE(f.lib.rows("Category"), (QStringList{"a", "b"}));
    help->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!help);
}

// A library that goes wrong under a handler: the user is told the error's
// number and text, the program ends, and nothing is rewritten at close.
void TestStartup::aFailureIsReportedAndEndsWithoutTidyUp() {
    WindowFixture f;
    f.lib.addCategory("b");
    f.lib.addCategory("a");
    f.lib.addItem("b", "one", "code");
    frmSnibbet& w = f.start();
    f.chooseCategory("b");
    f.lib.exec(
        "DROP TABLE Items; CREATE TABLE Items (Category TEXT)");  // the file changes under us
    f.chooseItem("one");
    QCOMPARE(f.fake.messages.size(), 1);
    QCOMPARE(f.fake.messages[0].title, "Snibbet");
    QVERIFY2(f.fake.messages[0].text.contains("(Error "), qPrintable(f.fake.messages[0].text));
    QCOMPARE(f.fake.endedWith, QList<int>{1});
    w.close();
    QVERIFY(f.fake.pointers.isEmpty());
    QCOMPARE(f.lib.rows("Category"), (QStringList{"b", "a"}));  // not re-sorted
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
