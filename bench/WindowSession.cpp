#include "WindowSession.h"

#include <SQLiteCpp/Database.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QFileInfo>
#include <QPointer>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "FloorOperations.h"
#include "LibraryCopy.h"
#include "ProcessMemory.h"
#include "SnippetNames.h"
#include "Timing.h"
#include "WindowDriver.h"
#include "WindowResults.h"
#include "WindowServices.h"
#include "mainwindow/PanelEdit.h"
#include "mainwindow/frmSnibbet.h"
#include "store/Backup.h"
#include "store/NameCompare.h"
#include "store/TidyUp.h"

namespace bench {
namespace {

namespace fs = std::filesystem;

struct Repetitions {
    int startAgain = 15;
    int category = 30;
    int item = 30;
    int bigItem = 10;
    int save = 20;
    int bigSave = 10;
    int maintenance = 20;
    int renameCategory = 10;
    int deleteFullCategory = 5;
    int close = 5;
    int closeAgain = 3;
};

// The item the generator gives a 5 MB Code text.
const QString kBigItem = QStringLiteral("big snippet");

QString q(const std::string& text) {
    return QString::fromStdString(text);
}
std::string s(const QString& text) {
    return text.toStdString();
}

std::string libraryFile(const std::string& folder) {
    return s(store::Library::pathIn(q(folder)));
}

std::unique_ptr<BareConnection> bareConnection(const std::string& folder) {
    auto db = std::make_unique<BareConnection>(libraryFile(folder));
    floor::configure(*db, "WAL");
    return db;
}

// SQLite checkpoints the write-ahead log inside the commit that takes it past
// 1,000 pages; this turns that off for one connection.
constexpr char kNoCheckpointOnCommit[] = "PRAGMA wal_autocheckpoint=0";

std::int64_t idOf(const std::vector<floor::NamedRow>& rows, const QString& name) {
    const std::string wanted = s(name);
    for (const floor::NamedRow& row : rows)
        if (row.name == wanted) return row.id;
    throw std::runtime_error("no item \"" + wanted + "\" on the floor");
}

// The last entry of the list that is not the 5 MB item, counting from the
// end: the last in stored order is the longest search.
QString fromTheEnd(const QStringList& names, int skip) {
    for (qsizetype i = names.size() - 1; i >= 0; --i) {
        if (names[i] == kBigItem) continue;
        if (skip-- == 0) return names[i];
    }
    throw std::runtime_error("the category has too few items");
}

class Session {
public:
    Session(const WindowRun& run, std::FILE* out)
        : run_(run),
          record_(out, run.shape.items),
          windowFolder_(windowCopyIn(run)),
          floorFolder_(run.workFolder + "/floor") {
        // The floor works on a copy of its own that goes through the same
        // changes, so that neither side sees the other's rows.
        copyLibrary(windowFolder_, floorFolder_);
        floorDb_ = bareConnection(floorFolder_);
        if (run.noCheckpointOnCommit) floorDb_->exec(kNoCheckpointOnCommit);
    }

    void measureAll() {
        measureStartingAgain();
        startSessionWindow();
        measureChoosingCategories();
        measureChoosingItems();
        measureSaving();
        measureBigItem();
        measureItemMaintenance();
        measureCategoryMaintenance();
        measureDeletingFullCategories();
        // The session's own copy is not tidied: closing is measured on fresh copies.
        discardWindow(window_);
        measureClosing();
        record_.sample("peak-session", peakResident());
    }

private:
    void measureStartingAgain();
    void startSessionWindow();
    void measureChoosingCategories();
    void measureChoosingItems();
    void measureSaving();
    void measureBigItem();
    void measureItemMaintenance();
    void measureCategoryMaintenance();
    void measureDeletingFullCategories();
    void measureClosing();

    // Types into the code panel and clicks into the declarations panel;
    // returns the time of the click, which saves. The focus is then put back
    // into the code panel, untimed (which saves the declarations unchanged).
    double timeLeavingCodePanel(const QString& typed);
    void checkCodeSaved(const QString& category, const QString& item);
    void checkPanelsShow(const floor::Texts& texts);
    QString uniqueName(const char* kind) {
        return QStringLiteral("Bench made %1 %2")
            .arg(QLatin1String(kind))
            .arg(++names_, 4, 10, QLatin1Char('0'));
    }
    void check(const char* during) { services_.check(during); }

