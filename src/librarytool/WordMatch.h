#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QStringList>
#include <vector>

// The words a search looks for, found in texts ignoring letter case the way
// Snibbet compares names: a text holds a word when some stretch of it equals
// the word as names are compared (store::compareNames), which is when the
// text's case fold holds the word's.
namespace librarytool {

struct ByteRange {
    qsizetype from = 0;
    qsizetype to = 0;  // one past the last byte
};

class Words {
public:
    explicit Words(const QStringList& words);

    qsizetype count() const { return folded_.size(); }

    // Sets found[i] for each word i that `text` holds and that was not found
    // yet; returns how many it set.
    qsizetype markFound(QByteArrayView text, std::vector<char>& found);

    // Where any of the words stands in `text`, as ranges of its bytes, in
    // order; overlapping and touching ranges are joined.
    QList<ByteRange> places(QByteArrayView text) const;

private:
    QList<QByteArray> folded_;
    QByteArray scratch_;  // the fold of the text at hand
};

}  // namespace librarytool
