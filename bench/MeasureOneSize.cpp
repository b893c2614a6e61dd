#include "MeasureOneSize.h"

#include <unistd.h>

#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>

#include "FloorOperations.h"
#include "LibraryCopy.h"
#include "PageCache.h"
#include "Recorder.h"
#include "StoreOperations.h"
#include "Timing.h"
#include "store/TidyUp.h"

namespace bench {
namespace {

struct Repetitions {
    int open, coldOpen, select, find, save, tidy;
};

// The light operations are repeated often enough that the median is steady;
// the tidy-up, at seconds a time, and the cold open, which empties the whole
// machine's page cache, fewer times.
Repetitions repetitionsFor(std::int64_t items) {
    if (items >= 100000) return {20, 5, 30, 50, 20, 5};
    return {30, 5, 30, 50, 20, 5};
}

constexpr std::array<const char*, 2> kJournalModes{"WAL", "DELETE"};

std::string libraryFile(const std::string& folder) {
    return store::Library::pathIn(QString::fromStdString(folder)).toStdString();
}

std::unique_ptr<BareConnection> bareConnection(const std::string& folder, const char* mode) {
    auto db = std::make_unique<BareConnection>(libraryFile(folder));
    floor::configure(*db, mode);
    return db;
}

// The operations in the order a user meets them, each through the store and
// on the floor. Steps b to d share one open library and one bare connection
// to the same working copy; the tidy-up works on fresh copies.
class SizeBench {
public:
    SizeBench(const SizeRun& run, std::FILE* out)
        : run_(run),
          reps_(repetitionsFor(run.items)),
          record_(out, run.items),
          work_(run.workFolder + "/library"),
          qWork_(QString::fromStdString(work_)) {
        copyLibrary(run.libraryFolder, work_);
    }

    void measureAll() {
        measureMemoryOfFirstOpen();
        measureOpening();
        if (run_.coldOpen) measureColdOpening();
        openWorkingCopy();
        measureSelecting();
        measureFinding();
        measureSaving();
        measureTidyUp();
        if (run_.journalModes) measureTidyUpStepByStep();
        record_.memory(memoryBefore_, memoryAfterOpen_, peakAfterOpen_, peakResident());
    }

private:
    void measureMemoryOfFirstOpen();
    void measureOpening();
    void measureColdOpening();
    void openWorkingCopy();
    void measureSelecting();
    void measureFinding();
    void measureSaving();
    void measureTidyUp();
    void measureTidyUpStepByStep();

    double timeStoreOpening();
    double timeFloorOpening();
    void checkSameWork();

    const SizeRun& run_;
    const Repetitions reps_;
    Recorder record_;
    const std::string work_;
    const QString qWork_;

    ResidentMemory memoryBefore_, memoryAfterOpen_;
    double peakAfterOpen_ = 0;
    QStringList categories_;

