#include <QAction>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QWindow>
#include <algorithm>

#include "errors/Error.h"
#include "mainwindow/ComboLists.h"
#include "mainwindow/PanelEdit.h"
#include "mainwindow/Texts.h"
#include "mainwindow/frmSnibbet.h"
#include "platform/Fonts.h"
#include "platform/PlatformServices.h"
#include "platform/Twips.h"

namespace {

// The client area, in twips.
constexpr int kClientWidth = 8910;
constexpr int kClientHeight = 6090;

template <typename Control>
Control* place(Control* control, int left, int top, int width, int height) {
    control->setGeometry(platform::twips::toPixels(left, top, width, height));
    return control;
}

// A heading keeps its place; where the desktop's font is wider than the one
// the layout was drawn for, it grows to the right rather than clip its text.
QLabel* label(QWidget* parent, const QString& caption, int left, int top) {
    auto* l = place(new QLabel(parent), left, top, 1890, 255);
    l->setTextFormat(Qt::PlainText);
    l->setText(caption);
    l->setFont(fonts::formFont());
    l->resize(std::max(l->width(), l->sizeHint().width()), l->height());
    return l;
}

}  // namespace

frmSnibbet::frmSnibbet(store::Library library, platform::PlatformServices& services)
    : dbLibrary(std::move(library)),
      datCategory(dbLibrary, store::RecordSource::wholeTable(store::Table::Category)),
      datItems(dbLibrary, store::RecordSource::wholeTable(store::Table::Items)),
      services_(services) {
    setObjectName(QStringLiteral("frmSnibbet"));
    setWindowTitle(texts::kProgramTitle);
    setWindowIcon(QIcon(QStringLiteral(":/snibbet.xpm")));
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    buildMenus();
    wireEvents();
    // The client area below the menu bar has the layout's size.
    resize(platform::twips::toPixels(kClientWidth),
           platform::twips::toPixels(kClientHeight) + menuBar()->sizeHint().height());
}

frmSnibbet::~frmSnibbet() {
    waitForBackup();
}

// Controls at fixed places: the window has no layout, so enlarging it only
// shows more background.
void frmSnibbet::buildControls() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setMinimumSize(platform::twips::toPixels(kClientWidth),
                           platform::twips::toPixels(kClientHeight));
    setCentralWidget(client);
    setFont(fonts::formFont());

    // Editable from birth, so that each list's edit field follows it in the
    // focus chain and Tab leaves the category list for the item list.
    cboItems = place(combolists::create(client), 3120, 855, 2925, 315);
    cboCategory = place(combolists::create(client), 120, 855, 2925, 315);
    rTxtNotes = place(new PanelEdit(client), 6285, 1485, 2550, 3045);
    rTxtDeclares = place(new PanelEdit(client), 105, 4755, 8715, 1275);
    rTxtCode = place(new PanelEdit(client), 105, 1500, 6075, 3030);
    cmdExit = place(new QPushButton(QStringLiteral("Exit"), client), 150, 15, 735, 495);
    lblStatic[4] = label(client, QStringLiteral("Item:"), 3135, 600);
    lblStatic[3] = label(client, QStringLiteral("Category:"), 120, 600);
    lblStatic[2] = label(client, QStringLiteral("API and DLL Declarations:"), 120, 4545);
    lblStatic[1] = label(client, QStringLiteral("Notes:"), 6270, 1290);
    lblStatic[0] = label(client, QStringLiteral("Code:"), 135, 1290);

    const struct {
        QWidget* control;
        const char* name;
        const char* accessibleName;
    } names[] = {
        {cboItems, "cboItems", "Item"},
        {cboCategory, "cboCategory", "Category"},
        {rTxtNotes, "rTxtNotes", "Notes"},
        {rTxtDeclares, "rTxtDeclares", "API and DLL Declarations"},
        {rTxtCode, "rTxtCode", "Code"},
        {cmdExit, "cmdExit", "Exit"},
    };
    for (const auto& n : names) {
        n.control->setObjectName(QLatin1String(n.name));
        n.control->setAccessibleName(QLatin1String(n.accessibleName));
    }
    for (int i = 0; i < 5; ++i) lblStatic[i]->setObjectName(QStringLiteral("lblStatic%1").arg(i));
    lblStatic[4]->setBuddy(cboItems);
    lblStatic[3]->setBuddy(cboCategory);

    rTxtNotes->setLineWrapMode(QTextEdit::WidgetWidth);

    for (QComboBox* list : {cboCategory, cboItems}) list->setFont(fonts::formFont());

    cmdExit->setFont(fonts::formFont());
    QPalette grey = cmdExit->palette();
    grey.setColor(QPalette::Button, QColor(192, 192, 192));
    cmdExit->setPalette(grey);
    cmdExit->setAutoFillBackground(true);

    // Tab order: Exit, the code, declarations and notes panels, then the
    // category and item lists (the labels take no focus).
    setTabOrder(cmdExit, rTxtCode);
    setTabOrder(rTxtCode, rTxtDeclares);
    setTabOrder(rTxtDeclares, rTxtNotes);
    setTabOrder(rTxtNotes, cboCategory);
    setTabOrder(cboCategory, cboItems);
}

