#include "store/TidyUp.h"

#include <SQLiteCpp/Statement.h>

#include <QList>
#include <algorithm>
#include <exception>

#include "store/Library.h"
#include "store/NameCompare.h"
#include "store/Transaction.h"
#include "store/engine/Connection.h"
#include "store/engine/EngineErrors.h"
#include "store/engine/Sql.h"

namespace store {
namespace {

// The steps in their order. The scratch tables are emptied before use, so that
// rows an interrupted run may have left there never reach the library; the
// copies back are read in the scratch tables' stored order, which is the
// sorted order, so the rewritten tables store their rows sorted.
constexpr const char* kStatements[TidyUp::kSteps] = {
    "DELETE FROM Items WHERE ItemName IS NULL OR ItemName = ''",
    "DELETE FROM Category WHERE Category IS NULL OR Category = ''",
    "DELETE FROM TempCat",
    "DELETE FROM TempItems",
    "INSERT INTO TempCat (Category) "
    "SELECT Category FROM Category ORDER BY Category COLLATE NAMECASE",
    "INSERT INTO TempItems (Category, ItemName, Code, Declares, Notes) "
    "SELECT Category, ItemName, Code, Declares, Notes FROM Items "
    "ORDER BY Category COLLATE NAMECASE, ItemName COLLATE NAMECASE",
    "DELETE FROM Category",
    "DELETE FROM Items",
    "INSERT INTO Category (Category) SELECT Category FROM TempCat ORDER BY rowid",
    "INSERT INTO Items (Category, ItemName, Code, Declares, Notes) "
    "SELECT Category, ItemName, Code, Declares, Notes FROM TempItems ORDER BY rowid",
    "DELETE FROM TempCat",
    "DELETE FROM TempItems",
};

// One row as the sort of the tidy-up sees it.
struct SortKey {
    qint64 id = 0;
    bool firstIsNull = false;
    QByteArray first;
    QByteArray second;
};

// Reads (row id, key, name) of every row; false when a value is no text,
// since other tools may store numbers, whose order the check does not copy.
bool readKeys(const Library& library, const char* query, int keyColumns, QList<SortKey>& rows) {
    SQLite::Statement select(library.database(), query);
    while (select.executeStep()) {
        SortKey row;
        row.id = select.getColumn(0).getInt64();
        for (int c = 1; c <= keyColumns; ++c) {
            const SQLite::Column column = select.getColumn(c);
            if (!column.isText() && !(c == 1 && column.isNull())) return false;
        }
        row.firstIsNull = select.getColumn(1).isNull();
        row.first = sql::columnUtf8(select, 1);
        if (keyColumns == 2) row.second = sql::columnUtf8(select, 2);
        rows.append(row);
    }
    std::sort(rows.begin(), rows.end(),
              [](const SortKey& a, const SortKey& b) { return a.id < b.id; });
    return true;
}

int compareKeys(const SortKey& a, const SortKey& b) {
    if (a.firstIsNull != b.firstIsNull) return a.firstIsNull ? -1 : 1;
    if (const int c = compareNames(a.first, b.first)) return c;
    return compareNames(a.second, b.second);
}

// Stored in sorted order with row ids 1 to n, as the rewrite leaves a table.
bool inRewrittenOrder(const QList<SortKey>& rows) {
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (rows[i].id != i + 1) return false;
        if (i > 0 && compareKeys(rows[i - 1], rows[i]) > 0) return false;
    }
    return true;
}

}  // namespace

bool TidyUp::isTidy(const Library& library) {
    return translatingEngineErrors([&] {
        SQLite::Database& db = library.database();
        if (db.execAndGet(
                  "SELECT EXISTS (SELECT 1 FROM TempCat) OR EXISTS (SELECT 1 FROM TempItems) OR "
                  "EXISTS (SELECT 1 FROM Category WHERE Category IS NULL OR Category = '') OR "
                  "EXISTS (SELECT 1 FROM Items WHERE ItemName IS NULL OR ItemName = '')")
                .getInt())
            return false;
        QList<SortKey> categories, items;
        // The items are read from their index, which holds both names.
        return readKeys(library, "SELECT rowid, Category FROM Category", 1, categories) &&
               inRewrittenOrder(categories) &&
               readKeys(library, "SELECT rowid, Category, ItemName FROM Items", 2, items) &&
               inRewrittenOrder(items);
    });
}

const char* TidyUp::statement(int step) {
    return kStatements[step - 1];
}

bool TidyUp::run(const Library& library, Rewrite rewrite, const StepHook& beforeStep) noexcept {
    try {
        library.checkStillInPlace();
        if (rewrite == Rewrite::WhenNeeded && isTidy(library)) return true;
        Transaction transaction(library);
        for (int step = 1; step <= kSteps; ++step) {
            if (beforeStep) beforeStep(step);
            library.database().exec(statement(step));
        }
        transaction.commit();
        return true;
    } catch (const std::exception&) {
        return false;  // the transaction's destructor has rolled every step back
    }
}

}  // namespace store
