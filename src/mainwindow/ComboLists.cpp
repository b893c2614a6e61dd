#include "mainwindow/ComboLists.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <limits>

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
    // A name is shown and used whole, however long (the field's default
    // would cut it at 32,767 characters).
    list->lineEdit()->setMaxLength(std::numeric_limits<int>::max());
    // When its edit field loses the focus or takes Return, QComboBox picks the
    // entry spelled exactly like the typed text and reports it as activated.
    // A name typed and then left would then act as a choice (panels emptied,
    // item list refilled), and only when its letter case matched an entry.
    QObject::disconnect(list->lineEdit(), &QLineEdit::editingFinished, list, nullptr);
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
