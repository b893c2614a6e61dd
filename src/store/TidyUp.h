#pragma once

#include <QByteArray>
#include <functional>

namespace store {

class Library;

// The tidy-up at close: unnamed rows are removed, the scratch tables left
// empty and both tables stored in sorted order (categories by name, items by
// category, then name; names that differ only in letter case in the order of
// their row ids), so that the next start lists them sorted.
//
// A close costs what the run changed, not what the library holds: it reads
// the names of every row from the items index (other programs may have
// changed any row since the last close) and moves only the rows that are out
// of place, each into the gap its sorted neighbours leave between their row
// ids. The whole library is rewritten only when that is cheaper (many rows out
// of place) or when the moves cannot match the rewrite (rows left in the
// scratch tables). Both ways keep every column of every named row, also those
// another tool added, and sort every name by its text, whatever its stored
// type (a number, a BLOB). Either way the file then gives its free pages back,
// so that it stays the size of what it holds. All of it is one
// transaction: a failure at any step undoes every step and is swallowed, so
// that the window still closes with the library as it was.
//
// A file made by an older version cannot give pages back; once free pages
// make up a tenth of it, the close copies it afresh after the transaction.
// That copy changes no row, and when it fails the file stays as large as it
// was until the next close.
class TidyUp {
public:
    // The rewrite's statements, in order.
    static constexpr int kSteps = 13;

    // Where a close can fail. Called before each step that has something to
    // do, with the statement's number (1 to kSteps) for the rewrite's steps;
    // tests use it to make that step fail. Compact is the copy of an older
    // file, after the transaction.
    enum class Step { DeleteUnnamed, MoveCategories, MoveItems, Rewrite, FreePages, Compact };
    using StepHook = std::function<void(Step step, int statement)>;

    // Always: the rewrite, whatever the library holds; tests compare the
    // close with it.
    enum class Rewrite { WhenNeeded, Always };

    // Returns whether the library is tidy afterwards; false means that its
    // content is unchanged. Call it outside any unit of work.
    static bool run(const Library& library, Rewrite rewrite = Rewrite::WhenNeeded,
                    const StepHook& beforeStep = {}) noexcept;

    // No unnamed rows, empty scratch tables, both tables stored sorted.
    static bool isTidy(const Library& library);

    // The SQL of the rewrite's step `step` (1 to kSteps) on `library`, whose
    // columns it names, for measuring the engine alone; the steps run inside
    // one transaction.
    static QByteArray statement(const Library& library, int step);
};

}  // namespace store
