#include "mainwindow/ComboLists.h"

#include <QComboBox>
#include <QSignalBlocker>

namespace combolists {

QComboBox* create(QWidget* parent) {
    auto* list = new QComboBox(parent);
    list->setEditable(true);
    // Typing is no choice: no completion that picks an entry, and Return never
    // adds the typed text to the list.
    list->setCompleter(nullptr);
    list->setInsertPolicy(QComboBox::NoInsert);
    list->setDuplicatesEnabled(true);
    list->setMaxVisibleItems(20);
    return list;
}

void append(QComboBox& list, const QStringList& entries) {
    if (entries.isEmpty()) return;
    const QString text = list.currentText();
    const int current = list.currentIndex();
    const QSignalBlocker blocker(list);
    list.addItems(entries);
    list.setCurrentIndex(current);
    list.setEditText(text);
}

void empty(QComboBox& list) {
    list.clear();
    list.clearEditText();
}

}  // namespace combolists
