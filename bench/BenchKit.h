#pragma once

#include <benchmark/benchmark.h>

#include <QStringList>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "LibraryGenerator.h"

namespace store {
class Library;
}

// What both benchmark programs share: options, libraries and fresh copies,
// memory, child processes, case registration, and closing beside its floor.
namespace bench {

using benchmark::State;

struct Options {
    std::vector<std::int64_t> sizes{1000, 10000, 100000};
    std::string dataDir = "/tmp/snibbet-bench";
    std::string work;   // dataDir/work-PID: this run's copies, removed at its end
    bool flag = false;  // the program's own switch
};
inline Options options;

// Reads the command line (Google Benchmark's flags, then --sizes N,N,...,
// --data-dir DIR and `flag`, which `flagHelp` explains), registers the cases
// of each size and runs them; `done` then releases what the cases kept.
// Returns 1 when a case failed.
int runBenchmarks(int argc, char** argv, const char* flag, const char* flagHelp,
                  const std::function<void(std::int64_t items)>& registerSize,
                  const std::function<void()>& done);

// Registers `name` at `items` items in milliseconds, one iteration per
// repetition (so the median is that of single samples), reporting only the
// aggregates, labelled with its `target`. An error skips the case with its
// words instead of ending the run.
void addCase(const std::string& name, std::int64_t items, int repetitions, const char* target,
             const std::function<void(State&)>& body);

// The state of one library size, made when a case first asks for it: the
// cases run size by size, so one size is kept at a time.
template <typename Size>
class OneSize {
public:
    Size& at(std::int64_t items) {
        if (!size_ || size_->items != items) {
            size_.reset();
            size_ = std::make_unique<Size>(items);
        }
        return *size_;
    }
    void reset() { size_.reset(); }

private:
    std::unique_ptr<Size> size_;
};

// The generated library of `shape` in the data folder, generated first if it
// is not there; it is only ever copied, so that the next run can reuse it.
std::string preparedLibrary(const LibraryShape& shape);

// A fresh copy, flushed to disk with everything else waiting to be written,
// so that no timed commit pays for it. Returns the copy's folder.
QString copyLibrary(const std::string& fromFolder, const std::string& toFolder);

template <typename Work>
double secondsOf(Work&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// This process's resident memory in MB: all of it, the part that maps no
// file (heap and stacks rather than code), and the peak so far.
struct Memory {
    double resident, anonymous, peak;
};
Memory memoryNow();

// A child, this program run again with `arguments`, reports its figures as
// lines "key value". The case's time is the figure `timeKey`, the others are
// counters.
void report(const char* key, double value);
std::map<std::string, double> childFigures(const QStringList& arguments);
void inChild(State& state, const QStringList& arguments, const std::string& timeKey);

// Switches the library's connection to another journal (a what-if), or throws.
void setJournalMode(const store::Library& library, const char* mode);

// Closing, each repetition on a fresh copy of `source` in the store's journal
// or in `journalMode`: `tidyUp`, then the library's close with its
// checkpoint. The case's time is both; the counters tidy_ms and close_ms.
using TidyUp = void (*)(const store::Library&, State&);
void timeClosing(State& state, const std::string& source, const std::string& work,
                 const char* journalMode, TidyUp tidyUp);

// The floor of the tidy-up: the store's twelve statements, taken from
// store::TidyUp::statement, run with the SQLite C API alone on the library's
// connection in one transaction. Step by step, each statement's milliseconds
// and the commit's are counters too.
void floorTidyUp(const store::Library& library, State& state);
void floorTidyUpStepByStep(const store::Library& library, State& state);

}  // namespace bench
