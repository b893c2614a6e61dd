#include "model/Session.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <functional>

#include "mainwindow/PanelEdit.h"
#include "model/Gestures.h"

namespace {

constexpr int kHistoryShown = 20;

// Answers and typed names, a group per line: the spellings of one group are
// one name ignoring case, except where a comment says otherwise.
// clang-format off
const QStringList kNames{
    "Ärger", "ärger", "ÄRGER",
    "it's", "IT'S", "O'Brien's \"tools\"",
    " ", "   ",
    " Trim", "Trim ", "trim", "TRIM",                      // the blanks count
    "Größe", QStringLiteral("GRÖ\u1E9EE"), "GRÖSSE",       // capital sharp s; "SS" is another name
    "ΟΔΟΣ", "οδος", "οδοσ",                                // final and medial sigma
    QStringLiteral("\u212Aelvin"), "kelvin",               // Kelvin sign
    QStringLiteral("\u212Bngström"), "ångström", "ÅNGSTRÖM",  // Angstrom sign
    QStringLiteral("\u0130f"), "if", "IF",                 // capital dotted I has no simple folding
    "µs", "μs", "ΜS",                                      // micro sign, Greek mu
    QStringLiteral("\U00010400x"), QStringLiteral("\U00010428X"),  // Deseret, beyond 16 bits
    "100%", "%", "_", "a_b", "axb",                        // wildcards of SQL are plain characters
    "Empty", "empty", "EMPTY",                             // only "Empty" marks a placeholder
    "Files", "files", "x", "X",
};
// clang-format on

// Pieces of what is typed into a panel.
const QStringList kTextPieces{"int x = 1;", " ",     "\t",    "\n",
                              "Ärger €",    "'%_\"", "// ok", QStringLiteral("\U00010400")};

const char* const kFocusNames[] = {"code",          "declarations", "notes",
                                   "category list", "item list",    "elsewhere"};

QString quoted(const QString& s) {
    QString out = s;
    out.replace(QLatin1Char('\n'), QLatin1String("\\n"))
        .replace(QLatin1Char('\t'), QLatin1String("\\t"));
    return QStringLiteral("«") + out + QStringLiteral("»");
}

QString quoted(const QStringList& list) {
    QStringList out;
    for (const QString& s : list) out << quoted(s);
    return out.join(QLatin1Char(' '));
}

QStringList lines(const QString& heading, const QStringList& rows) {
    QStringList out;
    for (const QString& r : rows) out << heading + r;
    return out;
}

QStringList lines(const QString& heading, const QList<model::Box>& boxes) {
    QStringList out;
    for (const model::Box& b : boxes)
        out << heading + quoted(b.text) + QStringLiteral(" titled ") + quoted(b.title);
    return out;
}

// A kept text's file is named after the time of day: the model names none.
QList<model::Box> boxes(const QList<FakePlatformServices::Box>& shown) {
    static const QRegularExpression keptFile(QStringLiteral("\"[^\"]*/Unsaved [^\"]*\\.txt\""));
    QList<model::Box> out;
    for (const auto& b : shown)
        out << model::Box{QString(b.text).replace(keptFile, QStringLiteral("\"<kept file>\"")),
                          b.title};
    return out;
}

QString kind(const model::Box& box) {
    if (box.text.startsWith(QLatin1String("Please select")))
        return QStringLiteral("cautions to select first");
    if (box.text.contains(QLatin1String("not saved")))
        return QStringLiteral("cautions of a text not saved");
    if (box.text.startsWith(QLatin1String("You already have")))
        return QStringLiteral("taken names refused");
    return QStringLiteral("other boxes");
}

// Checks that `stored` holds the rows of `expected` in its order, except that
// rows that tie in the tidy-up's sort may stand in any order among
// themselves; then puts `rows` (which `expected` lists) into the stored order.
template <typename Row>
QString adoptStoredOrder(QList<Row>& rows, const QStringList& expected, const QStringList& stored,
                         const std::function<bool(int, int)>& tie) {
    if (expected.size() != stored.size())
        return QStringLiteral("%1 rows stored, %2 expected")
            .arg(stored.size())
            .arg(expected.size());
    QList<Row> reordered;
    for (int begin = 0; begin < expected.size();) {
        int end = begin + 1;
        while (end < expected.size() && tie(begin, end)) ++end;
        QList<int> left;
        for (int k = begin; k < end; ++k) left << k;
        for (int k = begin; k < end; ++k) {
            const auto match = std::find_if(left.begin(), left.end(),
                                            [&](int e) { return expected[e] == stored[k]; });
            if (match == left.end())
                return QStringLiteral("stored row %1 %2 is none of the rows that sort there: %3")
                    .arg(k)
                    .arg(quoted(stored[k]), quoted(expected.mid(begin, end - begin)));
            reordered << rows[*match];
            left.erase(match);
        }
        begin = end;
    }
    rows = reordered;
    return {};
}

}  // namespace

