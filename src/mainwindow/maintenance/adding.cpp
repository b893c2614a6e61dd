#include <QComboBox>

#include "mainwindow/ComboLists.h"
#include "mainwindow/frmSnibbet.h"
#include "mainwindow/maintenance/Words.h"
#include "platform/PlatformServices.h"
#include "store/Statements.h"
#include "store/Transaction.h"

namespace {

using store::Field;

// A new row is stored in three steps: appended with the table's defaults,
// reached as the last row, then given its fields.
void appendRow(store::RecordSet& rs) {
    rs.AddNew();
    rs.Update();
    rs.MoveLast();
}

void setFields(store::RecordSet& rs, std::initializer_list<std::pair<Field, QString>> fields) {
    rs.Edit();
    for (const auto& [field, value] : fields) rs.setText(field, value);
    rs.Update();
}

// The row that receives a new item: the category's placeholder when its first
// row is one (no name, or exactly "Empty"), otherwise a new row.
void chooseRowForNewItem(store::RecordSet& rs) {
    if (rs.isBOF() && rs.isEOF()) return appendRow(rs);
    rs.MoveFirst();
    const bool placeholder =
        rs.isNull(Field::ItemName) || rs.text(Field::ItemName) == QLatin1String("Empty");
    if (!placeholder) appendRow(rs);
}

}  // namespace

void frmSnibbet::addName(Level level) {
    const bool category = level == Level::Category;
    const QString name = services_.inputBox(words(level).addPrompt, words(level).addTitle);
    if (name.isEmpty() || refuseDuplicate(level, name)) return;

    // The rows of one add are stored as one unit: a crash or a full disk
    // halfway never leaves a nameless row behind.
    store::Transaction unit(dbLibrary);
    if (category) {
        store::RecordSet& categories = datCategory.Recordset();
        appendRow(categories);
        setFields(categories, {{Field::Category, name}});
        // The new category's placeholder item, listed as "Empty" until the
        // first item takes it over. Written by a statement rather than
        // through the item list's record set: before a category is chosen
        // that set is the whole table, and loading it only to append a row
        // would make this command slower the larger the library.
        store::addPlaceholderItem(dbLibrary, name);
        unit.commit();
        refillCategoryList();
    } else {
        store::RecordSet& items = datItems.Recordset();
        chooseRowForNewItem(items);
        setFields(items, {{Field::Category, cboCategory->currentText()}, {Field::ItemName, name}});
        unit.commit();
        datItems.Refresh();
        FindItems();
    }
}
