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

// As a cut and a paste back at once: the clipboard holds the selection, the
// selection is gone and the caret stands after it. Done directly, so that the
// text is not changed at all: a panel left after a Copy writes nothing.
void frmSnibbet::mnuPanelCopy_Click(Panel& panel) {
    services_.clipboardClear();
    services_.clipboardSetText(panel.box->selectedStoredText());
    panel.box->copyExactly();
}

void frmSnibbet::mnuPanelPaste_Click(Panel& panel) {
    services_.sendKeys(QStringLiteral("+{INSERT}"), panel.box);
}

// Reaches the library when the panel next loses the focus, or when the window
// is closed with the panel still focused. Like cutting everything, it is one
// step that undo takes back.
void frmSnibbet::mnuPanelClear_Click(Panel& panel) {
    panel.box->clearAll();
}
