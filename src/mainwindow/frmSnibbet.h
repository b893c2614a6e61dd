#pragma once

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>

#include "store/Library.h"
#include "store/RecordSet.h"

class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class QAction;
class QThread;
class QWindow;
class frmInstructions;
class PanelEdit;

namespace platform {
class PlatformServices;
}
namespace maintenance {
struct Words;
}

// The main window: a category list, an item list, three text panels that save
// when they lose the focus, the menus that maintain the library, and the
// tidy-up of the library when the window closes.
//
// Its member functions live in the file of the subsystem they belong to:
//   layout.cpp                 controls, menus, and the wiring of every event
//   startup.cpp                start-up and shut-down
//   selection.cpp              choosing a category and an item
//   maintenance/*.cpp          adding, renaming and deleting
//   panels/*.cpp               saving panel text, panel menus, printing
//   instructions.cpp           opening the instructions window
//   backup.cpp                 the daily backup copy of the library
class frmSnibbet : public QMainWindow {
    Q_OBJECT

public:
    frmSnibbet(store::Library library, platform::PlatformServices& services);
    ~frmSnibbet() override;

    // ---- Controls, in the order they are built (layout.cpp) ----------------
    QComboBox* cboItems = nullptr;
    QComboBox* cboCategory = nullptr;
    PanelEdit* rTxtNotes = nullptr;
    PanelEdit* rTxtDeclares = nullptr;
    PanelEdit* rTxtCode = nullptr;
    QPushButton* cmdExit = nullptr;
    std::array<QLabel*, 5> lblStatic{};  // "Code:", "Notes:", "API and DLL Declarations:",
                                         // "Category:", "Item:"

    // ---- Menus: three on the bar, three that only open over a panel --------
    QMenu* mnuCategory = nullptr;
    QAction* mnuAddCat = nullptr;
    QAction* mnuDeleteCat = nullptr;
    QAction* mnuRenameCat = nullptr;
    QMenu* mnuItems = nullptr;
    QAction* mnuAddItem = nullptr;
    QAction* mnuDeleteItem = nullptr;
    QAction* mnuRenameItem = nullptr;
    QMenu* mnuCode = nullptr;
    QMenu* mnuDeclares = nullptr;
    QMenu* mnuNotes = nullptr;
    QAction* mnuInstructions = nullptr;

    // One text panel with what goes with it: its field of Items, its context
    // menu with the menu's entries, and the word of its print advisory.
    struct Panel {
        PanelEdit* box = nullptr;
        store::Field field = store::Field::Code;
        QMenu* menu = nullptr;
        QAction* cut = nullptr;
        QAction* copy = nullptr;
        QAction* paste = nullptr;
        QAction* print = nullptr;
        QAction* clearAll = nullptr;
        QString linesWord;  // "code" or "text"
    };
    std::array<Panel, 3> panels;  // code, declarations, notes

    // ---- The library ----------------------------------------------------------
    store::Library dbLibrary;
    store::DataSource datCategory;
    store::DataSource datItems;

    // ---- Start-up and shut-down (startup.cpp) -------------------------------
    // The user is told what happens, or nobody is left to tell (the session
    // is ending, or Snibbet was told to stop).
    enum class Telling { User, Quietly };
    void Form_Load();
    void Form_Activate();
    void Form_Unload(Telling telling = Telling::User);
    void cmdExit_Click();

    // ---- Choosing a category and an item (selection.cpp) --------------------
    void PopCatList();
    void PopItemsList();
    void FindItems();
    void cboCategory_Click();
    void cboItems_Click();
    bool findCurrentItem();

    // ---- Library maintenance (maintenance/) ---------------------------------
    // Each command is one routine over categories or items.
    enum class Level { Category, Item };
    void mnuAddCat_Click() { addName(Level::Category); }
    void mnuAddItem_Click() { addName(Level::Item); }
    void mnuRenameCat_Click() { renameName(Level::Category); }
    void mnuRenameItem_Click() { renameName(Level::Item); }
    void mnuDeleteCat_Click() { deleteName(Level::Category); }
    void mnuDeleteItem_Click() { deleteName(Level::Item); }

    // ---- Text panels (panels/): rTxtCode_LostFocus and its twins, ... ------
    bool isSavePoint(Qt::FocusReason reason) const;
    // Where a panel's text went, or why no item took it: no item named, none
    // of that name in the category, or an Item list that shows the items of
    // another category than the Category list names.
    enum class PanelSave { Saved, NoSelection, NoSuchItem, ListsOutOfStep };
    PanelSave savePanel(Panel& panel);
    void Panel_LostFocus(Panel& panel);
    // Before the program ends, however it ends.
    void savePanelsBeforeEnd(Telling telling);
    // Typing that no item took is kept where it survives: before a choice from
    // the lists shows other texts, and when an error ends the program.
    void keepTypingBeforePanelsChange();
    QString keepTypingInFiles();
    void Panel_MouseUp(Panel& panel, Qt::MouseButton button);
    void mnuPanelCut_Click(Panel& panel);
    void mnuPanelCopy_Click(Panel& panel);
    void mnuPanelPaste_Click(Panel& panel);
    void mnuPanelClear_Click(Panel& panel);
    void mnuPanelPrint_Click(Panel& panel);

    // ---- A dated copy of the library, at most once a day (backup.cpp) -------
    void startBackup();
    void waitForBackup();

    // ---- Instructions (instructions.cpp) -------------------------------------
    void mnuInstructions_Click();

    // Runs a handler; a failure of the library or the desktop is reported with
    // its number and text, and the program ends without the tidy-up.
    void guarded(const std::function<void()>& handler);
    void reportChangedElsewhere(const QString& text);

    platform::PlatformServices& services() { return services_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void wireEvents();
    void onFocusWindowChanged(QWindow* now);
    QString whyNotSaved(PanelSave outcome) const;
    bool saveOverAnotherProgramsText(Panel& panel, Telling telling);
    void tellItemChangedElsewhere(Panel& panel, const QString& text);
    void tellDiskFull(Panel& panel, const QString& text);
    void addName(Level level);
    void renameName(Level level);
    void deleteName(Level level);
    bool refuseDuplicate(Level level, const QString& name);
    QString current(Level level) const;
    static const maintenance::Words& words(Level level);
    void refillCategoryList();

    platform::PlatformServices& services_;
    QPointer<frmInstructions> instructions_;
    QThread* backup_ = nullptr;
    QPointer<QWindow> previousFocusWindow_;
    bool activatedOnce_ = false;
    bool unloaded_ = false;
    bool endedByError_ = false;
};

// Brings the program up on the library in `folder`: offers to create it when
// it is missing, reports it when it cannot be opened. Returns the shown main
// window, or nullptr when the program should end.
frmSnibbet* startSnibbet(const QString& folder, platform::PlatformServices& services);

// The words of an error as the message box shows them: while Snibbet works
// (with where the changes saved so far are, when they are not simply in the
// library), and when it could not start.
QString errorReport(int number, const QString& text, const QString& changesKept = {});
QString startupErrorReport(int number, const QString& text);
