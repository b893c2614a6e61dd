#include "ResultTable.h"

#include <algorithm>
#include <sstream>

#include "TableText.h"

namespace bench {
namespace {

// The targets hold for a library of this size.
constexpr std::int64_t kTargetItems = 100000;
constexpr double kOpenTargetMs = 150;
constexpr double kOperationTargetMs = 20;
constexpr double kTidyUpTargetRatio = 1.3;
constexpr double kOpenMemoryTargetMb = 30;

struct Operation {
    const char* name;
    const char* label;
};

constexpr Operation kOperations[] = {
    {"open", "a. open + category list"},          {"open-cold", "a. the same, cold page cache"},
    {"select", "b. category's 1,000 item names"}, {"find", "c. find item + its three texts"},
    {"save", "d. save one text (durable)"},       {"tidy", "e. tidy-up at close"},
};

const char* labelOf(const std::string& name) {
    for (const Operation& op : kOperations)
        if (name == op.name) return op.label;
    if (name == "tidy+close") return "e. tidy-up at close, then close";
    return name.c_str();
}

std::string ms(double value) {
    return bench::ms(value, 3);
}

std::string ratio(double a, double b) {
    return bench::ratio(a, b, 2);
}

}  // namespace

bool ResultTable::add(const std::string& line) {
    std::istringstream in(line);
    std::string kind;
    std::getline(in, kind, '\t');
    if (kind == "op" || kind == "journal") {
        Timed t{};
        in >> t.items;
        in.ignore();
        std::getline(in, t.name, '\t');
        in >> t.repetitions >> t.first >> t.second;
        if (!in) return false;
        (kind == "op" ? operations_ : journalModes_).push_back(t);
        return true;
    }
    if (kind == "step") {
        Timed t{};
        in >> t.items;
        in.ignore();
        std::getline(in, t.name, '\t');
        in >> t.first >> t.second;
        if (!in) return false;
        tidyUpSteps_.push_back(t);
        return true;
    }
    if (kind == "mem") {
        Memory m{};
        in >> m.items >> m.before >> m.beforeAnonymous >> m.after >> m.afterAnonymous >>
            m.peakOpen >> m.peakRun;
        if (!in) return false;
        memory_.push_back(m);
        return true;
    }
    return false;
}

void ResultTable::print(std::FILE* out) const {
    printOperations(out);
    printMemory(out);
    printJournalModes(out);
    printTidyUpSteps(out);
}

void ResultTable::printOperations(std::FILE* out) const {
    std::fputs(
        "### Store against the floor (bare SQLite C API), median milliseconds\n\n"
        "| items | operation | reps | store ms | floor ms | store/floor | target at 100,000 | "
        "met? |\n"
        "|---:|---|---:|---:|---:|---:|---|---|\n",
        out);
    for (const Timed& t : operations_) {
        std::string target = "–";
        std::string met = "–";
        const bool opening = t.name == "open" || t.name == "open-cold";
        if (opening)
            target = "< 150 ms";
        else if (t.name == "tidy")
            target = "≤ 1.3× floor";
        else
            target = "< 20 ms";
        if (t.items == kTargetItems) {
            if (opening)
                met = verdict(t.first < kOpenTargetMs);
            else if (t.name == "tidy")
                met = verdict(t.first <= kTidyUpTargetRatio * t.second);
            else
                met = verdict(t.first < kOperationTargetMs);
        } else {
            target = "(" + target + ")";
        }
        std::fprintf(out, "| %s | %s | %d | %s | %s | %s | %s | %s |\n", grouped(t.items).c_str(),
                     labelOf(t.name), t.repetitions, ms(t.first).c_str(), ms(t.second).c_str(),
                     ratio(t.first, t.second).c_str(), target.c_str(), met.c_str());
    }
    std::fputs("\n", out);
}

void ResultTable::printMemory(std::FILE* out) const {
    if (memory_.empty()) return;
    std::fputs(
        "### Memory of the first open + category list in a fresh process, MB resident\n\n"
        "| items | before | after | growth | of it anonymous | peak after open | peak of whole "
        "run | target at 100,000 | met? |\n"
        "|---:|---:|---:|---:|---:|---:|---:|---|---|\n",
        out);
    for (const Memory& m : memory_) {
        const double growth = m.after - m.before;
        const bool atTarget = m.items == kTargetItems;
        std::fprintf(out, "| %s | %s | %s | %s | %s | %s | %s | %s | %s |\n",
                     grouped(m.items).c_str(), mb(m.before).c_str(), mb(m.after).c_str(),
                     mb(growth).c_str(), mb(m.afterAnonymous - m.beforeAnonymous).c_str(),
                     mb(m.peakOpen).c_str(), mb(m.peakRun).c_str(),
                     atTarget ? "growth < 30 MB" : "(growth < 30 MB)",
                     atTarget ? verdict(growth < kOpenMemoryTargetMb) : "–");
    }
    std::fputs("\n", out);
}

void ResultTable::printJournalModes(std::FILE* out) const {
    if (journalModes_.empty()) return;
    std::fputs(
        "### Journal mode, both with synchronous=FULL (floor connection), median milliseconds\n\n"
        "| items | operation | reps | WAL ms | DELETE ms | WAL/DELETE |\n"
        "|---:|---|---:|---:|---:|---:|\n",
        out);
    for (const Timed& t : journalModes_)
        std::fprintf(out, "| %s | %s | %d | %s | %s | %s |\n", grouped(t.items).c_str(),
                     labelOf(t.name), t.repetitions, ms(t.first).c_str(), ms(t.second).c_str(),
                     ratio(t.first, t.second).c_str());
    std::fputs("\n", out);
}

}  // namespace bench

namespace bench {

void ResultTable::printTidyUpSteps(std::FILE* out) const {
    if (tidyUpSteps_.empty()) return;
    std::int64_t largest = 0;
    for (const Timed& t : tidyUpSteps_) largest = std::max(largest, t.items);
    std::fprintf(out,
                 "### Where the tidy-up's time goes, %s items (floor connection, one run each)\n\n"
                 "| step | WAL ms | DELETE ms |\n"
                 "|---|---:|---:|\n",
                 grouped(largest).c_str());
    double wal = 0, rollback = 0;
    for (const Timed& t : tidyUpSteps_) {
        if (t.items != largest) continue;
        wal += t.first;
        rollback += t.second;
        std::fprintf(out, "| %s | %s | %s |\n", t.name.c_str(), ms(t.first).c_str(),
                     ms(t.second).c_str());
    }
    std::fprintf(out, "| **total** | **%s** | **%s** |\n\n", ms(wal).c_str(), ms(rollback).c_str());
}

}  // namespace bench
