#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "Timing.h"

// The window benchmark's records and its tables. A measuring process writes
// one line per figure:
//   op      ITEMS KEY REPS WINDOW_MS FLOOR_MS   medians of repetitions in one process;
//                                               FLOOR_MS is -1 where there is no floor
//   sample  ITEMS KEY VALUE                     one figure of one process (ms or MB);
//                                               the table shows the median over processes
// and the parent collects them and prints markdown tables with the targets.
namespace bench {

using Samples = std::vector<double>;

class WindowRecorder {
public:
    WindowRecorder(std::FILE* out, std::int64_t items) : out_(out), items_(items) {}

    // `floor` may be empty: an operation with no bare-SQLite counterpart.
    void operation(const char* key, const Samples& window, const Samples& floor);
    void sample(const char* key, double value);
    // On a terminal the line counts up; in a log only the finished line shows.
    void progress(const char* what, int done, int of) const;

private:
    std::FILE* out_;
    long long items_;
};

class WindowResults {
public:
    // Returns false for a line that is not a record.
    bool add(const std::string& line);
    void print(std::FILE* out) const;

private:
    struct Row {
        int repetitions = 0;
        double window = 0;
        double floor = -1;
    };
    using Key = std::pair<std::int64_t, std::string>;

    // The row of an operation: measured in one process, or gathered from the
    // samples of several.
    bool find(std::int64_t items, const std::string& key, Row& row) const;
    void printTimes(std::FILE* out) const;
    void printMemory(std::FILE* out) const;
    void printCategoryWrites(std::FILE* out) const;

    std::vector<std::int64_t> sizes_;
    std::map<Key, Row> operations_;
    std::map<Key, Samples> samples_;
};

}  // namespace bench
