#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QHash>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStyleHints>
#include <QTextBlock>
#include <QTimer>
#include <csignal>

#include "mainwindow/panels/PanelSupport.h"
#include "platform/Termination.h"
#include "store/engine/Connection.h"

using namespace panelsupport;

namespace {

// True when any character of the panel is bold, italic or underlined.
bool showsFormatting(const QTextDocument* document) {
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (format.fontWeight() > QFont::Normal || format.fontItalic() ||
                format.fontUnderline())
                return true;
        }
    return false;
}

}  // namespace

class TestSaving : public QObject {
    Q_OBJECT
private slots:
    void leavingForAnotherControlSaves_data();
    void leavingForAnotherControlSaves();
    void passingInterruptionsAreNoSavePoint_data();
    void passingInterruptionsAreNoSavePoint();
    void choosingAnotherItemSavesIntoTheOneEdited();
    void missingSelectionCautionsAndKeepsTheTyping_data();
    void missingSelectionCautionsAndKeepsTheTyping();
    void typingNoItemTookSurvivesEveryWayOut_data();
    void typingNoItemTookSurvivesEveryWayOut();
    void leavingWithoutChangeWritesNothing();
    void emptyNotesAreStoredAsEmptyText_data();
    void emptyNotesAreStoredAsEmptyText();
    void formattedTextIsStoredAndShownPlain_data();
    void formattedTextIsStoredAndShownPlain();
    void typedItemNameNeverReceivesAnotherRowsText_data();
    void typedItemNameNeverReceivesAnotherRowsText();
    void failedSaveKeepsTheRowAndEndsTheProgram();
    void closingWithTheCloseBoxSavesTheEditedPanel_data();
    void closingWithTheCloseBoxSavesTheEditedPanel();
    void everyWayOfEndingSavesTheTyping_data();
    void everyWayOfEndingSavesTheTyping();
    void aTextNoItemCanTakeIsKeptAtClose_data();
    void aTextNoItemCanTakeIsKeptAtClose();
    void aVisitLeavesTheStoredTextAsItWas_data();
    void aVisitLeavesTheStoredTextAsItWas();
    void aRowMovedByAnotherProgramReceivesNothing();
    void editsKeepEveryOtherLineEnd_data();
    void editsKeepEveryOtherLineEnd();
};

void TestSaving::leavingForAnotherControlSaves_data() {
    QTest::addColumn<int>("panel");
    QTest::addColumn<QString>("way");
    QTest::newRow("code, click into notes") << 0 << "click next panel";
    QTest::newRow("declarations, click into notes") << 1 << "click next panel";
    QTest::newRow("notes, click into code") << 2 << "click next panel";
    QTest::newRow("declarations, Ctrl+Tab to notes") << 1 << "Ctrl+Tab";
    QTest::newRow("notes, Ctrl+Tab to category list") << 2 << "Ctrl+Tab";
    QTest::newRow("code, Ctrl+Shift+Tab to Exit") << 0 << "Ctrl+Shift+Tab";
    QTest::newRow("declarations, click into category list") << 1 << "click category list";
    QTest::newRow("notes, click on Exit") << 2 << "click Exit";
}