    const WindowRun& run_;
    const Repetitions reps_;
    WindowRecorder record_;
    WindowServices services_;
    const std::string windowFolder_;
    const std::string floorFolder_;
    std::unique_ptr<BareConnection> floorDb_;
    frmSnibbet* window_ = nullptr;

    QString categoryA_, categoryB_, bigCategory_;
    int names_ = 0;
    int typed_ = 0;
};

// Starting again in a process that has shown the window before: Qt's fonts,
// styles and plugins are loaded already. Each start is followed by adding a
// category, the one command a user can give before choosing a category.
void Session::measureStartingAgain() {
    Samples window, floor, add, addFloor;
    interleaved(
        reps_.startAgain,
        {[&] {
             frmSnibbet* w = nullptr;
             window.push_back(
                 millisecondsOf([&] { w = startWindow(q(windowFolder_), services_); }));
             const QString name = uniqueName("category");
             ::sync();
             add.push_back(millisecondsOf([&] { runMenu(*w->mnuAddCat, services_, name); }));
             if (w->cboCategory->findText(name) < 0)
                 throw std::runtime_error("the category was not added");
             discardWindow(w);
         },
         [&] {
             std::unique_ptr<BareConnection> db;
             floor.push_back(millisecondsOf([&] {
                 db = bareConnection(windowFolder_);
                 consume(static_cast<long long>(floor::categoryNames(*db).size()));
             }));
             db.reset();
             const std::string name = s(uniqueName("category"));
             ::sync();
             addFloor.push_back(millisecondsOf([&] {
                 floor::addCategory(*floorDb_, name);
                 consume(static_cast<long long>(floor::categoryNames(*floorDb_).size()));
             }));
         }},
        [&](int r) { record_.progress("start-up again, add a category", r, reps_.startAgain); });
    record_.operation("startup-again", window, floor);
    record_.operation("add-category-first", add, addFloor);
}

void Session::startSessionWindow() {
    window_ = startWindow(q(windowFolder_), services_);
    if (run_.noCheckpointOnCommit) window_->dbLibrary.database().exec(kNoCheckpointOnCommit);
    const std::int64_t categories = run_.shape.categories();
    bigCategory_ = q(categoryName(categories / 2));
    categoryA_ = q(categoryName((categories / 2 + 1) % categories));
    categoryB_ = q(categoryName((categories / 2 + 2) % categories));
    for (const QString& name : {categoryA_, categoryB_, bigCategory_})
        indexOf(*window_->cboCategory, name);
}

// 2. Choosing a category: the item list is read and filled again. Two
// categories take turns, so that every choice changes the list.
void Session::measureChoosingCategories() {
    Samples window, floor;
    int windowTurn = 0, floorTurn = 0;
    interleaved(reps_.category,
                {[&] {
                     const QString& name = windowTurn++ % 2 ? categoryB_ : categoryA_;
                     window.push_back(millisecondsOf([&] { choose(*window_->cboCategory, name); }));
                     check("choosing a category");
                     if (window_->cboItems->count() < 1)
                         throw std::runtime_error("no items listed");
                 },
                 [&] {
                     const std::string name = s(floorTurn++ % 2 ? categoryB_ : categoryA_);
                     floor.push_back(millisecondsOf([&] {
                         consume(static_cast<long long>(floor::itemsOf(*floorDb_, name).size()));
                     }));
                 }},
                [&](int r) { record_.progress("choose a category", r, reps_.category); });
    record_.operation("category", window, floor);
}

void Session::checkPanelsShow(const floor::Texts& texts) {
    if (s(window_->rTxtCode->toPlainText()) != texts.code ||
        s(window_->rTxtDeclares->toPlainText()) != texts.declares ||
        s(window_->rTxtNotes->toPlainText()) != texts.notes || texts.code.empty())
        throw std::runtime_error("the window and the floor read different texts");
}

// 3. Choosing an item: its three texts are read and shown. The last two
// items in stored order take turns.
void Session::measureChoosingItems() {
    choose(*window_->cboCategory, categoryA_);
    const QStringList names = entries(*window_->cboItems);
    const std::vector<floor::NamedRow> floorItems = floor::itemsOf(*floorDb_, s(categoryA_));
    if (floorItems.size() != static_cast<std::size_t>(names.size()))
        throw std::runtime_error("the window and the floor list different items");
    const QString turns[] = {fromTheEnd(names, 0), fromTheEnd(names, 1)};
    choose(*window_->cboItems, turns[0]);
    checkPanelsShow(floor::findTexts(*floorDb_, floorItems, s(turns[0])));

    Samples window, floor;
    int windowTurn = 1, floorTurn = 1;
    interleaved(reps_.item,
                {[&] {
                     const QString& name = turns[windowTurn++ % 2];
                     window.push_back(millisecondsOf([&] { choose(*window_->cboItems, name); }));
                     check("choosing an item");
                 },
                 [&] {
                     const std::string name = s(turns[floorTurn++ % 2]);
                     floor.push_back(millisecondsOf([&] {
                         const floor::Texts texts = floor::findTexts(*floorDb_, floorItems, name);
                         consume(static_cast<long long>(texts.code.size() + texts.declares.size() +
                                                        texts.notes.size()));
                     }));
                 }},
                [&](int r) { record_.progress("choose an item", r, reps_.item); });
    record_.operation("item", window, floor);
}

double Session::timeLeavingCodePanel(const QString& typed) {
    typeAtEnd(*window_->rTxtCode, typed);
    if (!window_->rTxtCode->document()->isModified())
        throw std::runtime_error("typing changed nothing");
    ::sync();
    const double took = millisecondsOf([&] { clickInto(*window_->rTxtDeclares); });
    check("leaving a panel");
    if (window_->rTxtCode->document()->isModified())
        throw std::runtime_error("the panel was not saved");
    clickInto(*window_->rTxtCode);
    check("coming back to a panel");
    return took;
}

// What the window's file holds for the item, read with a connection of its own.
void Session::checkCodeSaved(const QString& category, const QString& item) {
    BareConnection db(libraryFile(windowFolder_));
    store::registerNameCollation(db.handle());
    const std::int64_t id = idOf(floor::itemsOf(db, s(category)), item);
    if (floor::textsOf(db, id).code != s(window_->rTxtCode->toPlainText()))
        throw std::runtime_error("the file does not hold the saved text");
}

// 4. Leaving a panel saves it. Every save writes a text the row does not
// hold yet; the file system is flushed before each (untimed), so that a
// save's sync does not also write out what came before it.
void Session::measureSaving() {
    const QString item = fromTheEnd(entries(*window_->cboItems), 0);
    choose(*window_->cboItems, item);
    const std::int64_t floorId = idOf(floor::itemsOf(*floorDb_, s(categoryA_)), item);
    std::string floorText = floor::textsOf(*floorDb_, floorId).code;

    Samples window, floor;
    interleaved(reps_.save,
                {[&] {
                     window.push_back(timeLeavingCodePanel(
                         QStringLiteral(" // %1").arg(++typed_, 6, 10, QLatin1Char('0'))));
                 },
                 [&] {
                     floorText += " // " + std::to_string(1000000 + ++typed_).substr(1);
                     ::sync();
                     floor.push_back(
                         millisecondsOf([&] { floor::saveCode(*floorDb_, floorId, floorText); }));
                 }},
                [&](int r) { record_.progress("leave a panel (save)", r, reps_.save); });
    record_.operation("save", window, floor);
    checkCodeSaved(categoryA_, item);
}

// 3 and 4 for the item whose Code text is 5 MB: choosing it, choosing
// another item while it is shown, and saving it.
void Session::measureBigItem() {
    choose(*window_->cboCategory, bigCategory_);
    const std::vector<floor::NamedRow> floorItems = floor::itemsOf(*floorDb_, s(bigCategory_));
    const QString other = fromTheEnd(entries(*window_->cboItems), 0);
    choose(*window_->cboItems, kBigItem);
    checkPanelsShow(floor::findTexts(*floorDb_, floorItems, s(kBigItem)));

    Samples big, after, bigFloor, afterFloor;
    interleaved(reps_.bigItem,
                {[&] {
                     big.push_back(millisecondsOf([&] { choose(*window_->cboItems, kBigItem); }));
                     after.push_back(millisecondsOf([&] { choose(*window_->cboItems, other); }));
                     check("choosing the 5 MB item");
                 },
                 [&] {
                     const auto read = [&](const QString& name) {
                         const floor::Texts texts =
                             floor::findTexts(*floorDb_, floorItems, s(name));
                         consume(static_cast<long long>(texts.code.size()));
                     };
                     bigFloor.push_back(millisecondsOf([&] { read(kBigItem); }));
                     afterFloor.push_back(millisecondsOf([&] { read(other); }));
                 }},
                [&](int r) { record_.progress("choose the 5 MB item", r, reps_.bigItem); });
    record_.operation("item-big", big, bigFloor);
    record_.operation("item-after-big", after, afterFloor);

    choose(*window_->cboItems, kBigItem);
    const std::int64_t floorId = idOf(floorItems, kBigItem);
    std::string floorText = floor::textsOf(*floorDb_, floorId).code;
    Samples save, saveFloor;
    interleaved(
        reps_.bigSave,
        {[&] {
             save.push_back(timeLeavingCodePanel(
                 QStringLiteral(" // %1").arg(++typed_, 6, 10, QLatin1Char('0'))));
         },
         [&] {
             floorText += " // " + std::to_string(1000000 + ++typed_).substr(1);
             ::sync();
             saveFloor.push_back(
                 millisecondsOf([&] { floor::saveCode(*floorDb_, floorId, floorText); }));
         }},
        [&](int r) { record_.progress("leave a panel of the 5 MB item", r, reps_.bigSave); });
    record_.operation("save-big", save, saveFloor);
    checkCodeSaved(bigCategory_, kBigItem);
    choose(*window_->cboItems, other);
}

// 5. Adding an item to a category of 1,000, renaming it and deleting it, by
// the Items menu. The floor runs the same statements and reads the category's
// item names again, as the window does to refill its list.
void Session::measureItemMaintenance() {
    choose(*window_->cboCategory, categoryA_);
    const int listed = window_->cboItems->count();
    const std::string category = s(categoryA_);
    Samples add, rename, remove, addFloor, renameFloor, removeFloor;
    const auto timedWrite = [](Samples& into, const auto& work) {
        ::sync();
        into.push_back(millisecondsOf(work));
    };
    const auto itemsAgain = [&] {
        consume(static_cast<long long>(floor::itemsOf(*floorDb_, category).size()));
    };
    interleaved(
        reps_.maintenance,
        {[&] {
             const QString name = uniqueName("item"), renamed = name + QStringLiteral(" renamed");
             timedWrite(add, [&] { runMenu(*window_->mnuAddItem, services_, name); });
             choose(*window_->cboItems, name);
             timedWrite(rename, [&] { runMenu(*window_->mnuRenameItem, services_, renamed); });
             choose(*window_->cboItems, renamed);
             timedWrite(remove, [&] { runMenu(*window_->mnuDeleteItem, services_); });
             if (window_->cboItems->count() != listed)
                 throw std::runtime_error("the item was not deleted");
         },
         [&] {
             const std::string name = s(uniqueName("item")), renamed = name + " renamed";
             timedWrite(addFloor, [&] {
                 floor::addItem(*floorDb_, category, name);
                 itemsAgain();
             });
             timedWrite(renameFloor, [&] {
                 floor::renameItem(*floorDb_, category, name, renamed);
                 itemsAgain();
             });
             timedWrite(removeFloor, [&] {
                 floor::deleteItem(*floorDb_, category, renamed);
                 itemsAgain();
             });
         }},
        [&](int r) { record_.progress("add, rename, delete an item", r, reps_.maintenance); });
    record_.operation("add-item", add, addFloor);
    record_.operation("rename-item", rename, renameFloor);
    record_.operation("delete-item", remove, removeFloor);
}

// 5. Adding a category and deleting it again; renaming a category of 1,000
// items there and back. The floor reads the lists the window refills.
void Session::measureCategoryMaintenance() {
    const auto timedWrite = [](Samples& into, const auto& work) {
        ::sync();
        into.push_back(millisecondsOf(work));
    };
    const auto categoriesAgain = [&] {
        consume(static_cast<long long>(floor::categoryNames(*floorDb_).size()));
    };
    Samples add, remove, addFloor, removeFloor;
    interleaved(reps_.maintenance,
                {[&] {
                     const QString name = uniqueName("category");
                     timedWrite(add, [&] { runMenu(*window_->mnuAddCat, services_, name); });
                     choose(*window_->cboCategory, name);
                     timedWrite(remove, [&] { runMenu(*window_->mnuDeleteCat, services_); });
                     if (window_->cboCategory->findText(name) >= 0)
                         throw std::runtime_error("the category was not deleted");
                 },
                 [&] {
                     const std::string name = s(uniqueName("category"));
                     timedWrite(addFloor, [&] {
                         floor::addCategory(*floorDb_, name);
                         categoriesAgain();
                     });
                     timedWrite(removeFloor, [&] {
                         floor::deleteCategory(*floorDb_, name);
                         categoriesAgain();
                         consume(static_cast<long long>(floor::itemsOf(*floorDb_, name).size()));
                     });
                 }},
                [&](int r) { record_.progress("add, delete a category", r, reps_.maintenance); });
    record_.operation("add-category", add, addFloor);
    record_.operation("delete-category", remove, removeFloor);

    // There and back, so that every rename changes 1,000 rows.
    const QString names[] = {categoryA_, categoryA_ + QStringLiteral(" renamed")};
    choose(*window_->cboCategory, names[0]);
    Samples rename, renameFloor;
    int windowTurn = 0, floorTurn = 0;
    interleaved(reps_.renameCategory,
                {[&] {
                     const QString& to = names[++windowTurn % 2];
                     timedWrite(rename, [&] { runMenu(*window_->mnuRenameCat, services_, to); });
                     choose(*window_->cboCategory, to);
                     if (window_->cboItems->count() < 1000)
                         throw std::runtime_error("the items did not follow the category");
                 },
                 [&] {
                     const std::string from = s(names[floorTurn % 2]);
                     const std::string to = s(names[++floorTurn % 2]);
                     timedWrite(renameFloor, [&] {
                         floor::renameCategory(*floorDb_, from, to);
                         categoriesAgain();
                     });
                 }},
                [&](int r) {
                    record_.progress("rename a category of 1,000 items", r, reps_.renameCategory);
                });
    record_.operation("rename-category", rename, renameFloor);
    if (window_->cboCategory->currentText() != names[reps_.renameCategory % 2])
        throw std::runtime_error("the renamed category is not the current one");
}

// 5. Deleting whole categories of 1,000 items, where the library has some to
// spare (not the ones the other steps use).
void Session::measureDeletingFullCategories() {
    QStringList spare;
    const std::int64_t categories = run_.shape.categories();
    for (std::int64_t c = 0; c < categories && spare.size() < reps_.deleteFullCategory; ++c) {
        const QString name = q(categoryName(c));
        if (name != categoryA_ && name != categoryB_ && name != bigCategory_) spare << name;
    }
    if (spare.isEmpty()) return;
    Samples remove, removeFloor;
    int windowTurn = 0, floorTurn = 0;
    interleaved(
        static_cast<int>(spare.size()),
        {[&] {
             choose(*window_->cboCategory, spare[windowTurn++]);
             ::sync();
             remove.push_back(millisecondsOf([&] { runMenu(*window_->mnuDeleteCat, services_); }));
         },
         [&] {
             const std::string name = s(spare[floorTurn++]);
             ::sync();
             removeFloor.push_back(millisecondsOf([&] {
                 floor::deleteCategory(*floorDb_, name);
                 consume(static_cast<long long>(floor::categoryNames(*floorDb_).size()));
                 consume(static_cast<long long>(floor::itemsOf(*floorDb_, name).size()));
             }));
         }},
        [&](int r) {
            record_.progress("delete a category of 1,000 items", r, static_cast<int>(spare.size()));
        });
    record_.operation("delete-category-full", remove, removeFloor);
}

// 6. Closing: the tidy-up, then the window is released and the library
// closed (with the write-ahead log, closing checkpoints it and removes it).
// Each repetition starts from a fresh copy of the generated library with
// today's backup beside it, chooses a category and an item, and closes. The
// floor runs the tidy-up's statements on a fresh copy and closes the
// connection. The first repetitions also start again on the tidied copy and
// close once more.
void Session::measureClosing() {
    const std::string closing = run_.workFolder + "/closing";
    const std::string closingFloor = run_.workFolder + "/closing-floor";
    Samples close, again, floor;
    interleaved(reps_.close,
                {[&] {
                     copyLibrary(run_.libraryFolder, closing);
                     frmSnibbet* w = startWindow(q(closing), services_);
                     w->waitForBackup();  // only the first copy of the day makes one
                     choose(*w->cboCategory, categoryA_);
                     choose(*w->cboItems, fromTheEnd(entries(*w->cboItems), 0));
                     ::sync();
                     close.push_back(millisecondsOf([&] { closeWindow(w); }));
                     check("closing");
                     {
                         const store::Library library = store::Library::open(q(closing));
                         if (!store::TidyUp::isTidy(library))
                             throw std::runtime_error("closing did not tidy the library");
                     }
                     if (static_cast<int>(again.size()) < reps_.closeAgain) {
                         w = startWindow(q(closing), services_);
                         ::sync();
                         again.push_back(millisecondsOf([&] { closeWindow(w); }));
                         check("closing again");
                     }
                 },
                 [&] {
                     copyLibrary(run_.libraryFolder, closingFloor);
                     auto db = bareConnection(closingFloor);
                     ::sync();
                     floor.push_back(millisecondsOf([&] {
                         floor::tidyUp(*db);
                         db.reset();
                     }));
                 }},
                [&](int r) { record_.progress("close (tidy-up), fresh copy", r, reps_.close); });
    record_.operation("close", close, floor);
    record_.operation("close-again", again, {});
    removeLibrary(closing);
    removeLibrary(closingFloor);
}

}  // namespace

std::string windowCopyIn(const WindowRun& run) {
    return run.workFolder + "/library";
}

void measureStartUp(const WindowRun& run, bool firstOfDay, double applicationMs, std::FILE* out) {
    WindowRecorder record(out, run.shape.items);
    WindowServices services;
    const ResidentMemory before = residentMemory();
    const auto start = std::chrono::steady_clock::now();
    frmSnibbet* window = nullptr;
    const double took =
        millisecondsOf([&] { window = startWindow(q(windowCopyIn(run)), services); });
    record.sample(firstOfDay ? "startup-first-of-day" : "startup", took);
    if (!firstOfDay) {
        record.sample("application", applicationMs);
        record.sample("rss-before", before.total);
        record.sample("rss-after", residentMemory().total);
        record.sample("peak-after", peakResident());
    }
    window->waitForBackup();
    if (firstOfDay) {
        const std::chrono::duration<double, std::milli> backup =
            std::chrono::steady_clock::now() - start;
        record.sample("backup-done", backup.count());
        if (!QFileInfo::exists(
                store::Backup::fileFor(window->dbLibrary.path(), QDate::currentDate())))
            throw std::runtime_error("no backup was made");
    }
    discardWindow(window);
    services.check("starting");
}

void measureWindowMemory(const WindowRun& run, std::FILE* out) {
    WindowRecorder record(out, run.shape.items);
    WindowServices services;
    frmSnibbet* window = startWindow(q(windowCopyIn(run)), services);
    const std::int64_t categories = run.shape.categories();
    const auto typeAndLeave = [&] {
        typeAtEnd(*window->rTxtCode, QStringLiteral(" // typed"));
        clickInto(*window->rTxtDeclares);
        services.check("saving");
    };
    choose(*window->cboCategory, q(categoryName((categories / 2 + 1) % categories)));
    choose(*window->cboItems, fromTheEnd(entries(*window->cboItems), 0));
    typeAndLeave();

    choose(*window->cboCategory, q(categoryName(categories / 2)));
    const QString other = fromTheEnd(entries(*window->cboItems), 0);
    choose(*window->cboItems, kBigItem);
    record.sample("rss-window-big", residentMemory().total);
    // A user who goes on writing at the end of the text: the caret's move
    // there lays out every line above it.
    record.sample("caret-end-big", millisecondsOf([&] {
                      window->rTxtCode->setFocus(Qt::MouseFocusReason);
                      window->rTxtCode->moveCursor(QTextCursor::End);
                      settle();
                  }));
    typeAndLeave();
    record.sample("rss-window-big-saved", residentMemory().total);
    choose(*window->cboItems, other);
    record.sample("rss-window-end", residentMemory().total);
    record.sample("peak-window", peakResident());
    discardWindow(window);
}

void measureSession(const WindowRun& run, std::FILE* out) {
    Session(run, out).measureAll();
}

}  // namespace bench
