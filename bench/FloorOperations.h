#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "BareSqlite.h"

// The floor: each benchmarked operation done the shortest way the SQLite C API
// allows, with the same collation, pragmas and statements as the store. What
// the store spends above this is the price of its own layers.
namespace bench::floor {

// Registers the name collation and sets the journal mode and a full sync, as
// the store does on every connection. `journalMode` is "WAL" or "DELETE".
void configure(BareConnection& db, const char* journalMode);

std::vector<std::string> categoryNames(BareConnection& db);

struct NamedRow {
    std::int64_t id;
    std::string name;
};

// The category's items in stored order, found through the same walk over the
// distinct stored spellings and the same index-only query as the store.
std::vector<NamedRow> itemsOf(BareConnection& db, std::string_view category);

struct Texts {
    std::string code, declares, notes;
};

// The first of `items` whose name equals `name` ignoring case, and its texts.
Texts findTexts(BareConnection& db, const std::vector<NamedRow>& items, std::string_view name);

// One UPDATE in autocommit mode: durable when it returns.
void saveCode(BareConnection& db, std::int64_t id, std::string_view code);

// The three texts of one row.
Texts textsOf(BareConnection& db, std::int64_t id);

// The maintenance commands' statements as the store makes them, each command
// in one transaction (BEGIN IMMEDIATE ... COMMIT). Adding appends a row of
// the table's defaults and then sets its fields; renaming and deleting match
// the category by the stored spellings the same walk finds.
std::int64_t addItem(BareConnection& db, std::string_view category, std::string_view name);
void renameItem(BareConnection& db, std::string_view category, std::string_view oldName,
                std::string_view newName);
void deleteItem(BareConnection& db, std::string_view category, std::string_view name);
void addCategory(BareConnection& db, std::string_view name);
void renameCategory(BareConnection& db, std::string_view oldName, std::string_view newName);
void deleteCategory(BareConnection& db, std::string_view name);

// The store's twelve tidy-up statements in one transaction.
void tidyUp(BareConnection& db);

// The same, returning the milliseconds of each statement and, last, of the
// commit: where the time of the tidy-up goes.
std::vector<double> tidyUpStepByStep(BareConnection& db);

// The tidy-up's statement number `step` (1 to 12).
const char* tidyUpStatement(int step);

}  // namespace bench::floor
