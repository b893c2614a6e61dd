#include "store/RowMoves.h"

#include <algorithm>

namespace store {
namespace {

// New row ids stay above this, and far below SQLite's largest row id, past
// which the engine would start to choose ids for new rows at random.
constexpr qint64 kLowestBound = 0;
constexpr qint64 kHighestId = qint64(1) << 62;

// Where a gap was used up, the rows around it are spaced out at least this
// far, so that the next rows put there find room again.
constexpr qint64 kSpacingAfterRespacing = kRowIdSpacing >> 6;

// Marks the longest run of rows, in stored order, whose names never fall
// (patience sorting: in a table that is nearly in order, almost every row
// costs one comparison). nullopt as soon as more than `limit` rows are sure
// to fall outside it.
std::optional<QList<bool>> rowsInOrder(qsizetype count, const CompareRows& compare,
                                       qsizetype limit) {
    QList<qsizetype> ends;  // ends[k]: last row of the best run of length k + 1 so far
    QList<qsizetype> previous(count, -1);
    for (qsizetype i = 0; i < count; ++i) {
        qsizetype length = ends.size();
        if (!ends.isEmpty() && compare(ends.last(), i) > 0)
            length = std::upper_bound(
                         ends.begin(), ends.end(), i,
                         [&](qsizetype row, qsizetype end) { return compare(row, end) < 0; }) -
                     ends.begin();
        if (length > 0) previous[i] = ends[length - 1];
        if (length == ends.size())
            ends.append(i);
        else
            ends[length] = i;
        if (i + 1 - ends.size() > limit) return std::nullopt;
    }
    QList<bool> stays(count, false);
    for (qsizetype k = ends.isEmpty() ? -1 : ends.last(); k >= 0; k = previous[k]) stays[k] = true;
    return stays;
}

// Gives `rows` (indices into `ids`, in their sorted order) ids strictly
// between `low` and `high`, evenly spread and at least `minStep` apart, never
// an id another row holds now. Because no new id is in use when the moves
// begin, they can be made in any order. `open`: no row comes after these, so
// they are simply given the rewrite's spacing.
bool spread(const QList<qint64>& ids, const QList<qsizetype>& rows, qint64 low, qint64 high,
            bool open, qint64 minStep, QList<qint64>& newIds) {
    // Ids this far out come only from other programs; they are left to the
    // rewrite, which keeps the arithmetic below in range.
    if (low <= -kHighestId || high > kHighestId || high <= low) return false;
    const qint64 count = rows.size();
    const qint64 step = open ? kRowIdSpacing : (high - low) / (count + 1);
    if (step < minStep || (open && low > high - step * (count + 1))) return false;
    const auto takenByAnother = [&](qint64 id, qsizetype row) {
        return id != ids[row] && std::binary_search(ids.begin(), ids.end(), id);
    };
    newIds.clear();
    qint64 last = low;
    for (qint64 k = 0; k < count; ++k) {
        qint64 id = std::max(last + 1, low + step * (k + 1));
        while (id < high && takenByAnother(id, rows[k])) ++id;
        if (id >= high) return false;
        newIds.append(id);
        last = id;
    }
    return true;
}

}  // namespace

std::optional<QList<RowMove>> planRowMoves(const QList<qint64>& ids, const CompareRows& compare,
                                           qsizetype limit) {
    const std::optional<QList<bool>> stays = rowsInOrder(ids.size(), compare, limit);
    if (!stays) return std::nullopt;
    QList<qsizetype> staying, moving;
    for (qsizetype i = 0; i < ids.size(); ++i) ((*stays)[i] ? staying : moving).append(i);
    if (moving.isEmpty()) return QList<RowMove>{};

    // The sorted order: by name, ties in the order of the row ids.
    const auto before = [&](qsizetype a, qsizetype b) {
        const int c = compare(a, b);
        return c != 0 ? c < 0 : a < b;
    };
    std::sort(moving.begin(), moving.end(), before);
    // The gap each moving row goes into: the number of staying rows before it.
    QList<qsizetype> gapOf(moving.size());
    for (qsizetype m = 0; m < moving.size(); ++m)
        gapOf[m] =
            std::upper_bound(staying.begin(), staying.end(), moving[m], before) - staying.begin();

    // Gap by gap, left to right. When a gap has no room, a window of staying
    // rows around it, growing each time, is spaced out together with it; a
    // window never reaches back into one already placed.
    QList<RowMove> moves;
    QList<qint64> newIds;
    QList<qsizetype> window;
    qsizetype next = 0;      // first moving row not yet placed
    qsizetype firstGap = 0;  // gaps before this one are placed
    while (next < moving.size()) {
        const qsizetype gap = gapOf[next];
        for (qsizetype widen = 0;; widen = widen == 0 ? 1 : widen * 2) {
            const qsizetype first = std::max(firstGap, gap - widen);
            const qsizetype last = std::min(staying.size(), gap + widen);
            window.clear();
            qsizetype m = next;
            for (qsizetype g = first; g <= last; ++g) {
                while (m < moving.size() && gapOf[m] == g) window.append(moving[m++]);
                if (g < last) window.append(staying[g]);
            }
            const qint64 low = first == 0 ? kLowestBound : ids[staying[first - 1]];
            const bool open = last == staying.size();
            const qint64 high = open ? kHighestId : ids[staying[last]];
            if (spread(ids, window, low, high, open, widen == 0 ? 1 : kSpacingAfterRespacing,
                       newIds)) {
                for (qsizetype w = 0; w < window.size(); ++w)
                    if (newIds[w] != ids[window[w]]) moves.append({ids[window[w]], newIds[w]});
                if (moves.size() > limit) return std::nullopt;
                next = m;
                firstGap = last + 1;
                break;
            }
            if (first == firstGap && last == staying.size()) return std::nullopt;
        }
    }
    return moves;
}

}  // namespace store