void TestSaving::leavingForAnotherControlSaves() {
    QFETCH(int, panel);
    QFETCH(QString, way);
    WindowFixture f;
    frmSnibbet& w = startOnX(f);
    PanelEdit* box = w.panels[panel].box;
    clickInto(box);
    QTest::keyClicks(box, " edited");
    COMPARE_ROWS(f.lib.rows("Items"),
                 (QStringList{row("x"), row("y")}));  // typing alone saves nothing

    if (way == "click next panel")
        QTest::mouseClick(w.panels[(panel + 1) % 3].box->viewport(), Qt::LeftButton);
    else if (way == "Ctrl+Tab")
        ctrlTab(box);
    else if (way == "Ctrl+Shift+Tab")
        QTest::keyClick(box, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    else if (way == "click category list")
        QTest::mouseClick(w.cboCategory->lineEdit(), Qt::LeftButton);
    else if (way == "click Exit")
        QTest::mouseClick(w.cmdExit, Qt::LeftButton);

    if (f.window)
        QVERIFY(!box->hasFocus());
    else
        QVERIFY(way == "click Exit");  // the window closed after the save
    const QString old = QStringList{"code x", "decl x", "notes x"}[panel];
    COMPARE_ROWS(f.lib.rows("Items"), (QStringList{row("x", panel, old + " edited"), row("y")}));
    QVERIFY(f.fake.messages.isEmpty());
}

// The focus leaves for real and comes back; the text is saved only when the
// user then moves on to another control.
void TestSaving::passingInterruptionsAreNoSavePoint_data() {
    QTest::addColumn<QString>("interruption");
    QTest::addColumn<int>("reason");
    QTest::newRow("panel's context menu") << "context menu" << int(Qt::PopupFocusReason);
    QTest::newRow("menu of the menu bar") << "bar menu" << int(Qt::PopupFocusReason);
    QTest::newRow("menu bar takes the keyboard") << "menu bar" << int(Qt::MenuBarFocusReason);
    QTest::newRow("another window") << "window" << int(Qt::ActiveWindowFocusReason);
    QTest::newRow("modal box") << "modal" << int(Qt::ActiveWindowFocusReason);
}

void TestSaving::passingInterruptionsAreNoSavePoint() {
    QFETCH(QString, interruption);
    QFETCH(int, reason);
    WindowFixture f;
    frmSnibbet& w = startOnX(f);
    clickInto(w.rTxtCode);
    QTest::keyClicks(w.rTxtCode, " edited");
    QSignalSpy left(w.rTxtCode, &PanelEdit::focusLost);

    if (interruption == "context menu" || interruption == "bar menu") {
        QMenu* menu = interruption == "context menu" ? w.mnuCode : w.mnuItems;
        menu->popup(w.mapToGlobal(QPoint(40, 40)));
        QVERIFY(QTest::qWaitForWindowExposed(menu));
        menu->close();
    } else if (interruption == "menu bar") {
        // A tap of Alt gives the bar the keyboard; Escape gives it back.
        QTest::keyClick(w.rTxtCode, Qt::Key_Alt);
        QTRY_COMPARE(QApplication::focusWidget(), w.menuBar());
        QTest::keyClick(w.menuBar(), Qt::Key_Escape);
    } else {
        QWidget other;
        if (interruption == "modal") other.setWindowModality(Qt::ApplicationModal);
        other.show();
        QApplication::setActiveWindow(&other);
        QTRY_VERIFY(!w.rTxtCode->hasFocus());
        other.close();
        QApplication::setActiveWindow(&w);
    }
    QTRY_VERIFY(w.rTxtCode->hasFocus());
    QCOMPARE(left.size(), 1);
    QCOMPARE(left[0][0].value<Qt::FocusReason>(), Qt::FocusReason(reason));
    COMPARE_ROWS(f.lib.rows("Items"), (QStringList{row("x"), row("y")}));

    ctrlTab(w.rTxtCode);
    COMPARE_ROWS(f.lib.rows("Items"), (QStringList{row("x", 0, "code x edited"), row("y")}));
}

// A click into the item list, then Down chooses "y": x receives the text
// typed while it was shown, and y's texts are shown untouched.
void TestSaving::choosingAnotherItemSavesIntoTheOneEdited() {
    WindowFixture f;
    frmSnibbet& w = startOnX(f);
    clickInto(w.rTxtNotes);
    QTest::keyClicks(w.rTxtNotes, " edited");
    QTest::mouseClick(w.cboItems->lineEdit(), Qt::LeftButton);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QCOMPARE(w.cboItems->currentText(), "y");
    COMPARE_ROWS(f.lib.rows("Items"), (QStringList{row("x", 2, "notes x edited"), row("y")}));
    QCOMPARE(f.panelTexts(), (QStringList{"code y", "decl y", "notes y"}));
}

void TestSaving::missingSelectionCautionsAndKeepsTheTyping_data() {
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QString>("typed");
    QTest::newRow("nothing chosen yet") << "nothing chosen"
                                        << "lost text";
    QTest::newRow("category chosen, no item") << "category only"
                                              << "lost text";
    QTest::newRow("category chosen, no item, empty panel") << "category only"
                                                           << "";
    QTest::newRow("category text erased") << "category erased"
                                          << "lost text";
    QTest::newRow("category without items, item name typed") << "no rows"
                                                             << "lost text";
    QTest::newRow("after adding an item") << "add item"
                                          << "lost text";
    QTest::newRow("after renaming the item") << "rename item"
                                             << "lost text";
    QTest::newRow("after deleting the item") << "delete item"
                                             << "lost text";
    QTest::newRow("after adding a category") << "add category"
                                             << "lost text";
    QTest::newRow("after renaming the category") << "rename category"
                                                 << "lost text";
    QTest::newRow("after deleting the category") << "delete category"
                                                 << "lost text";
}

// The caution keeps its words and nothing is written, and the panel is
// emptied; but typing the user made is first put on the clipboard and into a
// file, and the box says where.
void TestSaving::missingSelectionCautionsAndKeepsTheTyping() {
    QFETCH(QString, situation);
    QFETCH(QString, typed);
    WindowFixture f;
    f.lib.addCategory("Bare");  // a category without a single item
    startOnX(f);
    if (situation == "nothing chosen") f.restart();
    frmSnibbet& w = *f.window;
    if (situation == "category only") f.chooseCategory("Snippets");
    if (situation == "category erased") typeIntoList(w.cboCategory, QString());
    if (situation == "no rows") {
        f.chooseCategory("Bare");
        typeIntoList(w.cboItems, "ghost");
    }

    clickInto(w.rTxtDeclares);
    QTest::keyClicks(w.rTxtDeclares, typed);
    const QMap<QString, QAction*> commands{
        {"add item", w.mnuAddItem},          {"rename item", w.mnuRenameItem},
        {"delete item", w.mnuDeleteItem},    {"add category", w.mnuAddCat},
        {"rename category", w.mnuRenameCat}, {"delete category", w.mnuDeleteCat}};
    if (QAction* command = commands.value(situation)) {
        f.fake.inputAnswers << "Fresh";
        command->trigger();  // from the menu bar, while the panel keeps the focus
        QVERIFY(w.rTxtDeclares->hasFocus());
    }
    QVERIFY(f.fake.messages.isEmpty());
    const QStringList before = f.lib.rows("Items");

    const QString shown = w.rTxtDeclares->toPlainText();
    ctrlTab(w.rTxtDeclares);
    QCOMPARE(w.rTxtDeclares->toPlainText(), QString());
    COMPARE_ROWS(f.lib.rows("Items"), before);
    QCOMPARE(f.fake.messages.size(), 1);
    QCOMPARE(f.fake.messages[0].title, "Caution...");
    if (typed.isEmpty()) {
        QCOMPARE(f.fake.messages[0].text, kCaution);
        return;
    }
    const QDir backups(f.lib.folder() + "/Snibbet backups");
    const QStringList kept = backups.entryList({"Unsaved API and DLL Declarations text *.txt"});
    QCOMPARE(kept.size(), 1);
    QVERIFY2(f.fake.messages[0].text.startsWith(kCaution + "\n\n") &&
                 f.fake.messages[0].text.contains(backups.filePath(kept[0])),
             qPrintable(f.fake.messages[0].text));
    QFile file(backups.filePath(kept[0]));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(file.readAll()), shown);
    QCOMPARE(f.fake.clipboardCalls.last(), "SetText:" + shown);
}

