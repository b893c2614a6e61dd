#include "model/LibraryModel.h"

#include <QHash>
#include <algorithm>

namespace model {
namespace {

const QString kCaution = QStringLiteral("Caution...");
// Where a text no item could take is kept; its name holds the time of day.
const QString kKeptFile = QStringLiteral("\"<kept file>\"");
const QString kSelectFirst =
    QStringLiteral("Please select a Category and a Code Item before you proceed.");
const char* const kPanelNames[] = {"Code", "API and DLL Declarations", "Notes"};

// Simple case folding (status C and S of Unicode's CaseFolding.txt) of every
// letter beyond ASCII that the sessions use. A letter missing here stops the
// test rather than let the model guess.
char32_t foldedCodePoint(char32_t c) {
    if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 0x20 : c;
    static const QHash<char32_t, char32_t> folding{
        {0xC4, 0xE4},   {0xE4, 0xE4},       {0xD6, 0xF6},       {0xF6, 0xF6},   {0xDF, 0xDF},
        {0x1E9E, 0xDF}, {0xC5, 0xE5},       {0xE5, 0xE5},       {0x212B, 0xE5}, {0x212A, 0x6B},
        {0x130, 0x130}, {0x39F, 0x3BF},     {0x3BF, 0x3BF},     {0x394, 0x3B4}, {0x3B4, 0x3B4},
        {0x3A3, 0x3C3}, {0x3C3, 0x3C3},     {0x3C2, 0x3C3},     {0xB5, 0x3BC},  {0x39C, 0x3BC},
        {0x3BC, 0x3BC}, {0x10400, 0x10428}, {0x10428, 0x10428},
    };
    const auto found = folding.constFind(c);
    if (found == folding.constEnd())
        qFatal("the model does not know how U+%04X folds", unsigned(c));
    return *found;
}

QList<char32_t> folded(const QString& name) {
    QList<char32_t> out;
    for (char32_t c : name.toUcs4()) out << foldedCodePoint(c);
    return out;
}

QString shown(const Value& v) {
    return v.value_or(QString());
}

QString row(const QList<Value>& fields) {
    QStringList out;
    for (const Value& v : fields) out << v.value_or(QStringLiteral("<null>"));
    return out.join(QLatin1Char('|'));
}

// The tidy-up's order of items: no category first, then by category, then by name.
int compareItems(const Item& a, const Item& b) {
    if (a.category.has_value() != b.category.has_value()) return a.category ? 1 : -1;
    if (const int c = compareNames(shown(a.category), shown(b.category))) return c;
    return compareNames(shown(a.name), shown(b.name));
}

}  // namespace

int compareNames(const QString& a, const QString& b) {
    const QList<char32_t> x = folded(a), y = folded(b);
    if (std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end())) return -1;
    if (std::lexicographical_compare(y.begin(), y.end(), x.begin(), x.end())) return 1;
    return 0;
}

void Snibbet::start() {
    categoryEntries.clear();
    for (const Value& c : categories) categoryEntries << shown(c);
    categoryText.clear();
    itemEntries.clear();
    itemText.clear();
    itemIndex = -1;
    panels = {};
    modified = {};
    focus = Elsewhere;
    itemSource.reset();
}

// Every panel with typing in it is saved; a text no item can take is kept in
// a file, and the user is told so.
void Snibbet::close() {
    for (int p = 0; p < 3; ++p) {
        if (!modified[p]) continue;
        modified[p] = false;
        QString why;
        if (itemText.isEmpty() || categoryText.isEmpty() || sourceRows().isEmpty())
            why = QStringLiteral("the lists do not name a category and one of its items");
        else if (!listsInStep())
            why = QStringLiteral("the Item list does not show the items of the category \"%1\"")
                      .arg(categoryText);
        else if (const int found = currentRow(); found >= 0)
            items[found].texts[p] = panels[p];
        else
            why = QStringLiteral("the category \"%1\" has no item named \"%2\"")
                      .arg(categoryText, itemText);
        if (!why.isEmpty())
            messages << Box{QStringLiteral("What you typed into the %1 panel could not be saved "
                                           "into the library, because %2. Snibbet has kept it "
                                           "in the file %3.")
                                .arg(QLatin1String(kPanelNames[p]), why, kKeptFile),
                            kCaution};
    }
    tidyUp();
}

void Snibbet::tidyUp() {
    items.removeIf([](const Item& i) { return shown(i.name).isEmpty(); });
    categories.removeIf([](const Value& c) { return shown(c).isEmpty(); });
    std::stable_sort(categories.begin(), categories.end(),
                     [](const Value& a, const Value& b) { return compareNames(*a, *b) < 0; });
    std::stable_sort(items.begin(), items.end(),
                     [](const Item& a, const Item& b) { return compareItems(a, b) < 0; });
}

// Leaving a panel for another control of the window is the save point.
void Snibbet::moveFocus(int to) {
    if (focus != to && focus <= Notes) save(focus);
    focus = to;
}

