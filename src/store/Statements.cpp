#include "store/Statements.h"

#include <SQLiteCpp/Statement.h>

#include "store/Library.h"
#include "store/Transaction.h"
#include "store/engine/CategoryKeys.h"
#include "store/engine/Connection.h"
#include "store/engine/EngineErrors.h"
#include "store/engine/Sql.h"

namespace store {
namespace {

// Runs `sql`, whose leading placeholders take `leading` and whose trailing IN
// list takes the stored spellings of the category.
void runWithCategory(const Library& library, const QByteArray& sql, const QList<QString>& leading,
                     const QList<StoredValue>& spellings) {
    if (spellings.isEmpty()) return;
    SQLite::Statement statement(
        library.database(), (sql + " (" + sql::placeholders(spellings.size()) + ")").toStdString());
    int index = 1;
    for (const QString& value : leading) sql::bindText(statement, index++, value);
    for (const StoredValue& spelling : spellings) sql::bindValue(statement, index++, spelling);
    statement.exec();
}

template <typename Work>
void inOneTransaction(const Library& library, Work&& work) {
    Transaction transaction(library);
    translatingEngineErrors(work);
    transaction.commit();
}

}  // namespace

void renameCategory(const Library& library, const QString& oldName, const QString& newName) {
    inOneTransaction(library, [&] {
        SQLite::Statement categories(library.database(),
                                     "UPDATE Category SET Category = ? "
                                     "WHERE CAST(Category AS TEXT) = ? COLLATE NAMECASE");
        sql::bindText(categories, 1, newName);
        sql::bindText(categories, 2, oldName);
        categories.exec();
        runWithCategory(library, "UPDATE Items SET Category = ? WHERE Category IN", {newName},
                        storedCategorySpellings(library, oldName));
    });
}

void renameItem(const Library& library, const QString& category, const QString& oldName,
                const QString& newName) {
    inOneTransaction(library, [&] {
        runWithCategory(library,
                        "UPDATE Items SET ItemName = ? "
                        "WHERE CAST(ItemName AS TEXT) = ? COLLATE NAMECASE AND Category IN",
                        {newName, oldName}, storedCategorySpellings(library, category));
    });
}

void addPlaceholderItem(const Library& library, const QString& category) {
    inOneTransaction(library, [&] {
        SQLite::Statement insert(library.database(), "INSERT INTO Items (Category) VALUES (?)");
        sql::bindText(insert, 1, category);
        insert.exec();
    });
}

void deleteCategory(const Library& library, const QString& category) {
    inOneTransaction(library, [&] {
        runWithCategory(library, "DELETE FROM Items WHERE Category IN", {},
                        storedCategorySpellings(library, category));
        SQLite::Statement categories(library.database(),
                                     "DELETE FROM Category "
                                     "WHERE CAST(Category AS TEXT) = ? COLLATE NAMECASE");
        sql::bindText(categories, 1, category);
        categories.exec();
    });
}

void deleteItem(const Library& library, const QString& category, const QString& item) {
    inOneTransaction(library, [&] {
        runWithCategory(library,
                        "DELETE FROM Items "
                        "WHERE CAST(ItemName AS TEXT) = ? COLLATE NAMECASE AND Category IN",
                        {item}, storedCategorySpellings(library, category));
    });
}

}  // namespace store