// Every other way a save can leave the typing without an item: where it is
// afterwards, byte for byte. `inPanel`: the panel still shows it; `file`, the
// glob of a file in the backup folder that holds it, or holds the other
// program's text; `stored`: x's code afterwards.
void TestSaving::typingNoItemTookSurvivesEveryWayOut_data() {
    QTest::addColumn<QString>("way");
    QTest::addColumn<bool>("inPanel");  // the panel still shows it
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("fileHolds");
    QTest::addColumn<QString>("stored");
    QTest::newRow("a category typed, not chosen: kept when the list is then used")
        << "typed category" << false << "Unsaved Code text *.txt"
        << "code x typed"
        << "code x";
    QTest::newRow("a full disk: stays in the panel and on the clipboard")
        << "full disk" << true << ""
        << ""
        << "code x";
    QTest::newRow("another program changed the text: both kept")
        << "text changed" << true << "Code text of another program *.txt"
        << "theirs"
        << "code x typed";
    QTest::newRow("another program renamed the item: told once, kept")
        << "item renamed" << true << "Unsaved Code text *.txt"
        << "code x typed"
        << "code x";
    QTest::newRow("told to stop while the caution is open")
        << "signal during a box" << false << "Unsaved Code text *.txt"
        << "typed"
        << "code x";
}

void TestSaving::typingNoItemTookSurvivesEveryWayOut() {
    QFETCH(QString, way);
    QFETCH(bool, inPanel);
    QFETCH(QString, file);
    QFETCH(QString, fileHolds);
    QFETCH(QString, stored);
    WindowFixture f;
    f.lib.addCategory("Other");
    frmSnibbet& w = startOnX(f);
    if (way == "typed category") typeIntoList(w.cboCategory, "Other");
    if (way == "text changed") f.lib.exec("UPDATE Items SET Code = 'theirs' WHERE ItemName = 'x'");
    if (way == "item renamed") f.lib.exec("UPDATE Items SET ItemName = 'x2' WHERE ItemName = 'x'");
    if (way == "full disk")
        w.dbLibrary.database().exec(
            "PRAGMA max_page_count = " +
            std::to_string(w.dbLibrary.database().execAndGet("PRAGMA page_count").getInt()));
    if (way == "signal during a box") {
        f.restart();  // nothing chosen: the caution will come
        platform::quitOnTerminationRequest();
        f.fake.onMessage = [] { ::raise(SIGTERM); };
    }
    frmSnibbet& now = *f.window;
    const QString typed = way == "signal during a box" ? "typed" : "code x typed";
    clickInto(now.rTxtCode);
    QTest::keyClicks(now.rTxtCode, way == "signal during a box" ? "typed" : " typed");
    if (way == "full disk") QTest::keyClicks(now.rTxtCode, QString(20000, 'z'));
    const QString all = now.rTxtCode->toPlainText();

    ctrlTab(now.rTxtCode);
    QCOMPARE(f.fake.messages.size(), 1);
    QVERIFY(f.fake.endedWith.isEmpty());
    if (way == "typed category") {
        QVERIFY2(f.fake.messages[0].text.contains("last chosen from the Category list"),
                 qPrintable(f.fake.messages[0].text));
        QCOMPARE(now.rTxtCode->toPlainText(), typed);
        f.chooseCategory("Other");
        QCOMPARE(f.fake.messages.size(), 2);
        QCOMPARE(f.fake.clipboardCalls.last(), "SetText:" + typed);
    }
    if (way == "item renamed") {  // leaving again does not tell again
        clickInto(now.rTxtCode);
        ctrlTab(now.rTxtCode);
        QCOMPARE(f.fake.messages.size(), 1);
    }
    if (way == "signal during a box")
        QCoreApplication::exec();  // the request to stop, as the event loop sees it
    QCOMPARE(now.rTxtCode->toPlainText() == all, inPanel);
    if (way == "full disk" || way == "item renamed")
        QCOMPARE(f.fake.clipboardCalls.last(), "SetText:" + all);
    const QDir backups(f.lib.folder() + "/Snibbet backups");
    const QStringList kept = backups.entryList({file.isEmpty() ? "*.txt" : file});
    QCOMPARE(kept.size(), file.isEmpty() ? 0 : 1);
    if (!file.isEmpty()) {
        QFile keptFile(backups.filePath(kept[0]));
        QVERIFY(keptFile.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(keptFile.readAll()), fileHolds);
        QVERIFY(f.fake.messages.last().text.contains(backups.filePath(kept[0])));
    }
    const QString xRow =
        f.lib.rows("Items").filter(QRegularExpression("^Snippets\\|x2?\\|")).first();
    QCOMPARE(xRow.section('|', 2, 2), stored);
}

