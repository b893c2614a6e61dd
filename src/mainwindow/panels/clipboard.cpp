#include <QTextCursor>

#include "mainwindow/PanelEdit.h"
#include "mainwindow/frmSnibbet.h"
#include "platform/PlatformServices.h"

namespace {

QString selectedPlainText(const PanelEdit& box) {
    QString text = box.textCursor().selectedText();
    // A selection marks its line ends as paragraph or line separators.
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

}  // namespace

void frmSnibbet::Panel_MouseUp(Panel& panel, Qt::MouseButton button) {
    if (button == Qt::RightButton) services_.popupMenu(*panel.menu);
}

// The keystrokes go to the menu's own panel, the one whose selection was put
// on the clipboard, even when another control has the focus.
void frmSnibbet::mnuPanelCut_Click(Panel& panel) {
    services_.clipboardClear();
    services_.clipboardSetText(selectedPlainText(*panel.box));
    services_.sendKeys(QStringLiteral("+{Delete}"), panel.box);
}

// Cut and paste back at once: the text stays, the selection is gone, the
// caret stands after it, and the clipboard holds it.
void frmSnibbet::mnuPanelCopy_Click(Panel& panel) {
    mnuPanelCut_Click(panel);
    services_.sendKeys(QStringLiteral("+{INSERT}"), panel.box);
}

void frmSnibbet::mnuPanelPaste_Click(Panel& panel) {
    services_.sendKeys(QStringLiteral("+{INSERT}"), panel.box);
}

// Reaches the library when the panel next loses the focus, or when the window
// is closed with the panel still focused. Showing a text marks the panel
// unchanged, but clearing it is the user's change, so it is marked as one.
void frmSnibbet::mnuPanelClear_Click(Panel& panel) {
    panel.box->setPlainText(QString());
    panel.box->document()->setModified(true);
}