// The tab order: Exit, code, declarations, notes, category list, item list.
void Snibbet::leavePanel(bool forward) {
    static const int next[] = {Declares, Notes, CategoryList};
    static const int previous[] = {Elsewhere, Code, Declares};
    moveFocus(forward ? next[focus] : previous[focus]);
}

// Typing that no item took is kept before a choice shows other texts: on the
// clipboard and in a file when it is the only one, in files otherwise.
void Snibbet::keepTypingBeforePanelsChange() {
    QList<int> typed;
    for (int p = 0; p < 3; ++p)
        if (modified[p] && !panels[p].isEmpty()) typed << p;
    if (typed.isEmpty()) return;
    QStringList told;
    for (int p : typed) {
        modified[p] = false;
        told << QStringLiteral(
                    "What you typed into the %1 panel was not saved into any item. "
                    "Snibbet has put it %2into the file %3: paste it into the item "
                    "you meant.")
                    .arg(QLatin1String(kPanelNames[p]),
                         typed.size() == 1 ? QStringLiteral("on the clipboard and ") : QString(),
                         kKeptFile);
    }
    messages << Box{told.join(QStringLiteral("\n\n")), kCaution};
}

void Snibbet::chooseCategory(int entry) {
    moveFocus(CategoryList);
    keepTypingBeforePanelsChange();
    categoryText = categoryEntries[entry];
    panels = {};
    modified = {};
    findItems();
}

void Snibbet::chooseItem(int entry) {
    moveFocus(ItemList);
    itemText = itemEntries[entry];
    itemIndex = entry;
    if (itemText.isEmpty() || categoryText.isEmpty() || sourceRows().isEmpty()) return;
    keepTypingBeforePanelsChange();
    const int found = currentRow();
    for (int p = 0; p < 3; ++p) panels[p] = found < 0 ? QString() : shown(items[found].texts[p]);
    modified = {};
}

void Snibbet::typeIntoPanel(int panel, const QString& text) {
    moveFocus(panel);
    panels[panel] += text;
    modified[panel] = true;
}

// Like cutting everything: a panel that shows nothing stays unchanged.
void Snibbet::clearPanel(int panel) {
    moveFocus(panel);
    if (panels[panel].isEmpty()) return;
    panels[panel].clear();
    modified[panel] = true;
}

void Snibbet::typeIntoList(int list, const QString& text) {
    moveFocus(list);
    (list == CategoryList ? categoryText : itemText) = text;
}

void Snibbet::save(int panel) {
    if (itemText.isEmpty() || categoryText.isEmpty() || sourceRows().isEmpty()) {
        if (modified[panel] && !panels[panel].isEmpty())
            messages << Box{
                kSelectFirst + QStringLiteral("\n\nWhat you typed is not lost: Snibbet has put "
                                              "it on the clipboard and into the file %1. Choose "
                                              "the category and the item, then paste it into "
                                              "the panel.")
                                   .arg(kKeptFile),
                kCaution};
        else
            messages << Box{kSelectFirst, kCaution};
        panels[panel].clear();
        modified[panel] = false;
        return;
    }
    const int found = listsInStep() ? currentRow() : -1;
    if (found < 0) {
        // A panel the user did not change has nothing to lose.
        if (!modified[panel]) return;
        if (!listsInStep())
            messages << Box{
                QStringLiteral(
                    "The Item list does not show the items of the category \"%1\", %2, so this "
                    "text was not saved. It stays in the panel. To save it, choose its category "
                    "from the Category list and then its item: Snibbet first puts the text on "
                    "the clipboard and into a file, for you to paste it into the panel.")
                    .arg(categoryText,
                         itemSource ? QStringLiteral("but those of \"%1\", the category last "
                                                     "chosen from the Category list")
                                          .arg(*itemSource)
                                    : QStringLiteral("because no category has been chosen from "
                                                     "the Category list yet")),
                kCaution};
        else
            messages << Box{
                QStringLiteral(
                    "The category \"%1\" has no item named \"%2\", so this text was not saved. "
                    "Type the name of one of its items into the Item list, then leave the "
                    "panel again. It stays in the panel. Should you choose from the lists "
                    "instead, Snibbet first puts it on the clipboard and into a file, for you "
                    "to paste.")
                    .arg(categoryText, itemText),
                kCaution};
        return;
    }
    // A panel left unchanged writes nothing.
    if (modified[panel]) items[found].texts[panel] = panels[panel];
    modified[panel] = false;
    ++textsSaved;
}

// The Item list shows the items of the category the Category list names.
bool Snibbet::listsInStep() const {
    return itemSource && sameName(*itemSource, categoryText);
}

QList<int> Snibbet::sourceRows() const {
    QList<int> rows;
    for (int i = 0; i < items.size(); ++i)
        if (!itemSource || (items[i].category && sameName(*items[i].category, *itemSource)))
            rows << i;
    return rows;
}

int Snibbet::findInSource(const QString& name) const {
    for (int i : sourceRows())
        if (items[i].name && sameName(*items[i].name, name)) return i;
    return -1;
}

