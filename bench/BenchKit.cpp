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
#include "store/engine/Connection.h"

namespace bench {
namespace {

namespace fs = std::filesystem;

bool anyCaseFailed = false;

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

void floorStatements(const store::Library& library, State& state, bool stepByStep) {
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

int runBenchmarks(int argc, char** argv, const char* flag, const char* flagHelp,
                  const std::function<void(std::int64_t items)>& registerSize,
                  const std::function<void()>& done) {
    benchmark::Initialize(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == flag) {
            options.flag = true;
        } else if (option == "--data-dir" && i + 1 < argc) {
            options.dataDir = argv[++i];
        } else if (option == "--sizes" && i + 1 < argc) {
            options.sizes.clear();
            std::istringstream list(argv[++i]);
            for (std::string size; std::getline(list, size, ',');)
                options.sizes.push_back(std::stoll(size));
        } else {
            std::fprintf(stderr,
                         "usage: %s [--sizes N,N,...] [--data-dir DIR] [%s] [--benchmark_...]\n"
                         "  --sizes     library sizes in items (default 1000,10000,100000)\n"
                         "  --data-dir  where generated libraries are kept for the next run "
                         "(default /tmp/snibbet-bench)\n  %-10s  %s\n",
                         argv[0], flag, flag, flagHelp);
            return 2;
        }
    }
    options.work = options.dataDir + "/work-" + std::to_string(::getpid());
    // A library, its copies and the tidy-up's log take many times its size.
    fs::create_directories(options.dataDir);
    const auto largest = *std::max_element(options.sizes.begin(), options.sizes.end());
    if (fs::space(options.dataDir).available < static_cast<std::uintmax_t>(largest) * 40000) {
        std::fprintf(stderr, "not enough free space in %s\n", options.dataDir.c_str());
        return 1;
    }
    for (const std::int64_t items : options.sizes) registerSize(items);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    done();
    fs::remove_all(options.work);
    return anyCaseFailed ? 1 : 0;
}

std::string preparedLibrary(const LibraryShape& shape) {
    std::string folder = libraryFolderFor(options.dataDir, shape);
    std::fprintf(stderr, "%s: %s\n", folder.c_str(), ensureLibrary(folder, shape) ? "new" : "kept");
    return folder;
}

QString copyLibrary(const std::string& fromFolder, const std::string& toFolder) {
    QString folder = QString::fromStdString(toFolder);
    const fs::path to = store::Library::pathIn(folder).toStdString();
    fs::create_directories(toFolder);
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) fs::remove(to.string() + suffix);
    fs::copy_file(store::Library::pathIn(QString::fromStdString(fromFolder)).toStdString(), to);
    flush(to);
    flush(toFolder);
    ::sync();
    return folder;
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
        throw std::runtime_error("the child failed: " + arguments.join(' ').toStdString());
    std::map<std::string, double> figures;
    std::istringstream lines(child.readAllStandardOutput().toStdString());
    std::string key;
    for (double value = 0; lines >> key >> value;) figures[key] = value;
    return figures;
}

void inChild(State& state, const QStringList& arguments, const std::string& timeKey) {
    for (auto _ : state) {
        const auto figures = childFigures(arguments);
        state.SetIterationTime(figures.at(timeKey) / 1e3);
        for (const auto& [key, value] : figures)
            if (key != timeKey) state.counters[key] = value;
    }
}

void addCase(const std::string& name, std::int64_t items, int repetitions, const char* target,
             const std::function<void(State&)>& body) {
    // After an error the later repetitions fail too: Google Benchmark 1.7
    // would aggregate a first failed repetition's figures with the others.
    auto failed = std::make_shared<std::string>();
    const auto run = [=](State& state) {
        try {
            if (!failed->empty()) throw std::runtime_error(*failed);
            body(state);
        } catch (const std::exception& e) {
            if (failed->empty()) std::fprintf(stderr, "%s failed: %s\n", name.c_str(), e.what());
            anyCaseFailed = true;
            *failed = e.what();
            state.SkipWithError(e.what());
        }
        state.SetLabel(target);
    };
    benchmark::RegisterBenchmark(name.c_str(), run)
        ->Arg(items)
        ->Iterations(1)
        ->Repetitions(repetitions)
        ->ReportAggregatesOnly(true)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

void setJournalMode(const store::Library& library, const char* mode) {
    const QString now = QString::fromStdString(
        library.database().execAndGet(std::string("PRAGMA journal_mode=") + mode).getString());
    if (now.compare(QLatin1String(mode), Qt::CaseInsensitive) != 0)
        throw std::runtime_error("the library stays in journal mode " + now.toStdString());
}

void timeClosing(State& state, const std::string& source, const std::string& work,
                 const char* journalMode, TidyUp tidyUp) {
    for (auto _ : state) {
        std::optional<store::Library> library(store::Library::open(copyLibrary(source, work)));
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

void floorTidyUp(const store::Library& library, State& state) {
    floorStatements(library, state, false);
}

void floorTidyUpStepByStep(const store::Library& library, State& state) {
    floorStatements(library, state, true);
}

}  // namespace bench
