#include "store/TidyUp.h"

#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>

#include <QByteArray>
#include <QList>
#include <algorithm>
#include <exception>
#include <memory>

#include "store/Library.h"
#include "store/NameCompare.h"
#include "store/RowMoves.h"
#include "store/Transaction.h"
#include "store/engine/Connection.h"
#include "store/engine/EngineErrors.h"
#include "store/engine/Schema.h"
#include "store/engine/Sql.h"

namespace store {
namespace {

// The rewrite, step by step. The sorted copies go into the connection's
// temporary database rather than into TempCat and TempItems: the library file
// then never holds two copies of the items (it would double in size), and the
// log takes each page once. Copying back gives row ids kRowIdSpacing apart, in
// sorted order. The scratch tables are still emptied, so that rows an
// interrupted run of an older version left there never reach the library.
// Nobody reads the temporary copies again, so they are dropped without being
// overwritten with zeros first.
//
// Every column is copied, also those another tool added (%1 stands for the
// table's columns), and every name sorts by its text, also a number or a BLOB
// that another tool stored: the lists show it as its text. A name whose text
// is empty is no name.
constexpr const char* kStatements[TidyUp::kSteps] = {
    "DELETE FROM Items WHERE ItemName IS NULL OR CAST(ItemName AS TEXT) = ''",
    "DELETE FROM Category WHERE Category IS NULL OR CAST(Category AS TEXT) = ''",
    "DELETE FROM TempCat",
    "DELETE FROM TempItems",
    "PRAGMA temp.secure_delete = OFF",
    "CREATE TEMP TABLE SortedCat AS SELECT %1 FROM Category "
    "ORDER BY CAST(Category AS TEXT) COLLATE NAMECASE, rowid",
    "CREATE TEMP TABLE SortedItems AS SELECT %1 FROM Items "
    "ORDER BY CAST(Category AS TEXT) COLLATE NAMECASE, CAST(ItemName AS TEXT) COLLATE NAMECASE, "
    "rowid",
    "DELETE FROM Category",
    "DELETE FROM Items",
    "INSERT INTO Category (rowid, %1) SELECT rowid * 1048576, %1 FROM temp.SortedCat ORDER BY "
    "rowid",
    "INSERT INTO Items (rowid, %1) SELECT rowid * 1048576, %1 FROM temp.SortedItems ORDER BY rowid",
    "DROP TABLE temp.SortedCat",
    "DROP TABLE temp.SortedItems",
};
static_assert(kRowIdSpacing == 1048576, "the rewrite's statements space row ids this far");

// The columns of `table` as a statement names them, quoted. A column that is
// the row id under another name (an INTEGER PRIMARY KEY) takes its new value
// with the row id; generated columns are computed again.
QByteArray columnsOf(SQLite::Database& db, const char* table) {
    struct Column {
        QByteArray name;
        bool rowId;
    };
    QList<Column> columns;
    int keys = 0;
    SQLite::Statement info(db, "SELECT name, upper(type), pk FROM pragma_table_info(?)");
    info.bind(1, table);
    while (info.executeStep()) {
        const bool key = info.getColumn(2).getInt() > 0;
        keys += key;
        columns.append({sql::columnUtf8(info, 0), key && sql::columnUtf8(info, 1) == "INTEGER"});
    }
    QByteArray list;
    for (const Column& column : columns) {
        if (column.rowId && keys == 1) continue;
        QByteArray quoted = column.name;
        quoted.replace('"', "\"\"");
        list += (list.isEmpty() ? "\"" : ", \"") + quoted + '"';
    }
    return list;
}

// Up to a quarter of a table's rows are moved; past that the whole table is
// rewritten. At 100,000 items moving 25,000 rows scattered over the library
// took 1.6 s and the rewrite 4 to 6 s, but rows moved one by one leave the
// table's pages less full, and the rewrite packs them again.
constexpr qsizetype kMovesPerRewrite = 4;

// The file is compacted when free pages make up more than this share of it.
constexpr double kMostFreeShare = 0.1;

// The names of a table's rows in stored order, as the sort sees them: for
// items the category (which may be null) and the item's name, for categories
// the name alone.
class TableNames {
public:
    TableNames(const Library& library, Table table);

    const QList<qint64>& ids() const { return ids_; }
    const QList<qint64>& unnamed() const { return unnamed_; }
    int compare(qsizetype i, qsizetype j) const;

private:
    struct Row {
        qint64 id;
        bool firstIsNull;
        qsizetype first, firstLength, second, secondLength;
    };
    QByteArrayView view(qsizetype at, qsizetype length) const {
        return QByteArrayView(text_.constData() + at, length);
    }

