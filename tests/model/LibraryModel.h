#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

// What Snibbet shows and stores, told from the program's rules alone: no code
// of the program computes any of it. tst_model drives the real window and
// this model with the same random actions and compares them after each step.
namespace model {

// A field of the library file; nullopt stands for a null.
using Value = std::optional<QString>;

// Names compare by the simple case folding of each code point; the tidy-up
// sorts by the folded code points.
int compareNames(const QString& a, const QString& b);
inline bool sameName(const QString& a, const QString& b) {
    return compareNames(a, b) == 0;
}

// A row of Items as a new row starts: no category, the name "Empty", empty texts.
struct Item {
    Value category;
    Value name = QStringLiteral("Empty");
    std::array<Value, 3> texts{QString(), QString(), QString()};  // code, declarations, notes
};

struct Box {
    QString text;
    QString title;
    bool operator==(const Box&) const = default;
};

// Where the keyboard focus is; the panels first, in the program's order.
enum Focus { Code, Declares, Notes, CategoryList, ItemList, Elsewhere };

class Snibbet {
public:
    // The library file, rows in stored order.
    QList<Value> categories;
    QList<Item> items;

    // The window.
    QStringList categoryEntries, itemEntries;
    QString categoryText, itemText;
    int itemIndex = -1;  // the item list's current entry: the last one chosen
    std::array<QString, 3> panels;
    std::array<bool, 3> modified{};
    int focus = Elsewhere;
    std::optional<QString> itemSource;  // the category of the last FindItems; none: every item

    // The boxes shown; the test empties these before each step.
    QList<Box> messages;
    QList<Box> inputBoxes;
    int textsSaved = 0;  // how often a panel's text reached the file

    void start();
    void close();  // the save of a focused panel, then the tidy-up

    void moveFocus(int to);
    void leavePanel(bool forward);  // Ctrl+Tab or Ctrl+Shift+Tab
    void chooseCategory(int entry);
    void chooseItem(int entry);
    void typeIntoPanel(int panel, const QString& text);
    void clearPanel(int panel);
    void typeIntoList(int list, const QString& text);

    void addCategory(const QString& answer);
    void addItem(const QString& answer);
    void renameCategory(const QString& answer);
    void renameItem(const QString& answer);
    void deleteCategory();
    void deleteItem();

    // Rows as TempLibrary::rows reads them back.
    QStringList categoryRows() const;
    QStringList itemRows() const;
    // Whether the tidy-up may store two rows in either order.
    bool categoriesTie(int a, int b) const;
    bool itemsTie(int a, int b) const;

private:
    QList<int> sourceRows() const;
    int findInSource(const QString& name) const;
    int currentRow() const;
    QStringList sourceNames() const;
    void save(int panel);
    bool listsInStep() const;
    void keepTypingBeforePanelsChange();
    void findItems();
    void refillCategoryList();
    void tidyUp();
};

}  // namespace model
