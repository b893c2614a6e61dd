// snibbet_bench_store [--sizes N,N,...] [--data-dir DIR] [--cold] [--benchmark_...]
// The store's operations on libraries of 1,000, 10,000 and 100,000 items, as
// the main window calls them, and closing beside its floor on the bare SQLite
// C API. Google Benchmark runs, repeats and reports them.
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>

#include "BenchKit.h"
#include "store/Library.h"
#include "store/RecordSet.h"
#include "store/TidyUp.h"

namespace {

using namespace bench;
using store::Field;

constexpr char kUsage[] =
    "usage: snibbet_bench_store [--sizes N,N,...] [--data-dir DIR] [--cold] [--benchmark_...]\n"
    "  --sizes     library sizes in items (default 1000,10000,100000)\n"
    "  --data-dir  where generated libraries are kept for the next run\n"
    "              (default /tmp/snibbet-bench)\n"
    "  --cold      also time opening after emptying the kernel's page cache (root)\n";

Options options;

QStringList namesIn(store::RecordSet& rows, Field field) {
    QStringList names;
    for (rows.MoveFirst(); !rows.isEOF(); rows.MoveNext()) names << rows.text(field);
    return names;
}

QStringList categoryNames(const store::Library& library) {
    store::DataSource categories(library, store::RecordSource::wholeTable(store::Table::Category));
    return namesIn(categories.Recordset(), Field::Category);
}

// One size's working copies, opened when a case first needs them; the cases
// run size by size, so one size is kept at a time. Choosing, finding and
// saving work on the middle category of the list and the last of its items
// in stored order, the longest search.
struct Size {
    struct Copy {
        std::optional<store::Library> library;
        std::optional<store::DataSource> items;
    };
    std::int64_t itemCount = 0;
    std::string source, folder;
    Copy copy, rollbackCopy;
    QString categoryName, itemName;
    int saves = 0;

