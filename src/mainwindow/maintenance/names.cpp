#include <QComboBox>

#include "mainwindow/ComboLists.h"
#include "mainwindow/Texts.h"
#include "mainwindow/frmSnibbet.h"
#include "mainwindow/maintenance/Words.h"
#include "platform/PlatformServices.h"

// The current category or item: the text of its list.
QString frmSnibbet::current(Level level) const {
    return (level == Level::Category ? cboCategory : cboItems)->currentText();
}

const maintenance::Words& frmSnibbet::words(Level level) {
    return level == Level::Category ? maintenance::categoryWords() : maintenance::itemWords();
}

// After a change of the categories: both data sources read the file again,
// and the category list is emptied and filled anew, so that no category is
// current.
void frmSnibbet::refillCategoryList() {
    datCategory.Refresh();
    datItems.Refresh();
    combolists::empty(*cboCategory);
    PopCatList();
}

// A name counts as taken when the record set behind its list holds it in any
// letter case: every category, or the current category's items.
bool frmSnibbet::refuseDuplicate(Level level, const QString& name) {
    const bool category = level == Level::Category;
    store::RecordSet& rs = (category ? datCategory : datItems).Recordset();
    rs.FindFirst(category ? store::Field::Category : store::Field::ItemName, name);
    if (rs.NoMatch()) return false;
    services_.messageBox(words(level).caution(name), texts::kCautionTitle);
    return true;
}