// The file is changed behind the program's back; passing through each panel
// without typing writes nothing: what the file holds stays.
void TestSaving::leavingWithoutChangeWritesNothing() {
    WindowFixture f;
    frmSnibbet& w = startOnX(f);
    f.lib.exec(
        "UPDATE Items SET Code = 'other', Declares = 'other', Notes = 'other' WHERE ItemName = "
        "'x'");
    clickInto(w.rTxtCode);
    for (PanelEdit* box : {w.rTxtCode, w.rTxtDeclares, w.rTxtNotes}) {
        QVERIFY(box->hasFocus());
        ctrlTab(box);
    }
    COMPARE_ROWS(f.lib.rows("Items"), (QStringList{"Snippets|x|other|other|other", row("y")}));
}

void TestSaving::emptyNotesAreStoredAsEmptyText_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("expected");
    QTest::newRow("notes erased") << "'notes x'"
                                  << "Snippets|x|code x|decl x|";
    // Erasing an empty panel changes nothing, so nothing is written.
    QTest::newRow("null notes passed through") << "NULL"
                                               << "Snippets|x|code x|decl x|<null>";
}

void TestSaving::emptyNotesAreStoredAsEmptyText() {
    QFETCH(QString, stored);
    QFETCH(QString, expected);
    WindowFixture f;
    f.lib.addCategory("Snippets");
    f.lib.exec("INSERT INTO Items VALUES ('Snippets', 'x', 'code x', 'decl x', " + stored + ")");
    frmSnibbet& w = f.start();
    f.chooseCategory("Snippets");
    f.chooseItem("x");
    clickInto(w.rTxtNotes);
    QTest::keyClick(w.rTxtNotes, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(w.rTxtNotes, Qt::Key_Delete);
    QTest::mouseClick(w.rTxtCode->viewport(), Qt::LeftButton);
    COMPARE_ROWS(f.lib.rows("Items"), (QStringList{expected}));
}

void TestSaving::formattedTextIsStoredAndShownPlain_data() {
    QTest::addColumn<bool>("pasted");
    QTest::newRow("inserted") << false;
    QTest::newRow("pasted from the clipboard") << true;
}

void TestSaving::formattedTextIsStoredAndShownPlain() {
    QFETCH(bool, pasted);
    const QString html = "<b>Bold</b> and <i>italic</i>";
    WindowFixture f;
    frmSnibbet& w = startOnX(f);
    clickInto(w.rTxtCode);
    QTest::keyClick(w.rTxtCode, Qt::Key_Return);
    if (pasted) {
        auto* data = new QMimeData;
        data->setHtml(html);
        data->setText("not this");
        QGuiApplication::clipboard()->setMimeData(data);
        w.panels[0].paste->trigger();
        deliverQueuedKeys();
    } else {
        w.rTxtCode->insertHtml(html);
    }
    QVERIFY(showsFormatting(w.rTxtCode->document()));  // what the user sees while editing

    ctrlTab(w.rTxtCode);
    COMPARE_ROWS(f.lib.rows("Items"),
                 (QStringList{row("x", 0, "code x\nBold and italic"), row("y")}));
    f.chooseItem("y");
    QVERIFY(!showsFormatting(w.rTxtCode->document()));
    f.chooseItem("x");
    QCOMPARE(w.rTxtCode->toPlainText(), "code x\nBold and italic");
    QVERIFY(!showsFormatting(w.rTxtCode->document()));
}

void TestSaving::typedItemNameNeverReceivesAnotherRowsText_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("saved");  // into x
    QTest::newRow("name of no item") << "zzz" << false;
    QTest::newRow("name of another category's item") << "w" << false;
    QTest::newRow("chosen item's name in other letter case") << "X" << true;
}

void TestSaving::typedItemNameNeverReceivesAnotherRowsText() {
    QFETCH(QString, typed);
    QFETCH(bool, saved);
    WindowFixture f;
    f.lib.addCategory("Other");
    f.lib.addItem("Other", "w", "code w", "decl w", "notes w");
    frmSnibbet& w = startOnX(f);
    typeIntoList(w.cboItems, typed);
    clickInto(w.rTxtCode);
    QTest::keyClicks(w.rTxtCode, " edited");
    ctrlTab(w.rTxtCode);

    const QString otherRow = "Other|w|code w|decl w|notes w";
    QCOMPARE(w.rTxtCode->toPlainText(), "code x edited");  // kept in the panel either way
    if (saved) {
        QVERIFY(f.fake.messages.isEmpty());
        COMPARE_ROWS(f.lib.rows("Items"),
                     (QStringList{otherRow, row("x", 0, "code x edited"), row("y")}));
    } else {
        QCOMPARE(f.fake.messages.size(), 1);
        QCOMPARE(f.fake.messages[0].title, "Caution...");
        QVERIFY2(f.fake.messages[0].text.contains("not saved") &&
                     f.fake.messages[0].text.contains(typed),
                 qPrintable(f.fake.messages[0].text));
        COMPARE_ROWS(f.lib.rows("Items"), (QStringList{otherRow, row("x"), row("y")}));
    }
}

