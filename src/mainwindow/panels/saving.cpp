#include <QApplication>
#include <QComboBox>

#include "errors/Error.h"
#include "mainwindow/PanelEdit.h"
#include "mainwindow/Texts.h"
#include "mainwindow/frmSnibbet.h"
#include "mainwindow/maintenance/Words.h"
#include "mainwindow/panels/UnsavedText.h"
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

// Writes the panel's text into the current item, when the lists name one.
// A panel the user did not change has nothing to write: the item keeps its
// stored text exactly, also where the panel could not show it exactly (bytes
// that are no UTF-8).
frmSnibbet::PanelSave frmSnibbet::savePanel(Panel& panel) {
    store::RecordSet& rs = datItems.Recordset();
    const bool noRows = rs.isBOF() && rs.isEOF();
    if (cboItems->currentText().isEmpty() || cboCategory->currentText().isEmpty() || noRows)
        return PanelSave::NoSelection;
    // A typed item name that the category does not hold: the text is never
    // written into another item's row.
    if (!findCurrentItem()) return PanelSave::NoSuchItem;
    rs.Edit();
    if (panel.box->isChanged()) rs.setText(panel.field, panel.box->storedText());
    rs.Update();
    panel.box->markChanged(false);
    return PanelSave::Saved;
}

// With no item to write to, the user is told so: without a selection the panel
// is emptied; with an item name the category lacks, the text stays in the
// panel, and the way out is to type a name it holds, since choosing an item
// from the list would show that item's texts and so lose this one.
void frmSnibbet::Panel_LostFocus(Panel& panel) {
    switch (savePanel(panel)) {
        case PanelSave::Saved:
            return;
        case PanelSave::NoSelection:
            services_.messageBox(
                QStringLiteral("Please select a Category and a Code Item before you proceed."),
                texts::kCautionTitle);
            panel.box->showStoredText(QString());
            return;
        case PanelSave::NoSuchItem:
            services_.messageBox(
                QStringLiteral("The category \"%1\" has no item named \"%2\", so this text "
                               "was not saved. Type the name of one of its items into the "
                               "Item list, then leave the panel again. Choosing an item from "
                               "the list would show that item's texts in place of this one.")
                    .arg(cboCategory->currentText(), cboItems->currentText()),
                texts::kCautionTitle);
            return;
    }
}

namespace {

// Keeps a panel's text in a file of its own, which counts as keeping it: the
// file's path, or the empty text when it could not be written.
QString keepInFile(const QString& libraryPath, frmSnibbet::Panel& panel) {
    QString file = unsaved::keep(libraryPath, panel.box->accessibleName(), panel.box->storedText());
    panel.box->markChanged(false);
    return file;
}

}  // namespace

// Every way the program ends saves what the user typed first: the close box,
// the desktop closing the window while another one is active, the end of the
// session and a request to terminate. A text that no item can take is kept in
// a file beside the library, and on the clipboard, and the user is told where,
// when there is still a user to tell.
void frmSnibbet::savePanelsBeforeEnd(Telling telling) {
    for (Panel& panel : panels) {
        if (!panel.box->isChanged()) continue;
        QString why;
        try {
            const PanelSave outcome = savePanel(panel);
            if (outcome == PanelSave::Saved) continue;
            why = outcome == PanelSave::NoSelection
                      ? QStringLiteral("the lists do not name a category and one of its items")
                      : QStringLiteral("the category \"%1\" has no item named \"%2\"")
                            .arg(cboCategory->currentText(), cboItems->currentText());
        } catch (const errors::Error& e) {
            QString problem = e.text();
            if (problem.endsWith(QLatin1Char('.'))) problem.chop(1);
            why = QStringLiteral("of a problem with the library: %1").arg(problem);
        }
        const QString file = keepInFile(dbLibrary.path(), panel);
        if (telling == Telling::Quietly) continue;
        services_.clipboardClear();
        services_.clipboardSetText(panel.box->storedText());
        services_.messageBox(unsaved::report(panel.box->accessibleName(), why, file),
                             texts::kCautionTitle);
    }
}

// Snibbet ends after an error, without writing to the library again: what the
// user typed and could not save is kept in files. Returns what to tell.
QString frmSnibbet::keepTypingInFiles() {
    QStringList told;
    for (Panel& panel : panels) {
        if (!panel.box->isChanged()) continue;
        const QString file = keepInFile(dbLibrary.path(), panel);
        if (!file.isEmpty())
            told << QStringLiteral("What you typed into the %1 panel is kept in the file \"%2\".")
                        .arg(panel.box->accessibleName(), file);
    }
    return told.join(QLatin1Char('\n'));
}
