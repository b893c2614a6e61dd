#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include "platform/QtPlatformServices.h"

// Every box shows its text exactly as given, whatever a user's name holds:
// markup, entities and "&" are characters like any other.
class TestBoxes : public QObject {
    Q_OBJECT
private slots:
    void textsAreShownExactly_data();
    void textsAreShownExactly();
    void aLongAnswerIsTakenWhole();
};

void TestBoxes::textsAreShownExactly_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    for (const QString name : {"<b>bold</b>", "HTML <table> tricks", "a &lt; b", "<img src=x>",
                               "Tips & Tricks", "C&C++", "two  blanks"}) {
        QTest::addRow("caution, %s", qPrintable(name))
            << "message"
            << "You already have a category named: " + name;
        QTest::addRow("rename prompt, %s", qPrintable(name)) << "input"
                                                             << "Rename " + name + " As:";
        QTest::addRow("question, %s", qPrintable(name))
            << "question"
            << "There is no library in the folder \"/home/" + name + "\" yet.";
    }
}

void TestBoxes::textsAreShownExactly() {
    QFETCH(QString, kind);
    QFETCH(QString, text);
    platform::QtPlatformServices services;
    QString shown = "<no box>";
    Qt::TextFormat format = Qt::AutoText;
    bool mnemonic = true;
    // The box is modal: it is read, then closed, from the event loop it runs.
    QTimer reader;
    QObject::connect(&reader, &QTimer::timeout, [&] {
        QWidget* box = QApplication::activeModalWidget();
        if (!box) return;
        for (const QLabel* label : box->findChildren<QLabel*>()) {
            if (label->text().isEmpty()) continue;
            shown = label->text();
            format = label->textFormat();
            mnemonic = label->buddy() != nullptr;
        }
        reader.stop();
        QTest::keyClick(box, Qt::Key_Escape);
    });
    reader.start(10);
    if (kind == "message") services.messageBox(text, "Caution...");
    if (kind == "input") services.inputBox(text, "Rename Category");
    if (kind == "question") services.askYesNo(text, "Snibbet");
    QCOMPARE(shown, text);
    QCOMPARE(format, Qt::PlainText);
    QVERIFY(!mnemonic);
}

// The input box's field would cut a pasted name at 32,767 characters.
void TestBoxes::aLongAnswerIsTakenWhole() {
    platform::QtPlatformServices services;
    const QString name = QString(39999, QChar(u'n')) + QStringLiteral("!");
    QGuiApplication::clipboard()->setText(name);
    QTimer answerer;
    QObject::connect(&answerer, &QTimer::timeout, [&] {
        QWidget* box = QApplication::activeModalWidget();
        if (!box) return;
        answerer.stop();
        auto* field = box->findChild<QLineEdit*>();
        QVERIFY(field);
        field->paste();
        QTest::keyClick(field, Qt::Key_Return);
    });
    answerer.start(10);
    QCOMPARE(services.inputBox("Enter the name of this category.", "Add Category"), name);
}

QTEST_MAIN(TestBoxes)
#include "tst_boxes.moc"