    store::DataSource& itemsIn(Copy& c, const char* name, const char* journalMode) {
        if (!c.items) {
            copyLibrary(source, options.work + "/" + name);
            c.library.emplace(store::Library::open(q(options.work + "/" + name)));
            if (journalMode) setJournalMode(*c.library, journalMode);
            const QStringList names = categoryNames(*c.library);
            categoryName = names[names.size() / 2];
            c.items.emplace(*c.library, store::RecordSource::itemsOf(categoryName));
            c.items->Recordset().MoveLast();
            itemName = c.items->Recordset().text(Field::ItemName);
        }
        return *c.items;
    }
    store::DataSource& items() { return itemsIn(copy, "library", nullptr); }
};

std::unique_ptr<Size> current;

Size& size(std::int64_t items) {
    if (!current || current->itemCount != items) {
        current.reset();
        current = std::make_unique<Size>();
        current->itemCount = items;
        current->source = preparedLibrary(options, {.items = items});
        current->folder = options.work + "/open";
        copyLibrary(current->source, current->folder);
    }
    return *current;
}

// In a fresh process: the memory of the first open and category list.
int firstOpenChild(const char* folder) {
    const Memory before = memoryNow();
    std::optional<store::Library> library;
    const double seconds = secondsOf([&] {
        library.emplace(store::Library::open(QString::fromUtf8(folder)));
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

void firstOpenMemory(benchmark::State& state, Size& s) {
    for (auto _ : state) {
        const auto figures = childFigures({"--first-open", q(s.folder)});
        state.SetIterationTime(figures.at("open_ms") / 1e3);
        for (const auto& [key, value] : figures)
            if (key != "open_ms") state.counters[key] = value;
    }
}

// Closing is not timed; with `cold` the page cache is emptied first.
void openAndList(benchmark::State& state, Size& s, bool cold) {
    for (auto _ : state) {
        if (cold) {
            state.PauseTiming();
            ::sync();
            std::ofstream control("/proc/sys/vm/drop_caches");
            control << "3\n";
            control.close();
            if (!control) throw std::runtime_error("emptying the page cache needs root");
            state.ResumeTiming();
        }
        std::optional<store::Library> library(store::Library::open(q(s.folder)));
        benchmark::DoNotOptimize(categoryNames(*library));
        state.PauseTiming();
        library.reset();
        state.ResumeTiming();
    }
}

void chooseCategory(benchmark::State& state, Size& s) {
    s.items();
    for (auto _ : state) {
        store::DataSource items(*s.copy.library, store::RecordSource::itemsOf(s.categoryName));
        benchmark::DoNotOptimize(namesIn(items.Recordset(), Field::ItemName));
    }
}

void findItem(benchmark::State& state, Size& s) {
    store::RecordSet& rows = s.items().Recordset();
    for (auto _ : state) {
        rows.FindFirst(Field::ItemName, s.itemName);
        if (rows.NoMatch()) throw std::runtime_error("the item is missing");
        for (const Field field : {Field::Code, Field::Declares, Field::Notes})
            benchmark::DoNotOptimize(rows.text(field));
    }
}

// Every save writes a text the row does not hold yet (the engine would skip
// a cell whose bytes are unchanged), after flushing the file system, so that
// its sync does not also write out what came before.
void saveText(benchmark::State& state, store::DataSource& items, int& saves) {
    store::RecordSet& rows = items.Recordset();
    for (auto _ : state) {
        state.PauseTiming();
        const QString text = rows.text(Field::Code) + QStringLiteral("\n// saved %1").arg(++saves);
        ::sync();
        state.ResumeTiming();
        rows.Edit();
        rows.setText(Field::Code, text);
        rows.Update();
    }
}

void storeTidyUp(const store::Library& library, benchmark::State&) {
    if (!store::TidyUp::run(library)) throw std::runtime_error("the tidy-up failed");
}

void registerSize(std::int64_t items, bool cold) {
    const auto add = [&](const std::string& name, const char* target, auto body) {
        return addCase("store/" + name, items, target,
                       [=](benchmark::State& state) { body(state, size(state.range(0))); });
    };
    once(add("first_open_memory", "growth < 30 MB", firstOpenMemory), 1)->UseManualTime();
    add("open_and_category_list", "< 150 ms",
        [](auto& state, Size& s) { openAndList(state, s, false); })
        ->Repetitions(5)
        ->UseRealTime();
    if (cold)
        once(add("open_and_category_list_cold", "< 150 ms",
                 [](auto& state, Size& s) { openAndList(state, s, true); }),
             5)
            ->UseRealTime();
    add("choose_category", "< 20 ms", chooseCategory)->Repetitions(5)->UseRealTime();
    add("find_item_and_texts", "< 20 ms", findItem)->Repetitions(5)->UseRealTime();
    once(add("save_text", "< 20 ms",
             [](auto& state, Size& s) { saveText(state, s.items(), s.saves); }),
         20)
        ->UseRealTime();
    once(add("save_text_rollback_journal", "",
             [](auto& state, Size& s) {
                 saveText(state, s.itemsIn(s.rollbackCopy, "rollback", "DELETE"), s.saves);
             }),
         20)
        ->UseRealTime();
    const auto closing = [](const char* journalMode, const TidyUp& tidyUp) {
        return [=](auto& state, Size& s) {
            timeClosing(state, s.source, options.work + "/tidy", journalMode, tidyUp);
        };
    };
    once(add("tidy_up_and_close", "<= 1.3x floor", closing(nullptr, storeTidyUp)), 5)
        ->UseManualTime();
    once(add("floor/tidy_up_and_close", "", closing(nullptr, floorTidyUp)), 5)->UseManualTime();
    once(add("floor/tidy_up_and_close_rollback_journal", "", closing("DELETE", floorTidyUp)), 5)
        ->UseManualTime();
    // Where the time of the tidy-up goes, once at the largest size.
    if (items != *std::max_element(options.sizes.begin(), options.sizes.end())) return;
    once(add("floor/tidy_up_step_by_step", "", closing(nullptr, floorTidyUpStepByStep)), 1)
        ->UseManualTime();
    once(add("floor/tidy_up_step_by_step_rollback_journal", "",
             closing("DELETE", floorTidyUpStepByStep)),
         1)
        ->UseManualTime();
    // More cases go here, each one `add` (for example converting a Jet file).
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--first-open") return firstOpenChild(argv[2]);
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    bool cold = false;
    options = parseOptions(argc, argv, kUsage, {{"--cold", &cold}});
    for (const std::int64_t items : options.sizes) registerSize(items, cold);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    current.reset();
    std::filesystem::remove_all(options.work);
    return 0;
}
