#include "WindowResults.h"

#include <unistd.h>

#include <algorithm>
#include <sstream>

#include "TableText.h"

namespace bench {
namespace {

// The targets hold for a library of this size.
constexpr std::int64_t kTargetItems = 100000;

enum class Target { None, StartUp, Click, BigItem, Closing };

struct Operation {
    const char* key;
    const char* label;
    Target target;
    // Where the row's floor comes from when it is not measured beside it.
    const char* floorOf = nullptr;
};

constexpr Operation kOperations[] = {
    {"startup", "1. start-up, today's backup present (a fresh process each)", Target::StartUp,
     "startup-again"},
    {"application", "   (before it, not counted: the QApplication and its fonts)", Target::None},
    {"startup-first-of-day", "1. start-up, first of the day: the backup is copied meanwhile",
     Target::StartUp, "startup-again"},
    {"backup-done", "   (the backup copy done, from the start of that start-up)", Target::None},
    {"startup-again", "1. start-up again in the same process", Target::None},
    {"category", "2. choose a category of 1,000 items", Target::Click},
    {"item", "3. choose an item", Target::Click},
    {"item-big", "3. choose the 5 MB item", Target::BigItem},
    {"item-after-big", "3. choose an item while the 5 MB item is shown", Target::Click},
    {"caret-end-big", "   (the caret moved to the end of the 5 MB text, once)", Target::None},
    {"save", "4. leave a panel (save)", Target::Click},
    {"save-big", "4. leave a panel of the 5 MB item (save)", Target::BigItem},
    {"add-item", "5. add an item", Target::Click},
    {"rename-item", "5. rename an item", Target::Click},
    {"delete-item", "5. delete an item", Target::Click},
    {"add-category", "5. add a category", Target::Click},
    {"add-category-first", "5. add a category before any category is chosen", Target::Click},
    {"rename-category", "5. rename a category of 1,000 items", Target::Click},
    {"delete-category", "5. delete a category (just added, one item)", Target::Click},
    {"delete-category-full", "5. delete a category of 1,000 items", Target::Click},
    {"close", "6. close: tidy-up and release, fresh copy of the library", Target::Closing},
    {"close-again", "6. close again right after a start, library already tidy", Target::None},
};

std::string ms(double value) {
    return bench::ms(value, 2);
}

std::string ratio(double a, double b) {
    return bench::ratio(a, b, 1);
}

std::string targetText(Target target) {
    switch (target) {
        case Target::StartUp:
            return "< 300 ms";
        case Target::Click:
            return "< 30 ms";
        case Target::BigItem:
            return "< 200 ms";
        case Target::Closing:
            return "≤ 1.3× floor";
        case Target::None:
            break;
    }
    return "–";
}

bool meets(Target target, double window, double floor) {
    switch (target) {
        case Target::StartUp:
            return window < 300;
        case Target::Click:
            return window < 30;
        case Target::BigItem:
            return window < 200;
        case Target::Closing:
            return floor > 0 && window <= 1.3 * floor;
        case Target::None:
            break;
    }
    return true;
}

constexpr double kMemoryTargetMb = 120;

}  // namespace

void WindowRecorder::operation(const char* key, const Samples& window, const Samples& floor) {
    std::fprintf(out_, "op\t%lld\t%s\t%zu\t%.4f\t%.4f\n", items_, key, window.size(),
                 median(window), floor.empty() ? -1.0 : median(floor));
    std::fflush(out_);
}

void WindowRecorder::sample(const char* key, double value) {
    std::fprintf(out_, "sample\t%lld\t%s\t%.4f\n", items_, key, value);
    std::fflush(out_);
}

void WindowRecorder::progress(const char* what, int done, int of) const {
    static const bool terminal = ::isatty(STDERR_FILENO);
    if (!terminal && done != of) return;
    std::fprintf(stderr, "%s  %lld items: %-44s %d/%d", terminal ? "\r" : "", items_, what, done,
                 of);
    if (done == of) std::fputc('\n', stderr);
}

bool WindowResults::add(const std::string& line) {
    std::istringstream in(line);
    std::string kind, key;
    std::int64_t items = 0;
    std::getline(in, kind, '\t');
    in >> items;
    in.ignore();
    std::getline(in, key, '\t');
    if (kind == "op") {
        Row row;
        in >> row.repetitions >> row.window >> row.floor;
        if (!in) return false;
        operations_[{items, key}] = row;
    } else if (kind == "sample") {
        double value = 0;
        in >> value;
        if (!in) return false;
        samples_[{items, key}].push_back(value);
    } else {
        return false;
    }
    if (std::find(sizes_.begin(), sizes_.end(), items) == sizes_.end()) sizes_.push_back(items);
    return true;
}

bool WindowResults::find(std::int64_t items, const std::string& key, Row& row) const {
    if (const auto op = operations_.find({items, key}); op != operations_.end()) {
        row = op->second;
        return true;
    }
    const auto samples = samples_.find({items, key});
    if (samples == samples_.end()) return false;
    row = {static_cast<int>(samples->second.size()), median(samples->second), -1};
    return true;
}

void WindowResults::print(std::FILE* out) const {
    printTimes(out);
    printMemory(out);
    printCategoryWrites(out);
}

void WindowResults::printCategoryWrites(std::FILE* out) const {
    bool any = false;
    for (const std::int64_t items : sizes_) {
        for (const char* command : {"rename", "delete"}) {
            for (const char* library : {"generated", "tidied"}) {
                for (const char* checkpoint : {"commit", "none"}) {
                    const std::string key =
                        std::string("cw-") + command + "-" + library + "-" + checkpoint;
                    Row time, pages;
                    if (!find(items, key, time) || !find(items, key + "-pages", pages)) continue;
                    if (!any)
                        std::fputs(
                            "### Renaming and deleting a category of 1,000 items: the engine "
                            "alone, "
                            "median milliseconds\n\n"
                            "| items | command | library | checkpoint inside the commit | reps | "
                            "ms | "
                            "pages written to the log |\n"
                            "|---:|---|---|---|---:|---:|---:|\n",
                            out);
                    any = true;
                    std::fprintf(
                        out, "| %s | %s | %s | %s | %d | %s | %.0f |\n", grouped(items).c_str(),
                        command,
                        std::string(library) == "generated" ? "as generated (rows shuffled)"
                                                            : "tidied (rows sorted)",
                        std::string(checkpoint) == "commit" ? "yes (as the program runs)" : "no",
                        time.repetitions, ms(time.window).c_str(), pages.window);
                }
            }
        }
    }
    if (any) std::fputs("\n", out);
}

void WindowResults::printTimes(std::FILE* out) const {
    std::fputs(
        "### The main window against the floor (bare SQLite C API), median milliseconds\n\n"
        "| items | operation | reps | window ms | floor ms | window/floor | target at 100,000 | "
        "met? |\n"
        "|---:|---|---:|---:|---:|---:|---|---|\n",
        out);
    for (const std::int64_t items : sizes_) {
        for (const Operation& op : kOperations) {
            Row row;
            if (!find(items, op.key, row)) continue;
            Row floorRow;
            if (op.floorOf && find(items, op.floorOf, floorRow)) row.floor = floorRow.floor;
            std::string target = targetText(op.target);
            std::string met = "–";
            if (op.target != Target::None) {
                if (items == kTargetItems)
                    met = verdict(meets(op.target, row.window, row.floor));
                else
                    target = "(" + target + ")";
            }
            std::fprintf(out, "| %s | %s | %d | %s | %s | %s | %s | %s |\n", grouped(items).c_str(),
                         op.label, row.repetitions, ms(row.window).c_str(), ms(row.floor).c_str(),
                         ratio(row.window, row.floor).c_str(), target.c_str(), met.c_str());
        }
    }
    std::fputs("\n", out);
}

void WindowResults::printMemory(std::FILE* out) const {
    std::fputs(
        "### Resident memory, MB\n\n"
        "| items | before start-up | after start-up | peak after start-up | 5 MB item shown | "
        "5 MB item typed at its end and saved | peak, window alone | peak, benchmark session | "
        "target at 100,000 | met? |\n"
        "|---:|---:|---:|---:|---:|---:|---:|---:|---|---|\n",
        out);
    for (const std::int64_t items : sizes_) {
        Row before, after, peakStart, big, bigSaved, peakWindow, peakSession;
        if (!find(items, "rss-before", before) || !find(items, "rss-after", after) ||
            !find(items, "peak-after", peakStart) || !find(items, "rss-window-big", big) ||
            !find(items, "rss-window-big-saved", bigSaved) ||
            !find(items, "peak-window", peakWindow) || !find(items, "peak-session", peakSession))
            continue;
        const bool atTarget = items == kTargetItems;
        std::string met = "–";
        if (atTarget)
            met = std::string("after start-up ") + verdict(after.window < kMemoryTargetMb) +
                  "; peak, window alone " + verdict(peakWindow.window < kMemoryTargetMb);
        std::fprintf(
            out, "| %s | %s | %s | %s | %s | %s | %s | %s | %s | %s |\n", grouped(items).c_str(),
            mb(before.window).c_str(), mb(after.window).c_str(), mb(peakStart.window).c_str(),
            mb(big.window).c_str(), mb(bigSaved.window).c_str(), mb(peakWindow.window).c_str(),
            mb(peakSession.window).c_str(), atTarget ? "< 120 MB" : "(< 120 MB)", met.c_str());
    }
    std::fputs("\n", out);
}

}  // namespace bench
