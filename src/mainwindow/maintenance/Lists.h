#pragma once

#include <QComboBox>

namespace maintenance {

// Empties a list, its text included. QComboBox::clear() keeps the text of an
// editable list when no entry is chosen (a name typed rather than picked), and
// that text would still read as the current category or item afterwards: the
// next item added would be filed under it.
inline void emptyList(QComboBox& list) {
    list.clear();
    list.clearEditText();
}

}  // namespace maintenance
