#include "store/CategoryKeys.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

#include "store/Library.h"
#include "store/NameCompare.h"
#include "store/Sql.h"

namespace store {

QList<QByteArray> storedCategorySpellings(const Library& library, const QString& category) {
    const QByteArray wanted = category.toUtf8();
    QList<QByteArray> spellings;
    // Walks the distinct category values of the index, one seek per value.
    SQLite::Statement first(library.database(),
                            "SELECT Category FROM Items WHERE Category IS NOT NULL "
                            "ORDER BY Category LIMIT 1");
    SQLite::Statement next(library.database(),
                           "SELECT Category FROM Items WHERE Category > ? "
                           "ORDER BY Category LIMIT 1");
    if (!first.executeStep()) return spellings;
    QByteArray value = sql::columnUtf8(first, 0);
    for (;;) {
        if (compareNames(value, wanted) == 0) spellings << value;
        next.reset();
        sql::bindText(next, 1, value);
        if (!next.executeStep()) break;
        value = sql::columnUtf8(next, 0);
    }
    return spellings;
}

}  // namespace store
