#include <QComboBox>

#include "mainwindow/ComboLists.h"
#include "mainwindow/PanelEdit.h"
#include "mainwindow/frmSnibbet.h"

void frmSnibbet::PopCatList() {
    combolists::append(*cboCategory, datCategory.Recordset().texts(store::Field::Category));
}

void frmSnibbet::PopItemsList() {
    combolists::append(*cboItems, datItems.Recordset().texts(store::Field::ItemName));
}

void frmSnibbet::FindItems() {
    datItems.setRecordSource(store::RecordSource::itemsOf(cboCategory->currentText()));
    datItems.Refresh();
    combolists::empty(*cboItems);
    PopItemsList();
}

void frmSnibbet::cboCategory_Click() {
    keepTypingBeforePanelsChange();
    for (PanelEdit* panel : {rTxtCode, rTxtDeclares, rTxtNotes}) panel->showStoredText(QString());
    FindItems();
}

// Makes the current item's row current in datItems. An entry chosen from the
// list leads to its own row, also where two entries name their rows alike
// (names that differ in letter case only, or in bytes that are no UTF-8, as
// another tool may store them); a name typed into the list leads to the first
// row of that name. False when the category holds no such item.
bool frmSnibbet::findCurrentItem() {
    store::RecordSet& rs = datItems.Recordset();
    const QString item = cboItems->currentText();
    const int entry = cboItems->currentIndex();
    // The list was filled from the set's rows in their order; the name is
    // checked all the same, in case the set was read again since.
    if (entry >= 0 && cboItems->itemText(entry) == item && rs.MoveTo(entry) &&
        rs.text(store::Field::ItemName) == item)
        return true;
    rs.FindFirst(store::Field::ItemName, item);
    return !rs.NoMatch();
}

// A choice that finds no row of the category (the list went stale) shows
// empty panels rather than some other item's texts.
void frmSnibbet::cboItems_Click() {
    store::RecordSet& rs = datItems.Recordset();
    const QString item = cboItems->currentText();
    if (item.isEmpty() || cboCategory->currentText().isEmpty() || (rs.isBOF() && rs.isEOF()))
        return;
    keepTypingBeforePanelsChange();
    const bool found = findCurrentItem();
    rTxtCode->showStoredText(found ? rs.text(store::Field::Code) : QString());
    rTxtNotes->showStoredText(found ? rs.text(store::Field::Notes) : QString());
    rTxtDeclares->showStoredText(found ? rs.text(store::Field::Declares) : QString());
}
