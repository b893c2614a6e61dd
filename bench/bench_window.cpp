// Drives the real main window on the offscreen platform over libraries one of
// whose items holds 5 MB of code, and times what the user waits for.
// Start-ups, the memory of a session and closing after one change are
// measured in fresh processes of this program.
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDate>
#include <QFileInfo>
#include <QKeyEvent>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <filesystem>
#include <optional>

#include "BenchKit.h"
#include "mainwindow/PanelEdit.h"
#include "mainwindow/frmSnibbet.h"
#include "platform/PlatformServices.h"
#include "store/Backup.h"
#include "store/Library.h"
#include "store/RecordSet.h"

namespace bench {
namespace {

// The desktop as the benchmark needs it: input boxes answered from a queue,
// nothing shown or printed. A message box, a question or the program's end
// means the window met what the benchmark did not plan for: it is recorded,
// and the next check stops the case rather than time another path.
class WindowServices : public platform::PlatformServices {
public:
    QStringList answers, unexpected;

    void messageBox(const QString& text, const QString& title) override {
        unexpected << title + QStringLiteral(": ") + text;
    }
    bool askYesNo(const QString& text, const QString& title) override {
        messageBox(text, title);
        return false;
    }
    QString inputBox(const QString& prompt, const QString& title) override {
        if (answers.isEmpty()) messageBox(prompt, title);
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
    QSizeF screenSizeTwips() override { return {15360, 11520}; }  // 1024 x 768 at 96 DPI
    void setMousePointer(platform::MousePointer) override {}
    void popupMenu(QMenu&) override {}
    void clipboardClear() override {}
    void clipboardSetText(const QString&) override {}
    void sendKeys(const QString&, QWidget*) override {}
    std::optional<int> showPrintDialog(bool) override { return std::nullopt; }
    void printFormatted(const QTextDocument&) override {}
    void printerPrint(const QString&) override {}
    void printerEndDoc() override {}
    void endProgram(int code) override { unexpected << QStringLiteral("the end, %1").arg(code); }

    void check(const char* during) {
        if (unexpected.isEmpty()) return;
        const QStringList seen = std::exchange(unexpected, {});
        throw std::runtime_error(std::string("while ") + during + ": " +
                                 seen.join("; ").toStdString());
    }
};

// What a user's action left queued: posted events and repaints (offscreen).
void settle() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents();
}

// startSnibbet, then events until the window is active with its category
// list filled and painted.
frmSnibbet* startWindow(const QString& folder, WindowServices& services) {
    frmSnibbet* window = startSnibbet(folder, services);
    services.check("starting");
    if (!window) throw std::runtime_error("the window did not come up");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!(window->isActiveWindow() && window->cboCategory->count() > 0)) {
        if (std::chrono::steady_clock::now() > deadline)
            throw std::runtime_error("the window did not become active with its categories listed");
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    settle();
    services.check("starting");
    return window;
}

// Without `close`, the window goes without its tidy-up. With it, as the
// close box: the window deletes itself on close, and the deferred delete
// releases it and, with it, the library's connection.
void endWindow(frmSnibbet* window, bool close) {
    if (close)
        window->close();
    else
        delete window;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// A click on an entry: the focus moves to the list, the entry becomes current
// and the list reports the choice.
void choose(QComboBox& list, const QString& text) {
    const int index = list.findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0) throw std::runtime_error("no entry \"" + text.toStdString() + "\" in the list");
    list.setFocus(Qt::MouseFocusReason);
    list.setCurrentIndex(index);
    emit list.activated(index);
    settle();
}

// The caret to the end of the panel's text, then `text` typed key by key.
void typeAtEnd(PanelEdit& panel, const QString& text) {
    panel.setFocus(Qt::MouseFocusReason);
    panel.moveCursor(QTextCursor::End);
    for (const QChar c : text)
        for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent key(type, 0, Qt::NoModifier, QString(c));
            QCoreApplication::sendEvent(&panel, &key);
        }
    settle();
}

// A click into another control: the focus moves by mouse.
void clickInto(QWidget& control) {
    control.setFocus(Qt::MouseFocusReason);
    settle();
}

// A menu entry; the input box it opens is answered with `answer`.
void runMenu(QAction& entry, WindowServices& services,
             const std::optional<QString>& answer = std::nullopt) {
    services.answers.clear();
    if (answer) services.answers << *answer;
    entry.trigger();
    settle();
    if (!services.answers.isEmpty())
        throw std::runtime_error("\"" + entry.objectName().toStdString() + "\" asked for no name");
    services.check(qPrintable(entry.objectName()));
}

// The item the generator gives a 5 MB Code text.
const QString kBigItem = QStringLiteral("big snippet");

// The last item in stored order, the longest search, but the 5 MB item,
// skipping `skip` more.
QString fromTheEnd(const frmSnibbet& window, int skip) {
    for (int i = window.cboItems->count() - 1; i >= 0; --i)
        if (window.cboItems->itemText(i) != kBigItem && skip-- == 0)
            return window.cboItems->itemText(i);
    throw std::runtime_error("the category has too few items");
}

// The arguments that make this program a child measuring `what`.
QStringList child(const char* what, const QStringList& arguments) {
    return QStringList{QLatin1String(what)} + arguments;
}

// One size: the generated library, the session's copy with today's backup
// beside it, and the session window, started when a case first needs it.
struct Size {
    explicit Size(std::int64_t n)
        : items(n),
          source(ensureLibrary(options.dataDir, {.items = n, .bigItemBytes = 5'000'000})),
          work(options.work + "/" + std::to_string(n)),
          folder(options.tidied ? tidiedCopy(source, work + "/library")
                                : copyLibrary(source, work + "/library")) {
        // Made before any timing, as the day's first start did.
        store::Backup::makeIfDue(store::Library::pathIn(folder), QDate::currentDate());
        const std::int64_t categories = (n + 999) / 1000;
        for (std::int64_t c = 0; c < categories; ++c) spare << categoryName(c);
        bigCategory = spare[categories / 2];
        categoryA = spare[(categories / 2 + 1) % categories];
        categoryB = spare[(categories / 2 + 2) % categories];
        for (const QString& used : {bigCategory, categoryA, categoryB}) spare.removeAll(used);
    }
    ~Size() {
        if (window) endWindow(window, false);
        std::filesystem::remove_all(work);
    }

