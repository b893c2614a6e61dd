#pragma once

#include <cstdint>
#include <string>

// Names as a user's library holds them: mixed letter case, spaces and
// underscores, some letters beyond ASCII. Each depends only on its indices,
// so that two runs with the same parameters write the same names.
namespace bench {

// Unique, also when letter case is ignored.
std::string categoryName(std::int64_t category);

// Unique within its category, also when letter case is ignored.
std::string itemName(std::int64_t category, std::int64_t item);

}  // namespace bench
