#pragma once

#include <QString>
#include <functional>

namespace errors {
class Error;
}

namespace store {

// A file of Access 2007 or later in the library's place, in a user's words.
errors::Error newerAccessFormat(const QString& library);

// Turns the library of the earlier Windows version, a Jet 3 or Jet 4 file
// named "Snibbet.mdb", into a library of this program: the same file name,
// every row of its four tables in their table order, every value as it was.
// The original file is kept, unchanged, beside it. The Jet file is read in
// a process of its own (jet::ReaderProcess), so that nothing in it can harm
// Snibbet.
class JetConversion {
public:
    // How far a conversion has come: `done` of `total` steps.
    using Progress = std::function<void(qint64 done, qint64 total)>;
    // Asked often while a conversion runs; true asks it to stop.
    using Stop = std::function<bool()>;

    // The name the original file is kept under, before "(n).mdb".
    static constexpr char kKeptStem[] = "Snibbet (Windows version)";

    // Whether the library file in `folder` is one of the earlier version.
    static bool isNeeded(const QString& folder);

    // Looks at the file in the library's place of `folder` without writing
    // anything: an Access database that is no library of the earlier
    // version (another program's, or one of the newer .accdb format), or
    // one that cannot be read, protected or damaged in its table
    // definitions, is an errors::Error saying so. Anything that is no Access
    // database passes.
    static void check(const QString& folder);

    // Where converting the library in `folder` will keep the original.
    static QString keptOriginalPath(const QString& folder);

    // Writes the new library beside the original under a passing name,
    // reads it back, and only then keeps the original under
    // keptOriginalPath() and gives the new file the library's name. A
    // failure, or the program being killed, at any point leaves either the
    // original untouched in its place or the finished library with the
    // original beside it. A failure is an errors::Error. Once `stop` says
    // so, the conversion ends as soon as it can, removes what it wrote and
    // raises errors::ConversionStopped, unless the new library had already
    // taken the old one's place. Returns where the original now is.
    static QString run(const QString& folder, const Progress& progress = {}, const Stop& stop = {});
};

}  // namespace store
