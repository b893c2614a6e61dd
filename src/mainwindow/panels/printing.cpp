#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include "mainwindow/PanelEdit.h"
#include "mainwindow/frmSnibbet.h"
#include "platform/Fonts.h"
#include "platform/PlatformServices.h"

// One formatted print of the selection (or of the whole panel), then one
// plain-text job per copy with the whole text. Any failure, Cancel included,
// ends the command without a word: what was printed stays printed.
void frmSnibbet::mnuPanelPrint_Click(Panel& panel) {
    try {
        services_.messageBox(
            QStringLiteral("If your %1 lines are long, you may have to break them into "
                           "separate lines in order for them to fit on a page (Try "
                           "printing with Landscape first).")
                .arg(panel.linesWord),
            QStringLiteral("Message..."));
        const QTextCursor selection = panel.box->textCursor();
        const std::optional<int> copies = services_.showPrintDialog(selection.hasSelection());
        if (!copies) return;

        QTextDocument formatted;
        formatted.setDefaultFont(fonts::panelFont());
        if (selection.hasSelection())
            QTextCursor(&formatted).insertFragment(selection.selection());
        else
            QTextCursor(&formatted).insertFragment(QTextDocumentFragment(panel.box->document()));
        services_.printFormatted(formatted);

        const QString text = panel.box->toPlainText();
        for (int copy = 1; copy <= *copies; ++copy) {
            services_.printerPrint(text);
            services_.printerEndDoc();
        }
    } catch (const std::exception&) {
        // Printing never ends the program.
    }
}
