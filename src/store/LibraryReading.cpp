#include "store/LibraryReading.h"

#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "store/Library.h"
#include "store/engine/Connection.h"
#include "store/engine/EngineErrors.h"
#include "store/engine/Sql.h"

namespace store {
namespace {

// A statement on the C interface, which reads each value once and without a
// copy: these loops run over every row of a library.
class Rows {
public:
    Rows(const Library& library, const char* sql) : db_(library.database().getHandle()) {
        sqlite3_stmt* prepared = nullptr;
        const int result = sqlite3_prepare_v2(db_, sql, -1, &prepared, nullptr);
        statement_.reset(prepared);
        if (result != SQLITE_OK) throw SQLite::Exception(db_, result);
    }
    bool next() {
        const int result = sqlite3_step(statement_.get());
        if (result == SQLITE_ROW) return true;
        if (result != SQLITE_DONE) throw SQLite::Exception(db_, result);
        return false;
    }
    qint64 id(int column) const { return sqlite3_column_int64(statement_.get(), column); }
    ValueView value(int column) const {
        sqlite3_stmt* const s = statement_.get();
        ValueView v;
        switch (sqlite3_column_type(s, column)) {
            case SQLITE_NULL:
                return v;
            case SQLITE_INTEGER:
                v.type = StoredValue::Type::Integer;
                v.integer = sqlite3_column_int64(s, column);
                break;
            case SQLITE_FLOAT:
                v.type = StoredValue::Type::Real;
                v.real = sqlite3_column_double(s, column);
                break;
            case SQLITE_BLOB:
                v.type = StoredValue::Type::Blob;
                break;
            default:
                v.type = StoredValue::Type::Text;
                break;
        }
        // After the number: its text replaces the number for later reads.
        const auto* bytes = v.type == StoredValue::Type::Blob
                                ? static_cast<const char*>(sqlite3_column_blob(s, column))
                                : reinterpret_cast<const char*>(sqlite3_column_text(s, column));
        v.bytes = QByteArrayView(bytes, sqlite3_column_bytes(s, column));
        return v;
    }

private:
    sqlite3* db_;
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> statement_{nullptr, sqlite3_finalize};
};

ValueView viewOf(const StoredValue& value) {
    return {value.type, QByteArrayView(value.utf8), value.integer, value.real};
}

// Without ORDER BY the engine reads both names from the items index instead
// of from the table with its long texts; the rows are put in order here.
void forEachItemName(const Library& library, const std::function<void(const ItemView&)>& visit) {
    struct Named {
        qint64 id;
        StoredValue category, name;
    };
    std::vector<Named> items;
    Rows rows(library, "SELECT rowid, Category, ItemName FROM Items");
    while (rows.next()) {
        Named item{rows.id(0), rows.value(1).stored(), rows.value(2).stored()};
        // The index hands the items over category by category: one copy of
        // each category's name serves all its items.
        if (!items.empty() && items.back().category == item.category)
            item.category = items.back().category;
        items.push_back(std::move(item));
    }
    std::sort(items.begin(), items.end(),
              [](const Named& a, const Named& b) { return a.id < b.id; });
    for (const Named& item : items) {
        ItemView view;
        view.id = item.id;
        view.category = viewOf(item.category);
        view.name = viewOf(item.name);
        visit(view);
    }
}

}  // namespace

StoredValue ValueView::stored() const {
    StoredValue value;
    value.type = type;
    value.utf8 = bytes.toByteArray();
    value.integer = integer;
    value.real = real;
    return value;
}

void forEachItem(const Library& library, ItemParts parts,
                 const std::function<void(const ItemView&)>& visit) {
    translatingEngineErrors([&] {
        if (parts == ItemParts::Names) return forEachItemName(library, visit);
        const bool names = parts == ItemParts::NamesAndTexts;
        Rows rows(library, names ? "SELECT rowid, Code, Declares, Notes, Category, ItemName "
                                   "FROM Items ORDER BY rowid"
                                 : "SELECT rowid, Code, Declares, Notes FROM Items ORDER BY rowid");
        ItemView view;
        while (rows.next()) {
            view.id = rows.id(0);
            view.code = rows.value(1);
            view.declares = rows.value(2);
            view.notes = rows.value(3);
            if (names) {
                view.category = rows.value(4);
                view.name = rows.value(5);
            }
            visit(view);
        }
    });
}

QList<CategoryRow> categoryRows(const Library& library) {
    return translatingEngineErrors([&] {
        QList<CategoryRow> categories;
        Rows rows(library, "SELECT rowid, Category FROM Category ORDER BY rowid");
        while (rows.next()) categories.append({rows.id(0), rows.value(1).stored()});
        return categories;
    });
}

RowCounts countRows(const Library& library) {
    return translatingEngineErrors([&] {
        SQLite::Database& db = library.database();
        return RowCounts{db.execAndGet("SELECT count(*) FROM Category").getInt64(),
                         db.execAndGet("SELECT count(*) FROM Items").getInt64()};
    });
}

QStringList integrityProblems(const Library& library) {
    return translatingEngineErrors([&] {
        QStringList problems;
        SQLite::Statement check(library.database(), "PRAGMA integrity_check(10)");
        while (check.executeStep()) problems << QString::fromUtf8(sql::columnUtf8(check, 0));
        if (problems == QStringList{QStringLiteral("ok")}) problems.clear();
        return problems;
    });
}

ReadSnapshot::ReadSnapshot(const Library& library) : library_(library) {
    translatingEngineErrors([&] { library.database().exec("BEGIN DEFERRED"); });
}

ReadSnapshot::~ReadSnapshot() {
    try {
        library_.database().exec("COMMIT");
    } catch (...) {
        // A read transaction holds nothing to keep; closing ends it anyway.
    }
}

}  // namespace store