QString Session::run(int steps) {
    arrangeLibrary();
    f_.start();
    model_.start();
    if (QString report = check(0); !report.isEmpty()) return failure(0, report);
    for (int step = 1; step <= steps; ++step) {
        f_.fake.messages.clear();
        f_.fake.inputBoxes.clear();
        model_.messages.clear();
        model_.inputBoxes.clear();
        QString report = act();
        if (report.isEmpty()) report = check(step);
        if (!report.isEmpty()) return failure(step, report);
        for (const model::Box& box : model_.messages) ++tally_[kind(box)];
    }
    return {};
}

QString Session::summary() const {
    QStringList parts{QStringLiteral("%1 texts saved").arg(model_.textsSaved)};
    for (auto it = tally_.begin(); it != tally_.end(); ++it)
        parts << QStringLiteral("%1 %2").arg(*it).arg(it.key());
    return parts.join(QStringLiteral(", "));
}

int Session::number(int below) {
    return std::uniform_int_distribution<int>(0, below - 1)(random_);
}

QString Session::typedText() {
    QString text;
    for (int n = 1 + number(2); n > 0; --n) text += oneOf(kTextPieces);
    return text;
}

// The user's answer in an input box; the empty answer is Cancel.
QString Session::answer() {
    const int kind = number(100);
    if (kind < 12) return {};
    const QStringList known = knownNames();
    if (kind < 40 && !known.isEmpty()) return oneOf(known);
    return oneOf(kNames);
}

// Every name the library or the lists hold just now.
QStringList Session::knownNames() const {
    QStringList names = model_.categoryEntries + model_.itemEntries;
    for (const model::Item& i : model_.items)
        if (i.name) names << *i.name;
    names << model_.categoryText << model_.itemText;
    names.removeAll(QString());
    return names;
}

// A library as other tools may have left it: case variants of a category
// among its items, unnamed rows, nulls, placeholders, items of no category.
void Session::arrangeLibrary() {
    const TempLibrary& lib = f_.lib;
    for (int n = number(5); n > 0; --n) {
        const int kind = number(20);
        const model::Value name = kind == 0   ? model::Value()
                                  : kind == 1 ? QString()
                                              : oneOf(kNames);
        if (name)
            lib.addCategory(*name);
        else
            lib.exec(QStringLiteral("INSERT INTO Category VALUES (NULL)"));
        model_.categories << name;
    }
    QStringList known;
    for (const model::Value& c : model_.categories)
        if (c) known << *c;
    const QString null = QStringLiteral("<null>");  // written, then turned into a null below
    for (int n = number(9); n > 0; --n) {
        model::Item item;
        const int kind = number(20);
        item.category = kind < 2                        ? model::Value()
                        : kind < 3                      ? QString()
                        : kind < 14 && !known.isEmpty() ? oneOf(known)
                                                        : oneOf(kNames);
        const int naming = number(10);
        item.name = naming == 0   ? model::Value()
                    : naming == 1 ? QString()
                    : naming == 2 ? QStringLiteral("Empty")
                                  : oneOf(kNames);
        for (model::Value& text : item.texts) text = chance(20) ? model::Value() : typedText();
        lib.addItem(item.category.value_or(null), item.name.value_or(null),
                    item.texts[0].value_or(null), item.texts[1].value_or(null),
                    item.texts[2].value_or(null));
        model_.items << item;
    }
    for (const char* column : {"Category", "ItemName", "Code", "Declares", "Notes"})
        lib.exec(QStringLiteral("UPDATE Items SET %1 = NULL WHERE %1 = '<null>'")
                     .arg(QLatin1String(column)));
}

