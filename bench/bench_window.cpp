// snibbet_bench_window [--quick] [--sizes N,N,...] [--data-dir DIR]
//                      [--per-category N] [--text-bytes N] [--big-item-bytes N]
//                      [--startups N]
// Drives the real main window on the offscreen platform over libraries of
// 1,000, 10,000 and 100,000 items, one of them with a 5 MB Code text, and
// times what the user waits for: start-up, choosing, saving, the maintenance
// commands, closing. Beside each, the same database work with the bare SQLite
// C API. Start-ups are timed in fresh processes, each size's session in a
// process of its own.
#include <sqlite3.h>
#include <unistd.h>

#include <QApplication>
#include <QDate>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "Arguments.h"
#include "CategoryWrites.h"
#include "ChildProcess.h"
#include "LibraryCopy.h"
#include "LibraryGenerator.h"
#include "SizeRuns.h"
#include "Timing.h"
#include "WindowResults.h"
#include "WindowSession.h"
#include "mainwindow/Fonts.h"
#include "store/Backup.h"
#include "store/Library.h"
#include "store/StoreError.h"
#include "store/TidyUp.h"

namespace {

namespace fs = std::filesystem;

struct Options {
    std::vector<std::int64_t> sizes{1000, 10000, 100000};
    std::string dataDir = "/tmp/snibbet-bench";
    bench::LibraryShape shape{
        .items = 0, .perCategory = 1000, .textBytes = 2000, .bigItemBytes = 5000000};
    int startups = 7;
    bool tidied = false;
    bool noCheckpointOnCommit = false;
    // Set in a child: what it measures, and where.
    std::string child;
    std::string library, work;
};

int usage() {
    std::fputs(
        "usage: snibbet_bench_window [--quick] [--sizes N,N,...] [--data-dir DIR]\n"
        "                            [--per-category N] [--text-bytes N] [--big-item-bytes N]\n"
        "                            [--startups N] [--tidied] [--no-checkpoint-on-commit]\n"
        "  --quick     1,000 and 10,000 items only\n"
        "  --data-dir  where generated libraries are kept for the next run\n"
        "              (default /tmp/snibbet-bench)\n"
        "  --startups  fresh processes timing the start-up per size (default 7)\n"
        "  --tidied    work on the library as closing leaves it (sorted), not as generated\n"
        "  --no-checkpoint-on-commit\n"
        "              what-if: the session's connections never checkpoint the\n"
        "              write-ahead log inside a commit\n",
        stderr);
    return 2;
}

bool parse(int argc, char** argv, Options& options) {
    bench::Arguments arguments;
    bench::LibraryShape& shape = options.shape;
    arguments.flag("--quick", [&] { options.sizes = {1000, 10000}; });
    arguments.flag("--tidied", [&] { options.tidied = true; });
    arguments.flag("--no-checkpoint-on-commit", [&] { options.noCheckpointOnCommit = true; });
    arguments.value("--sizes", [&](const std::string& v) { options.sizes = bench::parseSizes(v); });
    arguments.value("--data-dir", [&](const std::string& v) { options.dataDir = v; });
    arguments.value("--per-category",
                    [&](const std::string& v) { shape.perCategory = std::stoll(v); });
    arguments.value("--text-bytes", [&](const std::string& v) { shape.textBytes = std::stoll(v); });
    arguments.value("--big-item-bytes",
                    [&](const std::string& v) { shape.bigItemBytes = std::stoll(v); });
    arguments.value("--startups", [&](const std::string& v) { options.startups = std::stoi(v); });
    // The child's: what it measures, on which size, and where.
    arguments.value("--child", [&](const std::string& v) { options.child = v; });
    arguments.value("--items", [&](const std::string& v) { shape.items = std::stoll(v); });
    arguments.value("--library", [&](const std::string& v) { options.library = v; });
    arguments.value("--work", [&](const std::string& v) { options.work = v; });
    return arguments.parse(argc, argv) && options.startups > 0;
}

// The generated library, the window's copy and its backup, the floor's copy,
// and two fresh copies for closing, each of which the tidy-up doubles and
// whose logs grow as large while it runs.
void checkFreeSpace(const Options& options) {
    std::int64_t largest = 0;
    for (const std::int64_t size : options.sizes) largest = std::max(largest, size);
    const auto bytes = largest * (options.shape.textBytes + 400) + options.shape.bigItemBytes;
    bench::requireFreeSpace(options.dataDir, static_cast<std::uintmax_t>(bytes * 16));
}

std::string childArguments(const char* what, const bench::WindowRun& run) {
    using bench::quotedForShell;
    return std::string("--child ") + what +
           (run.noCheckpointOnCommit ? " --no-checkpoint-on-commit" : "") + " --items " +
           std::to_string(run.shape.items) + " --per-category " +
           std::to_string(run.shape.perCategory) + " --text-bytes " +
           std::to_string(run.shape.textBytes) + " --big-item-bytes " +
           std::to_string(run.shape.bigItemBytes) + " --library " +
           quotedForShell(run.libraryFolder) + " --work " + quotedForShell(run.workFolder);
}

void measureOneSize(const bench::WindowRun& run, int startups, bool tidied,
                    bench::WindowResults& results) {
    const auto collect = [&](const std::string& line) {
        if (!results.add(line)) std::fprintf(stderr, "unexpected output: %s\n", line.c_str());
    };
    const QString copy = QString::fromStdString(bench::windowCopyIn(run));
    bench::copyLibrary(run.libraryFolder, bench::windowCopyIn(run));
    const QString library = store::Library::pathIn(copy);
    if (tidied) {
        const store::Library open = store::Library::open(copy);
        if (!store::TidyUp::run(open, store::TidyUp::Rewrite::Always))
            throw std::runtime_error("the copy could not be tidied");
    }
    // Today's backup is made the way the program makes it, before any timing.
    store::Backup::makeIfDue(library, QDate::currentDate());
    ::sync();
    for (int i = 0; i < startups; ++i) {
        bench::runThisProgram(childArguments("startup", run), collect);
        std::fprintf(stderr, "  %lld items: start-up in a fresh process %d/%d\n",
                     static_cast<long long>(run.shape.items), i + 1, startups);
    }
    fs::remove_all(store::Backup::folderFor(library).toStdString());
    ::sync();
    bench::runThisProgram(childArguments("first-of-day", run), collect);
    std::fprintf(stderr, "  %lld items: start-up without today's backup 1/1\n",
                 static_cast<long long>(run.shape.items));
    ::sync();
    bench::runThisProgram(childArguments("memory", run), collect);
    ::sync();
    bench::runThisProgram(childArguments("session", run), collect);
    bench::runThisProgram(childArguments("engine", run), collect);
}

void printSetting(const Options& options, const std::string& loadBefore) {
    std::printf(
        "## Snibbet window benchmark\n\n"
        "Qt %s (offscreen), SQLite %s, %u hardware threads, libraries in %s, %lld items per "
        "category, about %lld bytes of text per item, one item of %lld bytes; page cache warm; "
        "library %s%s. Load average before: %s, after: %s.\n\n",
        qVersion(), sqlite3_libversion(), std::thread::hardware_concurrency(),
        options.dataDir.c_str(), static_cast<long long>(options.shape.perCategory),
        static_cast<long long>(options.shape.textBytes),
        static_cast<long long>(options.shape.bigItemBytes),
        options.tidied ? "tidied first (sorted, as closing leaves it)"
                       : "as generated (rows shuffled)",
        options.noCheckpointOnCommit ? "; what-if: no checkpoint inside a commit in the session"
                                     : "",
        loadBefore.c_str(), bench::loadAverages().c_str());
}

int runAllSizes(Options options) {
    checkFreeSpace(options);
    const std::string loadBefore = bench::loadAverages();
    bench::WindowResults results;
    for (const std::int64_t items : options.sizes) {
        bench::WindowRun run;
        run.shape = options.shape;
        run.shape.items = items;
        run.libraryFolder = bench::libraryFor(options.dataDir, run.shape);
        run.workFolder = options.dataDir + "/window-work-" + std::to_string(::getpid());
        run.noCheckpointOnCommit = options.noCheckpointOnCommit;
        bench::inWorkFolder(run.workFolder, [&] {
            measureOneSize(run, options.startups, options.tidied, results);
        });
    }
    printSetting(options, loadBefore);
    results.print(stdout);
    return 0;
}

// The offscreen platform says on every window shown that it cannot pass size
// hints on; that line is dropped, every other message goes through.
QtMessageHandler qtDefaultHandler = nullptr;

void quieterMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QLatin1String("propagateSizeHints"))) return;
    if (qtDefaultHandler) qtDefaultHandler(type, context, message);
}

