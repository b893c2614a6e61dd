// Closing, beside its floor: the first close of an untidy library, the close
// after a small change to a tidy one, and the close of a file an older
// version left twice its size. Each is timed in a fresh process from the
// close request to the process's end, the last checkpoint included.
#include <sqlite3.h>
#include <unistd.h>

#include <set>

#include "BenchKit.h"
#include "store/Library.h"
#include "store/RecordSet.h"
#include "store/Statements.h"
#include "store/TidyUp.h"
#include "store/engine/Connection.h"

namespace bench {
namespace {

using store::Field;

// The changes a session makes before its close, in the middle category.
constexpr const char* kChanges[] = {"none", "add_item", "rename_item", "delete_item",
                                    "add_category"};

void change(const store::Library& library, const std::string& what) {
    if (what == "none" || what == "first") return;
    const QStringList categories = categoryNames(library);
    const QString& category = categories[categories.size() / 2];
    store::DataSource items(library, store::RecordSource::itemsOf(category));
    store::RecordSet& rows = items.Recordset();
    rows.MoveFirst();
    const QString item = rows.text(Field::ItemName);
    if (what == "add_item") {
        rows.AddNew();
        rows.setText(Field::Category, category);
        rows.setText(Field::ItemName, QStringLiteral("Bench made item"));
        rows.Update();
    } else if (what == "rename_item") {
        store::renameItem(library, category, item, QStringLiteral("Bench renamed item"));
    } else if (what == "delete_item") {
        store::deleteItem(library, category, item);
    } else if (what == "add_category") {
        store::DataSource all(library, store::RecordSource::wholeTable(store::Table::Category));
        all.Recordset().AddNew();
        all.Recordset().setText(Field::Category, QStringLiteral("Bench made category"));
        all.Recordset().Update();
        store::addPlaceholderItem(library, QStringLiteral("Bench made category"));
    } else {
        throw std::runtime_error("no such change: " + what);
    }
}

// Every row's id by its table and names.
std::map<std::string, std::int64_t> rowIds(SQLite::Database& db) {
    SQLite::Statement rows(db,
                           "SELECT 'Category', rowid, quote(Category) FROM Category UNION ALL "
                           "SELECT 'Items', rowid, quote(Category) || quote(ItemName) FROM Items");
    std::map<std::string, std::int64_t> ids;
    while (rows.executeStep())
        ids[rows.getColumn(0).getString() + " " + rows.getColumn(2).getString()] =
            rows.getColumn(1).getInt64();
    return ids;
}

std::map<std::string, std::int64_t> rowIds(const QString& folder) {
    store::Connection db(store::Library::pathIn(folder), SQLite::OPEN_READONLY);
    return rowIds(db);
}

// The floor: the close's result reached with the SQLite C API alone, on the
// library's own connection, in one transaction: the rewrite's statements from
// store::TidyUp::statement, or the row moves that take the library to
// `reference` (the store's close of the same change), then the pages given
// back. Named, so that step by step each can be a figure.
using Statements = std::vector<std::pair<std::string, std::string>>;

Statements floorStatements(const store::Library& library, const char* reference) {
    Statements sql;
    if (reference) {
        // Through negative ids, which no row holds, as a move may take an id
        // that another row gives up.
        const auto target = rowIds(QString::fromLocal8Bit(reference));
        std::set<std::string> tables;
        for (const auto& [key, id] : rowIds(library.database())) {
            const auto to = target.find(key);
            if (to == target.end() || to->second == id) continue;
            tables.insert(key.substr(0, key.find(' ')));
            sql.emplace_back("move", "UPDATE " + key.substr(0, key.find(' ')) +
                                         " SET rowid = " + std::to_string(-to->second) +
                                         " WHERE rowid = " + std::to_string(id));
        }
        for (const std::string& table : tables)
            sql.emplace_back("move", "UPDATE " + table + " SET rowid = -rowid WHERE rowid < 0");
    } else {
        for (int step = 1; step <= store::TidyUp::kSteps; ++step)
            sql.emplace_back("step" + std::to_string(100 + step).substr(1),
                             store::TidyUp::statement(library, step).toStdString());
    }
    sql.emplace_back("vacuum", "PRAGMA incremental_vacuum");
    sql.emplace_back("commit", "COMMIT");
    return sql;
}

void runFloor(const store::Library& library, const Statements& sql, bool steps) {
    sqlite3* db = library.database().getHandle();
    const auto exec = [db](const std::string& statement) {
        if (sqlite3_exec(db, statement.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
            throw std::runtime_error(statement + ": " + sqlite3_errmsg(db));
    };
    exec("BEGIN IMMEDIATE");
    for (const auto& step : sql) {
        const double seconds = secondsOf([&] { exec(step.second); });
        if (steps) report((step.first + "_ms").c_str(), seconds * 1e3);
    }
}

// A library as an older version left it: it gives no pages back (auto_vacuum
// NONE), and its close copied every row into the scratch tables and back
// inside the file, which doubled it.
QString olderCopy(const QString& source, const std::string& folder) {
    QString copy = copyLibrary(source, folder);
    store::Library::open(copy).database().exec(
        "PRAGMA auto_vacuum = NONE; VACUUM; BEGIN;"
        "INSERT INTO TempCat SELECT * FROM Category ORDER BY Category COLLATE NAMECASE;"
        "INSERT INTO TempItems SELECT * FROM Items "
        "ORDER BY Category COLLATE NAMECASE, ItemName COLLATE NAMECASE;"
        "DELETE FROM Category; DELETE FROM Items;"
        "INSERT INTO Category SELECT * FROM TempCat ORDER BY rowid;"
        "INSERT INTO Items SELECT * FROM TempItems ORDER BY rowid;"
        "DELETE FROM TempCat; DELETE FROM TempItems; COMMIT");
    if (usedShare(copy) > 0.6) throw std::runtime_error("the older library did not double");
    return copy;
}

// One size: the generated (untidy) library, and made when first needed a
// tidied copy and one as an older version left it.
struct Size {
    explicit Size(std::int64_t n)
        : items(n),
          source(ensureLibrary(options.dataDir, {.items = n})),
          work(options.work + "/close") {}
    const QString& tidied() {
        if (tidied_.isEmpty()) tidied_ = tidiedCopy(source, work + "/tidied");
        return tidied_;
    }
    const QString& older() {
        if (older_.isEmpty()) older_ = olderCopy(source, work + "/older");
        return older_;
    }
    QString copy(const QString& from, const char* name) const {
        return copyLibrary(from, work + "/" + name);
    }
    // A close in a fresh process, of `how` ("store", or the floor's), after
    // `what` changed; its milliseconds, and with `counters` its figures.
    static double close(State& state, const char* how, const QString& folder, const char* what,
                        bool counters = true, const QString& reference = {}) {
        QStringList arguments{QStringLiteral("close"), QLatin1String(how), folder,
                              QLatin1String(what)};
        if (!reference.isEmpty()) arguments << reference;
        return closedInChild(state, arguments, counters);
    }

    const std::int64_t items;
    const QString source;
    const std::string work;
    QString tidied_, older_;
};

OneSize<Size> sizes("close/");

}  // namespace

// argv: this program, --child, close, how, the library's folder, the change,
// and for the floor of a change the folder of the store's result.
int closeChild(int argc, char** argv) {
    const std::string how = argv[3];
    std::optional<store::Library> library(store::Library::open(QString::fromLocal8Bit(argv[4])));
    change(*library, argv[5]);
    if (how.ends_with("rollback")) setJournalMode(*library, "DELETE");
    const bool floor = how.starts_with("floor");
    const Statements sql =
        floor ? floorStatements(*library, argc > 6 ? argv[6] : nullptr) : Statements{};
    ::sync();
    report("close_requested_at_ms", nowMs());
    const double tidy = secondsOf([&] {
        if (floor)
            runFloor(*library, sql, how.find("steps") != std::string::npos);
        else if (!store::TidyUp::run(*library))
            throw std::runtime_error("the close failed");
    });
    const double release = secondsOf([&] { library.reset(); });
    report("tidy_ms", tidy * 1e3);
    report("release_ms", release * 1e3);
    report("peak_MB", memoryNow().peak);
    return 0;
}

void registerClose(std::int64_t items) {
    sizes.add(items, "first", 5, "<= 8.5 s, share >= 0.9", [](State& state, Size& s) {
        for (auto _ : state) {
            const QString folder = s.copy(s.source, "store");
            state.SetIterationTime(Size::close(state, "store", folder, "first") / 1e3);
            requireTidy(folder);
            state.counters["share"] = usedShare(folder);
            for (const char* how : {"floor", "floor_rollback"}) {
                const QString copy = s.copy(s.source, how);
                state.counters[std::string(how) + "_ms"] =
                    Size::close(state, how, copy, "first", false);
                requireTidy(copy);
            }
        }
    });
    for (const char* what : kChanges)
        sizes.add(
            items, std::string("after_") + what, 5, "< 300 ms", [what](State& state, Size& s) {
                for (auto _ : state) {
                    const QString folder = s.copy(s.tidied(), "store");
                    const QString floor = s.copy(s.tidied(), "floor");
                    state.SetIterationTime(Size::close(state, "store", folder, what) / 1e3);
                    requireTidy(folder);
                    state.counters["share"] = usedShare(folder);
                    state.counters["floor_ms"] =
                        Size::close(state, "floor", floor, what, false, folder);
                    if (rowIds(floor) != rowIds(folder))
                        throw std::runtime_error("the floor did not reach the close's result");
                }
            });
    sizes.add(items, "older_file", 3, "share >= 0.9", [](State& state, Size& s) {
        for (auto _ : state) {
            const QString folder = s.copy(s.older(), "store");
            state.counters["share_before"] = usedShare(folder);
            state.SetIterationTime(Size::close(state, "store", folder, "none") / 1e3);
            state.counters["share"] = usedShare(folder);
            for (const char* what : {"add_item", "delete_item"})
                state.counters[std::string("then_") + what + "_ms"] =
                    Size::close(state, "store", folder, what, false);
            requireTidy(folder);
            state.counters["share_later"] = usedShare(folder);
        }
    });
    if (!isLargest(items)) return;
    // Where the time of the floor's rewrite goes, once at the largest size.
    for (const char* how : {"floor_steps", "floor_steps_rollback"})
        sizes.add(items, how, 1, "", [how](State& state, Size& s) {
            for (auto _ : state)
                state.SetIterationTime(Size::close(state, how, s.copy(s.source, "floor"), "first") /
                                       1e3);
        });
}

}  // namespace bench
