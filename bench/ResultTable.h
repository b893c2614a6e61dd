#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace bench {

// Collects the records that measureOneSize writes, one line each:
//   op      ITEMS NAME REPS STORE_MS FLOOR_MS
//   journal ITEMS NAME REPS WAL_MS DELETE_MS
//   step    ITEMS LABEL WAL_MS DELETE_MS
//   mem     ITEMS BEFORE BEFORE_ANON AFTER AFTER_ANON PEAK_OPEN PEAK_RUN   (MB)
// and prints them as markdown tables with the targets marked.
class ResultTable {
public:
    // Returns false for a line that is not a record.
    bool add(const std::string& line);
    void print(std::FILE* out) const;

private:
    struct Timed {
        std::int64_t items;
        std::string name;
        int repetitions;
        double first, second;
    };
    struct Memory {
        std::int64_t items;
        double before, beforeAnonymous, after, afterAnonymous, peakOpen, peakRun;
    };
    void printOperations(std::FILE* out) const;
    void printMemory(std::FILE* out) const;
    void printJournalModes(std::FILE* out) const;
    void printTidyUpSteps(std::FILE* out) const;

    std::vector<Timed> operations_;
    std::vector<Timed> journalModes_;
    std::vector<Timed> tidyUpSteps_;
    std::vector<Memory> memory_;
};

}  // namespace bench
