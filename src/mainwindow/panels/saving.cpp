#include <QApplication>
#include <QComboBox>

#include "errors/Error.h"
#include "mainwindow/PanelEdit.h"
#include "mainwindow/Texts.h"
#include "mainwindow/frmSnibbet.h"
#include "mainwindow/panels/UnsavedText.h"
#include "platform/PlatformServices.h"
#include "store/NameCompare.h"

namespace {

const QString kSelectFirst =
    QStringLiteral("Please select a Category and a Code Item before you proceed.");

// The engine's code for a full disk, in the low byte of an error's number.
constexpr int kDiskFull = 13;

QString quoted(const QString& text) {
    return QStringLiteral("\"%1\"").arg(text);
}

// Typing that no item took goes onto the clipboard, for pasting into the
// item the user meant, in place of whatever was there.
void putOnClipboard(platform::PlatformServices& services, const QString& text) {
    services.clipboardClear();
    services.clipboardSetText(text);
}

// Keeps the text of `panel`, which no item took, in a file of its own; once
// it is kept there the panel counts as saved.
unsaved::Kept keepInFile(const QString& libraryPath, frmSnibbet::Panel& panel) {
    unsaved::Kept kept = unsaved::keep(
        libraryPath, QStringLiteral("Unsaved %1 text").arg(panel.box->accessibleName()),
        panel.box->storedText());
    if (kept.isKept()) panel.box->markChanged(false);
    return kept;
}

}  // namespace

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

// Writes the panel's text into the item the lists name, when they name one of
// the category whose items the Item list shows. A panel the user did not
// change has nothing to write: the item keeps its stored text exactly, also
// where the panel could not show it exactly (bytes that are no UTF-8).
frmSnibbet::PanelSave frmSnibbet::savePanel(Panel& panel) {
    store::RecordSet& rs = datItems.Recordset();
    const bool noRows = rs.isBOF() && rs.isEOF();
    if (cboItems->currentText().isEmpty() || cboCategory->currentText().isEmpty() || noRows)
        return PanelSave::NoSelection;
    // The Item list holds the items of the category last chosen from the
    // Category list; a category typed there since names other items.
    const store::RecordSource& source = datItems.recordSource();
    if (!source.isCategoryFilter() ||
        !store::namesEqual(source.category(), cboCategory->currentText()))
        return PanelSave::ListsOutOfStep;
    // A typed item name that the category does not hold: the text is never
    // written into another item's row.
    if (!findCurrentItem()) return PanelSave::NoSuchItem;
    rs.Edit();
    if (panel.box->isChanged()) rs.setText(panel.field, panel.box->storedText());
    rs.Update();
    panel.box->markChanged(false);
    return PanelSave::Saved;
}

// With no item to write to, the user is told so, and what was typed is never
// thrown away. Without a selection the panel is emptied, its typing kept on
// the clipboard and in a file first; otherwise the text stays in the panel, so
// that naming the right item and leaving again saves it.
void frmSnibbet::Panel_LostFocus(Panel& panel) {
    PanelSave outcome = PanelSave::Saved;
    try {
        outcome = savePanel(panel);
    } catch (const errors::Error& e) {
        if (e.number() == errors::TextChanged) {
            if (!saveOverAnotherProgramsText(panel, Telling::User)) {
                putOnClipboard(services_, panel.box->storedText());
                services_.messageBox(
                    e.text() + QStringLiteral("\n\nSnibbet could not keep that program's text "
                                              "in a file, so it has not written yours over it: "
                                              "yours stays in the panel, and is on the "
                                              "clipboard too."),
                    texts::kCautionTitle);
            }
            return;
        }
        if (e.number() == errors::RowChanged) return tellItemChangedElsewhere(panel, e.text());
        if ((e.number() & 0xff) == kDiskFull) return tellDiskFull(panel, e.text());
        throw;
    }
    // Where no item can take the text, a panel the user did not change has
    // nothing to lose, and nothing to tell but a missing selection.
    if (outcome != PanelSave::NoSelection && !panel.box->isChanged()) return;
    const QString category = cboCategory->currentText(), item = cboItems->currentText();
    const QString keepsIt = QStringLiteral(
        "It stays in the panel. Should you choose from the lists instead, Snibbet first puts it "
        "on the clipboard and into a file, for you to paste.");
    switch (outcome) {
        case PanelSave::Saved:
            return;
        case PanelSave::NoSelection: {
            const QString typed = panel.box->storedText();
            if (!panel.box->isChanged() || typed.isEmpty()) {
                services_.messageBox(kSelectFirst, texts::kCautionTitle);
                panel.box->showStoredText(QString());
                return;
            }
            putOnClipboard(services_, typed);
            const unsaved::Kept kept = keepInFile(dbLibrary.path(), panel);
            if (!kept.isKept()) {
                services_.messageBox(
                    kSelectFirst +
                        QStringLiteral("\n\nWhat you typed stays in this panel, and is on the "
                                       "clipboard too: Snibbet could not put it into a file, "
                                       "because %1.")
                            .arg(kept.problem),
                    texts::kCautionTitle);
                return;
            }
            services_.messageBox(
                kSelectFirst + QStringLiteral("\n\nWhat you typed is not lost: Snibbet has "
                                              "put it on the clipboard and into the file "
                                              "%1. Choose the category and the item, then "
                                              "paste it into the panel.")
                                   .arg(quoted(kept.file)),
                texts::kCautionTitle);
            panel.box->showStoredText(QString());
            return;
        }
        case PanelSave::NoSuchItem:
            services_.messageBox(
                QStringLiteral("The category %1 has no item named %2, so this text was not "
                               "saved. Type the name of one of its items into the Item list, "
                               "then leave the panel again. %3")
                    .arg(quoted(category), quoted(item), keepsIt),
                texts::kCautionTitle);
            return;
        case PanelSave::ListsOutOfStep: {
            const store::RecordSource& source = datItems.recordSource();
            const QString shown = source.isCategoryFilter()
                                      ? QStringLiteral(
                                            "but those of %1, the category last chosen from the "
                                            "Category list")
                                            .arg(quoted(source.category()))
                                      : QStringLiteral(
                                            "because no category has been chosen from the Category "
                                            "list yet");
            services_.messageBox(
                QStringLiteral("The Item list does not show the items of the category %1, %2, "
                               "so this text was not saved. It stays in the panel. To save it, "
                               "choose its category from the Category list and then its item: "
                               "Snibbet first puts the text on the clipboard and into a file, "
                               "for you to paste it into the panel.")
                    .arg(quoted(category), shown),
                texts::kCautionTitle);
            return;
        }
    }
}

