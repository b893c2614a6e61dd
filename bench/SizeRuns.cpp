#include "SizeRuns.h"

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <stdexcept>

namespace bench {

namespace fs = std::filesystem;

std::vector<std::int64_t> parseSizes(const std::string& list) {
    std::vector<std::int64_t> sizes;
    std::istringstream in(list);
    for (std::string size; std::getline(in, size, ',');) sizes.push_back(std::stoll(size));
    return sizes;
}

void requireFreeSpace(const std::string& dataDir, std::uintmax_t needed) {
    fs::create_directories(dataDir);
    const std::uintmax_t available = fs::space(dataDir).available;
    if (available < needed)
        throw std::runtime_error("not enough free space in " + dataDir + ": " +
                                 std::to_string(available >> 20) + " MiB free, about " +
                                 std::to_string(needed >> 20) + " MiB needed");
}

std::string libraryFor(const std::string& dataDir, const LibraryShape& shape) {
    const std::string folder = libraryFolderFor(dataDir, shape);
    std::fprintf(stderr, "%lld items: ", static_cast<long long>(shape.items));
    std::fflush(stderr);
    const bool generated = ensureLibrary(folder, shape);
    std::fprintf(stderr, "%s %s\n", generated ? "generated" : "reusing", folder.c_str());
    return folder;
}

void inWorkFolder(const std::string& workFolder, const std::function<void()>& measure) {
    try {
        measure();
    } catch (...) {
        fs::remove_all(workFolder);
        throw;
    }
    fs::remove_all(workFolder);
}

}  // namespace bench
