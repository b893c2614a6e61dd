#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "LibraryGenerator.h"

// What both benchmarks do around the measuring of one library size.
namespace bench {

// "1000,10000" as {1000, 10000}.
std::vector<std::int64_t> parseSizes(const std::string& list);

// Throws, before anything is generated, when the folder's file system has
// less than `needed` bytes free: a benchmark that fills the disk halfway
// through measures nothing.
void requireFreeSpace(const std::string& dataDir, std::uintmax_t needed);

// The folder of the library of `shape` under dataDir, generated there unless
// an earlier run left it; says on stderr which.
std::string libraryFor(const std::string& dataDir, const LibraryShape& shape);

// Runs `measure` and removes `workFolder` afterwards, also when it throws.
void inWorkFolder(const std::string& workFolder, const std::function<void()>& measure);

}  // namespace bench