void TestSaving::failedSaveKeepsTheRowAndEndsTheProgram() {
    WindowFixture f;
    frmSnibbet& w = startOnX(f);
    f.lib.exec(
        "CREATE TRIGGER frozen BEFORE UPDATE ON Items BEGIN SELECT RAISE(ABORT, 'rows are "
        "frozen'); END");
    clickInto(w.rTxtCode);
    QTest::keyClicks(w.rTxtCode, " edited");
    ctrlTab(w.rTxtCode);
    COMPARE_ROWS(f.lib.rows("Items"), (QStringList{row("x"), row("y")}));
    QCOMPARE(f.fake.messages.size(), 1);
    QCOMPARE(f.fake.messages[0].title, "Snibbet");
    QVERIFY2(f.fake.messages[0].text.contains("rows are frozen"),
             qPrintable(f.fake.messages[0].text));
    QCOMPARE(f.fake.endedWith, QList<int>{1});
    // The typing is not lost with the program.
    const QDir backups(f.lib.folder() + "/Snibbet backups");
    const QStringList kept = backups.entryList({"Unsaved Code text *.txt"}, QDir::Files);
    QCOMPARE(kept.size(), 1);
    QVERIFY(f.fake.messages[0].text.contains(backups.filePath(kept[0])));
    QFile file(backups.filePath(kept[0]));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), "code x edited");
}

void TestSaving::closingWithTheCloseBoxSavesTheEditedPanel_data() {
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("stored");  // x's declarations after closing
    QTest::newRow("typed") << "type"
                           << "decl x edited";
    QTest::newRow("cleared from the panel's menu") << "clear all"
                                                   << "";
    QTest::newRow("untouched: the file is not written") << "nothing"
                                                        << "elsewhere";
}

void TestSaving::closingWithTheCloseBoxSavesTheEditedPanel() {
    QFETCH(QString, edit);
    QFETCH(QString, stored);
    WindowFixture f;
    frmSnibbet& w = startOnX(f);
    f.lib.exec("UPDATE Items SET Declares = 'elsewhere' WHERE ItemName = 'x'");
    clickInto(w.rTxtDeclares);
    if (edit == "type") QTest::keyClicks(w.rTxtDeclares, " edited");
    if (edit == "clear all") w.panels[1].clearAll->trigger();
    f.close();
    QVERIFY(!f.window);
    COMPARE_ROWS(f.lib.rows("Items"), (QStringList{row("x", 1, stored), row("y")}));
    // The text another program wrote behind the panel's back is kept.
    QCOMPARE(f.fake.messages.size(), edit == "nothing" ? 0 : 1);
    if (edit != "nothing")
        QVERIFY2(f.fake.messages[0].text.contains("Another program changed"),
                 qPrintable(f.fake.messages[0].text));
}

void TestSaving::everyWayOfEndingSavesTheTyping_data() {
    QTest::addColumn<QString>("way");
    QTest::addColumn<int>("signal");
    QTest::newRow("closed from outside while another window is active") << "inactive close" << 0;
    QTest::newRow("the session ends") << "event loop ends" << 0;
    QTest::newRow("told to terminate") << "signal" << int(SIGTERM);
    QTest::newRow("its terminal closed") << "signal" << int(SIGHUP);
    QTest::newRow("Ctrl+C") << "signal" << int(SIGINT);
}

// The typing reaches the file however the program ends, also when the window
// is not active and so has no focused panel, and when no close ever comes;
// and the library is tidied as at every close.
void TestSaving::everyWayOfEndingSavesTheTyping() {
    QFETCH(QString, way);
    QFETCH(int, signal);
    WindowFixture f;
    frmSnibbet& w = startOnX(f);
    f.lib.addCategory("Alpha");  // by another tool, after the last close
    clickInto(w.rTxtDeclares);
    QTest::keyClicks(w.rTxtDeclares, " edited");
    if (way == "inactive close") {
        w.mnuInstructions->trigger();
        QVERIFY(QTest::qWaitFor([&] { return !w.isActiveWindow(); }));
        w.close();
    } else {
        if (signal) {
            platform::quitOnTerminationRequest();
            QTimer::singleShot(0, [signal] { ::raise(signal); });
        } else {
            QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
        }
        QCoreApplication::exec();
    }
    COMPARE_ROWS(f.lib.rows("Items"), (QStringList{row("x", 1, "decl x edited"), row("y")}));
    COMPARE_ROWS(f.lib.rows("Category"), (QStringList{"Alpha", "Snippets"}));
    QVERIFY(f.fake.messages.isEmpty());
}

void TestSaving::aTextNoItemCanTakeIsKeptAtClose_data() {
    QTest::addColumn<QString>("way");
    QTest::newRow("closed by the user: told, kept in a file") << "close";
    QTest::newRow("the session ends: kept in a file") << "event loop ends";
}