// Every menu entry is made here, once: its menu, its name, its caption and its
// handler, which it reaches only through the guard.
void frmSnibbet::buildMenus() {
    const auto entry = [this](QMenu* menu, const QString& name, const QString& caption,
                              const std::function<void()>& handler) {
        // "Instructions" runs at once: an action on the bar, not a menu.
        QAction* action = menu ? menu->addAction(caption) : menuBar()->addAction(caption);
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, [this, handler] { guarded(handler); });
        return action;
    };
    const auto barMenu = [this](const char* name, const char* caption) {
        QMenu* menu = menuBar()->addMenu(QLatin1String(caption));
        menu->setObjectName(QLatin1String(name));
        return menu;
    };

    mnuCategory = barMenu("mnuCategory", "Categories");
    mnuItems = barMenu("mnuItems", "Items");
    const struct {
        QMenu* menu;
        QAction** action;
        const char* name;
        const char* caption;
        void (frmSnibbet::*handler)();
    } entries[] = {
        {mnuCategory, &mnuAddCat, "mnuAddCat", "Add", &frmSnibbet::mnuAddCat_Click},
        {mnuCategory, &mnuDeleteCat, "mnuDeleteCat", "Delete", &frmSnibbet::mnuDeleteCat_Click},
        {mnuCategory, &mnuRenameCat, "mnuRenameCat", "Rename", &frmSnibbet::mnuRenameCat_Click},
        {mnuItems, &mnuAddItem, "mnuAddItem", "Add", &frmSnibbet::mnuAddItem_Click},
        {mnuItems, &mnuDeleteItem, "mnuDeleteItem", "Delete", &frmSnibbet::mnuDeleteItem_Click},
        {mnuItems, &mnuRenameItem, "mnuRenameItem", "Rename", &frmSnibbet::mnuRenameItem_Click},
        {nullptr, &mnuInstructions, "mnuInstructions", "Instructions",
         &frmSnibbet::mnuInstructions_Click},
    };
    for (const auto& e : entries)
        *e.action = entry(e.menu, QLatin1String(e.name), QLatin1String(e.caption),
                          [this, handler = e.handler] { (this->*handler)(); });

    // The panels' menus belong to the window but never stand on the bar.
    const struct {
        QMenu** menu;
        const char* name;
        const char* caption;
        PanelEdit* box;
        store::Field field;
        const char* linesWord;
    } panelMenus[] = {
        {&mnuCode, "mnuCode", "Code", rTxtCode, store::Field::Code, "code"},
        {&mnuDeclares, "mnuDeclares", "Declares", rTxtDeclares, store::Field::Declares, "code"},
        {&mnuNotes, "mnuNotes", "Notes", rTxtNotes, store::Field::Notes, "text"},
    };
    const struct {
        QAction* Panel::*action;
        const char* name;
        const char* caption;
        void (frmSnibbet::*handler)(Panel&);
    } panelEntries[] = {
        {&Panel::cut, "Cut", "Cut", &frmSnibbet::mnuPanelCut_Click},
        {&Panel::copy, "Copy", "Copy", &frmSnibbet::mnuPanelCopy_Click},
        {&Panel::paste, "Paste", "Paste", &frmSnibbet::mnuPanelPaste_Click},
        {&Panel::print, "Print", "Print", &frmSnibbet::mnuPanelPrint_Click},
        {&Panel::clearAll, "Clear", "Clear All", &frmSnibbet::mnuPanelClear_Click},
    };
    for (int i = 0; i < 3; ++i) {
        const auto& m = panelMenus[i];
        Panel& panel = panels[i];
        panel.box = m.box;
        panel.field = m.field;
        panel.linesWord = QLatin1String(m.linesWord);
        panel.menu = *m.menu = new QMenu(QLatin1String(m.caption), this);
        panel.menu->setObjectName(QLatin1String(m.name));
        for (const auto& e : panelEntries)
            panel.*e.action = entry(
                panel.menu, QLatin1String(m.name) + QLatin1String(e.name), QLatin1String(e.caption),
                [this, &panel, handler = e.handler] { (this->*handler)(panel); });
    }
}

