#include "BenchKit.h"

#include <fcntl.h>
#include <unistd.h>

#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "store/Library.h"
#include "store/RecordSet.h"
#include "store/TidyUp.h"
#include "store/engine/Connection.h"

namespace bench {
namespace {

namespace fs = std::filesystem;

bool anyCaseFailed = false;

std::vector<std::function<void()>>& releases() {
    static std::vector<std::function<void()>> all;
    return all;
}

void flush(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    const bool flushed = fd >= 0 && ::fsync(fd) == 0;
    if (fd >= 0) ::close(fd);
    if (!flushed) throw std::runtime_error("cannot flush " + path.string());
}

double loadAverage() {
    double load = 0;
    std::ifstream("/proc/loadavg") >> load;
    return load;
}

}  // namespace

int runBenchmarks(int argc, char** argv, const std::function<void(std::int64_t)>& registerSize) {
    benchmark::Initialize(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--cold" || option == "--tidied") {
            (option == "--cold" ? options.cold : options.tidied) = true;
        } else if (option == "--data-dir" && i + 1 < argc) {
            options.dataDir = argv[++i];
        } else if (option == "--sizes" && i + 1 < argc) {
            options.sizes.clear();
            std::istringstream list(argv[++i]);
            for (std::string size; std::getline(list, size, ',');)
                options.sizes.push_back(std::stoll(size));
        } else {
            std::fprintf(stderr,
                         "usage: %s [--sizes N,N,...] [--data-dir DIR] [--cold] [--tidied] "
                         "[--benchmark_...]\n"
                         "  --sizes     library sizes in items (default 1000,10000,100000)\n"
                         "  --data-dir  where generated libraries are kept for the next run "
                         "(default /tmp/snibbet-bench)\n"
                         "  --cold      also time opening after emptying the page cache (root)\n"
                         "  --tidied    the window's library sorted first, as closing leaves it\n",
                         argv[0]);
            return 2;
        }
    }
    options.work = options.dataDir + "/work-" + std::to_string(::getpid());
    // A library, its copies and the tidy-up's log take many times its size.
    fs::create_directories(options.dataDir);
    const auto largest = *std::max_element(options.sizes.begin(), options.sizes.end());
    if (fs::space(options.dataDir).available < static_cast<std::uintmax_t>(largest) * 60000) {
        std::fprintf(stderr, "not enough free space in %s\n", options.dataDir.c_str());
        return 1;
    }
    for (const std::int64_t items : options.sizes) registerSize(items);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const auto& release : releases()) release();
    fs::remove_all(options.work);
    std::printf("Load average after the run: %.2f\n", loadAverage());
    return anyCaseFailed ? 1 : 0;
}

bool isLargest(std::int64_t items) {
    return items == *std::max_element(options.sizes.begin(), options.sizes.end());
}

void addCase(const std::string& name, std::int64_t items, int repetitions, const char* target,
             const std::function<void(State&)>& body) {
    // After an error the later repetitions fail too: Google Benchmark 1.7
    // would aggregate a first failed repetition's figures with the others.
    // Each failed repetition counts its one iteration, as the others do, or
    // the aggregate would stop the whole run.
    auto failed = std::make_shared<std::string>();
    const auto run = [=](State& state) {
        try {
            if (!failed->empty()) throw std::runtime_error(*failed);
            body(state);
        } catch (const std::exception& e) {
            if (failed->empty()) std::fprintf(stderr, "%s failed: %s\n", name.c_str(), e.what());
            *failed = e.what();
            anyCaseFailed = true;
            state.SkipWithError(e.what());
            if (state.iterations() == 0)
                for (auto _ : state) {
                }
        }
        state.counters["load"] = loadAverage();
        state.SetLabel(target);
    };
    benchmark::RegisterBenchmark(name.c_str(), run)
        ->Arg(items)
        ->Iterations(1)
        ->Repetitions(repetitions)
        ->ComputeStatistics(
            "max",
            [](const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); })
        ->ReportAggregatesOnly(true)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

void atRelease(std::function<void()> release) {
    releases().push_back(std::move(release));
}

QString copyLibrary(const QString& fromFolder, const std::string& toFolder) {
    QString folder = QString::fromStdString(toFolder);
    const fs::path to = store::Library::pathIn(folder).toStdString();
    fs::create_directories(toFolder);
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) fs::remove(to.string() + suffix);
    fs::copy_file(store::Library::pathIn(fromFolder).toStdString(), to);
    flush(to);
    flush(toFolder);
    ::sync();
    return folder;
}

QString tidiedCopy(const QString& fromFolder, const std::string& toFolder) {
    QString folder = copyLibrary(fromFolder, toFolder);
    if (!store::TidyUp::run(store::Library::open(folder)))
        throw std::runtime_error("the copy could not be tidied");
    requireTidy(folder);
    return folder;
}

void requireTidy(const QString& folder) {
    if (!store::TidyUp::isTidy(store::Library::open(folder)))
        throw std::runtime_error("closing did not tidy the library");
}

double usedShare(const QString& folder) {
    store::Connection db(store::Library::pathIn(folder), SQLite::OPEN_READONLY);
    const double pages = db.execAndGet("PRAGMA page_count").getDouble();
    return (pages - db.execAndGet("PRAGMA freelist_count").getDouble()) / pages;
}

double nowMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
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
    child.start(QString::fromStdString(fs::read_symlink("/proc/self/exe").string()),
                QStringList{QStringLiteral("--child")} + arguments);
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

double closedInChild(State& state, const QStringList& arguments, bool counters) {
    auto figures = childFigures(arguments);
    const double ms = nowMs() - figures.at("close_requested_at_ms");
    figures.erase("close_requested_at_ms");
    for (const auto& [key, value] : figures)
        if (counters) state.counters[key] = value;
    return ms;
}

QStringList categoryNames(const store::Library& library) {
    store::DataSource categories(library, store::RecordSource::wholeTable(store::Table::Category));
    return categories.Recordset().texts(store::Field::Category);
}

void setJournalMode(const store::Library& library, const char* mode) {
    const QString now = QString::fromStdString(
        library.database().execAndGet(std::string("PRAGMA journal_mode=") + mode).getString());
    if (now.compare(QLatin1String(mode), Qt::CaseInsensitive) != 0)
        throw std::runtime_error("the library stays in journal mode " + now.toStdString());
}

}  // namespace bench