// The entry last chosen from the item list leads to its own row while the
// list's text is still that entry's, also where other rows have a name that
// differs in letter case only; a typed name leads to the first row of that name.
int Snibbet::currentRow() const {
    const QList<int> rows = sourceRows();
    if (itemIndex >= 0 && itemIndex < itemEntries.size() && itemEntries[itemIndex] == itemText &&
        itemIndex < rows.size() && shown(items[rows[itemIndex]].name) == itemText)
        return rows[itemIndex];
    return findInSource(itemText);
}

QStringList Snibbet::sourceNames() const {
    QStringList names;
    for (int i : sourceRows()) names << shown(items[i].name);
    return names;
}

void Snibbet::findItems() {
    itemSource = categoryText;
    itemEntries = sourceNames();
    itemText.clear();
    itemIndex = -1;
}

void Snibbet::refillCategoryList() {
    categoryEntries.clear();
    for (const Value& c : categories) categoryEntries << shown(c);
    categoryText.clear();
}

void Snibbet::addCategory(const QString& answer) {
    inputBoxes << Box{QStringLiteral("Enter the name of this category."),
                      QStringLiteral("Add Category")};
    if (answer.isEmpty()) return;
    for (const Value& c : categories)
        if (c && sameName(*c, answer)) {
            messages << Box{QStringLiteral("You already have a category named: ") + answer,
                            kCaution};
            return;
        }
    categories << answer;
    Item placeholder;
    placeholder.category = answer;
    items << placeholder;
    refillCategoryList();
}

void Snibbet::addItem(const QString& answer) {
    inputBoxes << Box{QStringLiteral("Enter the name of this item."), QStringLiteral("Add Item")};
    if (answer.isEmpty()) return;
    if (findInSource(answer) >= 0) {
        messages << Box{QStringLiteral("You already have an item named: ") + answer +
                            QStringLiteral(" in this category."),
                        kCaution};
        return;
    }
    const QList<int> rows = sourceRows();
    const bool takeOver =
        !rows.isEmpty() && (!items[rows[0]].name || *items[rows[0]].name == "Empty");
    if (!takeOver) items << Item{};
    Item& target = takeOver ? items[rows[0]] : items.last();
    target.category = categoryText;
    target.name = answer;
    findItems();
}

void Snibbet::renameCategory(const QString& answer) {
    const QString old = categoryText;
    inputBoxes << Box{QStringLiteral("Rename ") + old + QStringLiteral(" As:"),
                      QStringLiteral("Rename Category")};
    if (answer.isEmpty() || answer == old) return;
    for (const Value& c : categories)
        if (c && sameName(*c, answer)) {
            messages << Box{QStringLiteral("You already have a category named: ") + answer,
                            kCaution};
            return;
        }
    for (Value& c : categories)
        if (c && sameName(*c, old)) c = answer;
    for (Item& i : items)
        if (i.category && sameName(*i.category, old)) i.category = answer;
    refillCategoryList();
    itemText.clear();
    itemIndex = -1;
}

void Snibbet::renameItem(const QString& answer) {
    const QString old = itemText;
    inputBoxes << Box{QStringLiteral("Rename ") + old + QStringLiteral(" As:"),
                      QStringLiteral("Rename Item")};
    if (answer.isEmpty() || answer == old) return;
    if (findInSource(answer) >= 0) {
        messages << Box{QStringLiteral("You already have an item named: ") + answer +
                            QStringLiteral(" in this category."),
                        kCaution};
        return;
    }
    for (Item& i : items)
        if (i.category && sameName(*i.category, categoryText) && i.name && sameName(*i.name, old))
            i.name = answer;
    itemEntries = sourceNames();
    itemText.clear();
    itemIndex = -1;
}

void Snibbet::deleteCategory() {
    const QString gone = categoryText;
    items.removeIf([&](const Item& i) { return i.category && sameName(*i.category, gone); });
    categories.removeIf([&](const Value& c) { return c && sameName(*c, gone); });
    refillCategoryList();
    itemEntries = sourceNames();
    itemText.clear();
    itemIndex = -1;
}

void Snibbet::deleteItem() {
    items.removeIf([&](const Item& i) {
        return i.category && sameName(*i.category, categoryText) && i.name &&
               sameName(*i.name, itemText);
    });
    findItems();
}

QStringList Snibbet::categoryRows() const {
    QStringList rows;
    for (const Value& c : categories) rows << row({c});
    return rows;
}

QStringList Snibbet::itemRows() const {
    QStringList rows;
    for (const Item& i : items)
        rows << row({i.category, i.name, i.texts[0], i.texts[1], i.texts[2]});
    return rows;
}

bool Snibbet::categoriesTie(int a, int b) const {
    return sameName(shown(categories[a]), shown(categories[b]));
}

bool Snibbet::itemsTie(int a, int b) const {
    return compareItems(items[a], items[b]) == 0;
}

}  // namespace model
