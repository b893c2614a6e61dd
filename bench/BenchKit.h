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
class RecordSet;
enum class Field;
}  // namespace store

// What the benchmark's groups share: options, libraries and fresh copies,
// memory, child processes and case registration.
namespace bench {

using benchmark::State;

struct Options {
    std::vector<std::int64_t> sizes{1000, 10000, 100000};
    std::string dataDir = "/tmp/snibbet-bench";
    std::string work;  // dataDir/work-PID: this run's copies, removed at its end
    bool cold = false;
    bool tidied = false;
};
inline Options options;

// Reads the command line (Google Benchmark's flags, then the options above),
// registers the cases of each size and runs them, then releases what the
// cases kept. Returns 1 when a case failed.
int runBenchmarks(int argc, char** argv, const std::function<void(std::int64_t)>& registerSize);

bool isLargest(std::int64_t items);

// Registers `name` at `items` items in milliseconds, one iteration per
// repetition (so the median is that of single samples), reporting only the
// aggregates (with the maximum and the load average), labelled with its
// `target`. An error skips the case with its words instead of ending the run.
void addCase(const std::string& name, std::int64_t items, int repetitions, const char* target,
             const std::function<void(State&)>& body);

// A group's state of one library size, made when a case first asks for it:
// the cases run size by size, so one size is kept at a time, and released at
// the end of runBenchmarks, before the application ends.
void atRelease(std::function<void()> release);

template <typename Size>
class OneSize {
public:
    explicit OneSize(std::string group) : group_(std::move(group)) {
        atRelease([this] { size_.reset(); });
    }
    // Registers the group's case `name` at `items`: body(State&, Size&).
    template <typename Body>
    void add(std::int64_t items, const std::string& name, int repetitions, const char* target,
             Body body) {
        addCase(group_ + name, items, repetitions, target,
                [this, body](State& state) { body(state, at(state.range(0))); });
    }
    Size& at(std::int64_t items) {
        if (!size_ || size_->items != items) {
            size_.reset();
            size_ = std::make_unique<Size>(items);
        }
        return *size_;
    }

private:
    std::string group_;
    std::unique_ptr<Size> size_;
};

// A fresh copy, flushed to disk with everything else waiting to be written,
// so that no timed commit pays for it. Returns the copy's folder.
QString copyLibrary(const QString& fromFolder, const std::string& toFolder);

// A copy tidied by the store's close, as a library is after its first close:
// sorted, with spaced row ids.
QString tidiedCopy(const QString& fromFolder, const std::string& toFolder);
void requireTidy(const QString& folder);

// (page_count - freelist_count) / page_count of the library in `folder`.
double usedShare(const QString& folder);

template <typename Work>
double secondsOf(Work&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
// Milliseconds on the clock every process of the machine shares.
double nowMs();

// This process's resident memory in MB: all of it, the part that maps no
// file (heap and stacks rather than code), and the peak so far.
struct Memory {
    double resident, anonymous, peak;
};
Memory memoryNow();

// A child, this program run again with `--child` and `arguments`, reports
// its figures as lines "key value". inChild: the case's time is the figure
// `timeKey`, the others are counters. closedInChild: the child reports
// close_requested_at_ms as it asks to close; returns the milliseconds from
// then to the child's end, and with `counters` its other figures become
// counters.
void report(const char* key, double value);
std::map<std::string, double> childFigures(const QStringList& arguments);
void inChild(State& state, const QStringList& arguments, const std::string& timeKey);
double closedInChild(State& state, const QStringList& arguments, bool counters = true);

// The library's categories, in stored order.
QStringList categoryNames(const store::Library& library);

// Switches the library's connection to another journal (a what-if), or throws.
void setJournalMode(const store::Library& library, const char* mode);

// The groups of cases, each in its file, and the children they run.
void registerStore(std::int64_t items);
void registerClose(std::int64_t items);
void registerWindow(std::int64_t items);
void registerLibraryTool(std::int64_t items);
int firstOpen(const char* folder);
int closeChild(int argc, char** argv);
int windowChild(int argc, char** argv, double applicationMs);

}  // namespace bench
