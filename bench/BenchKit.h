#pragma once

#include <benchmark/benchmark.h>

#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "LibraryGenerator.h"

namespace store {
class Library;
}

// What both benchmark programs share: their few options, the generated
// libraries and fresh copies of them, memory figures, child processes for the
// figures that want a fresh process, and closing timed beside its floor.
namespace bench {

struct Options {
    std::vector<std::int64_t> sizes{1000, 10000, 100000};
    std::string dataDir = "/tmp/snibbet-bench";
    std::string work;  // dataDir/work-PID: the copies of one run, removed at its end
};

// Reads what Google Benchmark left of the command line: --sizes N,N,...,
// --data-dir DIR and the program's own `flags`. Anything else prints `usage`
// and ends the program.
Options parseOptions(int argc, char** argv, const char* usage,
                     std::initializer_list<std::pair<const char*, bool*>> flags);

// The generated library of `shape` in the data folder, generated first when
// it is not there yet; it is only ever copied, so that the next run reuses it.
std::string preparedLibrary(const Options& options, const LibraryShape& shape);

// A fresh copy, flushed to disk with everything else waiting to be written,
// so that no timed commit pays for it.
void copyLibrary(const std::string& fromFolder, const std::string& toFolder);

QString q(const std::string& text);

template <typename Work>
double secondsOf(Work&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// This process's resident memory in MB: all of it, the part that maps no
// file (heap and stacks rather than library code), and the peak so far.
struct Memory {
    double resident, anonymous, peak;
};
Memory memoryNow();

// In a child process, one figure for childFigures in the parent.
void report(const char* key, double value);

// Runs this program again with `arguments`; the figures it reported.
std::map<std::string, double> childFigures(const QStringList& arguments);

// Switches the connection to another journal (a what-if), or throws.
void setJournalMode(const store::Library& library, const char* mode);

// Closing, each repetition on a fresh copy of `source` in the journal mode
// the store sets (or `journalMode`): `tidyUp`, then the library's close with
// the checkpoint it makes. The case's time is both; the counters tidy_ms and
// close_ms each.
using TidyUp = std::function<void(const store::Library&, benchmark::State&)>;
void timeClosing(benchmark::State& state, const std::string& source, const std::string& work,
                 const char* journalMode, const TidyUp& tidyUp);

// The floor of the tidy-up: the store's twelve statements, taken from
// store::TidyUp::statement, run with the SQLite C API alone on the library's
// connection in one transaction. Step by step, each statement's milliseconds
// (and the commit's) are counters too.
void floorTidyUp(const store::Library& library, benchmark::State& state);
void floorTidyUpStepByStep(const store::Library& library, benchmark::State& state);

// Registers the case `name` at `items` items, in milliseconds, reporting
// only the aggregates of its repetitions; `target` is shown as its label. An
// error skips the case with its words instead of ending the whole run.
benchmark::internal::Benchmark* addCase(const std::string& name, std::int64_t items,
                                        const char* target,
                                        std::function<void(benchmark::State&)> body);

// The case runs `repetitions` times one iteration: the median is that of
// single samples, as for an operation timed by hand.
benchmark::internal::Benchmark* once(benchmark::internal::Benchmark* b, int repetitions);

}  // namespace bench
