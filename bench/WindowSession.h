#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "LibraryGenerator.h"

namespace bench {

struct WindowRun {
    LibraryShape shape;
    // The generated library; only ever copied, so that the next run can reuse it.
    std::string libraryFolder;
    // Holds "library", the copy the window works on, with today's backup
    // beside it; the session adds its own copies here.
    std::string workFolder;
    // What-if: no checkpoint of the write-ahead log inside a commit, on the
    // session window's connection and on the floor's, as if checkpoints ran
    // elsewhere. Off by default: then the program runs as it is.
    bool noCheckpointOnCommit = false;
};

// The folder of the copy the window works on.
std::string windowCopyIn(const WindowRun& run);

// One start-up in this process, which has not started the window before:
// the time until the window is shown with its categories, and the memory
// before and after. With `firstOfDay` the copy has no backup of today yet;
// the time until the backup is done is recorded as well. `applicationMs` is
// what constructing the QApplication took before it, recorded beside it.
void measureStartUp(const WindowRun& run, bool firstOfDay, double applicationMs, std::FILE* out);

// The memory of a session with the window alone, no floor beside it: start,
// choose a category and an item, save, then choose the 5 MB item, save it
// and choose another item.
void measureWindowMemory(const WindowRun& run, std::FILE* out);

// Everything else, in the order a user meets it, in one process: starts
// again in the same process, choosing, saving, the maintenance commands, the
// 5 MB item, and closing on fresh copies; each beside its floor.
void measureSession(const WindowRun& run, std::FILE* out);

}  // namespace bench
