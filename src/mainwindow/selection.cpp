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

// A choice that finds no row of the category (the list went stale) shows
// empty panels rather than some other item's texts.
void frmSnibbet::cboItems_Click() {
    store::RecordSet& rs = datItems.Recordset();
    const QString item = cboItems->currentText();
    if (item.isEmpty() || cboCategory->currentText().isEmpty() || (rs.isBOF() && rs.isEOF()))
        return;
    keepTypingBeforePanelsChange();
    rs.FindFirst(store::Field::ItemName, item);
    const bool found = !rs.NoMatch();
    rTxtCode->showStoredText(found ? rs.text(store::Field::Code) : QString());
    rTxtNotes->showStoredText(found ? rs.text(store::Field::Notes) : QString());
    rTxtDeclares->showStoredText(found ? rs.text(store::Field::Declares) : QString());
}