    // The session window with `category` chosen as a click does it: the
    // focus leaves any panel first.
    frmSnibbet& inCategory(const QString& category) {
        if (!window) window = startWindow(folder, services);
        choose(*window->cboCategory, category);
        return *window;
    }
    // A copy as closing leaves it, so that closing has nothing to do.
    const QString& tidied() {
        if (tidied_.isEmpty()) tidied_ = tidiedCopy(source, work + "/tidied");
        return tidied_;
    }
    double timedMenu(QAction& entry, const std::optional<QString>& answer = std::nullopt) {
        ::sync();
        return secondsOf([&] { runMenu(entry, services, answer); });
    }
    QString uniqueName(const char* kind) {
        return QStringLiteral("Bench made %1 %2").arg(QLatin1String(kind)).arg(++names);
    }

    const std::int64_t items;
    const QString source;
    const std::string work;
    const QString folder;
    QString tidied_, bigCategory, categoryA, categoryB;
    QStringList spare;  // categories of 1,000 items that no other case uses
    WindowServices services;
    frmSnibbet* window = nullptr;
    int names = 0, typed = 0, renames = 0;
    bool hugeItemAdded = false;
};

OneSize<Size> sizes("window/");

// Chooses the item `from` (untimed), then `to`.
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
// write out what came before. The file must then hold what the panel shows.
void saveOnLeaving(State& state, Size& s, const QString& category, const QString& item) {
    for (auto _ : state) {
        frmSnibbet& w = s.inCategory(category);
        choose(*w.cboItems, item);
        typeAtEnd(*w.rTxtCode, QStringLiteral(" // %1").arg(++s.typed));
        ::sync();
        state.SetIterationTime(secondsOf([&] { clickInto(*w.rTxtDeclares); }));
        s.services.check("leaving a panel");
        if (w.rTxtCode->document()->isModified()) throw std::runtime_error("nothing was saved");
    }
    // Read back through the window's own connection: a second one would give
    // the file a stamp of its own, and the window would take it for another file.
    store::DataSource items(s.window->dbLibrary, store::RecordSource::itemsOf(category));
    items.Recordset().FindFirst(store::Field::ItemName, item);
    if (items.Recordset().text(store::Field::Code) != s.window->rTxtCode->toPlainText())
        throw std::runtime_error("the file does not hold the saved text");
}

// About `bytes` of code in lines of 70 or so characters, as a large paste
// brings it.
QString codeOf(qsizetype bytes) {
    QString text;
    text.reserve(bytes);
    for (int i = 0; text.size() < bytes; ++i)
        text += QStringLiteral("line %1: some code text that goes on, with ünïcödé and 'quotes';\n")
                    .arg(i);
    return text;
}

// The item of the big category that another case gives 50 MB of code.
const QString kHugeItem = QStringLiteral("Bench made 50 MB item");

// The event loop, turn by turn, until the panel's text is laid out to its
// last line: the milliseconds that took (from `since`), and the longest turn,
// which is how long a click or a key would have waited meanwhile.
void untilLaidOut(State& state, const PanelEdit& panel,
                  std::chrono::steady_clock::time_point since) {
    QTimer wake;  // the loop never sleeps past a check
    wake.start(50);
    double longest = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (panel.document()->lastBlock().layout()->lineCount() == 0) {
        if (std::chrono::steady_clock::now() > deadline)
            throw std::runtime_error("the text was not laid out within two minutes");
        longest = std::max(longest, secondsOf([] {
                               QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
                           }));
    }
    state.counters["laid_out_ms"] =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
    state.counters["longest_turn_ms"] = longest * 1e3;
}

// The code of `item` in the library's file.
QString storedCode(Size& s, const QString& category, const QString& item) {
    const store::Library library = store::Library::open(s.folder);
    store::DataSource items(library, store::RecordSource::itemsOf(category));
    items.Recordset().FindFirst(store::Field::ItemName, item);
    return items.Recordset().text(store::Field::Code);
}

// Ctrl+V into the code panel, all of its text selected, with `bytes` of code
// on the clipboard: the case's time is the paste's, until the window takes
// the next event. A click into the declarations panel saves it (save_ms);
// the text is laid out meanwhile, the window answering between its steps.
void pasteIntoCode(State& state, Size& s, qsizetype bytes) {
    const QString text = codeOf(bytes);
    for (auto _ : state) {
        frmSnibbet& w = s.inCategory(s.categoryB);
        const QString item = fromTheEnd(w, 2);
        choose(*w.cboItems, item);
        PanelEdit& panel = *w.rTxtCode;
        clickInto(panel);
        panel.selectAll();
        QGuiApplication::clipboard()->setText(text);
        settle();
        QKeyEvent paste(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier);
        const auto start = std::chrono::steady_clock::now();
        state.SetIterationTime(secondsOf([&] { QCoreApplication::sendEvent(&panel, &paste); }));
        ::sync();
        state.counters["save_ms"] = secondsOf([&] { clickInto(*w.rTxtDeclares); }) * 1e3;
        untilLaidOut(state, panel, start);
        s.services.check("pasting");
        if (storedCode(s, s.categoryB, item) != text)
            throw std::runtime_error("the file does not hold the pasted text");
    }
    QGuiApplication::clipboard()->clear();
}

// Another item (untimed), then the one with 50 MB of code: the case's time
// is the choice's, until the window takes the next event, with the start of
// the text shown; then it is laid out step by step.
void chooseHugeItem(State& state, Size& s) {
    frmSnibbet& w = s.inCategory(s.bigCategory);
    if (!s.hugeItemAdded) {
        store::DataSource items(w.dbLibrary, store::RecordSource::itemsOf(s.bigCategory));
        items.Recordset().AddNew();
        items.Recordset().setText(store::Field::Category, s.bigCategory);
        items.Recordset().setText(store::Field::ItemName, kHugeItem);
        items.Recordset().setText(store::Field::Code, codeOf(50'000'000));
        items.Recordset().Update();
        s.hugeItemAdded = true;
        s.inCategory(s.bigCategory);  // lists it
    }
    const QString other = fromTheEnd(w, 0);
    for (auto _ : state) {
        choose(*w.cboItems, other);
        const auto start = std::chrono::steady_clock::now();
        state.SetIterationTime(secondsOf([&] { choose(*w.cboItems, kHugeItem); }));
        untilLaidOut(state, *w.rTxtCode, start);
        s.services.check("choosing the 50 MB item");
        if (w.rTxtCode->document()->characterCount() < 45'000'000)
            throw std::runtime_error("the 50 MB text is not shown");
    }
    choose(*w.cboItems, other);
}

// Items > Add, choose it, Items > Rename, choose it, Items > Delete, in a
// category of 1,000; or Categories > Add, choose it, Categories > Delete.
// Each command's time is a counter, the case's time is their sum.
template <bool items>
void commands(State& state, Size& s) {
    for (auto _ : state) {
        frmSnibbet& w = s.inCategory(s.categoryA);
        QComboBox& list = items ? *w.cboItems : *w.cboCategory;
        const int listed = list.count();
        const QString name = s.uniqueName(items ? "item" : "category");
        double sum = 0;
        const auto timed = [&](const char* counter, QAction& entry,
                               const std::optional<QString>& answer) {
            const double seconds = s.timedMenu(entry, answer);
            state.counters[counter] = seconds * 1e3;
            sum += seconds;
        };
        timed("add_ms", items ? *w.mnuAddItem : *w.mnuAddCat, name);
        choose(list, name);
        if (items) {
            timed("rename_ms", *w.mnuRenameItem, name + QStringLiteral(" renamed"));
            choose(list, name + QStringLiteral(" renamed"));
        }
        timed("delete_ms", items ? *w.mnuDeleteItem : *w.mnuDeleteCat, {});
        if (list.count() != listed) throw std::runtime_error("the new entry is still listed");
        state.SetIterationTime(sum);
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

// The close box on a fresh copy of the generated library after choosing a
// category and an item, or on a tidied copy right after a start: the
// tidy-up, then the window's release, which closes the library. Beside the
// first, the floor's close of another copy.
template <bool fresh>
void closing(State& state, Size& s) {
    for (auto _ : state) {
        const QString folder = fresh ? copyLibrary(s.source, s.work + "/closing") : s.tidied();
        frmSnibbet* w = startWindow(folder, s.services);
        w->waitForBackup();  // only the first start on a copy makes one
        if (fresh) {
            choose(*w->cboCategory, s.categoryA);
            choose(*w->cboItems, fromTheEnd(*w, 0));
        }
        ::sync();
        state.SetIterationTime(secondsOf([&] { endWindow(w, true); }));
        s.services.check("closing");
        requireTidy(folder);
        if (fresh)
            state.counters["floor_ms"] =
                closedInChild(state,
                              {QStringLiteral("close"), QStringLiteral("floor"),
                               copyLibrary(s.source, s.work + "/floor"), QStringLiteral("first")},
                              false);
    }
    if (fresh) state.counters["peak_session_MB"] = memoryNow().peak;
}

// Another window started in this process, which has shown one before; with
// `add`, the time of the one command that needs no category chosen.
template <bool add>
void startAgain(State& state, Size& s) {
    for (auto _ : state) {
        frmSnibbet* w = nullptr;
        double seconds = secondsOf([&] { w = startWindow(s.folder, s.services); });
        if (add) seconds = s.timedMenu(*w->mnuAddCat, s.uniqueName("category"));
        state.SetIterationTime(seconds);
        endWindow(w, false);
    }
}

// A tidied library, one item added, then the close box: timed from the
// request to the end of the process, which makes the last checkpoint.
void closeAfterOneNewItem(State& state, Size& s) {
    for (auto _ : state) {
        const QString folder = copyLibrary(s.tidied(), s.work + "/changed");
        state.SetIterationTime(
            closedInChild(state, child("close-after-new-item", {folder, s.categoryA})) / 1e3);
        requireTidy(folder);
    }
}

}  // namespace

void registerWindow(std::int64_t items) {
    // In fresh processes.
    sizes.add(items, "start_up", 7, "< 300 ms, memory after < 120 MB", [](State& state, Size& s) {
        inChild(state, child("start-up", {s.folder}), "startup_ms");
    });
    sizes.add(items, "start_up_first_of_day", 1, "< 300 ms", [](State& state, Size& s) {
        std::filesystem::remove_all(
            store::Backup::folderFor(store::Library::pathIn(s.folder)).toStdString());
        ::sync();
        inChild(state, child("first-of-day", {s.folder}), "startup_ms");
    });
    sizes.add(items, "caret_to_end_of_5MB_item", 1, "peak < 120 MB", [](State& state, Size& s) {
        inChild(state, child("memory", {s.folder, s.categoryA, s.bigCategory}), "caret_to_end_ms");
    });
    // In this process.
    sizes.add(items, "start_up_again", 15, "", startAgain<false>);
    sizes.add(items, "add_category_before_choosing", 15, "< 30 ms", startAgain<true>);
    sizes.add(items, "choose_category", 30, "< 30 ms", [](State& state, Size& s) {
        for (auto _ : state) {
            frmSnibbet& w = s.inCategory(s.categoryA);
            state.SetIterationTime(secondsOf([&] { choose(*w.cboCategory, s.categoryB); }));
            if (w.cboItems->count() < 1) throw std::runtime_error("no items listed");
        }
    });
    sizes.add(items, "choose_item", 30, "< 30 ms", [](State& state, Size& s) {
        const frmSnibbet& w = s.inCategory(s.categoryA);
        switchItems(state, s, fromTheEnd(w, 1), fromTheEnd(w, 0));
    });
    sizes.add(items, "choose_5MB_item", 10, "< 200 ms", [](State& state, Size& s) {
        switchItems(state, s, fromTheEnd(s.inCategory(s.bigCategory), 0), kBigItem);
    });
    sizes.add(items, "choose_item_while_5MB_shown", 10, "< 30 ms", [](State& state, Size& s) {
        switchItems(state, s, kBigItem, fromTheEnd(s.inCategory(s.bigCategory), 0));
    });
    sizes.add(items, "save_on_leaving_panel", 20, "< 30 ms", [](State& state, Size& s) {
        saveOnLeaving(state, s, s.categoryA, fromTheEnd(s.inCategory(s.categoryA), 0));
    });
    sizes.add(items, "save_on_leaving_5MB_panel", 10, "< 200 ms",
              [](State& state, Size& s) { saveOnLeaving(state, s, s.bigCategory, kBigItem); });
    if (isLargest(items)) {
        sizes.add(items, "paste_5MB", 5, "< 500 ms, each turn < 200 ms, save < 500 ms",
                  [](State& state, Size& s) { pasteIntoCode(state, s, 5'000'000); });
        sizes.add(items, "paste_50MB", 3, "< 3 s, each turn < 200 ms, save < 3 s",
                  [](State& state, Size& s) { pasteIntoCode(state, s, 50'000'000); });
        sizes.add(items, "choose_50MB_item", 3, "< 3 s, each turn < 200 ms", chooseHugeItem);
    }
    sizes.add(items, "add_rename_delete_item", 20, "each < 30 ms", commands<true>);
    sizes.add(items, "add_delete_new_category", 20, "each < 30 ms", commands<false>);
    sizes.add(items, "rename_category_of_1000", 10, "< 30 ms", renameCategory);
    if (items >= 8000)
        sizes.add(items, "delete_category_of_1000", 5, "< 30 ms", deleteWholeCategory);
    sizes.add(items, "close", 5, "<= 8.5 s", closing<true>);
    sizes.add(items, "close_again_tidy", 3, "", closing<false>);
    sizes.add(items, "close_after_one_new_item", 3, "< 300 ms", closeAfterOneNewItem);
}

// A child: argv is this program, --child, what to measure, the library's
// folder and the categories it needs.
int windowChild(int argc, char** argv, double applicationMs) {
    const std::string what = argv[2];
    const auto arg = [&](int i) { return QString::fromLocal8Bit(argv[i]); };
    WindowServices services;
    const Memory before = memoryNow();
    const auto start = std::chrono::steady_clock::now();
    frmSnibbet* w = nullptr;
    const double startupMs = secondsOf([&] { w = startWindow(arg(3), services); }) * 1e3;
    const Memory after = memoryNow();
    w->waitForBackup();
    if (what == "start-up" || what == "first-of-day") report("startup_ms", startupMs);
    if (what == "start-up") {
        report("qapplication_ms", applicationMs);
        report("rss_before_MB", before.resident);
        report("rss_after_MB", after.resident);
        report("peak_after_MB", after.peak);
    } else if (what == "first-of-day") {
        using namespace std::chrono;
        report("backup_done_ms", duration<double, std::milli>(steady_clock::now() - start).count());
        if (!QFileInfo::exists(store::Backup::fileFor(w->dbLibrary.path(), QDate::currentDate())))
            throw std::runtime_error("no backup was made");
    } else if (what == "memory" && argc == 6) {
        const auto typeAndLeave = [&] {
            typeAtEnd(*w->rTxtCode, QStringLiteral(" // typed"));
            clickInto(*w->rTxtDeclares);
        };
        choose(*w->cboCategory, arg(4));
        choose(*w->cboItems, fromTheEnd(*w, 0));
        typeAndLeave();
        choose(*w->cboCategory, arg(5));
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
    } else if (what == "close-after-new-item" && argc == 5) {
        choose(*w->cboCategory, arg(4));
        runMenu(*w->mnuAddItem, services, QStringLiteral("Bench made item"));
        ::sync();
        report("close_requested_at_ms", nowMs());
        endWindow(w, true);
        w = nullptr;
    } else {
        throw std::runtime_error("no such measurement: " + what);
    }
    if (w) endWindow(w, false);
    services.check(what.c_str());
    return 0;
}

}  // namespace bench
