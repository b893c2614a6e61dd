#include <QComboBox>

#include "mainwindow/frmSnibbet.h"
#include "mainwindow/maintenance/Words.h"
#include "platform/PlatformServices.h"

// The current category or item: the text of its list.
QString frmSnibbet::current(Level level) const {
    return (level == Level::Category ? cboCategory : cboItems)->currentText();
}

// A name counts as taken when the record set behind its list holds it in any
// letter case: every category, or the current category's items.
bool frmSnibbet::refuseDuplicate(Level level, const QString& name) {
    const bool category = level == Level::Category;
    store::RecordSet& rs = (category ? datCategory : datItems).Recordset();
    rs.FindFirst(category ? store::Field::Category : store::Field::ItemName, name);
    if (rs.NoMatch()) return false;
    const maintenance::Words& words =
        category ? maintenance::categoryWords() : maintenance::itemWords();
    services_.messageBox(words.caution(name), maintenance::kCautionTitle);
    return true;
}
