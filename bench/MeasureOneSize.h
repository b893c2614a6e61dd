#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace bench {

struct SizeRun {
    std::int64_t items = 0;
    // The generated library; only ever copied, never opened, so that it can
    // be reused by the next run.
    std::string libraryFolder;
    // Scratch space for the copies that are changed.
    std::string workFolder;
    // Also time the save and the tidy-up with a rollback journal.
    bool journalModes = false;
    // Also time opening with the kernel's page cache emptied first.
    bool coldOpen = false;
};

// Times every operation on one library size, through the store and on the
// floor, and writes one tab-separated record per figure to `out` (see
// ResultTable.h). Run it in a fresh process: the memory figures count from
// the first open of the process.
void measureOneSize(const SizeRun& run, std::FILE* out);

}  // namespace bench
