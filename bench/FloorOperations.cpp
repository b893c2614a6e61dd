#include "FloorOperations.h"

#include <sqlite3.h>

#include <algorithm>
#include <stdexcept>

#include "Timing.h"
#include "store/NameCompare.h"
#include "store/TidyUp.h"

namespace bench::floor {
namespace {

bool sameName(std::string_view a, std::string_view b) {
    return store::compareNames(QByteArrayView(a.data(), static_cast<qsizetype>(a.size())),
                               QByteArrayView(b.data(), static_cast<qsizetype>(b.size()))) == 0;
}

std::vector<std::string> storedSpellings(BareConnection& db, std::string_view category) {
    std::vector<std::string> spellings;
    BareStatement first(db,
                        "SELECT Category FROM Items WHERE Category IS NOT NULL "
                        "ORDER BY Category LIMIT 1");
    BareStatement next(db,
                       "SELECT Category FROM Items WHERE Category > ? ORDER BY Category LIMIT 1");
    if (!first.step()) return spellings;
    std::string value(first.text(0));
    for (;;) {
        if (sameName(value, category)) spellings.push_back(value);
        next.reset();
        next.bindText(1, value);
        if (!next.step()) break;
        value = next.text(0);
    }
    return spellings;
}

// Runs `work` between BEGIN IMMEDIATE and COMMIT; a failure rolls back.
template <typename Work>
void inOneTransaction(BareConnection& db, Work&& work) {
    db.exec("BEGIN IMMEDIATE");
    try {
        work();
        db.exec("COMMIT");
    } catch (...) {
        db.exec("ROLLBACK");
        throw;
    }
}

// `sql` followed by an IN list holding the category's stored spellings, its
// leading placeholders bound to `leading`.
void runWithCategory(BareConnection& db, std::string sql,
                     std::initializer_list<std::string_view> leading,
                     const std::vector<std::string>& spellings) {
    if (spellings.empty()) return;
    sql += " (?";
    for (std::size_t i = 1; i < spellings.size(); ++i) sql += ", ?";
    sql += ")";
    BareStatement statement(db, sql.c_str());
    int index = 1;
    for (const std::string_view value : leading) statement.bindText(index++, value);
    for (const std::string& spelling : spellings) statement.bindText(index++, spelling);
    statement.step();
}

std::int64_t appendDefaultRow(BareConnection& db, const char* table) {
    db.exec((std::string("INSERT INTO ") + table + " DEFAULT VALUES").c_str());
    return sqlite3_last_insert_rowid(db.handle());
}

}  // namespace

void configure(BareConnection& db, const char* journalMode) {
    store::registerNameCollation(db.handle());
    db.exec((std::string("PRAGMA journal_mode=") + journalMode).c_str());
    db.exec("PRAGMA synchronous=FULL");
}

std::vector<std::string> categoryNames(BareConnection& db) {
    std::vector<std::string> names;
    BareStatement select(db, "SELECT rowid, Category FROM Category ORDER BY rowid");
    while (select.step()) names.emplace_back(select.text(1));
    return names;
}

std::vector<NamedRow> itemsOf(BareConnection& db, std::string_view category) {
    const std::vector<std::string> spellings = storedSpellings(db, category);
    std::vector<NamedRow> rows;
    if (spellings.empty()) return rows;
    std::string query = "SELECT rowid, ItemName FROM Items WHERE Category IN (?";
    for (std::size_t i = 1; i < spellings.size(); ++i) query += ", ?";
    query += ")";
    BareStatement select(db, query.c_str());
    for (std::size_t i = 0; i < spellings.size(); ++i)
        select.bindText(static_cast<int>(i) + 1, spellings[i]);
    while (select.step()) rows.push_back({select.int64(0), std::string(select.text(1))});
    std::sort(rows.begin(), rows.end(),
              [](const NamedRow& a, const NamedRow& b) { return a.id < b.id; });
    return rows;
}

Texts findTexts(BareConnection& db, const std::vector<NamedRow>& items, std::string_view name) {
    const auto found = std::find_if(items.begin(), items.end(),
                                    [&](const NamedRow& row) { return sameName(row.name, name); });
    if (found == items.end()) throw std::runtime_error("no item named " + std::string(name));
    BareStatement select(db, "SELECT Code, Declares, Notes FROM Items WHERE rowid = ?");
    select.bindInt64(1, found->id);
    if (!select.step()) throw std::runtime_error("the item vanished");
    return {std::string(select.text(0)), std::string(select.text(1)), std::string(select.text(2))};
}

Texts textsOf(BareConnection& db, std::int64_t id) {
    BareStatement select(db, "SELECT Code, Declares, Notes FROM Items WHERE rowid = ?");
    select.bindInt64(1, id);
    if (!select.step()) throw std::runtime_error("no row " + std::to_string(id));
    return {std::string(select.text(0)), std::string(select.text(1)), std::string(select.text(2))};
}

std::int64_t addItem(BareConnection& db, std::string_view category, std::string_view name) {
    std::int64_t id = 0;
    inOneTransaction(db, [&] {
        id = appendDefaultRow(db, "Items");
        BareStatement update(db, "UPDATE Items SET Category = ?, ItemName = ? WHERE rowid = ?");
        update.bindText(1, category);
        update.bindText(2, name);
        update.bindInt64(3, id);
        update.step();
    });
    return id;
}

void renameItem(BareConnection& db, std::string_view category, std::string_view oldName,
                std::string_view newName) {
    inOneTransaction(db, [&] {
        runWithCategory(db,
                        "UPDATE Items SET ItemName = ? "
                        "WHERE ItemName = ? COLLATE NAMECASE AND Category IN",
                        {newName, oldName}, storedSpellings(db, category));
    });
}

void deleteItem(BareConnection& db, std::string_view category, std::string_view name) {
    inOneTransaction(db, [&] {
        runWithCategory(db, "DELETE FROM Items WHERE ItemName = ? COLLATE NAMECASE AND Category IN",
                        {name}, storedSpellings(db, category));
    });
}

void addCategory(BareConnection& db, std::string_view name) {
    inOneTransaction(db, [&] {
        const std::int64_t category = appendDefaultRow(db, "Category");
        BareStatement updateCategory(db, "UPDATE Category SET Category = ? WHERE rowid = ?");
        updateCategory.bindText(1, name);
        updateCategory.bindInt64(2, category);
        updateCategory.step();
        const std::int64_t item = appendDefaultRow(db, "Items");
        BareStatement updateItem(db, "UPDATE Items SET Category = ? WHERE rowid = ?");
        updateItem.bindText(1, name);
        updateItem.bindInt64(2, item);
        updateItem.step();
    });
}

void renameCategory(BareConnection& db, std::string_view oldName, std::string_view newName) {
    inOneTransaction(db, [&] {
        BareStatement categories(db,
                                 "UPDATE Category SET Category = ? "
                                 "WHERE Category = ? COLLATE NAMECASE");
        categories.bindText(1, newName);
        categories.bindText(2, oldName);
        categories.step();
        runWithCategory(db, "UPDATE Items SET Category = ? WHERE Category IN", {newName},
                        storedSpellings(db, oldName));
    });
}

void deleteCategory(BareConnection& db, std::string_view name) {
    inOneTransaction(db, [&] {
        runWithCategory(db, "DELETE FROM Items WHERE Category IN", {}, storedSpellings(db, name));
        BareStatement categories(db, "DELETE FROM Category WHERE Category = ? COLLATE NAMECASE");
        categories.bindText(1, name);
        categories.step();
    });
}

void saveCode(BareConnection& db, std::int64_t id, std::string_view code) {
    BareStatement update(db, "UPDATE Items SET Code = ? WHERE rowid = ?");
    update.bindText(1, code);
    update.bindInt64(2, id);
    update.step();
}

void tidyUp(BareConnection& db) {
    db.exec("BEGIN IMMEDIATE");
    try {
        // The very statements of the store's tidy-up, in the same order.
        for (int step = 1; step <= store::TidyUp::kSteps; ++step)
            db.exec(store::TidyUp::statement(step));
        db.exec("COMMIT");
    } catch (...) {
        db.exec("ROLLBACK");
        throw;
    }
}

std::vector<double> tidyUpStepByStep(BareConnection& db) {
    std::vector<double> steps;
    db.exec("BEGIN IMMEDIATE");
    try {
        for (int step = 1; step <= store::TidyUp::kSteps; ++step)
            steps.push_back(millisecondsOf([&] { db.exec(store::TidyUp::statement(step)); }));
        steps.push_back(millisecondsOf([&] { db.exec("COMMIT"); }));
    } catch (...) {
        db.exec("ROLLBACK");
        throw;
    }
    return steps;
}

const char* tidyUpStatement(int step) {
    return store::TidyUp::statement(step);
}

}  // namespace bench::floor
