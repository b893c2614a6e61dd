#pragma once

#include <QStringList>

class QComboBox;
class QWidget;

// The lists are editable combo boxes whose text is the current selection.
// Filling one must neither change that text nor choose an entry, which a
// QComboBox otherwise does with the first entry it is given.
namespace combolists {

QComboBox* create(QWidget* parent);
void append(QComboBox& list, const QStringList& entries);

// Empties a list and its text. QComboBox::clear() keeps a typed text when no
// entry was chosen, and that text would still read as the current selection.
void empty(QComboBox& list);

}  // namespace combolists
