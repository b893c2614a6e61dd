#include "support/ChangeScript.h"

#include "store/Library.h"
#include "store/RecordSet.h"
#include "store/Statements.h"
#include "store/TidyUp.h"
#include "store/Transaction.h"

using namespace store;

QString ChangeScript::next(const Library& library, int index) {
    if (mix_ == Mix::Closes) {
        TidyUp::run(library);
        return QStringLiteral("tidy-up");
    }
    DataSource categories(library, RecordSource::wholeTable(Table::Category));
    const QStringList categoryNames = categories.Recordset().texts(Field::Category);
    const auto pick = [this](const QStringList& from) {
        return from.at(std::uniform_int_distribution<qsizetype>(0, from.size() - 1)(random_));
    };
    const int kind = std::uniform_int_distribution<int>(0, 99)(random_);
    if (categoryNames.isEmpty() || kind < 8) {
        // Adding is one unit, as the window makes it.
        Transaction unit(library);
        DataSource added(library, RecordSource::wholeTable(Table::Category));
        RecordSet& rs = added.Recordset();
        rs.AddNew();
        rs.Update();
        rs.MoveLast();
        rs.Edit();
        rs.setText(Field::Category, QStringLiteral("Category %1").arg(index));
        rs.Update();
        unit.commit();
        return QStringLiteral("add category");
    }
    const QString category = pick(categoryNames);
    DataSource items(library, RecordSource::itemsOf(category));
    const QStringList itemNames = items.Recordset().texts(Field::ItemName);
    if (kind < 60 && !itemNames.isEmpty()) {
        RecordSet& rs = items.Recordset();
        rs.FindFirst(Field::ItemName, pick(itemNames));
        rs.Edit();
        rs.setText(kind % 3 == 0   ? Field::Code
                   : kind % 3 == 1 ? Field::Declares
                                   : Field::Notes,
                   QStringLiteral("text of change %1 ").repeated(1 + index % 40));
        rs.Update();
        return QStringLiteral("save");
    }
    if (kind < 75) {
        Transaction unit(library);
        RecordSet& rs = items.Recordset();
        rs.AddNew();
        rs.Update();
        rs.MoveLast();
        rs.Edit();
        rs.setText(Field::Category, category);
        rs.setText(Field::ItemName, QStringLiteral("Item %1").arg(index));
        rs.Update();
        unit.commit();
        return QStringLiteral("add item");
    }
    if (kind < 82 && !itemNames.isEmpty()) {
        renameItem(library, category, pick(itemNames), QStringLiteral("Renamed %1").arg(index));
        return QStringLiteral("rename item");
    }
    if (kind < 86) {
        renameCategory(library, category, QStringLiteral("Renamed category %1").arg(index));
        return QStringLiteral("rename category");
    }
    if (kind < 92 && !itemNames.isEmpty()) {
        deleteItem(library, category, pick(itemNames));
        return QStringLiteral("delete item");
    }
    if (kind < 94) {
        deleteCategory(library, category);
        return QStringLiteral("delete category");
    }
    TidyUp::run(library);
    return QStringLiteral("tidy-up");
}
