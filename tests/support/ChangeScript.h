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
    explicit ChangeScript(unsigned seed) : random_(seed) {}

    // Makes change number `index`; returns a short description of it.
    QString next(const store::Library& library, int index);

private:
    std::mt19937 random_;
};
