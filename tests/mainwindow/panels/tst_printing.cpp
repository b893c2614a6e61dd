#include <QAction>
#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "mainwindow/panels/PanelSupport.h"
#include "platform/QtPlatformServices.h"

using namespace panelsupport;

namespace {

QString advisory(const char* linesWord) {
    return QStringLiteral(
               "If your %1 lines are long, you may have to break them into separate lines in order "
               "for them to fit on a page (Try printing with Landscape first).")
        .arg(QLatin1String(linesWord));
}

// The real printing path, with the print dialog answered without a person
// and the message boxes only noted.
class PdfPrintingServices : public platform::QtPlatformServices {
public:
    int copies = 1;
    QStringList messages;

    void messageBox(const QString& text, const QString&) override { messages << text; }
    std::optional<int> showPrintDialog(bool selectionPreset) override {
        chosenPrinter().setPrintRange(selectionPreset ? QPrinter::Selection : QPrinter::AllPages);
        chosenPrinter().setCopyCount(copies);
        return copies;
    }
};

// The lines of a PDF as pdftotext lays them out, each with its spacing
// reduced to single blanks; empty lines and the page numbers that a formatted
// print adds are left out.
QStringList printedLines(const QString& file) {
    QProcess p;
    p.start("pdftotext", {"-layout", file, "-"});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        qWarning("pdftotext failed on %s", qPrintable(file));
        return {};
    }
    QStringList lines;
    static const QRegularExpression pageNumber("^\\d+$");
    for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split('\n')) {
        const QString words = line.simplified();
        if (!words.isEmpty() && !pageNumber.match(words).hasMatch()) lines << words;
    }
    return lines;
}

}  // namespace

class TestPrinting : public QObject {
    Q_OBJECT
private slots:
    void advisoryDialogAndPrints_data();
    void advisoryDialogAndPrints();
    void printerFailureEndsTheCommandSilently();
    void pdfOutputOfTheFormattedPrintAndThePlainJob();
};

// Copies 0 stands for Cancel in the print dialog.
void TestPrinting::advisoryDialogAndPrints_data() {
    QTest::addColumn<int>("panel");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("selectFrom");  // -1: no selection
    QTest::addColumn<int>("copies");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("formatted");
    const QString text = "first\n\tsecond line\nthird";
    const QString job = text + '\n';
    QTest::newRow("code, empty, cancelled")
        << 0 << "" << -1 << 0 << advisory("code") << QStringList{};
    QTest::newRow("code, empty, one copy")
        << 0 << "" << -1 << 1 << advisory("code") << QStringList{""};
    QTest::newRow("code, whole panel, 3 copies")
        << 0 << text << -1 << 3 << advisory("code") << QStringList{text};
    QTest::newRow("declarations, selection, cancelled")
        << 1 << text << 7 << 0 << advisory("code") << QStringList{};
    QTest::newRow("declarations, selection, 3 copies")
        << 1 << text << 7 << 3 << advisory("code") << QStringList{"second line\nth"};
    QTest::newRow("notes, whole panel, cancelled")
        << 2 << text << -1 << 0 << advisory("text") << QStringList{};
    QTest::newRow("notes, selection, 2 copies")
        << 2 << text << 0 << 2 << advisory("text") << QStringList{"first\n\tsecond line\nth"};
}

void TestPrinting::advisoryDialogAndPrints() {
    QFETCH(int, panel);
    QFETCH(QString, text);
    QFETCH(int, selectFrom);
    QFETCH(int, copies);
    QFETCH(QString, message);
    QFETCH(QStringList, formatted);
    WindowFixture f;
    frmSnibbet& w = f.start();
    PanelEdit* box = w.panels[panel].box;
    box->setPlainText(text);
    if (selectFrom >= 0) {
        QTextCursor cursor(box->document());
        cursor.setPosition(selectFrom);
        cursor.setPosition(text.size() - 3,
                           QTextCursor::KeepAnchor);  // up to "th" of the last line
        box->setTextCursor(cursor);
    }
    f.fake.printDialogAnswer = copies == 0 ? std::nullopt : std::optional<int>(copies);
    w.panels[panel].print->trigger();

    QCOMPARE(f.fake.messages, (QList<FakePlatformServices::Box>{{message, "Message..."}}));
    QCOMPARE(f.fake.printDialogs, QList<bool>{selectFrom >= 0});
    QCOMPARE(f.fake.formattedPrints, formatted);
    QCOMPARE(f.fake.printerJobs, QStringList(copies, text + '\n'));
    QCOMPARE(box->toPlainText(), text);
    QVERIFY(f.fake.endedWith.isEmpty());
}