    std::optional<store::Library> library_;
    std::unique_ptr<BareConnection> db_;
    QString category_;
    std::optional<store::DataSource> items_;
    QString itemName_;
    std::vector<floor::NamedRow> floorItems_;
};

// Memory first, while nothing of the store has run in this process yet.
void SizeBench::measureMemoryOfFirstOpen() {
    memoryBefore_ = residentMemory();
    const store::Library library = store::Library::open(qWork_);
    categories_ = viaStore::categoryNames(library);
    memoryAfterOpen_ = residentMemory();
    peakAfterOpen_ = peakResident();
    if (categories_.isEmpty()) throw std::runtime_error("the library has no categories");
}

// a. Opening the library and reading the category list; closing is not timed.
double SizeBench::timeStoreOpening() {
    std::optional<store::Library> library;
    return millisecondsOf([&] {
        library.emplace(store::Library::open(qWork_));
        consume(viaStore::categoryNames(*library).size());
    });
}

double SizeBench::timeFloorOpening() {
    std::unique_ptr<BareConnection> db;
    return millisecondsOf([&] {
        db = bareConnection(work_, "WAL");
        consume(static_cast<long long>(floor::categoryNames(*db).size()));
    });
}

void SizeBench::measureOpening() {
    Samples store, floor;
    interleaved(reps_.open,
                {[&] { store.push_back(timeStoreOpening()); },
                 [&] { floor.push_back(timeFloorOpening()); }},
                [&](int r) { record_.progress("open + category list", r, reps_.open); });
    record_.operation("open", store, floor);
}

// a, once more from the disk rather than from memory.
void SizeBench::measureColdOpening() {
    Samples store, floor;
    interleaved(reps_.coldOpen,
                {[&] {
                     dropPageCache();
                     store.push_back(timeStoreOpening());
                 },
                 [&] {
                     dropPageCache();
                     floor.push_back(timeFloorOpening());
                 }},
                [&](int r) { record_.progress("open, cold page cache", r, reps_.coldOpen); });
    record_.operation("open-cold", store, floor);
}

void SizeBench::openWorkingCopy() {
    library_.emplace(store::Library::open(qWork_));
    db_ = bareConnection(work_, "WAL");
    category_ = categories_[categories_.size() / 2];
}

// b. Choosing a category: the names of its items.
void SizeBench::measureSelecting() {
    const std::string category = category_.toStdString();
    Samples store, floor;
    interleaved(
        reps_.select,
        {[&] {
             store.push_back(millisecondsOf([&] {
                 store::DataSource items(*library_, store::RecordSource::itemsOf(category_));
                 consume(viaStore::itemNames(items).size());
             }));
         },
         [&] {
             floor.push_back(millisecondsOf(
                 [&] { consume(static_cast<long long>(floor::itemsOf(*db_, category).size())); }));
         }},
        [&](int r) { record_.progress("category's item names", r, reps_.select); });
    record_.operation("select", store, floor);
}

// Both sides must read the same rows and texts, or their times say nothing.
void SizeBench::checkSameWork() {
    store::RecordSet& rows = items_->Recordset();
    if (rows.count() != static_cast<qsizetype>(floorItems_.size()))
        throw std::runtime_error("the store and the floor see different items");
    const viaStore::Texts viaStoreTexts = viaStore::findTexts(rows, itemName_);
    const floor::Texts floorTexts = floor::findTexts(*db_, floorItems_, itemName_.toStdString());
    if (viaStoreTexts.code.toStdString() != floorTexts.code ||
        viaStoreTexts.declares.toStdString() != floorTexts.declares ||
        viaStoreTexts.notes.toStdString() != floorTexts.notes || floorTexts.code.empty())
        throw std::runtime_error("the store and the floor read different texts");
}

// c. Finding an item and reading its three texts. The last item in stored
// order is the longest search.
void SizeBench::measureFinding() {
    items_.emplace(*library_, store::RecordSource::itemsOf(category_));
    store::RecordSet& rows = items_->Recordset();
    rows.MoveLast();
    itemName_ = rows.text(store::Field::ItemName);
    floorItems_ = floor::itemsOf(*db_, category_.toStdString());
    checkSameWork();

    const std::string name = itemName_.toStdString();
    Samples store, floor;
    interleaved(reps_.find,
                {[&] {
                     store.push_back(millisecondsOf([&] {
                         const viaStore::Texts texts = viaStore::findTexts(rows, itemName_);
                         consume(texts.code.size() + texts.declares.size() + texts.notes.size());
                     }));
                 },
                 [&] {
                     floor.push_back(millisecondsOf([&] {
                         const floor::Texts texts = floor::findTexts(*db_, floorItems_, name);
                         consume(static_cast<long long>(texts.code.size() + texts.declares.size() +
                                                        texts.notes.size()));
                     }));
                 }},
                [&](int r) { record_.progress("find item + three texts", r, reps_.find); });
    record_.operation("find", store, floor);
}

// d. Saving one text, durably, on the item found in c. Every save writes a
// text the row does not hold yet: the engine skips writing a cell whose bytes
// are unchanged, and such a save would commit nothing. The file system is
// flushed before each save, so that a save's sync does not also pay for what
// the one before left behind (a rollback journal creates and deletes a file).
void SizeBench::measureSaving() {
    store::RecordSet& rows = items_->Recordset();
    const QString original = rows.text(store::Field::Code);
    int saves = 0;
    const auto nextVersion = [&] {
        return original + QStringLiteral("\n// saved %1\n").arg(++saves, 6, 10, QLatin1Char('0'));
    };
    const std::int64_t id = [&] {
        for (const floor::NamedRow& row : floorItems_)
            if (row.name == itemName_.toStdString()) return row.id;
        throw std::runtime_error("the item to save is missing");
    }();

    const std::string rollbackFolder = run_.workFolder + "/rollback-journal";
    std::unique_ptr<BareConnection> rollback;
    if (run_.journalModes) {
        copyLibrary(run_.libraryFolder, rollbackFolder);
        rollback = bareConnection(rollbackFolder, "DELETE");
    }
    Samples store, floor, withRollback;
    std::vector<std::function<void()>> savers{
        [&] {
            const QString text = nextVersion();
            ::sync();
            store.push_back(millisecondsOf([&] { viaStore::saveCode(rows, text); }));
        },
        [&] {
            const std::string text = nextVersion().toStdString();
            ::sync();
            floor.push_back(millisecondsOf([&] { floor::saveCode(*db_, id, text); }));
        }};
    if (rollback)
        savers.push_back([&] {
            const std::string text = nextVersion().toStdString();
            ::sync();
            withRollback.push_back(millisecondsOf([&] { floor::saveCode(*rollback, id, text); }));
        });
    interleaved(reps_.save, savers,
                [&](int r) { record_.progress("save one text", r, reps_.save); });
    record_.operation("save", store, floor);
    if (rollback) {
        record_.journalModes("save", floor, withRollback);
        rollback.reset();
        removeLibrary(rollbackFolder);
    }
}

// e. The tidy-up at close, each time on a fresh copy of the generated library.
// Copying and opening are not timed; closing is timed apart, because with a
// write-ahead log part of the work can fall to it.
void SizeBench::measureTidyUp() {
    const std::string tidy = run_.workFolder + "/tidy";
    Samples store;
    std::array<Samples, 2> floor, floorWithClose;
    std::vector<std::function<void()>> tidiers{[&] {
        copyLibrary(run_.libraryFolder, tidy);
        const store::Library copy = store::Library::open(QString::fromStdString(tidy));
        ::sync();
        bool tidied = false;
        store.push_back(millisecondsOf([&] { tidied = store::TidyUp::run(copy); }));
        if (!tidied) throw std::runtime_error("the store's tidy-up failed");
    }};
    for (std::size_t m = 0; m < (run_.journalModes ? 2u : 1u); ++m)
        tidiers.push_back([&, m] {
            copyLibrary(run_.libraryFolder, tidy);
            auto copy = bareConnection(tidy, kJournalModes[m]);
            ::sync();
            const double ms = millisecondsOf([&] { floor::tidyUp(*copy); });
            const double closing = millisecondsOf([&] { copy.reset(); });
            floor[m].push_back(ms);
            floorWithClose[m].push_back(ms + closing);
        });
    interleaved(reps_.tidy, tidiers,
                [&](int r) { record_.progress("tidy-up at close", r, reps_.tidy); });
    removeLibrary(tidy);
    record_.operation("tidy", store, floor[0]);
    if (run_.journalModes) {
        record_.journalModes("tidy", floor[0], floor[1]);
        record_.journalModes("tidy+close", floorWithClose[0], floorWithClose[1]);
    }
}

// One tidy-up in each journal mode, timed statement by statement.
void SizeBench::measureTidyUpStepByStep() {
    const std::string tidy = run_.workFolder + "/tidy";
    std::array<std::vector<double>, 2> steps;
    for (std::size_t m = 0; m < kJournalModes.size(); ++m) {
        copyLibrary(run_.libraryFolder, tidy);
        auto copy = bareConnection(tidy, kJournalModes[m]);
        ::sync();
        steps[m] = floor::tidyUpStepByStep(*copy);
        steps[m].push_back(millisecondsOf([&] { copy.reset(); }));
        record_.progress("tidy-up step by step", static_cast<int>(m) + 1, 2);
    }
    removeLibrary(tidy);
    for (std::size_t i = 0; i < steps[0].size(); ++i) {
        const int step = static_cast<int>(i) + 1;
        const std::string label = step <= store::TidyUp::kSteps
                                      ? std::to_string(step) + ". " + floor::tidyUpStatement(step)
                                  : step == store::TidyUp::kSteps + 1 ? "COMMIT"
                                                                      : "close the connection";
        record_.tidyUpStep(label, steps[0][i], steps[1][i]);
    }
}

}  // namespace

void measureOneSize(const SizeRun& run, std::FILE* out) {
    SizeBench(run, out).measureAll();
}

}  // namespace bench
