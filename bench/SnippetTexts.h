#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <string_view>

namespace bench {

// Plausible code, declarations and notes, cut from three pools written once:
// cutting views out of a pool keeps generating 100,000 items cheap.
class SnippetTexts {
public:
    explicit SnippetTexts(std::mt19937_64& random);

    std::string_view code(std::size_t bytes) { return cut(code_, bytes); }
    std::string_view declares(std::size_t bytes) { return cut(declares_, bytes); }
    std::string_view notes(std::size_t bytes) { return cut(notes_, bytes); }

    // A text longer than the pools, built by repeating the code pool.
    std::string longCode(std::size_t bytes) const;

private:
    std::string_view cut(const std::string& pool, std::size_t bytes);

    std::mt19937_64& random_;
    std::string code_, declares_, notes_;
};

// A whole number in [0, bound), the same on every standard library.
std::uint64_t below(std::mt19937_64& random, std::uint64_t bound);

}  // namespace bench
