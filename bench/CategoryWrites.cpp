#include "CategoryWrites.h"

#include <unistd.h>

#include <QString>
#include <filesystem>
#include <memory>
#include <string>

#include "FloorOperations.h"
#include "LibraryCopy.h"
#include "SnippetNames.h"
#include "Timing.h"
#include "WindowResults.h"
#include "WindowSession.h"
#include "store/Library.h"

namespace bench {
namespace {

namespace fs = std::filesystem;

constexpr int kRepetitions = 3;

// The log's header and each frame's header, around one 4,096-byte page.
constexpr std::uintmax_t kLogHeader = 32;
constexpr std::uintmax_t kFrame = 24 + 4096;

std::string libraryFile(const std::string& folder) {
    return store::Library::pathIn(QString::fromStdString(folder)).toStdString();
}

std::uintmax_t framesInLog(const std::string& folder) {
    std::error_code error;
    const std::uintmax_t bytes = fs::file_size(libraryFile(folder) + "-wal", error);
    return error || bytes < kLogHeader ? 0 : (bytes - kLogHeader) / kFrame;
}

struct Variant {
    const char* key;
    const std::string* source;
    bool rename;
    bool checkpointInCommit;
};

}  // namespace

void measureCategoryWrites(const WindowRun& run, std::FILE* out) {
    WindowRecorder record(out, run.shape.items);
    const std::string copy = run.workFolder + "/category-writes";
    const std::string tidied = run.workFolder + "/tidied-source";
    copyLibrary(run.libraryFolder, tidied);
    {
        BareConnection db(libraryFile(tidied));
        floor::configure(db, "WAL");
        floor::tidyUp(db);
    }
    const std::int64_t categories = run.shape.categories();
    const std::string category = categoryName((categories / 2 + 1) % categories);

    const Variant variants[] = {
        {"cw-rename-generated-commit", &run.libraryFolder, true, true},
        {"cw-rename-generated-none", &run.libraryFolder, true, false},
        {"cw-rename-tidied-commit", &tidied, true, true},
        {"cw-rename-tidied-none", &tidied, true, false},
        {"cw-delete-generated-commit", &run.libraryFolder, false, true},
        {"cw-delete-generated-none", &run.libraryFolder, false, false},
        {"cw-delete-tidied-commit", &tidied, false, true},
        {"cw-delete-tidied-none", &tidied, false, false},
    };
    for (int r = 0; r < kRepetitions; ++r) {
        for (const Variant& v : variants) {
            copyLibrary(*v.source, copy);
            auto db = std::make_unique<BareConnection>(libraryFile(copy));
            floor::configure(*db, "WAL");
            if (!v.checkpointInCommit) db->exec("PRAGMA wal_autocheckpoint=0");
            ::sync();
            const double ms = millisecondsOf([&] {
                if (v.rename)
                    floor::renameCategory(*db, category, category + " renamed");
                else
                    floor::deleteCategory(*db, category);
            });
            record.sample(v.key, ms);
            record.sample((std::string(v.key) + "-pages").c_str(),
                          static_cast<double>(framesInLog(copy)));
        }
        record.progress("rename, delete a category: engine alone", r + 1, kRepetitions);
    }
    removeLibrary(copy);
    removeLibrary(tidied);
}

}  // namespace bench
