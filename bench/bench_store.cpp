// snibbet_bench_store [--quick] [--cold] [--sizes N,N,...] [--data-dir DIR]
//                     [--per-category N] [--text-bytes N]
// Times the store's operations on libraries of 1,000, 10,000 and 100,000
// items against the same work done with the bare SQLite C API, and prints
// markdown tables. Each size is measured in a process of its own, so that its
// memory figures start from a process that has not opened a library yet.
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <string>
#include <thread>
#include <vector>

#include "Arguments.h"
#include "ChildProcess.h"
#include "LibraryGenerator.h"
#include "MeasureOneSize.h"
#include "PageCache.h"
#include "ResultTable.h"
#include "SizeRuns.h"
#include "store/StoreError.h"

namespace {

struct Options {
    std::vector<std::int64_t> sizes{1000, 10000, 100000};
    std::string dataDir = "/tmp/snibbet-bench";
    std::int64_t perCategory = 1000;
    std::int64_t textBytes = 2000;
    // Set when this process is the child that measures one size.
    bench::SizeRun child;
};

// The journal modes are compared where a difference can show.
constexpr std::int64_t kJournalComparisonFrom = 10000;

int usage() {
    std::fputs(
        "usage: snibbet_bench_store [--quick] [--cold] [--sizes N,N,...] [--data-dir DIR]\n"
        "                           [--per-category N] [--text-bytes N]\n"
        "  --quick     1,000 and 10,000 items only\n"
        "  --cold      also time opening after emptying the kernel's page cache (root)\n"
        "  --data-dir  where generated libraries are kept for the next run\n"
        "              (default /tmp/snibbet-bench)\n",
        stderr);
    return 2;
}

bool parse(int argc, char** argv, Options& options) {
    bench::Arguments arguments;
    arguments.flag("--quick", [&] { options.sizes = {1000, 10000}; });
    arguments.flag("--journal", [&] { options.child.journalModes = true; });
    arguments.flag("--cold", [&] { options.child.coldOpen = true; });
    arguments.value("--sizes", [&](const std::string& v) { options.sizes = bench::parseSizes(v); });
    arguments.value("--data-dir", [&](const std::string& v) { options.dataDir = v; });
    arguments.value("--per-category",
                    [&](const std::string& v) { options.perCategory = std::stoll(v); });
    arguments.value("--text-bytes",
                    [&](const std::string& v) { options.textBytes = std::stoll(v); });
    // The child's: which size to measure, and where.
    arguments.value("--measure",
                    [&](const std::string& v) { options.child.items = std::stoll(v); });
    arguments.value("--library", [&](const std::string& v) { options.child.libraryFolder = v; });
    arguments.value("--work", [&](const std::string& v) { options.child.workFolder = v; });
    return arguments.parse(argc, argv);
}

// A library, its copies and the logs of a tidy-up take a few times its size.
void checkFreeSpace(const Options& options) {
    std::int64_t largest = 0;
    for (const std::int64_t size : options.sizes) largest = std::max(largest, size);
    bench::requireFreeSpace(options.dataDir,
                            static_cast<std::uintmax_t>(largest * (options.textBytes + 400) * 8));
}

// Runs this program again to measure one size, and collects its records.
void measureInChild(const bench::SizeRun& run, bench::ResultTable& table) {
    using bench::quotedForShell;
    std::string arguments = "--measure " + std::to_string(run.items) + " --library " +
                            quotedForShell(run.libraryFolder) + " --work " +
                            quotedForShell(run.workFolder);
    if (run.journalModes) arguments += " --journal";
    if (run.coldOpen) arguments += " --cold";
    bench::runThisProgram(arguments, [&](const std::string& record) {
        if (!table.add(record)) std::fprintf(stderr, "unexpected output: %s\n", record.c_str());
    });
}

void printSetting(const Options& options, const std::string& loadBefore) {
    std::printf(
        "## Snibbet store benchmark\n\n"
        "SQLite %s, %u hardware threads, libraries in %s, %lld items per category, "
        "about %lld bytes of text per item; page cache warm unless a row says cold. "
        "Load average before: %s, after: %s.\n\n",
        sqlite3_libversion(), std::thread::hardware_concurrency(), options.dataDir.c_str(),
        static_cast<long long>(options.perCategory), static_cast<long long>(options.textBytes),
        loadBefore.c_str(), bench::loadAverages().c_str());
}

int runAllSizes(const Options& options) {
    if (options.child.coldOpen && !bench::canDropPageCache())
        throw std::runtime_error("--cold empties the kernel's page cache, which needs root");
    checkFreeSpace(options);
    const std::string loadBefore = bench::loadAverages();
    bench::ResultTable table;
    for (const std::int64_t items : options.sizes) {
        bench::LibraryShape shape;
        shape.items = items;
        shape.perCategory = options.perCategory;
        shape.textBytes = options.textBytes;
        bench::SizeRun run;
        run.items = items;
        run.libraryFolder = bench::libraryFor(options.dataDir, shape);
        run.workFolder = options.dataDir + "/work-" + std::to_string(::getpid());
        run.journalModes = items >= kJournalComparisonFrom;
        run.coldOpen = options.child.coldOpen;
        bench::inWorkFolder(run.workFolder, [&] { measureInChild(run, table); });
    }
    printSetting(options, loadBefore);
    table.print(stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parse(argc, argv, options) || options.sizes.empty()) return usage();
    try {
        if (options.child.items > 0) {
            bench::measureOneSize(options.child, stdout);
            return 0;
        }
        return runAllSizes(options);
    } catch (const store::StoreError& e) {
        std::fprintf(stderr, "snibbet_bench_store: %s\n", e.text().toUtf8().constData());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "snibbet_bench_store: %s\n", e.what());
    }
    return 1;
}
