// snibbet_bench_window [--sizes N,N,...] [--data-dir DIR] [--tidied] [--benchmark_...]
// Drives the real main window on the offscreen platform over libraries of
// 1,000, 10,000 and 100,000 items, one of whose items holds 5 MB of code, and
// times what the user waits for: start-up, choosing, saving, the maintenance
// commands, closing. Start-ups, the memory of a session and closing after one
// change are measured in fresh processes of this program.
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QFileInfo>
#include <filesystem>
#include <memory>
#include <optional>

#include "BenchKit.h"
#include "SnippetNames.h"
#include "WindowDriver.h"
#include "WindowServices.h"
#include "mainwindow/Fonts.h"
#include "mainwindow/PanelEdit.h"
#include "mainwindow/frmSnibbet.h"
#include "store/Backup.h"
#include "store/Library.h"
#include "store/RecordSet.h"
#include "store/TidyUp.h"

namespace {

using namespace bench;
using benchmark::State;

constexpr char kUsage[] =
    "usage: snibbet_bench_window [--sizes N,N,...] [--data-dir DIR] [--tidied] "
    "[--benchmark_...]\n"
    "  --sizes     library sizes in items (default 1000,10000,100000)\n"
    "  --data-dir  where generated libraries are kept for the next run\n"
    "              (default /tmp/snibbet-bench)\n"
    "  --tidied    the session's library sorted first, as closing leaves it\n";

Options options;
bool tidied = false;

// The item the generator gives a 5 MB Code text.
const QString kBigItem = QStringLiteral("big snippet");

// The last item of the list in stored order, the longest search, skipping
// the 5 MB item and `skip` more.
QString fromTheEnd(const frmSnibbet& window, int skip) {
    const QStringList names = entries(*window.cboItems);
    for (qsizetype i = names.size() - 1; i >= 0; --i)
        if (names[i] != kBigItem && skip-- == 0) return names[i];
    throw std::runtime_error("the category has too few items");
}

double nowMs() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// One size: the generated library, the session's copy with today's backup
// beside it, and the session window, started when a case first needs it. The
// cases run size by size, so one size is kept at a time.
struct Size {
    std::int64_t items = 0;
    std::string source, work, tidied;
    QString folder;
    WindowServices services;
    frmSnibbet* window = nullptr;
    QString bigCategory, categoryA, categoryB;
    QStringList spare;  // categories of 1,000 items that no other case uses
    int names = 0, typed = 0, renames = 0;

