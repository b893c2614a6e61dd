#include <QComboBox>

#include "mainwindow/frmSnibbet.h"
#include "mainwindow/maintenance/Lists.h"
#include "store/Statements.h"

// Deletes at once, without a question; the panels keep what they show.
void frmSnibbet::deleteName(Level level) {
    if (level == Level::Category) {
        store::deleteCategory(dbLibrary, current(Level::Category));
        datCategory.Refresh();
        datItems.Refresh();
        maintenance::emptyList(*cboCategory);
        PopCatList();
        maintenance::emptyList(*cboItems);
        PopItemsList();
    } else {
        store::deleteItem(dbLibrary, current(Level::Category), current(Level::Item));
        datItems.Refresh();
        FindItems();
    }
}
