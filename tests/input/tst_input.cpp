#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QTest>

#include "mainwindow/PanelEdit.h"
#include "store/Library.h"
#include "store/RecordSet.h"
#include "support/WindowFixture.h"

// Whatever a user types or pastes is data: stored and shown exactly, matching
// only itself, never a crash or a hang.
class TestInput : public QObject {
    Q_OBJECT
private slots:
    void aNameIsJustData_data();
    void aNameIsJustData();
    void lookAlikeNamesStayApart_data();
    void lookAlikeNamesStayApart();
    void fiftyMegabytesOfTextRoundTrip();
    void aLongTextCopiesWithItsLineEnds();
    void pastingAnImageOrNothingChangesNothing_data();
    void pastingAnImageOrNothingChangesNothing();
    void aNameOfAnyStoredType_data();
    void aNameOfAnyStoredType();
    void twinNamesLeadToTheirOwnRows_data();
    void twinNamesLeadToTheirOwnRows();
};

void TestInput::aNameIsJustData_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("10,000 characters") << QString(9999, QChar(u'n')) + QStringLiteral("!");
    // Past the 32,767 characters an edit field takes by default.
    QTest::newRow("40,000 characters") << QString(39999, QChar(u'n')) + QStringLiteral("!");
    QTest::newRow("quotes and backslashes") << QStringLiteral("it's \"quoted\" \\ C:\\path\\'; --");
    QTest::newRow("percent and underscore") << QStringLiteral("100% _of_ it");
    QTest::newRow("control characters") << QStringLiteral("tab\there\x01\x7f end");
    QTest::newRow("right to left") << QStringLiteral("שלום עולם مرحبا");
    QTest::newRow("emoji") << QStringLiteral("🙂 smile 👩‍💻");
    QTest::newRow("combining accent") << QStringLiteral("cafe\u0301");
    QTest::newRow("blanks around") << QStringLiteral("  padded  ");
}

// Through the window as a user does it: add the category and an item of the
// same name, choose both, save a text, close, start again.
void TestInput::aNameIsJustData() {
    QFETCH(QString, name);
    WindowFixture f;
    f.lib.addCategory("neighbour");
    f.lib.addItem("neighbour", "neighbour item", "untouched");
    frmSnibbet& w = f.start();
    f.fake.inputAnswers << name << name;
    w.mnuAddCat->trigger();
    QCOMPARE(WindowFixture::entries(w.cboCategory), (QStringList{"neighbour", name}));
    f.chooseCategory(name);
    w.mnuAddItem->trigger();
    QCOMPARE(WindowFixture::entries(w.cboItems), QStringList{name});
    f.chooseItem(name);
    w.rTxtCode->setFocus(Qt::MouseFocusReason);
    WindowFixture::typeInto(w.rTxtCode, name);
    w.rTxtNotes->setFocus(Qt::MouseFocusReason);
    QVERIFY2(f.fake.messages.isEmpty(), qPrintable(f.fake.messages.value(0).text));
    f.restart();
    f.chooseCategory(name);
    f.chooseItem(name);
    QCOMPARE(f.window->rTxtCode->toPlainText(), name);
    QVERIFY(f.lib.rows("Items").contains("neighbour|neighbour item|untouched||"));
    QCOMPARE(f.lib.rows("Items").size(), 2);
}

// Names that look alike, or differ only where case folding does not reach,
// are different names: adding the second is no duplicate.
void TestInput::lookAlikeNamesStayApart_data() {
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::newRow("different emoji") << "🙂"
                                     << "🙃";
    QTest::newRow("last of 10,000 characters")
        << QString(9999, QChar(u'x')) + "a" << QString(9999, QChar(u'x')) + "b";
    QTest::newRow("precomposed and combining") << "caf\u00e9"
                                               << "cafe\u0301";
    QTest::newRow("sharp s is not ss") << "Straße"
                                       << "STRASSE";
    QTest::newRow("trailing blank") << "name"
                                    << "name ";
    QTest::newRow("a wildcard and a letter") << "a%"
                                             << "ab";
}

void TestInput::lookAlikeNamesStayApart() {
    QFETCH(QString, first);
    QFETCH(QString, second);
    WindowFixture f;
    frmSnibbet& w = f.start();
    f.fake.inputAnswers << first << second;
    w.mnuAddCat->trigger();
    w.mnuAddCat->trigger();
    QVERIFY2(f.fake.messages.isEmpty(), qPrintable(f.fake.messages.value(0).text));
    QCOMPARE(f.lib.rows("Category"), (QStringList{first, second}));
    f.chooseCategory(second);
    f.fake.inputAnswers << "only here";
    w.mnuAddItem->trigger();
    QCOMPARE(f.lib.rows("Items"), (QStringList{first + "|Empty|||", second + "|only here|||"}));
}

