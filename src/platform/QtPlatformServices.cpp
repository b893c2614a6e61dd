#include "platform/QtPlatformServices.h"

#include <QAbstractPrintDialog>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFontDatabase>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinterInfo>
#include <QScreen>
#include <QTextDocument>

#include "platform/KeyStrokes.h"
#include "platform/Twips.h"

namespace platform {

QtPlatformServices::QtPlatformServices() : chosen_(std::make_unique<QPrinter>()) {}
QtPlatformServices::~QtPlatformServices() = default;

void QtPlatformServices::messageBox(const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

bool QtPlatformServices::askYesNo(const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

QString QtPlatformServices::inputBox(const QString& prompt, const QString& title) {
    bool ok = false;
    const QString answer = QInputDialog::getText(QApplication::activeWindow(), title, prompt,
                                                 QLineEdit::Normal, QString(), &ok);
    return ok ? answer : QString();
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
        throw PlatformError(482, QStringLiteral("The printer could not start the print job."));
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
