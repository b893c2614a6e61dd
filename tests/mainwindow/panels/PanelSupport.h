#pragma once

#include <QComboBox>
#include <QLineEdit>
#include <QStringList>
#include <QTest>
#include <QTextCursor>

#include "mainwindow/PanelEdit.h"
#include "support/WindowFixture.h"

// What the panel tests share: a small library with one item chosen, and the
// user's ways of reaching and leaving a panel.
namespace panelsupport {

inline const QString kCaution =
    QStringLiteral("Please select a Category and a Code Item before you proceed.");

// The stored row of item `name`, with field `field` (0 code, 1 declarations,
// 2 notes) replaced by `value` when given.
inline QString row(const QString& name, int field = -1, const QString& value = {}) {
    QStringList texts{"code " + name, "decl " + name, "notes " + name};
    if (field >= 0) texts[field] = value;
    return QStringList{"Snippets", name, texts[0], texts[1], texts[2]}.join('|');
}

// Category "Snippets" with items "x" and "y"; "x" is chosen, so the panels
// show x's texts.
inline frmSnibbet& startOnX(WindowFixture& f) {
    f.lib.addCategory("Snippets");
    for (const QString name : {"x", "y"})
        f.lib.addItem("Snippets", name, "code " + name, "decl " + name, "notes " + name);
    frmSnibbet& w = f.start();
    f.chooseCategory("Snippets");
    f.chooseItem("x");
    return w;
}

// A click into the panel (it takes the focus), the caret then sent to the end.
inline void clickInto(PanelEdit* panel) {
    QTest::mouseClick(panel->viewport(), Qt::LeftButton);
    panel->moveCursor(QTextCursor::End);
}

// Ctrl+Tab: the keyboard's way out of a panel, where Tab types a tab.
inline void ctrlTab(QWidget* from) {
    QTest::keyClick(from, Qt::Key_Tab, Qt::ControlModifier);
}

// Replaces what a list's edit field shows, typed as a user types it.
inline void typeIntoList(QComboBox* list, const QString& text) {
    QTest::mouseClick(list->lineEdit(), Qt::LeftButton);
    QTest::keyClick(list->lineEdit(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(list->lineEdit(), Qt::Key_Delete);
    QTest::keyClicks(list->lineEdit(), text);
}

// Keystrokes sent by the program are queued; this lets them arrive.
inline void deliverQueuedKeys() {
    QTest::qWait(20);
}

}  // namespace panelsupport