// 50 MB in a panel: stored and read back whole, through the store and through
// the window (which takes a few seconds, and must not take forever).
void TestInput::fiftyMegabytesOfTextRoundTrip() {
    QString big;
    big.reserve(50'000'000);
    for (int i = 0; big.size() < 50'000'000; ++i)
        big += QStringLiteral("line %1: some code text that goes on, with ünïcödé and 'quotes';\n")
                   .arg(i);
    WindowFixture f;
    f.lib.addCategory("big");
    f.lib.addItem("big", "item");
    frmSnibbet& w = f.start();
    f.chooseCategory("big");
    f.chooseItem("item");
    w.rTxtCode->setFocus(Qt::MouseFocusReason);
    // As pasted: typing it in line by line would take the test minutes.
    w.rTxtCode->showStoredText(big);
    w.rTxtCode->markChanged(true);
    w.rTxtNotes->setFocus(Qt::MouseFocusReason);
    QVERIFY(f.fake.messages.isEmpty());
    f.restart();
    f.chooseCategory("big");
    f.chooseItem("item");
    QCOMPARE(f.window->rTxtCode->storedText().size(), big.size());
    QVERIFY(f.window->rTxtCode->storedText() == big);
}

// A text of many lines is shown with its lines grouped; what is copied from
// it has plain line ends all the same.
void TestInput::aLongTextCopiesWithItsLineEnds() {
    QStringList lines;
    for (int i = 0; i < 20000; ++i) lines << QStringLiteral("line %1").arg(i);
    WindowFixture f;
    f.lib.addCategory("c");
    f.lib.addItem("c", "i", lines.join('\n'));
    frmSnibbet& w = f.start();
    f.chooseCategory("c");
    f.chooseItem("i");
    QCOMPARE(w.rTxtCode->toPlainText(), lines.join('\n'));
    QTextCursor cursor(w.rTxtCode->document());
    const QString wanted = lines.mid(250, 20).join('\n');
    cursor.setPosition(w.rTxtCode->toPlainText().indexOf(wanted));
    cursor.setPosition(cursor.position() + wanted.size(), QTextCursor::KeepAnchor);
    w.rTxtCode->setTextCursor(cursor);
    w.rTxtCode->setFocus(Qt::MouseFocusReason);
    w.panels[0].copy->trigger();
    QTest::qWait(20);
    QCOMPARE(f.fake.clipboardCalls.value(1), "SetText:" + wanted);
    QCOMPARE(w.rTxtCode->toPlainText(), lines.join('\n'));
}

void TestInput::pastingAnImageOrNothingChangesNothing_data() {
    QTest::addColumn<bool>("image");
    QTest::newRow("an image") << true;
    QTest::newRow("nothing") << false;
}

void TestInput::pastingAnImageOrNothingChangesNothing() {
    QFETCH(bool, image);
    WindowFixture f;
    f.lib.addCategory("c");
    f.lib.addItem("c", "i", "the code");
    frmSnibbet& w = f.start();
    f.chooseCategory("c");
    f.chooseItem("i");
    if (image) {
        QImage picture(16, 16, QImage::Format_RGB32);
        picture.fill(Qt::red);
        QGuiApplication::clipboard()->setImage(picture);
    } else {
        QGuiApplication::clipboard()->clear();
    }
    w.rTxtCode->setFocus(Qt::MouseFocusReason);
    w.rTxtCode->moveCursor(QTextCursor::End);
    w.panels[0].paste->trigger();
    QTest::qWait(20);  // the paste keystroke is queued
    QCOMPARE(w.rTxtCode->toPlainText(), "the code");
    w.rTxtNotes->setFocus(Qt::MouseFocusReason);
    QCOMPARE(f.lib.rows("Items"), QStringList{"c|i|the code||"});
    QVERIFY(f.fake.messages.isEmpty());
}

void TestInput::aNameOfAnyStoredType_data() {
    QTest::addColumn<QString>("field");  // the one holding a value that is not text
    QTest::addColumn<QString>("type");
    for (const char* field : {"Items.Category", "Category.Category", "Items.ItemName"})
        for (const char* type : {"BLOB", "INTEGER", "REAL"})
            QTest::addRow("%s %s", field, type) << field << type;
}

