#include "mainwindow/PanelEdit.h"
#include "mainwindow/frmSnibbet.h"
#include "platform/PlatformServices.h"

void frmSnibbet::Panel_MouseUp(Panel& panel, Qt::MouseButton button) {
    if (button == Qt::RightButton) services_.popupMenu(*panel.menu);
}

// The keystrokes go to the menu's own panel, the one whose selection was put
// on the clipboard, even when another control has the focus.
void frmSnibbet::mnuPanelCut_Click(Panel& panel) {
    services_.clipboardClear();
    services_.clipboardSetText(panel.box->selectedStoredText());
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
    panel.box->showStoredText(QString());
    panel.box->markChanged(true);
}
