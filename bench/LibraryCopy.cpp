#include "LibraryCopy.h"

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>

namespace bench {
namespace {

namespace fs = std::filesystem;

fs::path libraryIn(const std::string& folder) {
    return fs::path(folder) / "Snibbet.mdb";
}

void flush(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) throw std::runtime_error("cannot open " + path.string());
    const int result = ::fsync(fd);
    ::close(fd);
    if (result != 0) throw std::runtime_error("cannot flush " + path.string());
}

}  // namespace

void removeLibrary(const std::string& folder) {
    const fs::path library = libraryIn(folder);
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        fs::remove(library.string() + suffix);
}

void copyLibrary(const std::string& fromFolder, const std::string& toFolder) {
    fs::create_directories(toFolder);
    removeLibrary(toFolder);
    fs::copy_file(libraryIn(fromFolder), libraryIn(toFolder));
    flush(libraryIn(toFolder));
    flush(toFolder);
    // Whatever else is still waiting to be written (the last run's files)
    // would otherwise be flushed by the next timed commit.
    ::sync();
}

}  // namespace bench