// The sqlite3 shell stores whatever it is given, and a table made by another
// tool may have columns of no type: a number or a BLOB where Snibbet writes a
// name reads as its text, and its category is listed, renamed and deleted
// with it, never left behind.
void TestInput::aNameOfAnyStoredType() {
    QFETCH(QString, field);
    QFETCH(QString, type);
    const QString name = type == "REAL" ? "5.5" : "5";
    const QString stored = type == "BLOB" ? "CAST('5' AS BLOB)" : name;
    const auto value = [&](const QString& f) { return f == field ? stored : "'" + name + "'"; };
    WindowFixture f;
    f.lib.exec(
        "DROP TABLE Category; CREATE TABLE Category (Category);"
        "DROP TABLE Items; CREATE TABLE Items (Category, ItemName DEFAULT 'Empty', "
        "Code DEFAULT '', Declares DEFAULT '', Notes DEFAULT '')");
    f.lib.exec("INSERT INTO Category VALUES (" + value("Category.Category") +
               "), ('zz');"
               "INSERT INTO Items (Category, ItemName, Code) VALUES (" +
               value("Items.Category") +
               ", 'one', 'code one'), ('zz', 'two', 'code two'), ('zz', " +
               value("Items.ItemName") + ", 'code five')");
    frmSnibbet& w = f.start();
    QCOMPARE(WindowFixture::entries(w.cboCategory), (QStringList{name, "zz"}));
    f.chooseCategory(name);
    QCOMPARE(WindowFixture::entries(w.cboItems), QStringList{"one"});
    f.chooseCategory("zz");
    QCOMPARE(WindowFixture::entries(w.cboItems), (QStringList{"two", name}));
    f.chooseItem(name);
    QCOMPARE(f.panelTexts().value(0), "code five");

    f.fake.inputAnswers << "five"
                        << "renamed";
    w.mnuRenameItem->trigger();
    f.chooseCategory(name);
    w.mnuRenameCat->trigger();
    f.chooseCategory("zz");
    w.mnuDeleteCat->trigger();
    QVERIFY2(f.fake.messages.isEmpty(), qPrintable(f.fake.messages.value(0).text));
    QCOMPARE(f.lib.rows("Category"), QStringList{"renamed"});
    QCOMPARE(f.lib.rows("Items"), QStringList{"renamed|one|code one||"});
    f.close();
    QCOMPARE(f.lib.rows("Items"), QStringList{"renamed|one|code one||"});
}

// Two items of one category whose names another tool stored so that they read
// alike, or differ only in letter case: each entry of the item list shows its
// own row's text, and a panel saves into that row, not the other one.
void TestInput::twinNamesLeadToTheirOwnRows_data() {
    QTest::addColumn<QString>("first");  // SQL values of the two names
    QTest::addColumn<QString>("second");
    QTest::newRow("a byte that is no UTF-8, and U+FFFD") << "CAST(X'636166E9' AS TEXT)"
                                                         << "CAST(X'636166EFBFBD' AS TEXT)";
    QTest::newRow("U+FFFD, and a byte that is no UTF-8") << "CAST(X'636166EFBFBD' AS TEXT)"
                                                         << "CAST(X'636166E9' AS TEXT)";
    QTest::newRow("a byte that is no UTF-8, and its Latin-1 letter") << "CAST(X'636166E9' AS TEXT)"
                                                                     << "'caf\u00e9'";
    QTest::newRow("letter case only") << "'Twin'"
                                      << "'TWIN'";
    QTest::newRow("a BLOB and a text of one spelling") << "CAST('twin' AS BLOB)"
                                                       << "'twin'";
}

void TestInput::twinNamesLeadToTheirOwnRows() {
    QFETCH(QString, first);
    QFETCH(QString, second);
    WindowFixture f;
    f.lib.exec(
        "INSERT INTO Category VALUES ('S'); INSERT INTO Items (Category, ItemName, Code) "
        "VALUES ('S', " +
        first + ", 'code 1'), ('S', " + second +
        ", 'code 2');"
        "CREATE VIEW Twins AS SELECT rowid AS rowid, hex(ItemName), Code FROM Items");
    const QStringList before = f.lib.rows("Twins");
    frmSnibbet& w = f.start();
    f.chooseCategory("S");
    QCOMPARE(w.cboItems->count(), 2);
    QStringList expected = before;
    for (int entry : {1, 0}) {
        w.cboItems->setFocus(Qt::MouseFocusReason);
        w.cboItems->setCurrentIndex(entry);
        emit w.cboItems->activated(entry);
        const QString code = QStringLiteral("code %1").arg(entry + 1);
        QCOMPARE(w.rTxtCode->toPlainText(), code);
        w.rTxtCode->setFocus(Qt::MouseFocusReason);
        w.rTxtCode->moveCursor(QTextCursor::End);
        QTest::keyClicks(w.rTxtCode, " edited");
        w.rTxtNotes->setFocus(Qt::MouseFocusReason);
        expected[entry].replace(code, code + " edited");
        COMPARE_ROWS(f.lib.rows("Twins"), expected);
    }
    QVERIFY2(f.fake.messages.isEmpty(), qPrintable(f.fake.messages.value(0).text));
}

QTEST_MAIN(TestInput)
#include "tst_input.moc"