// Every other event of the window reaches its handler here, and only through
// the guard.
void frmSnibbet::wireEvents() {
    const auto wire = [this](auto* sender, auto signal, const std::function<void()>& handler) {
        connect(sender, signal, this, [this, handler] { guarded(handler); });
    };
    wire(cmdExit, &QPushButton::clicked, [this] { cmdExit_Click(); });
    wire(cboCategory, &QComboBox::activated, [this] { cboCategory_Click(); });
    wire(cboItems, &QComboBox::activated, [this] { cboItems_Click(); });
    for (Panel& panel : panels) {
        Panel* p = &panel;
        connect(p->box, &PanelEdit::focusLost, this, [this, p](Qt::FocusReason reason) {
            if (isSavePoint(reason)) guarded([this, p] { Panel_LostFocus(*p); });
        });
        connect(p->box, &PanelEdit::mouseReleased, this, [this, p](Qt::MouseButton button) {
            guarded([this, p, button] { Panel_MouseUp(*p, button); });
        });
    }
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &frmSnibbet::onFocusWindowChanged);
    // The session manager asks for the user's work before the session ends,
    // which may still be called off: the typing is saved, the window stays.
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this,
            [this] { guarded([this] { savePanelsBeforeEnd(Telling::Quietly); }); });
    // The program ends without the window having been closed (the session
    // ended, or Snibbet was told to stop): the same unload as a close, without
    // a word.
    connect(qApp, &QCoreApplication::aboutToQuit, this,
            [this] { guarded([this] { Form_Unload(Telling::Quietly); }); });
}

// After an error the program ends: the user learns what happened, that what
// was saved stays saved, and the number to quote when asking for help.
QString errorReport(int number, const QString& text, const QString& changesKept) {
    if (changesKept.isEmpty())
        return QStringLiteral(
                   "%1\n\nSnibbet will now close; every change saved before this is kept.\n\n"
                   "(Error %2)")
            .arg(text)
            .arg(number);
    return QStringLiteral("%1\n\nSnibbet will now close. %2\n\n(Error %3)")
        .arg(text, changesKept)
        .arg(number);
}

// A start that fails has changed nothing yet, so it speaks only of the start.
QString startupErrorReport(int number, const QString& text) {
    return QStringLiteral("%1\n\nSnibbet could not start.\n\n(Error %2)").arg(text).arg(number);
}

void frmSnibbet::guarded(const std::function<void()>& handler) {
    if (endedByError_) return;
    int number = 0;
    QString text;
    try {
        handler();
        return;
    } catch (const errors::Error& e) {
        if (e.number() == errors::RowChanged) return reportChangedElsewhere(e.text());
        number = e.number(), text = e.text();
    } catch (const std::exception& e) {
        number = errors::Unexpected,
        text = QStringLiteral("Snibbet met a problem it did not expect: %1")
                   .arg(QString::fromUtf8(e.what()));
    }
    // Nothing more runs on a library in an unknown state: not even the tidy-up.
    endedByError_ = true;
    const QString kept = keepTypingInFiles();
    // The changes of a library that went from its place are wherever Snibbet
    // could keep them, and the user is told where.
    const QString changes =
        number == errors::LibraryReplaced ? dbLibrary.keepChangesOfLostFile() : QString();
    services_.messageBox(errorReport(number, text, changes) +
                             (kept.isEmpty() ? QString() : QStringLiteral("\n\n") + kept),
                         texts::kProgramTitle);
    services_.endProgram(1);
}

// Another program moved or changed the rows the lists were read from. Nothing
// was written, and the program goes on: the data sources are read again, so
// that the next choice, and the next save of a panel, find the rows where they
// are now.
void frmSnibbet::reportChangedElsewhere(const QString& text) {
    datCategory.Refresh();
    datItems.Refresh();
    services_.messageBox(
        text + QStringLiteral("\n\nSnibbet has read the library again. Any text you typed is "
                              "still in its panel: click into the panel and out of it again "
                              "to save it into the item named in the Item list. To see the "
                              "library as it is now, choose the category again."),
        texts::kProgramTitle);
}
