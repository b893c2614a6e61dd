#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

namespace store {

// Names are compared ignoring letter case for all of Unicode ("Ärger" equals
// "ärger"), by simple case folding of each code point. This one function is
// behind every name comparison: the SQL collation, the in-memory searches of
// the record sets and the sort of the tidy-up at close.
int compareNames(QByteArrayView utf8a, QByteArrayView utf8b);

bool namesEqual(const QString& a, const QString& b);

// The text with each code point, read as compareNames reads it, replaced by
// its case fold and written as UTF-8. Two names compare equal exactly when
// their folds are equal byte for byte, so a text holds a word ignoring case
// exactly when the text's fold holds the word's fold. `out` is replaced; with
// `origins`, origins[k] is the offset in `utf8` of the code point that byte k
// of `out` came from, and origins[out.size()] is utf8.size().
void foldCase(QByteArrayView utf8, QByteArray& out, QList<qsizetype>* origins = nullptr);
QByteArray foldCase(QByteArrayView utf8);

}  // namespace store
