#pragma once

#include <QList>
#include <functional>
#include <optional>

namespace store {

// The lists show a table's rows in row id order, so a table is stored sorted
// when its row ids rise with its names. The rewrite at close numbers the rows
// this far apart, which leaves room to put a row between any two neighbours
// later without touching them.
inline constexpr qint64 kRowIdSpacing = qint64(1) << 20;

struct RowMove {
    qint64 from = 0;
    qint64 to = 0;
};

// Compares the names of rows i and j of the list given to planRowMoves:
// negative, zero or positive. Rows whose names tie keep their row ids' order.
using CompareRows = std::function<int(qsizetype i, qsizetype j)>;

// The new row ids that make the stored order of `ids` (ascending) the sorted
// order, moving as few rows as it can: the longest run of rows already in
// order stays where it is, and every other row goes into the gap between its
// sorted neighbours. Where a gap has no id left, the rows around it are
// spaced out again. nullopt when more than `limit` rows would move, which
// means that rewriting the whole table is cheaper.
std::optional<QList<RowMove>> planRowMoves(const QList<qint64>& ids, const CompareRows& compare,
                                           qsizetype limit);

}  // namespace store
