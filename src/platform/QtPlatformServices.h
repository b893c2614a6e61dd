#pragma once

#include <QPrinter>
#include <QStringList>
#include <memory>

#include "platform/PlatformServices.h"

namespace platform {

// The platform services on a real desktop, through Qt.
class QtPlatformServices : public PlatformServices {
public:
    QtPlatformServices();
    ~QtPlatformServices() override;

    void messageBox(const QString& text, const QString& title) override;
    bool askYesNo(const QString& text, const QString& title) override;
    QString inputBox(const QString& prompt, const QString& title) override;
    QSizeF screenSizeTwips() override;
    void setMousePointer(MousePointer pointer) override;
    void popupMenu(QMenu& menu) override;
    void clipboardClear() override;
    void clipboardSetText(const QString& text) override;
    void sendKeys(const QString& keys, QWidget* target = nullptr) override;
    std::optional<int> showPrintDialog(bool selectionPreset) override;
    void printFormatted(const QTextDocument& document) override;
    void printerPrint(const QString& text) override;
    void printerEndDoc() override;
    void endProgram(int exitCode) override;

    // Sends every print to numbered PDF files in `folder` instead of a
    // printer: for checking real output where no printer is installed.
    void printToPdfFolder(const QString& folder);

protected:
    QPrinter& chosenPrinter() { return *chosen_; }

private:
    QString nextPdfFile();
    void preparePrinter(QPrinter& printer);

    std::unique_ptr<QPrinter> chosen_;
    QStringList pendingLines_;
    QString pdfFolder_;
    int pdfCount_ = 0;
};

}  // namespace platform