    QList<Row> rows_;
    QList<qint64> ids_;
    QList<qint64> unnamed_;
    QByteArray text_;  // every name, one after the other
};

TableNames::TableNames(const Library& library, Table table) {
    const bool items = table == Table::Items;
    // Without ORDER BY the engine reads the items from their index, which
    // holds both names, instead of from the table with its long texts. The
    // loop reads each value once through the C interface: it runs for every
    // row of the library at every close.
    sqlite3* const db = library.database().getHandle();
    sqlite3_stmt* prepared = nullptr;
    const int prepareResult =
        sqlite3_prepare_v2(db,
                           items ? "SELECT rowid, Category, ItemName FROM Items"
                                 : "SELECT rowid, Category FROM Category",
                           -1, &prepared, nullptr);
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> select(prepared, sqlite3_finalize);
    if (prepareResult != SQLITE_OK) throw SQLite::Exception(db, prepareResult);
    sqlite3_stmt* const statement = prepared;
    const int nameColumn = items ? 2 : 1;
    // The index hands the items over category by category, so a category's
    // name is kept once for all its items.
    qsizetype lastFirst = -1, lastFirstLength = -1;
    // A name is read as its text, whatever its type (a number, a BLOB); the
    // type is asked first, as reading the text of a number changes it.
    const auto append = [&](int column, qsizetype& at, qsizetype& length) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
        length = sqlite3_column_bytes(statement, column);
        if (column == 1 && length == lastFirstLength &&
            QByteArrayView(text, length) == view(lastFirst, lastFirstLength)) {
            at = lastFirst;
            return;
        }
        at = text_.size();
        text_.append(text, length);
        if (column == 1) lastFirst = at, lastFirstLength = length;
    };
    for (;;) {
        const int stepResult = sqlite3_step(statement);
        if (stepResult == SQLITE_DONE) break;
        if (stepResult != SQLITE_ROW) throw SQLite::Exception(db, stepResult);
        const qint64 id = sqlite3_column_int64(statement, 0);
        const bool firstIsNull = sqlite3_column_type(statement, 1) == SQLITE_NULL;
        const bool nameIsNull = sqlite3_column_type(statement, nameColumn) == SQLITE_NULL;
        Row row{id, firstIsNull, 0, 0, 0, 0};
        if (items) {
            if (!nameIsNull) append(nameColumn, row.second, row.secondLength);
            if (nameIsNull || row.secondLength == 0) {
                unnamed_.append(id);
                continue;
            }
            append(1, row.first, row.firstLength);
        } else {
            if (!nameIsNull) append(1, row.first, row.firstLength);
            if (nameIsNull || row.firstLength == 0) {
                unnamed_.append(id);
                continue;
            }
        }
        rows_.append(row);
    }
    std::sort(rows_.begin(), rows_.end(), [](const Row& a, const Row& b) { return a.id < b.id; });
    ids_.reserve(rows_.size());
    for (const Row& row : rows_) ids_.append(row.id);
    std::sort(unnamed_.begin(), unnamed_.end());
}

// As ORDER BY Category COLLATE NAMECASE, ItemName COLLATE NAMECASE: a null
// category first, then the names as compareNames orders them.
int TableNames::compare(qsizetype i, qsizetype j) const {
    const Row& a = rows_[i];
    const Row& b = rows_[j];
    if (a.firstIsNull != b.firstIsNull) return a.firstIsNull ? -1 : 1;
    if (a.first != b.first)
        if (const int c = compareNames(view(a.first, a.firstLength), view(b.first, b.firstLength)))
            return c;
    return compareNames(view(a.second, a.secondLength), view(b.second, b.secondLength));
}

bool scratchTablesHoldRows(SQLite::Database& db) {
    return db.execAndGet(
                 "SELECT EXISTS (SELECT 1 FROM TempCat) OR EXISTS (SELECT 1 FROM TempItems)")
               .getInt() != 0;
}

std::optional<QList<RowMove>> planMoves(const TableNames& names, qsizetype limit) {
    return planRowMoves(
        names.ids(), [&](qsizetype i, qsizetype j) { return names.compare(i, j); }, limit);
}

void deleteRows(SQLite::Database& db, Table table, const QList<qint64>& ids) {
    SQLite::Statement remove(db,
                             std::string("DELETE FROM ") + tableName(table) + " WHERE rowid = ?");
    for (const qint64 id : ids) {
        remove.bind(1, static_cast<int64_t>(id));
        remove.exec();
        remove.reset();
    }
}

void moveRows(SQLite::Database& db, Table table, const QList<RowMove>& moves) {
    SQLite::Statement move(
        db, std::string("UPDATE ") + tableName(table) + " SET rowid = ? WHERE rowid = ?");
    for (const RowMove& m : moves) {
        move.bind(1, static_cast<int64_t>(m.to));
        move.bind(2, static_cast<int64_t>(m.from));
        move.exec();
        move.reset();
    }
}

// Tidies the library by deleting its unnamed rows and moving the rows that
// are out of place; false, with nothing changed, when the rewrite is needed.
bool tidyByMoving(const Library& library, const TidyUp::StepHook& beforeStep) {
    SQLite::Database& db = library.database();
    if (scratchTablesHoldRows(db)) return false;
    const TableNames categories(library, Table::Category);
    const TableNames items(library, Table::Items);
    // The category table is small: moving any number of its rows costs less
    // than rewriting the items with it.
    const auto categoryMoves = planMoves(categories, categories.ids().size());
    if (!categoryMoves) return false;
    const auto itemMoves = planMoves(items, items.ids().size() / kMovesPerRewrite);
    if (!itemMoves) return false;

    const auto step = [&](TidyUp::Step s) {
        if (beforeStep) beforeStep(s, 0);
    };
    if (!categories.unnamed().isEmpty() || !items.unnamed().isEmpty()) {
        step(TidyUp::Step::DeleteUnnamed);
        deleteRows(db, Table::Category, categories.unnamed());
        deleteRows(db, Table::Items, items.unnamed());
    }
    if (!categoryMoves->isEmpty()) {
        step(TidyUp::Step::MoveCategories);
        moveRows(db, Table::Category, *categoryMoves);
    }
    if (!itemMoves->isEmpty()) {
        step(TidyUp::Step::MoveItems);
        moveRows(db, Table::Items, *itemMoves);
    }
    return true;
}

void rewrite(const Library& library, const TidyUp::StepHook& beforeStep) {
    for (int step = 1; step <= TidyUp::kSteps; ++step) {
        const QByteArray sql = TidyUp::statement(library, step);
        if (beforeStep) beforeStep(TidyUp::Step::Rewrite, step);
        library.database().exec(sql.toStdString());
    }
}

int pragma(SQLite::Database& db, const char* name) {
    return db.execAndGet(std::string("PRAGMA ") + name).getInt();
}

constexpr int kIncrementalVacuum = 2;

// A library made by this version gives the pages it no longer uses back to
// the file system, inside the close's own transaction.
void giveBackFreePages(const Library& library, const TidyUp::StepHook& beforeStep) {
    SQLite::Database& db = library.database();
    if (pragma(db, "auto_vacuum") != kIncrementalVacuum || pragma(db, "freelist_count") == 0)
        return;
    if (beforeStep) beforeStep(TidyUp::Step::FreePages, 0);
    db.exec("PRAGMA incremental_vacuum");
}

// A library made by an older version cannot give pages back, and its first
// rewrite left it twice its size. Once free pages make up too much of such a
// file, it is copied afresh, and from then on it gives pages back at every
// close. The copy changes no row: a failure leaves the file as the tidy-up
// left it, larger, and the next close tries again.
void compactOlderFile(const Library& library, const TidyUp::StepHook& beforeStep) noexcept {
    try {
        SQLite::Database& db = library.database();
        if (pragma(db, "auto_vacuum") != 0) return;
        const int pages = pragma(db, "page_count");
        if (pragma(db, "freelist_count") <= kMostFreeShare * pages) return;
        if (beforeStep) beforeStep(TidyUp::Step::Compact, 0);
        db.exec("PRAGMA auto_vacuum = INCREMENTAL");
        db.exec("VACUUM");
    } catch (const std::exception&) {
    }
}

}  // namespace

