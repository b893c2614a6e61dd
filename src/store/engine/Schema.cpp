#include "store/engine/Schema.h"

namespace store {

const std::array<TableShape, kLibraryTables>& libraryTables() {
    static const std::array<TableShape, kLibraryTables> tables{{
        {"Category", {"Category"}},
        {"Items", {"Category", "ItemName", "Code", "Declares", "Notes"}},
        {"TempCat", {"Category"}},
        {"TempItems", {"Category", "ItemName", "Code", "Declares", "Notes"}},
    }};
    return tables;
}

QByteArray fieldList(const TableShape& shape) {
    QByteArray fields;
    for (const char* field : shape.fields)
        fields += (fields.isEmpty() ? "" : ", ") + QByteArray(field);
    return fields;
}

const char* tableName(Table table) {
    return table == Table::Category ? "Category" : "Items";
}

}  // namespace store
