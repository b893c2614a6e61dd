#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "ProcessMemory.h"

namespace bench {

using Samples = std::vector<double>;

// Writes the figures of one library size as the records ResultTable reads,
// and reports progress on stderr.
class Recorder {
public:
    Recorder(std::FILE* out, std::int64_t items) : out_(out), items_(items) {}

    void operation(const char* name, const Samples& store, const Samples& floor);
    void journalModes(const char* name, const Samples& wal, const Samples& rollback);
    void tidyUpStep(const std::string& label, double wal, double rollback);
    void memory(const ResidentMemory& before, const ResidentMemory& after, double peakOpen,
                double peakRun);

    void progress(const char* what, int done, int of) const;

private:
    std::FILE* out_;
    long long items_;
};

}  // namespace bench