int runChild(int argc, char** argv, const Options& options) {
    qtDefaultHandler = qInstallMessageHandler(quieterMessages);
    // As the program's main() does before it starts the window; not part of
    // the start-up figure, but timed beside it.
    std::optional<QApplication> app;
    const double applicationMs = bench::millisecondsOf([&] {
        app.emplace(argc, argv);
        QApplication::setApplicationName(QStringLiteral("Snibbet"));
        fonts::installFallbacks();
    });
    bench::WindowRun run;
    run.shape = options.shape;
    run.libraryFolder = options.library;
    run.workFolder = options.work;
    run.noCheckpointOnCommit = options.noCheckpointOnCommit;
    if (options.child == "startup" || options.child == "first-of-day")
        bench::measureStartUp(run, options.child == "first-of-day", applicationMs, stdout);
    else if (options.child == "engine")
        bench::measureCategoryWrites(run, stdout);
    else if (options.child == "memory")
        bench::measureWindowMemory(run, stdout);
    else if (options.child == "session")
        bench::measureSession(run, stdout);
    else
        return usage();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parse(argc, argv, options) || options.sizes.empty()) return usage();
    try {
        if (!options.child.empty()) {
            // The window is driven without a screen.
            if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
                qputenv("QT_QPA_PLATFORM", "offscreen");
            return runChild(argc, argv, options);
        }
        return runAllSizes(options);
    } catch (const store::StoreError& e) {
        std::fprintf(stderr, "snibbet_bench_window: %s\n", e.text().toUtf8().constData());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "snibbet_bench_window: %s\n", e.what());
    }
    return 1;
}