// Another program changed the text since the panel showed it. Both survive:
// the user's text goes into the item, the other program's into a file. False
// when that file cannot be written: then the item keeps the other program's
// text, and the panel the user's.
bool frmSnibbet::saveOverAnotherProgramsText(Panel& panel, Telling telling) {
    store::RecordSet& rs = datItems.Recordset();
    const QString name = panel.box->accessibleName();
    const unsaved::Kept theirs =
        unsaved::keep(dbLibrary.path(), QStringLiteral("%1 text of another program").arg(name),
                      rs.text(panel.field));
    if (!theirs.isKept()) return false;
    rs.Edit();
    rs.setText(panel.field, panel.box->storedText());
    rs.Update();
    panel.box->markChanged(false);
    if (telling == Telling::User)
        services_.messageBox(
            QStringLiteral("Another program changed the %1 text of the item %2 while Snibbet "
                           "showed it. Snibbet has saved your text into the item, and kept the "
                           "other program's text in the file %3.")
                .arg(name, quoted(rs.text(store::Field::ItemName)), quoted(theirs.file)),
            texts::kCautionTitle);
    return true;
}

// Another program moved, renamed or deleted the item on show. The data
// sources are read again; where the item is still there under its name,
// leaving the panel again saves into it. Where it is not, the typing is kept
// on the clipboard and in a file, and the user is told once.
void frmSnibbet::tellItemChangedElsewhere(Panel& panel, const QString& text) {
    datCategory.Refresh();
    datItems.Refresh();
    store::RecordSet& rs = datItems.Recordset();
    const bool stillThere =
        !(rs.isBOF() && rs.isEOF()) &&
        (rs.FindFirst(store::Field::ItemName, cboItems->currentText()), !rs.NoMatch());
    if (stillThere) return reportChangedElsewhere(text);
    putOnClipboard(services_, panel.box->storedText());
    const unsaved::Kept kept = keepInFile(dbLibrary.path(), panel);
    const QString where =
        kept.isKept() ? QStringLiteral(
                            "Snibbet has put it on the clipboard and into the file %1. Choose "
                            "the category and the item again, then paste it into the panel.")
                            .arg(quoted(kept.file))
                      : QStringLiteral(
                            "It stays in the panel, and is on the clipboard too: Snibbet could "
                            "not put it into a file, because %1.")
                            .arg(kept.problem);
    services_.messageBox(
        text + QStringLiteral("\n\nThe category %1 has no item named %2 any more, so what you "
                              "typed was not saved. %3")
                   .arg(quoted(cboCategory->currentText()), quoted(cboItems->currentText()), where),
        texts::kProgramTitle);
}

// Nothing was written, and nothing of what the user typed is lost: it stays in
// the panel (and goes onto the clipboard), so that leaving the panel again
// once there is space saves it.
void frmSnibbet::tellDiskFull(Panel& panel, const QString& text) {
    putOnClipboard(services_, panel.box->storedText());
    services_.messageBox(text + QStringLiteral("\n\nWhat you typed stays in the panel, and is on "
                                               "the clipboard too. Once there is space, leave "
                                               "the panel again to save it."),
                         texts::kProgramTitle);
}

