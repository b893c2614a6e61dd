#pragma once

#include <QList>
#include <QString>

#include "store/engine/Sql.h"

namespace store {

class Library;

// The category values, exactly as stored in Items, whose text equals
// `category` when letter case is ignored. Statements then match items by
// these exact values, which the items index answers directly, instead of
// folding the case of every row of the table.
QList<StoredValue> storedCategorySpellings(const Library& library, const QString& category);

}  // namespace store
