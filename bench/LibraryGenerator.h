#pragma once

#include <QString>
#include <cstdint>
#include <string>

// Builds libraries of a chosen size for the benchmarks: categories of equal
// size, items with varied names and long texts, stored in shuffled order so
// that the tidy-up at close has real sorting to do.
namespace bench {

struct LibraryShape {
    std::int64_t items = 1000;
    std::int64_t perCategory = 1000;
    // Roughly the length of an item's three texts together, in bytes.
    std::int64_t textBytes = 2000;
    // When non-zero, the item "big snippet" of the middle category carries a
    // Code text of this many bytes.
    std::int64_t bigItemBytes = 0;
    std::uint64_t seed = 20240611;

    std::int64_t categories() const { return (items + perCategory - 1) / perCategory; }
    // One line naming every parameter; equal lines mean equal libraries.
    std::string describe() const;
};

// Writes a new library of `shape` into `folder` (created if missing), through
// the store, with a note of its parameters beside it. Throws when the folder
// already holds a library.
void generateLibrary(const std::string& folder, const LibraryShape& shape);

// A library of exactly `shape` in a folder under `root` named after it: one
// that an earlier call generated with the same parameters is kept, one with
// others is replaced, one it did not generate is an error. Returns the folder.
QString ensureLibrary(const std::string& root, const LibraryShape& shape);

// The name of category number `category`: mixed letter case, letters beyond
// ASCII, unique also when case is ignored.
QString categoryName(std::int64_t category);

}  // namespace bench