// One action, drawn by weight. The commands leave no item chosen, so choosing
// is likelier then: the sessions spend their time on saves more than on
// cautions.
QString Session::act() {
    restartReport_.clear();
    frmSnibbet& w = *f_.window;
    const model::Snibbet& m = model_;
    const bool chosen = !m.categoryText.isEmpty() && !m.itemText.isEmpty();
    const bool inPanel = m.focus <= model::Notes;
    const struct {
        int weight;
        std::function<void()> run;
    } actions[] = {
        {m.categoryEntries.isEmpty() ? 0
         : m.categoryText.isEmpty()  ? 30
                                     : 10,
         [this] { chooseCategory(); }},
        {m.itemEntries.isEmpty() ? 0
         : m.itemText.isEmpty()  ? 40
                                 : 10,
         [this] { chooseItem(); }},
        {chosen ? 18 : 5, [this] { typeIntoPanel(); }},
        {inPanel ? 16 : 0, [this] { leavePanel(); }},
        {3, [this] { clearPanel(); }},
        {6, [this] { typeIntoList(); }},
        {6, [&] { command(w.mnuAddCat, "Add Category", &model::Snibbet::addCategory); }},
        {8, [&] { command(w.mnuAddItem, "Add Item", &model::Snibbet::addItem); }},
        {4, [&] { command(w.mnuRenameCat, "Rename Category", &model::Snibbet::renameCategory); }},
        {5, [&] { command(w.mnuRenameItem, "Rename Item", &model::Snibbet::renameItem); }},
        {3, [this] { deleteCategory(); }},
        {4, [this] { deleteItem(); }},
        {inPanel ? 6 : 3, [this] { restart(); }},  // closing while typing: the save before closing
    };
    int total = 0;
    for (const auto& a : actions) total += a.weight;
    int roll = number(total);
    for (const auto& a : actions) {
        if (roll < a.weight) {
            a.run();
            break;
        }
        roll -= a.weight;
    }
    return restartReport_;
}

void Session::chooseCategory() {
    const int entry = number(model_.categoryEntries.size());
    history_ << QStringLiteral("choose category %1 %2")
                    .arg(entry)
                    .arg(quoted(model_.categoryEntries[entry]));
    gestures::pick(f_.window->cboCategory, entry);
    model_.chooseCategory(entry);
}

void Session::chooseItem() {
    const int entry = number(model_.itemEntries.size());
    history_
        << QStringLiteral("choose item %1 %2").arg(entry).arg(quoted(model_.itemEntries[entry]));
    gestures::pick(f_.window->cboItems, entry);
    model_.chooseItem(entry);
}

void Session::typeIntoPanel() {
    const int panel = number(3);
    const QString text = typedText();
    history_ << QStringLiteral("type %1 into %2").arg(quoted(text), kFocusNames[panel]);
    PanelEdit* box = f_.window->panels[panel].box;
    gestures::clickInto(box);
    gestures::typeText(box, text);
    model_.typeIntoPanel(panel, text);
}

void Session::leavePanel() {
    const bool forward = chance(75);
    history_ << QStringLiteral("leave %1 by %2")
                    .arg(kFocusNames[model_.focus], forward ? "Ctrl+Tab" : "Ctrl+Shift+Tab");
    gestures::leave(f_.window->panels[model_.focus].box, forward);
    model_.leavePanel(forward);
}

