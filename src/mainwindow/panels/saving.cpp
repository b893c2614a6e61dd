#include <QApplication>
#include <QComboBox>

#include "mainwindow/PanelEdit.h"
#include "mainwindow/frmSnibbet.h"
#include "mainwindow/maintenance/Words.h"
#include "platform/PlatformServices.h"

// A panel's text is saved when the user moves the focus to another control of
// this window, by mouse or keyboard. Opening a menu, a dialog or another
// program takes the focus only for a while and is no save point: the text is
// saved when the user then leaves the panel for good.
bool frmSnibbet::isSavePoint(Qt::FocusReason reason) const {
    switch (reason) {
        case Qt::PopupFocusReason:
        case Qt::MenuBarFocusReason:
        case Qt::ActiveWindowFocusReason:
            return false;
        default: {
            const QWidget* next = QApplication::focusWidget();
            return next && next->window() == this;
        }
    }
}

// Writes the panel's plain text into the current item. With no item to write
// to, the user is told so and the panel is emptied.
void frmSnibbet::Panel_LostFocus(Panel& panel) {
    store::RecordSet& rs = datItems.Recordset();
    const bool noRows = rs.isBOF() && rs.isEOF();
    const QString category = cboCategory->currentText();
    const QString item = cboItems->currentText();
    if (item.isEmpty() || category.isEmpty() || noRows) {
        services_.messageBox(
            QStringLiteral("Please select a Category and a Code Item before you proceed."),
            maintenance::kCautionTitle);
        panel.box->setPlainText(QString());
        panel.box->document()->setModified(false);
        return;
    }
    rs.FindFirst(store::Field::ItemName, item);
    if (rs.NoMatch()) {
        // A typed item name that the category does not hold: the text is kept
        // in the panel and never written into another item's row. The way out
        // is to type a name it holds: choosing an item from the list would
        // show that item's texts and so lose this one.
        services_.messageBox(
            QStringLiteral("The category \"%1\" has no item named \"%2\", so this text "
                           "was not saved. Type the name of one of its items into the "
                           "Item list, then leave the panel again. Choosing an item from "
                           "the list would show that item's texts in place of this one.")
                .arg(category, item),
            maintenance::kCautionTitle);
        return;
    }
    rs.Edit();
    rs.setText(panel.field, panel.box->toPlainText());
    rs.Update();
    panel.box->document()->setModified(false);
}

// Closing the window with the close box moves no focus; the panel being
// edited is saved first, so that closing never loses typing.
void frmSnibbet::savePanelBeforeClosing() {
    if (cboCategory->currentText().isEmpty() || cboItems->currentText().isEmpty()) return;
    for (Panel& panel : panels)
        if (panel.box->hasFocus() && panel.box->document()->isModified()) Panel_LostFocus(panel);
}