// The item list names no item of the category: the typing cannot go into the
// library, and is kept where the user can have it.
void TestSaving::aTextNoItemCanTakeIsKeptAtClose() {
    QFETCH(QString, way);
    WindowFixture f;
    frmSnibbet& w = startOnX(f);
    typeIntoList(w.cboItems, "zzz");
    clickInto(w.rTxtCode);
    QTest::keyClicks(w.rTxtCode, "\u00a0kept");
    const QString typed = "code x\u00a0kept";
    if (way == "close") {
        f.close();
    } else {
        QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
    }
    COMPARE_ROWS(f.lib.rows("Items"), (QStringList{row("x"), row("y")}));
    const QDir backups(f.lib.folder() + "/Snibbet backups");
    const QStringList kept = backups.entryList({"Unsaved Code text *.txt"}, QDir::Files);
    QCOMPARE(kept.size(), 1);
    QFile file(backups.filePath(kept[0]));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(file.readAll()), typed);
    if (way == "close") {
        QCOMPARE(f.fake.messages.size(), 1);
        const QString message = f.fake.messages[0].text;
        QVERIFY2(message.contains("has no item named \"zzz\"") &&
                     message.contains(backups.filePath(kept[0])) &&
                     !message.contains("leave the panel") && !message.contains("clipboard"),
                 qPrintable(message));
        // Nothing is promised of the clipboard, which goes with the program.
        QVERIFY(f.fake.clipboardCalls.isEmpty());
    } else {
        QVERIFY(f.fake.messages.isEmpty());
    }
}

void TestSaving::aVisitLeavesTheStoredTextAsItWas_data() {
    QTest::addColumn<QByteArray>("stored");  // the bytes of x's code
    QTest::addColumn<int>("lines");          // as the panel shows them
    QTest::addColumn<bool>("utf8");
    const auto text = [](const QString& t) { return t.toUtf8(); };
    QTest::newRow("CRLF") << text("int main()\r\n{\r\n\treturn 0;\r\n}\r\n") << 5 << true;
    QTest::newRow("lone CR") << text("a\rb\rc") << 3 << true;
    QTest::newRow("mixed line ends") << text("a\r\nb\nc\rd\u2029e\r\n") << 6 << true;
    QTest::newRow("no-break space in a string") << text("s = \"a\u00a0b\";") << 1 << true;
    QTest::newRow("line and paragraph separators") << text("a\u2028b\u2029c") << 3 << true;
    QTest::newRow("noncharacters") << text("a\ufdd0b\ufdd1c\ufffed") << 3 << true;
    QTest::newRow("a NUL character") << QByteArray("a\0b", 3) << 1 << true;
    QStringList lines;
    for (int i = 0; i < 20000; ++i) lines << QStringLiteral("line %1;").arg(i);
    QTest::newRow("20,000 CRLF lines") << text(lines.join("\r\n")) << 20000 << true;
    QString mixed;
    for (int i = 0; i < 20000; ++i) mixed += lines[i] + (i % 3 ? "\n" : "\r\n");
    QTest::newRow("20,000 mixed lines") << text(mixed) << 20001 << true;
    QTest::newRow("bytes that are no UTF-8") << QByteArray(
                                                    "a\xff\xfe\xc3"
                                                    "b")
                                             << 1 << false;
    QTest::newRow("a Latin-1 letter at the end") << QByteArray("caf\xe9") << 1 << false;
    QTest::newRow("a surrogate and an overlong NUL")
        << QByteArray("\xed\xa0\x80\nx\xc0\x80") << 2 << false;
    QTest::newRow("a byte-order mark") << QByteArray("\xef\xbb\xbfint x;\n") << 2 << false;
    QTest::newRow("a byte-order mark, 20,000 lines")
        << "\xef\xbb\xbf" + text(lines.join("\n")) << 20000 << false;
}

// Clicking into a panel and out again writes nothing the user did not change:
// the file keeps its bytes. Copying everything changes nothing either, and
// puts the exact text on the clipboard. Typing at the end keeps every byte
// before it, also those that are no UTF-8 and a byte-order mark.
void TestSaving::aVisitLeavesTheStoredTextAsItWas() {
    QFETCH(QByteArray, stored);
    QFETCH(int, lines);
    QFETCH(bool, utf8);
    WindowFixture f;
    f.lib.addCategory("Snippets");
    f.lib.addItem("Snippets", "x");
    f.lib.exec(
        "UPDATE Items SET Code = CAST(X'" + stored.toHex() +
        "' AS TEXT); "
        "CREATE VIEW CodeBytes AS SELECT rowid AS rowid, hex(Code), typeof(Code) FROM Items");
    const auto storedCode = [&] { return f.lib.rows("CodeBytes"); };
    const auto bytes = [](const QByteArray& b) {
        return QStringList{"1|" + QString::fromLatin1(b.toHex().toUpper()) + "|text"};
    };
    QCOMPARE(storedCode(), bytes(stored));
    frmSnibbet& w = f.start();
    f.chooseCategory("Snippets");
    f.chooseItem("x");
    QCOMPARE(w.rTxtCode->toPlainText().count('\n') + 1, lines);

    clickInto(w.rTxtCode);
    QTest::mouseClick(w.rTxtNotes->viewport(), Qt::LeftButton);
    QCOMPARE(storedCode(), bytes(stored));

    clickInto(w.rTxtCode);
    w.rTxtCode->selectAll();
    w.panels[0].copy->trigger();
    deliverQueuedKeys();
    QCOMPARE(QGuiApplication::clipboard()->mimeData()->data("application/x-snibbet-text"), stored);
    if (utf8) QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromUtf8(stored));
    QVERIFY(!w.rTxtCode->isChanged());
    QTest::mouseClick(w.rTxtNotes->viewport(), Qt::LeftButton);
    QCOMPARE(storedCode(), bytes(stored));

    clickInto(w.rTxtCode);
    QTest::keyClick(w.rTxtCode, Qt::Key_X);
    QTest::mouseClick(w.rTxtNotes->viewport(), Qt::LeftButton);
    QVERIFY(f.fake.messages.isEmpty());
    QCOMPARE(storedCode(), bytes(stored + "x"));
}

