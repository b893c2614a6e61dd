#include "platform/QtPlatformServices.h"

#include <QAbstractPrintDialog>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinterInfo>
#include <QScreen>
#include <QTextDocument>
#include <QVBoxLayout>
#include <limits>

#include "errors/Error.h"
#include "platform/KeyStrokes.h"
#include "platform/Twips.h"

namespace platform {

QtPlatformServices::QtPlatformServices() : chosen_(std::make_unique<QPrinter>()) {}
QtPlatformServices::~QtPlatformServices() = default;

namespace {

// Every text a box shows is plain: a name may hold "<b>", "&lt;" or "&", and
// is shown as the user wrote it, never as markup or an access key.
int showBox(QMessageBox::Icon icon, const QString& text, const QString& title,
            QMessageBox::StandardButtons buttons, QMessageBox::StandardButton preset) {
    QMessageBox box(icon, title, QString(), buttons, QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    if (preset != QMessageBox::NoButton) box.setDefaultButton(preset);
    return box.exec();
}

// Wide enough that the desktop's title bar, with its buttons, shows the whole
// title in its own (often bold and larger) font.
int inputBoxWidth(const QString& title) {
    QFont titleFont = QApplication::font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.25);
    return std::max(360, QFontMetrics(titleFont).horizontalAdvance(title) + 200);
}

}  // namespace

void QtPlatformServices::messageBox(const QString& text, const QString& title) {
    showBox(QMessageBox::NoIcon, text, title, QMessageBox::Ok, QMessageBox::NoButton);
}

bool QtPlatformServices::askYesNo(const QString& text, const QString& title) {
    return showBox(QMessageBox::Question, text, title, QMessageBox::Yes | QMessageBox::No,
                   QMessageBox::Yes) == QMessageBox::Yes;
}

// A box of its own rather than QInputDialog, whose prompt takes "&" for an
// access key and may take the prompt for rich text.
QString QtPlatformServices::inputBox(const QString& prompt, const QString& title) {
    QDialog box(QApplication::activeWindow());
    box.setWindowTitle(title);
    auto* label = new QLabel(&box);
    label->setTextFormat(Qt::PlainText);
    label->setText(prompt);
    label->setWordWrap(true);
    auto* answer = new QLineEdit(&box);
    answer->setMaxLength(std::numeric_limits<int>::max());  // a name is never cut
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &box);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
    auto* layout = new QVBoxLayout(&box);
    layout->addWidget(label);
    layout->addWidget(answer);
    layout->addWidget(buttons);
    box.setMinimumWidth(inputBoxWidth(title));
    return box.exec() == QDialog::Accepted ? answer->text() : QString();
}

QSizeF QtPlatformServices::screenSizeTwips() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize size = screen ? screen->size() : QSize(1024, 768);
    return {twips::fromPixels(size.width()), twips::fromPixels(size.height())};
}

void QtPlatformServices::setMousePointer(MousePointer pointer) {
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
    if (pointer == MousePointer::Hourglass) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        // Shown at once: the work that follows blocks the event loop.
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
}

void QtPlatformServices::popupMenu(QMenu& menu) {
    menu.exec(QCursor::pos());
}

void QtPlatformServices::clipboardClear() {
    QGuiApplication::clipboard()->clear();
}

void QtPlatformServices::clipboardSetText(const QString& text) {
    QGuiApplication::clipboard()->setText(text);
}

void QtPlatformServices::sendKeys(const QString& keys, QWidget* target) {
    postKeyStrokes(parseKeyStrokes(keys), target);
}

std::optional<int> QtPlatformServices::showPrintDialog(bool selectionPreset) {
    QPrintDialog dialog(chosen_.get(), QApplication::activeWindow());
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, selectionPreset);
    chosen_->setPrintRange(selectionPreset ? QPrinter::Selection : QPrinter::AllPages);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return chosen_->copyCount();
}

void QtPlatformServices::preparePrinter(QPrinter& printer) {
    if (pdfFolder_.isEmpty()) return;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(nextPdfFile());
}

void QtPlatformServices::printFormatted(const QTextDocument& document) {
    // The dialog's copy count is repeated by the plain-text jobs; the
    // formatted print goes out once.
    const int copies = chosen_->copyCount();
    chosen_->setCopyCount(1);
    preparePrinter(*chosen_);
    document.print(chosen_.get());
    chosen_->setCopyCount(copies);
}

void QtPlatformServices::printerPrint(const QString& text) {
    pendingLines_ << text.split(QLatin1Char('\n'));
}

void QtPlatformServices::printerEndDoc() {
    const QStringList lines = std::exchange(pendingLines_, {});
    QPrinter printer(QPrinterInfo::defaultPrinter());
    preparePrinter(printer);
    QPainter painter;
    if (!painter.begin(&printer))
        throw errors::Error(errors::PrinterFailed,
                            QStringLiteral("The printer could not start the print job."));
    painter.setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    const QFontMetrics metrics = painter.fontMetrics();
    const int pageHeight = printer.pageLayout().paintRectPixels(printer.resolution()).height();
    int y = metrics.ascent();
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        line.replace(QLatin1Char('\t'), QStringLiteral("    "));
        if (y > pageHeight) {
            printer.newPage();
            y = metrics.ascent();
        }
        // Lines stand as they are: nothing breaks a line wider than the page.
        painter.drawText(0, y, line);
        y += metrics.lineSpacing();
    }
    painter.end();
}

void QtPlatformServices::endProgram(int exitCode) {
    QCoreApplication::exit(exitCode);
}

void QtPlatformServices::printToPdfFolder(const QString& folder) {
    pdfFolder_ = folder;
}

QString QtPlatformServices::nextPdfFile() {
    return QDir(pdfFolder_)
        .filePath(QStringLiteral("print-%1.pdf").arg(++pdfCount_, 2, 10, QLatin1Char('0')));
}

}  // namespace platform
