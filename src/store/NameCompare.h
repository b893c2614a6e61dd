#pragma once

#include <QByteArrayView>
#include <QString>

namespace store {

// Names are compared ignoring letter case for all of Unicode ("Ärger" equals
// "ärger"), by simple case folding of each code point. This one function is
// behind every name comparison: the SQL collation, the in-memory searches of
// the record sets and the sort of the tidy-up at close.
int compareNames(QByteArrayView utf8a, QByteArrayView utf8b);

bool namesEqual(const QString& a, const QString& b);

}  // namespace store
