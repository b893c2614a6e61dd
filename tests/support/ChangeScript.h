#pragma once

#include <QString>
#include <random>

namespace store {
class Library;
}

// A reproducible stream of changes to a library, as a user's session would
// make them: saves, adds, renames, deletions and the tidy-up at close. The
// same seed on the same library makes the same changes, so a run that was
// cut short can be replayed up to where it stopped.
class ChangeScript {
public:
    // Closes: every change is the tidy-up at close, for looking at the close
    // alone.
    enum class Mix { Session, Closes };

    explicit ChangeScript(unsigned seed, Mix mix = Mix::Session) : random_(seed), mix_(mix) {}

    // Makes change number `index`; returns a short description of it.
    QString next(const store::Library& library, int index);

private:
    std::mt19937 random_;
    Mix mix_;
};