// Clear All from the panel's menu; the right click that opens the menu
// takes the focus into the panel.
void Session::clearPanel() {
    const int panel = number(3);
    const bool thenLeave = chance(70);
    history_ << QStringLiteral("Clear All in %1%2")
                    .arg(kFocusNames[panel], thenLeave ? ", then Ctrl+Tab" : "");
    const frmSnibbet::Panel& p = f_.window->panels[panel];
    gestures::clickInto(p.box);
    p.clearAll->trigger();
    model_.clearPanel(panel);
    if (thenLeave) {
        gestures::leave(p.box, true);
        model_.leavePanel(true);
    }
}

// A name typed into a list is no choice, with or without Return.
void Session::typeIntoList() {
    const bool category = chance(50);
    const QStringList& entries = category ? model_.categoryEntries : model_.itemEntries;
    const int kind = number(100);
    const QString text = kind < 8                          ? QString()
                         : kind < 50 && !entries.isEmpty() ? oneOf(entries)
                                                           : oneOf(kNames);
    const bool thenReturn = chance(30);
    history_ << QStringLiteral("type %1 into the %2 list%3")
                    .arg(quoted(text), category ? "category" : "item",
                         thenReturn ? ", then Return" : "");
    gestures::typeIntoList(category ? f_.window->cboCategory : f_.window->cboItems, text,
                           thenReturn);
    model_.typeIntoList(category ? model::CategoryList : model::ItemList, text);
}

// A command of the menu bar, answered in its input box; the focus stays.
void Session::command(QAction* action, const QString& name,
                      void (model::Snibbet::*onModel)(const QString&)) {
    const QString a = answer();
    history_ << name + QStringLiteral(" answered ") + quoted(a);
    f_.fake.inputAnswers << a;
    action->trigger();
    (model_.*onModel)(a);
}

void Session::deleteCategory() {
    history_ << QStringLiteral("Delete Category");
    f_.window->mnuDeleteCat->trigger();
    model_.deleteCategory();
}

void Session::deleteItem() {
    history_ << QStringLiteral("Delete Item");
    f_.window->mnuDeleteItem->trigger();
    model_.deleteItem();
}

