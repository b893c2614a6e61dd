#pragma once

#include <functional>

namespace store {

class Library;

// The tidy-up at close: unnamed rows are removed and both tables rewritten in
// sorted order, so that the next start lists categories by name and items by
// category, then name. The twelve steps run as one transaction; a failure at
// any step undoes all of them and is swallowed, so that the window still
// closes with the library exactly as it was.
class TidyUp {
public:
    static constexpr int kSteps = 12;

    // Called with the step's number (1 to 12) before each step runs; tests use
    // it to make a given step fail for real.
    using StepHook = std::function<void(int step)>;

    // A library that is already tidy (no unnamed rows, empty scratch tables,
    // both tables stored in sorted order with row ids 1, 2, 3, ...) is left
    // alone: the rewrite would give back exactly what is there, and on a
    // large library it takes seconds.
    enum class Rewrite { WhenNeeded, Always };

    // Returns whether the library is tidy afterwards; false means it is
    // unchanged.
    static bool run(const Library& library, Rewrite rewrite = Rewrite::WhenNeeded,
                    const StepHook& beforeStep = {}) noexcept;

    static bool isTidy(const Library& library);

    // The SQL of step `step` (1 to 12), for measuring the engine alone.
    static const char* statement(int step);
};

}  // namespace store
