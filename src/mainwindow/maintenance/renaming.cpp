#include <QComboBox>

#include "mainwindow/ComboLists.h"
#include "mainwindow/frmSnibbet.h"
#include "mainwindow/maintenance/Words.h"
#include "platform/PlatformServices.h"
#include "store/Statements.h"

// The new name is used exactly as typed. An unchanged name (letter case
// counts) is no rename; a name taken in any letter case is refused.
void frmSnibbet::renameName(Level level) {
    const bool category = level == Level::Category;
    const QString oldName = current(level);
    const QString newName = services_.inputBox(
        QStringLiteral("Rename ") + oldName + QStringLiteral(" As:"), words(level).renameTitle);
    if (newName.isEmpty() || newName == oldName || refuseDuplicate(level, newName)) return;

    if (category) {
        store::renameCategory(dbLibrary, oldName, newName);
        refillCategoryList();
        // The item list keeps its entries, but no item is current any more.
        cboItems->setCurrentIndex(-1);
        cboItems->setEditText(QString());
    } else {
        store::renameItem(dbLibrary, current(Level::Category), oldName, newName);
        datItems.Refresh();
        combolists::empty(*cboItems);
        PopItemsList();
    }
}
