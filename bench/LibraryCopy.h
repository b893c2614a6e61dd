#pragma once

#include <string>

namespace bench {

// Puts a fresh copy of the library in `fromFolder` into `toFolder`, replacing
// whatever library was there, and flushes it to disk, so that a timed run
// afterwards neither reads a half-written copy nor pays for writing it out.
void copyLibrary(const std::string& fromFolder, const std::string& toFolder);

// Removes the library in `folder` with its journal files.
void removeLibrary(const std::string& folder);

}  // namespace bench
