#pragma once

#include <QString>
#include <optional>

#include "store/Library.h"
#include "store/LogFiles.h"

namespace store {

// A library opened by a program other than Snibbet, to read it while Snibbet
// may have it open: Library::openReadOnly, and afterwards the log and index
// that only this reading made are taken away again, so that reading a
// library, or a backup copy of it, leaves its folder as it was.
class ReadOnlyLibrary {
public:
    // Throws errors::Error when the file is missing, not a library, damaged
    // or locked.
    explicit ReadOnlyLibrary(const QString& filePath);
    ~ReadOnlyLibrary();
    ReadOnlyLibrary(const ReadOnlyLibrary&) = delete;
    ReadOnlyLibrary& operator=(const ReadOnlyLibrary&) = delete;

    const Library& library() const { return *library_; }

private:
    ReadingTraces traces_;
    std::optional<Library> library_;
};

}  // namespace store
