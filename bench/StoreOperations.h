#pragma once

#include <QString>
#include <QStringList>

#include "store/Library.h"
#include "store/RecordSet.h"

// The benchmarked operations done as the main window does them: through the
// store's data sources and record sets.
namespace bench::viaStore {

// Walks a data source over Table::Category, reading each name.
QStringList categoryNames(const store::Library& library);

// Walks the data source, reading each item's name.
QStringList itemNames(store::DataSource& items);

struct Texts {
    QString code, declares, notes;
};

// FindFirst on the item's name, then the three texts of the row it found.
Texts findTexts(store::RecordSet& items, const QString& name);

// Edit, setText(Field::Code, ...), Update on the current row.
void saveCode(store::RecordSet& items, const QString& code);

}  // namespace bench::viaStore
