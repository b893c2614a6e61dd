#pragma once

#include <QByteArray>
#include <QList>

#include "store/StoredValue.h"

// The manifest of an export, "snibbet-export.json": for each folder the
// exact bytes, type and stored order of the name it stands for, and the type
// of each text file, so that the library can be rebuilt from the export
// exactly as it was.
namespace librarytool::manifest {

inline constexpr char kFileName[] = "snibbet-export.json";
inline constexpr int kVersion = 1;

struct Category {
    qint64 rowid = 0;
    store::StoredValue name;
    QByteArray folder;
};

struct Item {
    qint64 rowid = 0;
    store::StoredValue category, name;
    QByteArray folder;  // "category folder/item folder"
    store::StoredValue code, declares,
        notes;  // the types, and a number's value; the bytes are in the files
};

// Categories and items in stored order.
QByteArray write(const QList<Category>& categories, const QList<Item>& items);

}  // namespace librarytool::manifest
