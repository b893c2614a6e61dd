#include "StoreOperations.h"

#include <stdexcept>

namespace bench::viaStore {

using store::Field;

QStringList categoryNames(const store::Library& library) {
    store::DataSource categories(library, store::RecordSource::wholeTable(store::Table::Category));
    store::RecordSet& rows = categories.Recordset();
    QStringList names;
    for (rows.MoveFirst(); !rows.isEOF(); rows.MoveNext()) names << rows.text(Field::Category);
    return names;
}

QStringList itemNames(store::DataSource& items) {
    store::RecordSet& rows = items.Recordset();
    QStringList names;
    for (rows.MoveFirst(); !rows.isEOF(); rows.MoveNext()) names << rows.text(Field::ItemName);
    return names;
}

Texts findTexts(store::RecordSet& items, const QString& name) {
    items.FindFirst(Field::ItemName, name);
    if (items.NoMatch()) throw std::runtime_error("no item named " + name.toStdString());
    return {items.text(Field::Code), items.text(Field::Declares), items.text(Field::Notes)};
}

void saveCode(store::RecordSet& items, const QString& code) {
    items.Edit();
    items.setText(Field::Code, code);
    items.Update();
}

}  // namespace bench::viaStore