// Another program re-sorted the file after the lists were read, so that the
// row the window read as "Zeta" now holds "Alpha". Saving into it would
// overwrite Alpha's code: nothing is written, the user is told, the typing
// stays, and leaving the panel again saves it where Zeta is now.
void TestSaving::aRowMovedByAnotherProgramReceivesNothing() {
    WindowFixture f;
    f.lib.addCategory("C");
    f.lib.addItem("C", "Zeta", "zeta's code");
    f.lib.addItem("C", "Alpha", "alpha's code");
    frmSnibbet& w = f.start();
    f.chooseCategory("C");
    f.chooseItem("Zeta");
    f.lib.exec(
        "CREATE TEMP TABLE t AS SELECT * FROM Items ORDER BY ItemName; DELETE FROM Items; "
        "INSERT INTO Items SELECT * FROM t");
    const QStringList resorted{"C|Alpha|alpha's code||", "C|Zeta|zeta's code||"};
    COMPARE_ROWS(f.lib.rows("Items"), resorted);

    clickInto(w.rTxtCode);
    QTest::keyClicks(w.rTxtCode, " edited");
    QTest::mouseClick(w.rTxtNotes->viewport(), Qt::LeftButton);
    COMPARE_ROWS(f.lib.rows("Items"), resorted);
    QCOMPARE(f.fake.messages.size(), 1);
    QVERIFY2(f.fake.messages[0].text.contains("Another program changed the library"),
             qPrintable(f.fake.messages[0].text));
    QVERIFY(f.fake.endedWith.isEmpty());
    QCOMPARE(w.rTxtCode->toPlainText(), "zeta's code edited");

    clickInto(w.rTxtCode);
    QTest::mouseClick(w.rTxtNotes->viewport(), Qt::LeftButton);
    COMPARE_ROWS(f.lib.rows("Items"),
                 (QStringList{"C|Alpha|alpha's code||", "C|Zeta|zeta's code edited||"}));
}

void TestSaving::editsKeepEveryOtherLineEnd_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("notes");  // what "copy notes" copies, or "clip notes" puts there
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("saved");
    const QString separators = "P\u2028Q";
    QTest::newRow("Enter in a CRLF line of an LF text")
        << "ab\ncd\r\ne" << separators << "Enter at 4"
        << "ab\nc\nd\r\ne";
    QTest::newRow("Shift+Enter is Enter") << "ab\ncd\r\ne" << separators << "Shift+Enter at 4"
                                          << "ab\nc\nd\r\ne";
    QTest::newRow("Enter with Ctrl, Alt or Meta types nothing, after a CRLF")
        << "ab\ncd\r\nef" << separators
        << "Ctrl+Enter at 6, Alt+Enter at 6, Meta+Enter at 6, Ctrl+Shift+Enter at 6"
        << "ab\ncd\r\nef";
    QTest::newRow("a line emptied between a CR and a LF") << "a\rb\nc" << separators << "delete 2-3"
                                                          << "a\r\r\nc";
    QTest::newRow("cut across line ends, then undone")
        << "ab\ncd\r\nef\rgh" << separators << "cut 1-9, undo"
        << "ab\ncd\r\nef\rgh";
    QTest::newRow("lines joined, then undone") << "a\rb\r\nc" << separators << "delete 1-2, undo"
                                               << "a\rb\r\nc";
    QTest::newRow("copy from the second half of a split line")
        << "ab\ncd\r\ne" << separators << "Enter at 4, copy 5-8"
        << "ab\nc\nd\r\ne";
    QTest::newRow("formatted text pasted") << "x\n"
                                           << separators << "paste html at 2"
                                           << "x\nif (x)\n  y();";
    QString grouped, lf, mixed, crlf;
    for (int i = 0; i < 12000; ++i) {
        grouped += QStringLiteral("l%1\r\n").arg(i);
        lf += QStringLiteral("l%1\n").arg(i);
        // Long enough for the panel to lay them out step by step.
        mixed += QStringLiteral("m%1 = more(code);").arg(i) + (i % 5   ? "\n"
                                                               : i % 2 ? "\r"
                                                                       : "\r\n");
        crlf += QStringLiteral("c%1 = some(code);\r\n").arg(i);
    }
    QTest::newRow("a line separator copied into a long text")
        << grouped << separators << "copy notes, paste at 0"
        << "P\u2028Q" + grouped;
    QTest::newRow("a lone CR copied to the end of a line of a long text")
        << lf << "X\r"
        << "copy notes, paste at 2"
        << "l0X\r\r\n" + lf.mid(3);
    QTest::newRow("a long CRLF text copied into an empty panel")
        << "" << crlf << "copy notes, paste at 0, Enter at 3"
        << "c0 \r\n= some(code);\r\n" + crlf.mid(18);
    QTest::newRow("a long text of mixed line ends copied into a short one")
        << "ab" << mixed << "copy notes, paste at 1"
        << "a" + mixed + "b";
    QTest::newRow("a long text from another program, its line ends the usual one")
        << "a\nb" << crlf << "clip notes, paste at 1"
        << "a" + QString(crlf).replace("\r\n", "\n") + "\nb";
    QTest::newRow("a long paste undone") << "a\nb" << crlf << "clip notes, paste at 1, undo"
                                         << "a\nb";
    const QString marked = QChar(QChar::ByteOrderMark) + QString("ab\ncd");
    QTest::newRow("typed at the start of a text with a byte-order mark")
        << marked << separators << "Ctrl+Home, type y"
        << QChar(QChar::ByteOrderMark) + QString("yab\ncd");
    QTest::newRow("Backspace at the start of a text with a byte-order mark")
        << marked << separators << "Backspace at 1" << marked;
}

