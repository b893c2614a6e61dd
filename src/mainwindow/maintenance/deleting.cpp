#include <QComboBox>

#include "mainwindow/ComboLists.h"
#include "mainwindow/frmSnibbet.h"
#include "store/Statements.h"

// Deletes at once, without a question; the panels keep what they show.
void frmSnibbet::deleteName(Level level) {
    if (level == Level::Category) {
        store::deleteCategory(dbLibrary, current(Level::Category));
        refillCategoryList();
        combolists::empty(*cboItems);
        PopItemsList();
    } else {
        store::deleteItem(dbLibrary, current(Level::Category), current(Level::Item));
        datItems.Refresh();
        FindItems();
    }
}