QString frmSnibbet::whyNotSaved(PanelSave outcome) const {
    switch (outcome) {
        case PanelSave::NoSelection:
            return QStringLiteral("the lists do not name a category and one of its items");
        case PanelSave::NoSuchItem:
            return QStringLiteral("the category %1 has no item named %2")
                .arg(quoted(cboCategory->currentText()), quoted(cboItems->currentText()));
        case PanelSave::ListsOutOfStep:
            return QStringLiteral("the Item list does not show the items of the category %1")
                .arg(quoted(cboCategory->currentText()));
        case PanelSave::Saved:
            break;
    }
    return {};
}

// Every way the program ends saves what the user typed first: the close box,
// the desktop closing the window while another one is active, the end of the
// session and a request to terminate. A text that no item can take is kept in
// a file beside the library, and the user is told where, when there is still a
// user to tell. Only where no file can be written does the message count on
// the clipboard, which lasts only while the message is open.
void frmSnibbet::savePanelsBeforeEnd(Telling telling) {
    for (Panel& panel : panels) {
        if (!panel.box->isChanged()) continue;
        QString why;
        try {
            const PanelSave outcome = savePanel(panel);
            if (outcome == PanelSave::Saved) continue;
            why = whyNotSaved(outcome);
        } catch (const errors::Error& e) {
            if (e.number() == errors::TextChanged && saveOverAnotherProgramsText(panel, telling))
                continue;
            QString problem = e.text();
            if (problem.endsWith(QLatin1Char('.'))) problem.chop(1);
            why = QStringLiteral("of a problem with the library: %1").arg(problem);
        }
        const unsaved::Kept kept = keepInFile(dbLibrary.path(), panel);
        if (telling == Telling::Quietly) continue;
        QString message =
            QStringLiteral(
                "What you typed into the %1 panel could not be saved into the library, "
                "because %2.")
                .arg(panel.box->accessibleName(), why);
        if (kept.isKept()) {
            message +=
                QStringLiteral(" Snibbet has kept it in the file %1.").arg(quoted(kept.file));
        } else {
            putOnClipboard(services_, panel.box->storedText());
            message += QStringLiteral(
                           " Snibbet could not write it into a file either, because %1. It is on "
                           "the clipboard: paste it somewhere safe before you press OK, because "
                           "Snibbet is closing.")
                           .arg(kept.problem);
        }
        services_.messageBox(message, texts::kCautionTitle);
    }
}

// A choice from the lists is about to show other texts in the panels, while a
// panel still holds typing that no item took (its save was refused). The
// typing goes into a file, and onto the clipboard when it is the only one, and
// the user is told where.
void frmSnibbet::keepTypingBeforePanelsChange() {
    QList<Panel*> typed;
    for (Panel& panel : panels)
        if (panel.box->isChanged() && !panel.box->storedText().isEmpty()) typed << &panel;
    if (typed.isEmpty()) return;
    if (typed.size() == 1) {
        putOnClipboard(services_, typed.first()->box->storedText());
    }
    QStringList told;
    for (Panel* panel : typed) {
        const unsaved::Kept kept = keepInFile(dbLibrary.path(), *panel);
        const QString lead = QStringLiteral(
                                 "What you typed into the %1 panel was not saved into "
                                 "any item.")
                                 .arg(panel->box->accessibleName());
        if (kept.isKept())
            told << lead + QStringLiteral(
                               " Snibbet has put it %1into the file %2: paste it into "
                               "the item you meant.")
                               .arg(typed.size() == 1 ? QStringLiteral("on the clipboard and ")
                                                      : QString(),
                                    quoted(kept.file));
        else
            told << lead + QStringLiteral(" Snibbet could not put it into a file, because %1%2.")
                               .arg(kept.problem,
                                    typed.size() == 1
                                        ? QStringLiteral(": it is on the clipboard, paste it "
                                                         "somewhere safe now")
                                        : QString());
    }
    services_.messageBox(told.join(QStringLiteral("\n\n")), texts::kCautionTitle);
}

// Snibbet ends after an error, without writing to the library again: what the
// user typed and could not save is kept in files, or, where none can be
// written, on the clipboard while the message is open. Returns what to tell.
QString frmSnibbet::keepTypingInFiles() {
    QStringList told, onClipboard;
    for (Panel& panel : panels) {
        if (!panel.box->isChanged() || panel.box->storedText().isEmpty()) continue;
        const unsaved::Kept kept = keepInFile(dbLibrary.path(), panel);
        if (kept.isKept()) {
            told << QStringLiteral("What you typed into the %1 panel is kept in the file %2.")
                        .arg(panel.box->accessibleName(), quoted(kept.file));
            continue;
        }
        onClipboard << panel.box->storedText();
        told << QStringLiteral(
                    "What you typed into the %1 panel could not be written into a "
                    "file, because %2. It is on the clipboard: paste it somewhere "
                    "safe before you press OK, because Snibbet is closing.")
                    .arg(panel.box->accessibleName(), kept.problem);
    }
    if (!onClipboard.isEmpty()) {
        putOnClipboard(services_, onClipboard.join(QStringLiteral("\n\n")));
    }
    return told.join(QLatin1Char('\n'));
}