bool TidyUp::isTidy(const Library& library) {
    return translatingEngineErrors([&] {
        if (scratchTablesHoldRows(library.database())) return false;
        for (const Table table : {Table::Category, Table::Items}) {
            const TableNames names(library, table);
            if (!names.unnamed().isEmpty()) return false;
            const auto moves = planMoves(names, 0);
            if (!moves || !moves->isEmpty()) return false;
        }
        return true;
    });
}

QByteArray TidyUp::statement(const Library& library, int step) {
    QByteArray sql = kStatements[step - 1];
    if (sql.contains("%1")) {
        const bool items = sql.contains("Items");
        sql.replace("%1", columnsOf(library.database(), items ? "Items" : "Category"));
    }
    return sql;
}

bool TidyUp::run(const Library& library, Rewrite rewriteAll, const StepHook& beforeStep) noexcept {
    try {
        library.checkStillInPlace();
        {
            // The names are read under the write lock, so that no other
            // program changes a row between reading it and moving it.
            Transaction transaction(library);
            translatingEngineErrors([&] {
                if (rewriteAll == Rewrite::Always || !tidyByMoving(library, beforeStep))
                    rewrite(library, beforeStep);
                giveBackFreePages(library, beforeStep);
            });
            transaction.commit();
        }
        compactOlderFile(library, beforeStep);
        return true;
    } catch (const std::exception&) {
        return false;  // the transaction's destructor has rolled every step back
    }
}

}  // namespace store
