#include "BenchKit.h"

#include <SQLiteCpp/Database.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>

#include "store/Library.h"
#include "store/TidyUp.h"

namespace bench {
namespace {

namespace fs = std::filesystem;

void flush(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    const bool flushed = fd >= 0 && ::fsync(fd) == 0;
    if (fd >= 0) ::close(fd);
    if (!flushed) throw std::runtime_error("cannot flush " + path.string());
}

void exec(sqlite3* db, const char* sql) {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        throw std::runtime_error(std::string(sql) + ": " + sqlite3_errmsg(db));
}

}  // namespace

Options parseOptions(int argc, char** argv, const char* usage,
                     std::initializer_list<std::pair<const char*, bool*>> flags) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const auto flag = std::find_if(flags.begin(), flags.end(),
                                       [&](const auto& f) { return option == f.first; });
        if (flag != flags.end()) {
            *flag->second = true;
        } else if (option == "--data-dir" && i + 1 < argc) {
            options.dataDir = argv[++i];
        } else if (option == "--sizes" && i + 1 < argc) {
            options.sizes.clear();
            std::istringstream list(argv[++i]);
            for (std::string size; std::getline(list, size, ',');)
                options.sizes.push_back(std::stoll(size));
        } else {
            std::fputs(usage, stderr);
            std::exit(2);
        }
    }
    options.work = options.dataDir + "/work-" + std::to_string(::getpid());
    // A library, its copies and the tidy-up's log take many times its size.
    fs::create_directories(options.dataDir);
    const std::int64_t largest = *std::max_element(options.sizes.begin(), options.sizes.end());
    const auto needed = static_cast<std::uintmax_t>(largest) * 2400 * 16;
    if (fs::space(options.dataDir).available < needed) {
        std::fprintf(stderr, "not enough free space in %s: about %ju MiB needed\n",
                     options.dataDir.c_str(), needed >> 20);
        std::exit(1);
    }
    return options;
}

std::string preparedLibrary(const Options& options, const LibraryShape& shape) {
    const std::string folder = libraryFolderFor(options.dataDir, shape);
    std::fprintf(stderr, "%lld items: checking %s\n", static_cast<long long>(shape.items),
                 folder.c_str());
    if (ensureLibrary(folder, shape)) std::fprintf(stderr, "  generated\n");
    return folder;
}

void copyLibrary(const std::string& fromFolder, const std::string& toFolder) {
    const fs::path to = store::Library::pathIn(q(toFolder)).toStdString();
    fs::create_directories(toFolder);
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) fs::remove(to.string() + suffix);
    fs::copy_file(store::Library::pathIn(q(fromFolder)).toStdString(), to);
    flush(to);
    flush(toFolder);
    ::sync();
}

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

Memory memoryNow() {
    std::ifstream statm("/proc/self/statm");
    double size = 0, resident = 0, shared = 0, peak = 0;
    statm >> size >> resident >> shared;
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0) peak = std::stod(line.substr(6)) * 1024 / 1e6;  // kB
    const double pageMb = static_cast<double>(::sysconf(_SC_PAGESIZE)) / 1e6;
    return {resident * pageMb, (resident - shared) * pageMb, peak};
}

void report(const char* key, double value) {
    std::printf("%s %.6f\n", key, value);
    std::fflush(stdout);
}

std::map<std::string, double> childFigures(const QStringList& arguments) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QString::fromStdString(fs::read_symlink("/proc/self/exe").string()), arguments);
    if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit ||
        child.exitCode() != 0)
        throw std::runtime_error("the child process failed: " +
                                 arguments.join(QLatin1Char(' ')).toStdString());
    std::map<std::string, double> figures;
    std::istringstream lines(child.readAllStandardOutput().toStdString());
    std::string key;
    for (double value = 0; lines >> key >> value;) figures[key] = value;
    return figures;
}

void setJournalMode(const store::Library& library, const char* mode) {
    SQLite::Database& db = library.database();
    const std::string now = db.execAndGet(std::string("PRAGMA journal_mode=") + mode).getString();
    if (!std::equal(now.begin(), now.end(), mode, mode + std::strlen(mode),
                    [](char a, char b) { return std::tolower(a) == std::tolower(b); }))
        throw std::runtime_error(std::string("the library stays in journal mode ") + now);
}

void timeClosing(benchmark::State& state, const std::string& source, const std::string& work,
                 const char* journalMode, const TidyUp& tidyUp) {
    for (auto _ : state) {
        copyLibrary(source, work);
        std::optional<store::Library> library(store::Library::open(q(work)));
        if (journalMode) setJournalMode(*library, journalMode);
        ::sync();
        const double tidy = secondsOf([&] { tidyUp(*library, state); });
        const double close = secondsOf([&] { library.reset(); });
        state.SetIterationTime(tidy + close);
        state.counters["tidy_ms"] = tidy * 1e3;
        state.counters["close_ms"] = close * 1e3;
    }
    fs::remove_all(work);
}

namespace {

void floorStatements(const store::Library& library, benchmark::State& state, bool stepByStep) {
    sqlite3* db = library.database().getHandle();
    exec(db, "BEGIN IMMEDIATE");
    const auto timed = [&](const std::string& counter, const char* sql) {
        const double seconds = secondsOf([&] { exec(db, sql); });
        if (stepByStep) state.counters[counter] = seconds * 1e3;
    };
    for (int step = 1; step <= store::TidyUp::kSteps; ++step)
        timed((step < 10 ? "step0" : "step") + std::to_string(step),
              store::TidyUp::statement(step));
    timed("step13_commit", "COMMIT");
}

}  // namespace

void floorTidyUp(const store::Library& library, benchmark::State& state) {
    floorStatements(library, state, false);
}

void floorTidyUpStepByStep(const store::Library& library, benchmark::State& state) {
    floorStatements(library, state, true);
}

benchmark::internal::Benchmark* addCase(const std::string& name, std::int64_t items,
                                        const char* target,
                                        std::function<void(benchmark::State&)> body) {
    // After an error the case's later repetitions are skipped too: a case
    // whose first repetition failed and later ones did not would be
    // aggregated from the failed one's figures.
    auto failed = std::make_shared<std::string>();
    const auto run = [=](benchmark::State& state) {
        try {
            if (!failed->empty()) throw std::runtime_error(*failed);
            body(state);
        } catch (const std::exception& e) {
            if (failed->empty()) {
                *failed = e.what();
                std::fprintf(stderr, "%s/%lld failed: %s\n", name.c_str(),
                             static_cast<long long>(items), e.what());
            }
            state.SkipWithError(e.what());
        }
        if (*target) state.SetLabel(target);
    };
    return benchmark::RegisterBenchmark(name.c_str(), run)
        ->Arg(items)
        ->Unit(benchmark::kMillisecond)
        ->ReportAggregatesOnly(true);
}

benchmark::internal::Benchmark* once(benchmark::internal::Benchmark* b, int repetitions) {
    return b->Iterations(1)->Repetitions(repetitions);
}

}  // namespace bench
