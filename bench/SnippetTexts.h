#pragma once

#include <cstdint>
#include <random>
#include <string>

namespace bench {

enum class TextKind { Code, Declares, Notes };

// Plausible text of `kind` for a generated item: whole lines drawn at random,
// with identifiers and numbers varied and some letters beyond ASCII, until it
// holds at least `bytes` bytes.
std::string snippetText(std::mt19937_64& random, TextKind kind, std::size_t bytes);

// A whole number in [0, bound), the same on every standard library.
std::uint64_t below(std::mt19937_64& random, std::uint64_t bound);

}  // namespace bench
