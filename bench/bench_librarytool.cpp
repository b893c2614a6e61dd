// The companion program for the terminal, as a user runs it, beside its
// floors: find against the sqlite3 shell scanning the same fields, export
// against `cp -r` of the tree it wrote. Each run is a fresh process, timed
// from its start to its end.
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <filesystem>

#include "BenchKit.h"
#include "store/Library.h"

namespace bench {
namespace {

// A word no generated item holds: every text is searched, nothing printed.
constexpr char kMissingWord[] = "zebra crossing";
// Words in the names of one item in sixteen, in another letter case and
// beyond ASCII: 6,250 items printed at 100,000.
constexpr char kCommonWords[] = "GRÖßE BERECHNEN";

struct Size {
    explicit Size(std::int64_t n)
        : items(n),
          library(store::Library::pathIn(ensureLibrary(options.dataDir, {.items = n}))),
          work(QString::fromStdString(options.work + "/librarytool")) {}
    const std::int64_t items;
    const QString library;
    const QString work;
};

OneSize<Size> sizes("librarytool/");

// Runs a program to its end, which must give `wantedStatus`; returns its
// standard output.
QByteArray runProgram(const QString& program, const QStringList& arguments, int wantedStatus) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != wantedStatus)
        throw std::runtime_error((program + " " + arguments.join(' ') +
                                  " failed: " + QString::fromUtf8(process.readAllStandardError()))
                                     .toStdString());
    return process.readAllStandardOutput();
}

void timeFind(State& state, const Size& s, const char* word, int status) {
    for (auto _ : state) {
        QByteArray out;
        state.SetIterationTime(secondsOf([&] {
            out = runProgram(QStringLiteral(SNIBBET_LIBRARY_TOOL),
                             {QStringLiteral("find"), QString::fromUtf8(word), s.library}, status);
        }));
        state.counters["lines"] = static_cast<double>(out.count('\n'));
    }
}

// The same scan in the sqlite3 shell: every item's name and three texts,
// lower-cased (ASCII only) and searched for the word.
void timeFindFloor(State& state, const Size& s, const char* word) {
    const QString sql =
        QStringLiteral(
            "SELECT count(*) FROM Items WHERE instr(lower(ItemName), '%1') OR "
            "instr(lower(Code), '%1') OR instr(lower(Declares), '%1') OR instr(lower(Notes), '%1')")
            .arg(QString::fromUtf8(word));
    for (auto _ : state) {
        state.SetIterationTime(secondsOf([&] {
            runProgram(QStringLiteral("sqlite3"), {QStringLiteral("-readonly"), s.library, sql}, 0);
        }));
        // The shell leaves an empty log and its index beside the library,
        // which would make the next run generate the library anew.
        if (QFileInfo(s.library + QStringLiteral("-wal")).size() == 0) {
            QFile::remove(s.library + QStringLiteral("-wal"));
            QFile::remove(s.library + QStringLiteral("-shm"));
        }
    }
}

void removeTree(const QString& folder) {
    std::filesystem::remove_all(folder.toStdString());
}

void timeExport(State& state, const Size& s) {
    const QString tree = s.work + QStringLiteral("/export");
    for (auto _ : state) {
        removeTree(tree);
        state.SetIterationTime(secondsOf([&] {
            runProgram(QStringLiteral(SNIBBET_LIBRARY_TOOL),
                       {QStringLiteral("export"), s.library, tree}, 0);
        }));
        state.counters["files"] = static_cast<double>(s.items * 3 + 1);
    }
}

// cp -r of the tree the export wrote, made once beforehand.
void timeExportFloor(State& state, const Size& s) {
    const QString tree = s.work + QStringLiteral("/export");
    const QString copy = s.work + QStringLiteral("/copy");
    removeTree(tree);
    runProgram(QStringLiteral(SNIBBET_LIBRARY_TOOL), {QStringLiteral("export"), s.library, tree},
               0);
    for (auto _ : state) {
        removeTree(copy);
        state.SetIterationTime(secondsOf([&] {
            runProgram(QStringLiteral("cp"), {QStringLiteral("-r"), tree, copy}, 0);
        }));
    }
    removeTree(copy);
    removeTree(tree);
}

}  // namespace

void registerLibraryTool(std::int64_t items) {
    sizes.add(items, "find_nothing", 10, "< 1 s",
              [](State& state, Size& s) { timeFind(state, s, kMissingWord, 1); });
    sizes.add(items, "find_nothing_floor_sqlite3", 10, "",
              [](State& state, Size& s) { timeFindFloor(state, s, kMissingWord); });
    sizes.add(items, "find_many", 10, "< 1 s",
              [](State& state, Size& s) { timeFind(state, s, kCommonWords, 0); });
    sizes.add(items, "export", 3, "< 10 s", [](State& state, Size& s) { timeExport(state, s); });
    sizes.add(items, "export_floor_cp", 3, "",
              [](State& state, Size& s) { timeExportFloor(state, s); });
}

}  // namespace bench
