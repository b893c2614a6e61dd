#include "librarytool/WordMatch.h"

#include <string.h>

#include <algorithm>

#include "store/NameCompare.h"

namespace librarytool {
namespace {

qsizetype indexIn(QByteArrayView haystack, const QByteArray& needle, qsizetype from) {
    const void* found =
        ::memmem(haystack.data() + from, static_cast<size_t>(haystack.size() - from),
                 needle.constData(), static_cast<size_t>(needle.size()));
    return found ? static_cast<const char*>(found) - haystack.data() : -1;
}

}  // namespace

Words::Words(const QStringList& words) {
    for (const QString& word : words) folded_ << store::foldCase(word.toUtf8());
}

qsizetype Words::markFound(QByteArrayView text, std::vector<char>& found) {
    store::foldCase(text, scratch_);
    qsizetype marked = 0;
    for (qsizetype i = 0; i < folded_.size(); ++i) {
        if (found[static_cast<size_t>(i)] || indexIn(scratch_, folded_[i], 0) < 0) continue;
        found[static_cast<size_t>(i)] = 1;
        ++marked;
    }
    return marked;
}

QList<ByteRange> Words::places(QByteArrayView text) const {
    QByteArray fold;
    QList<qsizetype> origins;
    store::foldCase(text, fold, &origins);
    QList<ByteRange> ranges;
    for (const QByteArray& word : folded_)
        for (qsizetype at = indexIn(fold, word, 0); at >= 0;
             at = indexIn(fold, word, at + word.size()))
            ranges.append({origins[at], origins[at + word.size()]});
    std::sort(ranges.begin(), ranges.end(),
              [](const ByteRange& a, const ByteRange& b) { return a.from < b.from; });
    QList<ByteRange> joined;
    for (const ByteRange& range : ranges) {
        if (!joined.isEmpty() && range.from <= joined.last().to)
            joined.last().to = std::max(joined.last().to, range.to);
        else
            joined.append(range);
    }
    return joined;
}

}  // namespace librarytool
