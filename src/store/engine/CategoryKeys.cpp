#include "store/engine/CategoryKeys.h"

#include <SQLiteCpp/Statement.h>

#include "store/Library.h"
#include "store/NameCompare.h"
#include "store/StoredText.h"
#include "store/engine/Connection.h"

namespace store {
namespace {

void keepIfSpelling(QList<StoredValue>& spellings, const StoredValue& value,
                    const QByteArray& wanted) {
    if (compareNames(value.utf8, wanted) == 0) spellings << value;
}

// Every distinct value, read from the whole index: the slow way, for a file
// whose values do not order the way the quick walk below relies on.
QList<StoredValue> readingEveryValue(const Library& library, const QByteArray& wanted) {
    QList<StoredValue> spellings;
    SQLite::Statement all(library.database(),
                          "SELECT DISTINCT Category FROM Items WHERE Category IS NOT NULL");
    while (all.executeStep()) keepIfSpelling(spellings, sql::columnValue(all, 0), wanted);
    return spellings;
}

}  // namespace

QList<StoredValue> storedCategorySpellings(const Library& library, const QString& category) {
    const QByteArray wanted = storedFromText(category);
    QList<StoredValue> spellings;
    // Walks the distinct category values of the index, one seek per value.
    // Each value is bound back with its own type, so that a number or a BLOB
    // that another tool stored is passed like any text.
    SQLite::Statement first(library.database(),
                            "SELECT Category FROM Items WHERE Category IS NOT NULL "
                            "ORDER BY Category LIMIT 1");
    SQLite::Statement next(library.database(),
                           "SELECT Category FROM Items WHERE Category > ? "
                           "ORDER BY Category LIMIT 1");
    if (!first.executeStep()) return spellings;
    StoredValue value = sql::columnValue(first, 0);
    for (;;) {
        keepIfSpelling(spellings, value, wanted);
        next.reset();
        sql::bindValue(next, 1, value);
        if (!next.executeStep()) break;
        StoredValue following = sql::columnValue(next, 0);
        // A walk that does not move on would never end.
        if (following == value) return readingEveryValue(library, wanted);
        value = std::move(following);
    }
    return spellings;
}

}  // namespace store
