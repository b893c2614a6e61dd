// The store's operations, as the main window calls them; whether the
// checkpoint worker earns its place; converting the earlier version's Jet
// file.
#include <unistd.h>

#include <QProcess>
#include <array>
#include <filesystem>
#include <fstream>
#include <optional>

#include "BenchKit.h"
#include "jet/Database.h"
#include "jet/ReaderProcess.h"
#include "store/JetConversion.h"
#include "store/Library.h"
#include "store/RecordSet.h"
#include "store/Statements.h"
#include "store/engine/Connection.h"
#include "store/engine/Schema.h"

namespace bench {
namespace {

using store::Field;

// Every save writes a text the row does not hold yet (the engine skips a
// cell whose bytes are unchanged).
double save(store::RecordSet& rows, int number) {
    const QString text = rows.text(Field::Code) + QStringLiteral("\n// saved %1").arg(number);
    return secondsOf([&] {
        rows.Edit();
        rows.setText(Field::Code, text);
        rows.Update();
    });
}

// A tidied library open for a run of maintenance commands, the checkpoint
// made by the worker or, with `engine`, inside the commit that fills the log.
struct Session {
    Session(const QString& source, const std::string& folder, bool engine)
        : library(store::Library::open(tidiedCopy(source, folder))), names(categoryNames(library)) {
        // Replaces the worker's hook on the connection with the engine's own.
        if (engine) library.database().exec("PRAGMA wal_autocheckpoint=1000");
        items.emplace(library, store::RecordSource::itemsOf(names[names.size() / 2]));
        items->Recordset().MoveLast();
        ::sync();
    }
    const store::Library library;
    QStringList names;
    std::optional<store::DataSource> items;
    int commands = 0;
};

// One size: a copy for opening, which no other connection holds, and two
// open copies, one switched to a rollback journal. Choosing, finding and
// saving work on the middle category of the list and its last item in stored
// order, the longest search.
struct Size {
    explicit Size(std::int64_t n)
        : items(n),
          source(ensureLibrary(options.dataDir, {.items = n})),
          opening(copyLibrary(source, options.work + "/open")),
          library(store::Library::open(copyLibrary(source, options.work + "/library"))),
          rollback(store::Library::open(copyLibrary(source, options.work + "/rollback"))) {
        setJournalMode(rollback, "DELETE");
        const QStringList names = categoryNames(library);
        category = names[names.size() / 2];
        itemsWal.emplace(library, store::RecordSource::itemsOf(category));
        itemsRollback.emplace(rollback, store::RecordSource::itemsOf(category));
        itemsWal->Recordset().MoveLast();
        item = itemsWal->Recordset().text(Field::ItemName);
    }
    Session& session(bool engine) {
        auto& s = sessions[engine ? 1 : 0];
        if (!s)
            s = std::make_unique<Session>(source, options.work + (engine ? "/engine" : "/worker"),
                                          engine);
        return *s;
    }
    const std::int64_t items;
    const QString source, opening;
    const store::Library library, rollback;
    std::optional<store::DataSource> itemsWal, itemsRollback;
    QString category, item;
    int saves = 0;
    std::array<std::unique_ptr<Session>, 2> sessions;
};

OneSize<Size> sizes("store/");

// Closing is not timed; with `cold` the page cache is emptied first (root).
void openAndList(State& state, Size& s, bool cold) {
    for (auto _ : state) {
        if (cold) {
            ::sync();
            std::ofstream control("/proc/sys/vm/drop_caches");
            control << "3\n" << std::flush;
            if (!control) throw std::runtime_error("emptying the page cache needs root");
        }
        std::optional<store::Library> library;
        state.SetIterationTime(secondsOf([&] {
            library.emplace(store::Library::open(s.opening));
            benchmark::DoNotOptimize(categoryNames(*library));
        }));
    }
}

// The file system is flushed before every save, so that its sync does not
// also write out what came before.
void saveText(State& state, store::DataSource& items, int& saves) {
    for (auto _ : state) {
        ::sync();
        state.SetIterationTime(save(items.Recordset(), ++saves));
    }
}

// Commands in a row, without pauses, so that the log fills: a category of
// 1,000 items renamed (there and back), another deleted, a text saved.
void maintenanceInARow(State& state, Session& s) {
    for (auto _ : state) {
        const int n = s.commands++;
        if (n + 1 >= s.names.size() / 2) throw std::runtime_error("no category left to delete");
        const QString renamed = s.names[0] + QStringLiteral(" renamed");
        const double rename = secondsOf([&] {
            store::renameCategory(s.library, n % 2 ? renamed : s.names[0],
                                  n % 2 ? s.names[0] : renamed);
        });
        const double remove = secondsOf([&] { store::deleteCategory(s.library, s.names[n + 1]); });
        const double saved = save(s.items->Recordset(), n);
        state.SetIterationTime(rename + remove + saved);
        state.counters["rename_ms"] = rename * 1e3;
        state.counters["delete_ms"] = remove * 1e3;
        state.counters["save_ms"] = saved * 1e3;
    }
}

// The fixture of 10,000 items of about 2 KB, written once by the tests'
// script into the data folder.
QString jetFixture() {
    const std::string folder = options.dataDir + "/big-jet4";
    if (!std::filesystem::exists(folder + "/Snibbet.mdb")) {
        const QString script =
            QStringLiteral(SNIBBET_SOURCE_DIR "/tests/store/jet/make_fixtures.py");
        if (QProcess::execute(QStringLiteral("python3"), {script, QString::fromStdString(folder),
                                                          QStringLiteral("big-jet4")}) != 0)
            throw std::runtime_error("the Jet fixture could not be written");
        std::filesystem::rename(folder + "/big-jet4.mdb", folder + "/Snibbet.mdb");
    }
    return QString::fromStdString(folder);
}

}  // namespace

// In a fresh process: the memory of the first open and category list.
int firstOpen(const char* folder) {
    const Memory before = memoryNow();
    std::optional<store::Library> library;
    const double seconds = secondsOf([&] {
        library.emplace(store::Library::open(QString::fromLocal8Bit(folder)));
        benchmark::DoNotOptimize(categoryNames(*library));
    });
    const Memory after = memoryNow();
    report("open_ms", seconds * 1e3);
    report("rss_before_MB", before.resident);
    report("rss_after_MB", after.resident);
    report("rss_growth_MB", after.resident - before.resident);
    report("anon_growth_MB", after.anonymous - before.anonymous);
    report("peak_after_MB", after.peak);
    return 0;
}

void registerStore(std::int64_t items) {
    sizes.add(items, "first_open_memory", 1, "growth < 30 MB", [](State& state, Size& s) {
        inChild(state, {QStringLiteral("first-open"), s.opening}, "open_ms");
    });
    sizes.add(items, "open_and_category_list", 30, "< 150 ms",
              [](State& state, Size& s) { openAndList(state, s, false); });
    if (options.cold)
        sizes.add(items, "open_and_category_list_cold", 5, "< 150 ms",
                  [](State& state, Size& s) { openAndList(state, s, true); });
    sizes.add(items, "choose_category", 30, "< 20 ms", [](State& state, Size& s) {
        for (auto _ : state)
            state.SetIterationTime(secondsOf([&] {
                store::DataSource items(s.library, store::RecordSource::itemsOf(s.category));
                benchmark::DoNotOptimize(items.Recordset().texts(Field::ItemName));
            }));
    });
    sizes.add(items, "find_item_and_texts", 50, "< 20 ms", [](State& state, Size& s) {
        store::RecordSet& rows = s.itemsWal->Recordset();
        for (auto _ : state)
            state.SetIterationTime(secondsOf([&] {
                rows.FindFirst(Field::ItemName, s.item);
                for (const Field field : {Field::Code, Field::Declares, Field::Notes})
                    benchmark::DoNotOptimize(rows.text(field));
            }));
        if (rows.NoMatch()) throw std::runtime_error("the item is missing");
    });
    sizes.add(items, "save_text", 20, "< 20 ms",
              [](State& state, Size& s) { saveText(state, *s.itemsWal, s.saves); });
    sizes.add(items, "save_text_rollback_journal", 20, "",
              [](State& state, Size& s) { saveText(state, *s.itemsRollback, s.saves); });
    if (!isLargest(items)) return;
    // Once, on a tidied library of 100 categories or more: the checkpoint
    // worker against the engine's own checkpoint inside the commit that fills
    // the log.
    for (const bool engine : {false, true})
        if (items >= 100000)
            sizes.add(
                items, engine ? "checkpoint_in_commit" : "checkpoint_worker", 30, "",
                [engine](State& state, Size& s) { maintenanceInARow(state, s.session(engine)); });
    addCase("store/convert_jet4", 10000, 5, "< 2 s", [](State& state) {
        const QString fixture = jetFixture();
        const std::string folder = options.work + "/jet";
        for (auto _ : state) {
            std::filesystem::remove_all(folder);
            const QString copy = copyLibrary(fixture, folder);
            state.SetIterationTime(secondsOf([&] { store::JetConversion::run(copy); }));
            const store::Library converted = store::Library::open(copy);
            store::DataSource rows(converted, store::RecordSource::wholeTable(store::Table::Items));
            if (rows.Recordset().count() != 10000) throw std::runtime_error("items are missing");
        }
    });
    // The reading alone, through the reader in a process of its own; beside
    // it the same rows read in this process, as before the reader had one.
    addCase("store/read_jet4", 10000, 5, "", [](State& state) {
        const QString file = jetFixture() + "/Snibbet.mdb";
        std::vector<jet::TableRequest> tables;
        for (const store::TableShape& shape : store::libraryTables())
            tables.push_back({shape.name, {shape.fields.begin(), shape.fields.end()}});
        qint64 rows = 0;
        for (auto _ : state) {
            rows = 0;
            jet::ReaderProcess::Listener listener;
            listener.row = [&rows](int, jet::Row&&) { ++rows; };
            state.SetIterationTime(secondsOf([&] {
                jet::ReaderProcess().read(file, tables, jet::ReaderProcess::Scope::Rows, listener);
            }));
        }
        qint64 inProcess = 0;
        state.counters["in_process_ms"] =
            1e3 * secondsOf([&] {
                const jet::Database database = jet::Database::open(file);
                for (const jet::TableRequest& request : tables) {
                    jet::Database::Table table = database.table(request.name, request.fields);
                    for (jet::Row row; table.next(row);) ++inProcess;
                }
            });
        if (rows != inProcess || rows < 10000) throw std::runtime_error("rows are missing");
    });
}

}  // namespace bench
