#pragma once

#include <QByteArray>
#include <array>
#include <vector>

#include "store/RecordSet.h"

// The library's tables and their fields, as Snibbet reads and writes them:
// for checking a file, converting one, and naming a table in a statement.
namespace store {

struct TableShape {
    const char* name;
    std::vector<const char*> fields;
};

inline constexpr std::size_t kLibraryTables = 4;
const std::array<TableShape, kLibraryTables>& libraryTables();

// "Category, ItemName, Code, Declares, Notes": the fields for a statement.
QByteArray fieldList(const TableShape& shape);

const char* tableName(Table table);

}  // namespace store
