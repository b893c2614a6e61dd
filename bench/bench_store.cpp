// snibbet_bench_store [--sizes N,N,...] [--data-dir DIR] [--cold] [--benchmark_...]
// The store's operations, as the main window calls them, on libraries of
// 1,000, 10,000 and 100,000 items, and closing beside its floor on the bare
// SQLite C API.
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <fstream>
#include <optional>

#include "BenchKit.h"
#include "store/Library.h"
#include "store/RecordSet.h"
#include "store/TidyUp.h"

namespace {

using namespace bench;
using store::Field;

QStringList namesIn(store::RecordSet& rows, Field field) {
    QStringList names;
    for (rows.MoveFirst(); !rows.isEOF(); rows.MoveNext()) names << rows.text(field);
    return names;
}

QStringList categoryNames(const store::Library& library) {
    store::DataSource categories(library, store::RecordSource::wholeTable(store::Table::Category));
    return namesIn(categories.Recordset(), Field::Category);
}

// One size: a copy for opening, which no other connection holds, and two
// open copies, one switched to a rollback journal. Choosing, finding and
// saving work on the middle category of the list and its last item in stored
// order, the longest search.
struct Size {
    explicit Size(std::int64_t n)
        : items(n),
          source(preparedLibrary({.items = n})),
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
    const std::int64_t items;
    const std::string source;
    const QString opening;
    const store::Library library, rollback;
    std::optional<store::DataSource> itemsWal, itemsRollback;
    QString category, item;
    int saves = 0;
};

OneSize<Size> sizes;

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

// Every save writes a text the row does not hold yet (the engine skips a
// cell whose bytes are unchanged), after flushing the file system, so that
// its sync does not also write out what came before.
void saveText(State& state, store::DataSource& items, int& saves) {
    store::RecordSet& rows = items.Recordset();
    for (auto _ : state) {
        const QString text = rows.text(Field::Code) + QStringLiteral("\n// saved %1").arg(++saves);
        ::sync();
        state.SetIterationTime(secondsOf([&] {
            rows.Edit();
            rows.setText(Field::Code, text);
            rows.Update();
        }));
    }
}

void storeTidyUp(const store::Library& library, State& state) {
    if (!store::TidyUp::run(library)) throw std::runtime_error("the tidy-up failed");
    state.counters["peak_process_MB"] = memoryNow().peak;
}

void registerSize(std::int64_t items) {
    const auto add = [&](const std::string& name, int repetitions, const char* target, auto body) {
        addCase("store/" + name, items, repetitions, target,
                [=](State& state) { body(state, sizes.at(state.range(0))); });
    };
    add("first_open_memory", 1, "growth < 30 MB", [](State& state, Size& s) {
        inChild(state, {QStringLiteral("--first-open"), s.opening}, "open_ms");
    });
    add("open_and_category_list", 30, "< 150 ms",
        [](State& state, Size& s) { openAndList(state, s, false); });
    if (options.flag)
        add("open_and_category_list_cold", 5, "< 150 ms",
            [](State& state, Size& s) { openAndList(state, s, true); });
    add("choose_category", 30, "< 20 ms", [](State& state, Size& s) {
        for (auto _ : state)
            state.SetIterationTime(secondsOf([&] {
                store::DataSource items(s.library, store::RecordSource::itemsOf(s.category));
                benchmark::DoNotOptimize(namesIn(items.Recordset(), Field::ItemName));
            }));
    });
    add("find_item_and_texts", 50, "< 20 ms", [](State& state, Size& s) {
        store::RecordSet& rows = s.itemsWal->Recordset();
        for (auto _ : state)
            state.SetIterationTime(secondsOf([&] {
                rows.FindFirst(Field::ItemName, s.item);
                for (const Field field : {Field::Code, Field::Declares, Field::Notes})
                    benchmark::DoNotOptimize(rows.text(field));
            }));
        if (rows.NoMatch()) throw std::runtime_error("the item is missing");
    });
    add("save_text", 20, "< 20 ms",
        [](State& state, Size& s) { saveText(state, *s.itemsWal, s.saves); });
    add("save_text_rollback_journal", 20, "",
        [](State& state, Size& s) { saveText(state, *s.itemsRollback, s.saves); });
    const auto closing = [&](const std::string& name, int repetitions, const char* target,
                             const char* journalMode, TidyUp tidyUp) {
        addCase("store/" + name, items, repetitions, target, [=](State& state) {
            const std::string& source = sizes.at(state.range(0)).source;
            timeClosing(state, source, options.work + "/tidy", journalMode, tidyUp);
        });
    };
    closing("tidy_up_and_close", 5, "<= 1.3x floor", nullptr, storeTidyUp);
    closing("floor/tidy_up_and_close", 5, "", nullptr, floorTidyUp);
    closing("floor/tidy_up_and_close_rollback_journal", 5, "", "DELETE", floorTidyUp);
    // Where the time of the tidy-up goes, once at the largest size.
    if (items == *std::max_element(options.sizes.begin(), options.sizes.end())) {
        closing("floor/tidy_up_step_by_step", 1, "", nullptr, floorTidyUpStepByStep);
        closing("floor/tidy_up_step_by_step_rollback_journal", 1, "", "DELETE",
                floorTidyUpStepByStep);
    }
    // More cases go here, each one `add`.
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--first-open") return firstOpen(argv[2]);
    QCoreApplication app(argc, argv);
    return runBenchmarks(argc, argv, "--cold",
                         "also time opening after emptying the page cache (root)", registerSize,
                         [] { sizes.reset(); });
}