// Whatever the user does to some lines, every other line keeps its own line
// end, also through undo; what is copied is what is saved.
void TestSaving::editsKeepEveryOtherLineEnd() {
    QFETCH(QString, stored);
    QFETCH(QString, notes);
    QFETCH(QString, edit);
    QFETCH(QString, saved);
    const int blinking = QGuiApplication::styleHints()->cursorFlashTime();
    WindowFixture f;
    f.lib.addCategory("Snippets");
    f.lib.addItem("Snippets", "x", stored, {}, notes);
    frmSnibbet& w = f.start();
    f.chooseCategory("Snippets");
    f.chooseItem("x");
    PanelEdit* box = w.rTxtCode;
    clickInto(box);
    const auto select = [&](int from, int to) {
        QTextCursor cursor(box->document());
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        box->setTextCursor(cursor);
    };
    const QRegularExpression step(QStringLiteral("([\\w+][\\w+ ]*?) (?:at )?(\\d+)(?:-(\\d+))?$"));
    const QHash<QString, Qt::KeyboardModifiers> enters{
        {"Enter", Qt::NoModifier},
        {"Shift+Enter", Qt::ShiftModifier},
        {"Ctrl+Enter", Qt::ControlModifier},
        {"Alt+Enter", Qt::AltModifier},
        {"Meta+Enter", Qt::MetaModifier},
        {"Ctrl+Shift+Enter", Qt::ControlModifier | Qt::ShiftModifier}};
    for (const QString& action : edit.split(QStringLiteral(", "))) {
        if (action == "undo") {
            box->undo();
            continue;
        }
        if (action == "copy notes") {
            w.rTxtNotes->selectAll();
            w.panels[2].copy->trigger();
            deliverQueuedKeys();
            continue;
        }
        if (action == "clip notes") {  // as another program puts it on the clipboard
            QGuiApplication::clipboard()->setText(notes);
            continue;
        }
        if (action == "Ctrl+Home") {
            QTest::keyClick(box, Qt::Key_Home, Qt::ControlModifier);
            continue;
        }
        if (action.startsWith("type ")) {
            QTest::keyClicks(box, action.mid(5));
            continue;
        }
        const QRegularExpressionMatch m = step.match(action);
        QVERIFY2(m.hasMatch(), qPrintable(action));
        const int from = m.captured(2).toInt();
        const int to = m.captured(3).isEmpty() ? from : m.captured(3).toInt();
        select(from, to);
        const QString verb = m.captured(1);
        if (enters.contains(verb)) QTest::keyClick(box, Qt::Key_Return, enters[verb]);
        if (verb == "delete") QTest::keyClick(box, Qt::Key_Delete);
        if (verb == "Backspace") QTest::keyClick(box, Qt::Key_Backspace);
        if (verb == "cut") box->cut();
        if (verb == "copy") {
            const QString selected = box->selectedStoredText();
            QVERIFY(!selected.isEmpty());
            w.panels[0].copy->trigger();
            deliverQueuedKeys();
            QCOMPARE(QGuiApplication::clipboard()->text(), selected);
        }
        if (verb == "paste") box->paste();
        if (verb == "paste html") {
            auto* html = new QMimeData;
            html->setHtml("<div>if&nbsp;(x)<br>&nbsp;&nbsp;y();</div>");
            html->setText("if (x)\n  y();");
            QGuiApplication::clipboard()->setMimeData(html);
            box->paste();
        }
    }
    QCOMPARE(box->storedText(), saved);
    // The panel shows as many lines as the stored text holds.
    QCOMPARE(box->toPlainText().count('\n'),
             saved.count('\n') + saved.count('\r') - saved.count(QStringLiteral("\r\n")) +
                 saved.count(QChar(0x2028)) + saved.count(QChar(0x2029)));
    QCOMPARE(box->isChanged(), saved != stored);
    QTest::mouseClick(w.rTxtDeclares->viewport(), Qt::LeftButton);
    COMPARE_ROWS(f.lib.rows("Items"), QStringList{"Snippets|x|" + saved + "||" + notes});
    // A long text is laid out step by step, the carets not blinking meanwhile.
    QTRY_COMPARE(QGuiApplication::styleHints()->cursorFlashTime(), blinking);
}

QTEST_MAIN(TestSaving)
#include "tst_saving.moc"