    ~Size() {
        if (window) discardWindow(window);
        std::filesystem::remove_all(work);
    }
    // The session window with `category` chosen, as a click does it: the
    // focus leaves any panel first.
    frmSnibbet& inCategory(const QString& category) {
        if (!window) window = startWindow(folder, services);
        choose(*window->cboCategory, category);
        return *window;
    }
    // A copy as closing leaves it: sorted, so that closing finds nothing to do.
    QString tidiedCopy() {
        if (tidied.empty()) {
            copyLibrary(source, work + "/tidied");
            if (!store::TidyUp::run(store::Library::open(q(work + "/tidied")),
                                    store::TidyUp::Rewrite::Always))
                throw std::runtime_error("the copy could not be tidied");
            tidied = work + "/tidied";
        }
        return q(tidied);
    }
    double timedMenu(QAction& entry, const std::optional<QString>& answer = std::nullopt) {
        ::sync();
        return secondsOf([&] { runMenu(entry, services, answer); });
    }
    QString uniqueName(const char* kind) {
        return QStringLiteral("Bench made %1 %2").arg(QLatin1String(kind)).arg(++names);
    }
};

std::unique_ptr<Size> current;

Size& size(std::int64_t items) {
    if (current && current->items == items) return *current;
    current.reset();
    current = std::make_unique<Size>();
    Size& s = *current;
    s.items = items;
    const LibraryShape shape{.items = items, .bigItemBytes = 5'000'000};
    s.source = preparedLibrary(options, shape);
    s.work = options.work + "/" + std::to_string(items);
    s.folder = q(s.work + "/library");
    copyLibrary(s.source, s.work + "/library");
    if (tidied &&
        !store::TidyUp::run(store::Library::open(s.folder), store::TidyUp::Rewrite::Always))
        throw std::runtime_error("the copy could not be tidied");
    // Today's backup is made before any timing, as the day's first start did.
    store::Backup::makeIfDue(store::Library::pathIn(s.folder), QDate::currentDate());
    const std::int64_t categories = shape.categories();
    s.bigCategory = q(categoryName(categories / 2));
    s.categoryA = q(categoryName((categories / 2 + 1) % categories));
    s.categoryB = q(categoryName((categories / 2 + 2) % categories));
    for (std::int64_t c = 0; c < categories; ++c)
        if (const QString name = q(categoryName(c));
            name != s.categoryA && name != s.categoryB && name != s.bigCategory)
            s.spare << name;
    return s;
}

// A case measured in a fresh process: its time is the child's figure
// `timeKey`, its other figures are counters.
void inChild(State& state, const QStringList& arguments, const char* timeKey) {
    for (auto _ : state) {
        const auto figures = childFigures(QStringList{QStringLiteral("--child")} + arguments);
        state.SetIterationTime(figures.at(timeKey) / 1e3);
        for (const auto& [key, value] : figures)
            if (key != timeKey) state.counters[key] = value;
    }
}

// Chooses `from` (untimed), then `to`.
void switchItems(State& state, Size& s, const QString& from, const QString& to) {
    for (auto _ : state) {
        choose(*s.window->cboItems, from);
        state.SetIterationTime(secondsOf([&] { choose(*s.window->cboItems, to); }));
        s.services.check("choosing an item");
        if (s.window->rTxtCode->toPlainText().isEmpty()) throw std::runtime_error("no code shown");
    }
}

// Text typed at the end of the code panel (untimed), then a click into the
// declarations panel: the save. Each save writes a text the row does not
// hold yet, after the file system was flushed, so that its sync does not also
// write out what came before. The file must hold what the panel shows.
void saveOnLeaving(State& state, Size& s, const QString& category, const QString& item) {
    frmSnibbet& w = s.inCategory(category);
    if (w.cboItems->currentText() != item) choose(*w.cboItems, item);
    for (auto _ : state) {
        typeAtEnd(*w.rTxtCode, QStringLiteral(" // %1").arg(++s.typed));
        ::sync();
        state.SetIterationTime(secondsOf([&] { clickInto(*w.rTxtDeclares); }));
        s.services.check("leaving a panel");
        if (w.rTxtCode->document()->isModified()) throw std::runtime_error("nothing was saved");
        clickInto(*w.rTxtCode);
    }
    const store::Library library = store::Library::open(s.folder);
    store::DataSource items(library, store::RecordSource::itemsOf(category));
    items.Recordset().FindFirst(store::Field::ItemName, item);
    if (items.Recordset().text(store::Field::Code) != w.rTxtCode->toPlainText())
        throw std::runtime_error("the file does not hold the saved text");
}

// Items > Add, choose it, Items > Rename, choose it, Items > Delete, in a
// category of 1,000; the case's time is command number `timed` of the three.
void itemCommands(State& state, Size& s, int timed) {
    frmSnibbet& w = s.inCategory(s.categoryA);
    const int listed = w.cboItems->count();
    for (auto _ : state) {
        const QString name = s.uniqueName("item"), renamed = name + QStringLiteral(" renamed");
        const double add = s.timedMenu(*w.mnuAddItem, name);
        choose(*w.cboItems, name);
        const double rename = s.timedMenu(*w.mnuRenameItem, renamed);
        choose(*w.cboItems, renamed);
        const double remove = s.timedMenu(*w.mnuDeleteItem);
        if (w.cboItems->count() != listed) throw std::runtime_error("the item is still listed");
        state.SetIterationTime(timed == 0 ? add : timed == 1 ? rename : remove);
    }
}

// Categories > Add, choose it, Categories > Delete; the time of one of them.
void categoryCommands(State& state, Size& s, bool timeTheDelete) {
    frmSnibbet& w = s.inCategory(s.categoryA);
    for (auto _ : state) {
        const QString name = s.uniqueName("category");
        const double add = s.timedMenu(*w.mnuAddCat, name);
        choose(*w.cboCategory, name);
        const double remove = s.timedMenu(*w.mnuDeleteCat);
        if (w.cboCategory->findText(name) >= 0) throw std::runtime_error("it is still listed");
        state.SetIterationTime(timeTheDelete ? remove : add);
    }
}

// There and back, so that every rename carries 1,000 items over.
void renameCategory(State& state, Size& s) {
    const QString names[] = {s.categoryA, s.categoryA + QStringLiteral(" renamed")};
    for (auto _ : state) {
        frmSnibbet& w = s.inCategory(names[s.renames++ % 2]);
        state.SetIterationTime(s.timedMenu(*w.mnuRenameCat, names[s.renames % 2]));
        if (w.cboItems->count() < 1000) throw std::runtime_error("the items did not follow");
    }
}

void deleteWholeCategory(State& state, Size& s) {
    for (auto _ : state) {
        if (s.spare.isEmpty()) throw std::runtime_error("no category left to delete");
        const QString name = s.spare.takeFirst();
        frmSnibbet& w = s.inCategory(name);
        state.SetIterationTime(s.timedMenu(*w.mnuDeleteCat));
        if (w.cboCategory->findText(name) >= 0) throw std::runtime_error("it is still listed");
    }
}

// The close box on a copy: the tidy-up, then the window's release, which
// closes the library (and with it the checkpoint). With `fresh` each
// repetition starts from a fresh copy of the generated library and chooses a
// category and an item first; without, it starts on a tidied copy, so that
// closing has nothing to rewrite.
void closeWindowOn(State& state, Size& s, bool fresh) {
    const QString folder = fresh ? q(s.work + "/closing") : s.tidiedCopy();
    for (auto _ : state) {
        if (fresh) copyLibrary(s.source, s.work + "/closing");
        frmSnibbet* w = startWindow(folder, s.services);
        w->waitForBackup();  // only the first start on a copy makes one
        if (fresh) {
            choose(*w->cboCategory, s.categoryA);
            choose(*w->cboItems, fromTheEnd(*w, 0));
        }
        ::sync();
        state.SetIterationTime(secondsOf([&] { closeWindow(w); }));
        s.services.check("closing");
        if (!store::TidyUp::isTidy(store::Library::open(folder)))
            throw std::runtime_error("closing did not tidy the library");
    }
    if (fresh) state.counters["peak_session_MB"] = memoryNow().peak;
}

// Another window started in this process, which has shown one before; with
// `add`, the time of the one command that needs no category chosen.
void startAgain(State& state, Size& s, bool add) {
    for (auto _ : state) {
        frmSnibbet* w = nullptr;
        double seconds = secondsOf([&] { w = startWindow(s.folder, s.services); });
        if (add) seconds = s.timedMenu(*w->mnuAddCat, s.uniqueName("category"));
        state.SetIterationTime(seconds);
        discardWindow(w);
    }
}

// A tidied library, one item added, then the close box: timed from the
// request to the end of the process, which includes the last checkpoint.
void closeAfterOneNewItem(State& state, Size& s) {
    const std::string folder = s.work + "/after-change";
    for (auto _ : state) {
        copyLibrary(s.tidiedCopy().toStdString(), folder);
        const auto figures =
            childFigures({QStringLiteral("--child"), QStringLiteral("close-after-new-item"),
                          q(folder), s.categoryA});
        state.SetIterationTime((nowMs() - figures.at("close_requested_at_ms")) / 1e3);
        if (!store::TidyUp::isTidy(store::Library::open(q(folder))))
            throw std::runtime_error("closing did not tidy the library");
    }
}

void registerSize(std::int64_t items) {
    const auto add = [&](const char* name, const char* target, int repetitions, auto body) {
        return once(addCase(std::string("window/") + name, items, target,
                            [=](State& state) { body(state, size(state.range(0))); }),
                    repetitions)
            ->UseManualTime();
    };
    // In fresh processes.
    add("start_up", "< 300 ms, memory after < 120 MB", 7, [](State& state, Size& s) {
        inChild(state, {QStringLiteral("start-up"), s.folder}, "startup_ms");
    });
    add("start_up_first_of_day", "< 300 ms", 1, [](State& state, Size& s) {
        std::filesystem::remove_all(
            store::Backup::folderFor(store::Library::pathIn(s.folder)).toStdString());
        ::sync();
        inChild(state, {QStringLiteral("first-of-day"), s.folder}, "startup_ms");
    });
    add("caret_to_end_of_5MB_item", "peak < 120 MB", 1, [](State& state, Size& s) {
        inChild(state, {QStringLiteral("memory"), s.folder, s.categoryA, s.bigCategory},
                "caret_to_end_ms");
    });
    // In this process.
    add("start_up_again", "", 15, [](State& state, Size& s) { startAgain(state, s, false); });
    add("add_category_before_choosing", "< 30 ms", 15,
        [](State& state, Size& s) { startAgain(state, s, true); });
    add("choose_category", "< 30 ms", 30, [](State& state, Size& s) {
        frmSnibbet& w = s.inCategory(s.categoryB);
        for (auto _ : state) {
            const bool toB = w.cboCategory->currentText() != s.categoryB;
            state.SetIterationTime(
                secondsOf([&] { choose(*w.cboCategory, toB ? s.categoryB : s.categoryA); }));
            if (w.cboItems->count() < 1) throw std::runtime_error("no items listed");
        }
    });
    add("choose_item", "< 30 ms", 30, [](State& state, Size& s) {
        const frmSnibbet& w = s.inCategory(s.categoryA);
        switchItems(state, s, fromTheEnd(w, 1), fromTheEnd(w, 0));
    });
    add("choose_5MB_item", "< 200 ms", 10, [](State& state, Size& s) {
        switchItems(state, s, fromTheEnd(s.inCategory(s.bigCategory), 0), kBigItem);
    });
    add("choose_item_while_5MB_shown", "< 30 ms", 10, [](State& state, Size& s) {
        switchItems(state, s, kBigItem, fromTheEnd(s.inCategory(s.bigCategory), 0));
    });
    add("save_on_leaving_panel", "< 30 ms", 20, [](State& state, Size& s) {
        saveOnLeaving(state, s, s.categoryA, fromTheEnd(s.inCategory(s.categoryA), 0));
    });
    add("save_on_leaving_5MB_panel", "< 200 ms", 10,
        [](State& state, Size& s) { saveOnLeaving(state, s, s.bigCategory, kBigItem); });
    add("add_item", "< 30 ms", 20, [](State& state, Size& s) { itemCommands(state, s, 0); });
    add("rename_item", "< 30 ms", 20, [](State& state, Size& s) { itemCommands(state, s, 1); });
    add("delete_item", "< 30 ms", 20, [](State& state, Size& s) { itemCommands(state, s, 2); });
    add("add_category", "< 30 ms", 20,
        [](State& state, Size& s) { categoryCommands(state, s, false); });
    add("delete_new_category", "< 30 ms", 20,
        [](State& state, Size& s) { categoryCommands(state, s, true); });
    add("rename_category_of_1000", "< 30 ms", 10, renameCategory);
    if (items / 1000 >= 8) add("delete_category_of_1000", "< 30 ms", 5, deleteWholeCategory);
    add("close", "<= 1.3x floor", 5, [](State& state, Size& s) { closeWindowOn(state, s, true); });
    add("floor/tidy_up_and_close", "", 5, [](State& state, Size& s) {
        timeClosing(state, s.source, s.work + "/closing-floor", nullptr, floorTidyUp);
    });
    add("close_again_tidy", "", 3, [](State& state, Size& s) { closeWindowOn(state, s, false); });
    add("close_after_one_new_item", "", 3, closeAfterOneNewItem);
    // More cases go here, each one `add` (for example converting a Jet file).
}

// Children: argv is this program, --child, what to measure, the folder of
// the library, and the categories it needs.
int runChild(int argc, char** argv) {
    std::optional<QApplication> app;
    const double applicationMs = secondsOf([&] {
                                     app.emplace(argc, argv);
                                     QApplication::setApplicationName(QStringLiteral("Snibbet"));
                                     fonts::installFallbacks();
                                 }) *
                                 1e3;
    const std::string what = argv[2];
    const QString folder = QString::fromLocal8Bit(argv[3]);
    WindowServices services;
    const Memory before = memoryNow();
    const auto start = std::chrono::steady_clock::now();
    frmSnibbet* w = nullptr;
    const double startupMs = secondsOf([&] { w = startWindow(folder, services); }) * 1e3;
    if (what == "start-up" || what == "first-of-day") report("startup_ms", startupMs);
    if (what == "start-up") {
        const Memory after = memoryNow();
        report("qapplication_ms", applicationMs);
        report("rss_before_MB", before.resident);
        report("rss_after_MB", after.resident);
        report("peak_after_MB", after.peak);
    }
    w->waitForBackup();
    if (what == "first-of-day") {
        report("backup_done_ms",
               std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                   .count());
        if (!QFileInfo::exists(store::Backup::fileFor(w->dbLibrary.path(), QDate::currentDate())))
            throw std::runtime_error("no backup was made");
    }
    if (what == "memory" && argc == 6) {
        const auto typeAndLeave = [&] {
            typeAtEnd(*w->rTxtCode, QStringLiteral(" // typed"));
            clickInto(*w->rTxtDeclares);
        };
        choose(*w->cboCategory, QString::fromLocal8Bit(argv[4]));
        choose(*w->cboItems, fromTheEnd(*w, 0));
        typeAndLeave();
        choose(*w->cboCategory, QString::fromLocal8Bit(argv[5]));
        const QString other = fromTheEnd(*w, 0);
        choose(*w->cboItems, kBigItem);
        report("rss_5MB_shown_MB", memoryNow().resident);
        // A user who goes on writing at the end of the text: the caret's move
        // there lays out every line above it.
        report("caret_to_end_ms", secondsOf([&] {
                                      w->rTxtCode->setFocus(Qt::MouseFocusReason);
                                      w->rTxtCode->moveCursor(QTextCursor::End);
                                      settle();
                                  }) * 1e3);
        typeAndLeave();
        report("rss_5MB_typed_and_saved_MB", memoryNow().resident);
        choose(*w->cboItems, other);
        report("peak_window_MB", memoryNow().peak);
    }
    if (what == "close-after-new-item" && argc == 5) {
        choose(*w->cboCategory, QString::fromLocal8Bit(argv[4]));
        runMenu(*w->mnuAddItem, services, QStringLiteral("Bench made item"));
        ::sync();
        report("close_requested_at_ms", nowMs());
        closeWindow(w);
    } else {
        discardWindow(w);
    }
    services.check(what.c_str());
    return 0;
}

// The offscreen platform says on every window shown that it cannot pass size
// hints on, and Qt in every process that it has no runtime folder; those
// lines are dropped, every other message goes through.
QtMessageHandler qtDefaultHandler = nullptr;

void quieterMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QLatin1String("propagateSizeHints")) ||
        message.contains(QLatin1String("XDG_RUNTIME_DIR")))
        return;
    if (qtDefaultHandler) qtDefaultHandler(type, context, message);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qtDefaultHandler = qInstallMessageHandler(quieterMessages);
    if (argc >= 4 && std::string(argv[1]) == "--child") {
        try {
            return runChild(argc, argv);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "snibbet_bench_window --child %s: %s\n", argv[2], e.what());
            return 1;
        }
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Snibbet"));
    fonts::installFallbacks();
    benchmark::Initialize(&argc, argv);
    options = parseOptions(argc, argv, kUsage, {{"--tidied", &tidied}});
    for (const std::int64_t items : options.sizes) registerSize(items);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    current.reset();  // the last size's window and copies
    std::filesystem::remove_all(options.work);
    return 0;
}
