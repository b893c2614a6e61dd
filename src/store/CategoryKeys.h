#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace store {

class Library;

// The category names, exactly as stored in Items, that equal `category` when
// letter case is ignored. Statements then match items by these exact values,
// which the items index answers directly, instead of folding the case of every
// row of the table.
QList<QByteArray> storedCategorySpellings(const Library& library, const QString& category);

}  // namespace store
