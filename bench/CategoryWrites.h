#pragma once

#include <cstdio>

namespace bench {

struct WindowRun;

// Renaming and deleting a category of 1,000 items with the bare SQLite C API,
// each on a fresh copy: on the library as generated (its rows shuffled) and
// as closing leaves it (sorted), with SQLite's checkpoint inside the commit
// and without it. Records the time and the pages the commit wrote to the log,
// to show where these two commands' time goes.
void measureCategoryWrites(const WindowRun& run, std::FILE* out);

}  // namespace bench
