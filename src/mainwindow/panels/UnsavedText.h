#pragma once

#include <QString>

// A text that no item took, kept where the user can find it: a text file of
// its own in the backup folder beside the library.
namespace unsaved {

// Where a text was kept, or why it could not be.
struct Kept {
    QString file;     // empty when the text could not be written
    QString problem;  // then why, in a user's words
    bool isKept() const { return !file.isEmpty(); }
};

// Writes `text` exactly, with the bytes it was read from, into a new file named "<what> <date and
// time>.txt". It counts as kept only once the whole text is written and
// flushed to the disk; otherwise no file is left.
Kept keep(const QString& libraryPath, const QString& what, const QString& text);

}  // namespace unsaved