// Closes by Exit or by the close box, and starts again. The tidy-up may store
// rows that tie in its sort in any order; once the stored rows are found to
// be the expected ones, the model takes their order over.
void Session::restart() {
    const bool exitButton = chance(50);
    history_
        << QStringLiteral("close by %1 and start again").arg(exitButton ? "Exit" : "the close box");
    ++tally_[QStringLiteral("restarts")];
    if (exitButton) {
        // The click takes the focus to the button first: a save point.
        QTest::mouseClick(f_.window->cmdExit, Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        model_.moveFocus(model::Elsewhere);
    } else {
        f_.close();
    }
    if (f_.window) {
        restartReport_ = QStringLiteral("the window stayed open");
        return;
    }
    model_.close();
    const QStringList categories = f_.lib.rows(QStringLiteral("Category"));
    const QStringList items = f_.lib.rows(QStringLiteral("Items"));
    restartReport_ = adoptStoredOrder(model_.categories, model_.categoryRows(), categories,
                                      [this](int a, int b) { return model_.categoriesTie(a, b); });
    if (restartReport_.isEmpty())
        restartReport_ = adoptStoredOrder(model_.items, model_.itemRows(), items,
                                          [this](int a, int b) { return model_.itemsTie(a, b); });
    if (!restartReport_.isEmpty()) {
        restartReport_ = QStringLiteral("after the tidy-up: ") + restartReport_ +
                         QStringLiteral("\nCategory: ") + quoted(categories) +
                         QStringLiteral("\nItems: ") + quoted(items);
        return;
    }
    f_.start();
    model_.start();
}

// The window, the boxes of the step and the file, one line each.
QStringList Session::shown() const {
    const frmSnibbet& w = *f_.window;
    const QWidget* focused = QApplication::focusWidget();
    int focus = model::Elsewhere;
    for (int p = 0; p < 3; ++p)
        if (focused == w.panels[p].box) focus = p;
    if (focused && (focused == w.cboCategory || focused == w.cboCategory->lineEdit()))
        focus = model::CategoryList;
    if (focused && (focused == w.cboItems || focused == w.cboItems->lineEdit()))
        focus = model::ItemList;
    QStringList out{
        QStringLiteral("category list: ") + quoted(WindowFixture::entries(w.cboCategory)),
        QStringLiteral("category text: ") + quoted(w.cboCategory->currentText()),
        QStringLiteral("item list: ") + quoted(WindowFixture::entries(w.cboItems)),
        QStringLiteral("item text: ") + quoted(w.cboItems->currentText()),
        QStringLiteral("panels: ") + quoted(f_.panelTexts()),
        QStringLiteral("focus: ") + QLatin1String(kFocusNames[focus]),
    };
    out << lines(QStringLiteral("input box: "), boxes(f_.fake.inputBoxes));
    out << lines(QStringLiteral("message: "), boxes(f_.fake.messages));
    if (!f_.fake.inputAnswers.isEmpty())
        out << QStringLiteral("answers left: ") + quoted(f_.fake.inputAnswers);
    for (int code : f_.fake.endedWith) out << QStringLiteral("program ended with %1").arg(code);
    out << lines(QStringLiteral("Category: "), f_.lib.rows(QStringLiteral("Category")));
    out << lines(QStringLiteral("Items: "), f_.lib.rows(QStringLiteral("Items")));
    return out;
}

QStringList Session::expected() const {
    const model::Snibbet& m = model_;
    QStringList out{
        QStringLiteral("category list: ") + quoted(m.categoryEntries),
        QStringLiteral("category text: ") + quoted(m.categoryText),
        QStringLiteral("item list: ") + quoted(m.itemEntries),
        QStringLiteral("item text: ") + quoted(m.itemText),
        QStringLiteral("panels: ") + quoted(QStringList(m.panels.begin(), m.panels.end())),
        QStringLiteral("focus: ") + QLatin1String(kFocusNames[m.focus]),
    };
    out << lines(QStringLiteral("input box: "), m.inputBoxes);
    out << lines(QStringLiteral("message: "), m.messages);
    out << lines(QStringLiteral("Category: "), m.categoryRows());
    out << lines(QStringLiteral("Items: "), m.itemRows());
    return out;
}

QString Session::check(int step) const {
    if (!f_.window) return QStringLiteral("the window is gone");
    const QStringList actual = shown(), wanted = expected();
    if (actual == wanted) return {};
    QStringList report{
        QStringLiteral("after step %1 the window or the file differs from the model:").arg(step)};
    for (qsizetype i = 0; i < std::max(actual.size(), wanted.size()); ++i) {
        const QString a = actual.value(i, QStringLiteral("(nothing)"));
        const QString e = wanted.value(i, QStringLiteral("(nothing)"));
        if (a == e)
            report << QStringLiteral("     ") + a;
        else
            report << QStringLiteral("  ** shown:    ") + a
                   << QStringLiteral("  ** expected: ") + e;
    }
    return report.join(QLatin1Char('\n'));
}

QString Session::failure(int step, const QString& report) const {
    QStringList out{
        QStringLiteral("seed %1, step %2 (replay: SNIBBET_MODEL_SEED=%1 SNIBBET_MODEL_STEPS=%2)")
            .arg(seed_)
            .arg(step),
        QStringLiteral("last actions:")};
    const qsizetype first = std::max<qsizetype>(0, history_.size() - kHistoryShown);
    for (qsizetype i = first; i < history_.size(); ++i)
        out << QStringLiteral("  %1. %2").arg(step - (history_.size() - 1 - i)).arg(history_[i]);
    out << report;
    return out.join(QLatin1Char('\n'));
}