// The failing printer says nothing and ends nothing: the window goes on saving.
void TestPrinting::printerFailureEndsTheCommandSilently() {
    WindowFixture f;
    frmSnibbet& w = startOnX(f);
    f.fake.failPrinter = true;
    clickInto(w.rTxtCode);
    QTest::keyClicks(w.rTxtCode, " edited");
    w.panels[0].print->trigger();
    QCOMPARE(f.fake.messages, (QList<FakePlatformServices::Box>{{advisory("code"), "Message..."}}));
    QVERIFY(f.fake.formattedPrints.isEmpty() && f.fake.printerJobs.isEmpty());
    QVERIFY(f.fake.endedWith.isEmpty());
    ctrlTab(w.rTxtCode);
    COMPARE_ROWS(f.lib.rows("Items"), (QStringList{row("x", 0, "code x edited"), row("y")}));
    QCOMPARE(f.fake.messages.size(), 1);
}

// Through Qt's printer into PDF files. The code has a line of some 400
// characters, far wider than a page, made of numbered words. The plain job
// draws each line as it stands, so the output shows the long line's start
// with its first words in order on one line, the next line of the code right
// under it, and none of its words anywhere else: a wrapped line would put its
// later words on lines of their own. The formatted print of the whole panel
// does wrap, which shows that the check would see wrapping.
void TestPrinting::pdfOutputOfTheFormattedPrintAndThePlainJob() {
    QStringList numbered;
    for (int i = 1; i <= 80; ++i) numbered << QStringLiteral("w%1").arg(i, 3, 10, QLatin1Char('0'));
    const QString longLine = "LONG " + numbered.join(' ');
    QVERIFY(longLine.size() > 400);
    const QString code = "first line\nSELECTED PART\n" + longLine + "\nlast line";

    TempLibrary lib;
    lib.addCategory("Print");
    lib.addItem("Print", "wide", code);
    QTemporaryDir out;
    PdfPrintingServices services;
    services.printToPdfFolder(out.path());
    services.copies = 2;
    QPointer<frmSnibbet> w = startSnibbet(lib.folder(), services);
    QVERIFY(w);
    QApplication::setActiveWindow(w);  // the first activation fills the category list
    QVERIFY(QTest::qWaitForWindowActive(w));
    WindowFixture::choose(w->cboCategory, "Print");
    WindowFixture::choose(w->cboItems, "wide");

    QTextCursor cursor(w->rTxtCode->document());
    cursor.setPosition(code.indexOf("SELECTED"));
    cursor.setPosition(code.indexOf("SELECTED") + 13, QTextCursor::KeepAnchor);
    w->rTxtCode->setTextCursor(cursor);
    w->panels[0].print->trigger();  // the selection once, then two plain jobs
    w->rTxtCode->moveCursor(QTextCursor::End);
    w->panels[0].print->trigger();  // the whole panel once, then two plain jobs
    QCOMPARE(services.messages, QStringList(2, advisory("code")));
    QCOMPARE(QDir(out.path()).entryList({"*.pdf"}),
             (QStringList{"print-01.pdf", "print-02.pdf", "print-03.pdf", "print-04.pdf",
                          "print-05.pdf", "print-06.pdf"}));

    QCOMPARE(printedLines(out.filePath("print-01.pdf")), QStringList{"SELECTED PART"});

    for (const char* job : {"print-02.pdf", "print-03.pdf", "print-05.pdf", "print-06.pdf"}) {
        const QStringList lines = printedLines(out.filePath(job));
        QVERIFY2(lines.size() == 4, qPrintable(lines.join(" / ")));
        QCOMPARE(lines[0], "first line");
        QCOMPARE(lines[1], "SELECTED PART");
        QCOMPARE(lines[3], "last line");
        const QStringList longWords = lines[2].split(' ');
        QVERIFY2(longWords.size() > 8,
                 qPrintable(lines[2]));  // the line's start, as far as the page shows it
        QCOMPARE(longWords[0], "LONG");
        QCOMPARE(longWords.mid(1), numbered.mid(0, longWords.size() - 1));
    }

    // The formatted print of the whole panel wraps the long line: its words
    // run on over further lines, and all of them are printed.
    const QStringList wrapped = printedLines(out.filePath("print-04.pdf"));
    QVERIFY2(wrapped.size() > 5 && wrapped[2].startsWith("LONG w001") &&
                 wrapped[3].startsWith('w') && wrapped[wrapped.size() - 2].endsWith("w080") &&
                 wrapped.last() == "last line",
             qPrintable(wrapped.join(" / ")));

    w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
