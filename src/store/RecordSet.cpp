#include "store/RecordSet.h"

#include <SQLiteCpp/Statement.h>

#include <algorithm>

#include "store/Library.h"
#include "store/NameCompare.h"
#include "store/StoredText.h"
#include "store/engine/CategoryKeys.h"
#include "store/engine/Connection.h"
#include "store/engine/EngineErrors.h"
#include "store/engine/Schema.h"
#include "store/engine/Sql.h"
#include "store/engine/TextDigest.h"

namespace store {
namespace {

const char* columnName(Field field) {
    switch (field) {
        case Field::Category:
            return "Category";
        case Field::ItemName:
            return "ItemName";
        case Field::Code:
            return "Code";
        case Field::Declares:
            return "Declares";
        case Field::Notes:
            return "Notes";
    }
    return "";
}

void checkFieldOf(Table table, Field field) {
    if (table == Table::Category && field != Field::Category)
        throw errors::Error(errors::MissingField,
                            QStringLiteral("The table \"Category\" has no field \"%1\".")
                                .arg(QString::fromLatin1(columnName(field))));
}

errors::Error noCurrentRow() {
    return errors::Error(errors::NoCurrentRow,
                         QStringLiteral("There is no current row to read or change."));
}

errors::Error textChanged(Field field) {
    return errors::Error(errors::TextChanged,
                         QStringLiteral("Another program changed the field \"%1\" of the item "
                                        "while Snibbet showed it, so Snibbet wrote nothing into "
                                        "the library.")
                             .arg(QString::fromLatin1(columnName(field))));
}

errors::Error rowChanged() {
    return errors::Error(errors::RowChanged,
                         QStringLiteral("Another program changed the library while Snibbet had it "
                                        "open: the item is no longer stored where Snibbet read it, "
                                        "so Snibbet wrote nothing into the library."));
}

// The names of one row as `select` holds them after its row id: the category
// row's name, or an item's name and category. Consecutive items mostly share
// their category, whose text is then shared too.
RecordSet::Row rowFrom(SQLite::Statement& select, Table table, const RecordSet::Row* previous) {
    RecordSet::Row row;
    row.id = select.getColumn(0).getInt64();
    row.name = sql::columnValue(select, 1);
    if (table == Table::Items) {
        row.category = sql::columnValue(select, 2);
        if (previous && previous->category == row.category) row.category = previous->category;
    }
    return row;
}

// Binds the row id and the names a row was read with, from `index` on.
int bindRow(SQLite::Statement& statement, int index, const RecordSet::Row& row, Table table) {
    statement.bind(index++, static_cast<int64_t>(row.id));
    sql::bindValue(statement, index++, row.name);
    if (table == Table::Items) sql::bindValue(statement, index++, row.category);
    return index;
}

}  // namespace

RecordSource RecordSource::wholeTable(Table table) {
    RecordSource source;
    source.table_ = table;
    return source;
}

RecordSource RecordSource::itemsOf(const QString& category) {
    RecordSource source;
    source.table_ = Table::Items;
    source.filtered_ = true;
    source.category_ = category;
    return source;
}

RecordSet::RecordSet(const Library& library, RecordSource source)
    : library_(&library), source_(std::move(source)) {}

void RecordSet::invalidate() {
    readDigests_.clear();
    loaded_ = false;
    rows_.clear();
    position_ = 0;
    noMatch_ = false;
    pending_ = Pending::Nothing;
    pendingFields_.clear();
}

void RecordSet::ensureLoaded() {
    if (!loaded_) translatingEngineErrors([this] { load(); });
}

void RecordSet::load() {
    SQLite::Database& db = library_->database();
    QList<StoredValue> spellings;
    QByteArray query;
    if (source_.table() == Table::Category) {
        query = "SELECT rowid, Category FROM Category ORDER BY rowid";
    } else if (!source_.isCategoryFilter()) {
        // No ORDER BY: the engine may then read the small items index instead
        // of the table with its long texts; the rows are put in order below.
        query = "SELECT rowid, ItemName, Category FROM Items";
    } else {
        spellings = storedCategorySpellings(*library_, source_.category());
        if (!spellings.isEmpty())
            query = "SELECT rowid, ItemName, Category FROM Items WHERE Category IN (" +
                    sql::placeholders(spellings.size()) + ")";
    }
    rows_.clear();
    if (!query.isEmpty()) {
        SQLite::Statement select(db, query.toStdString());
        for (int i = 0; i < spellings.size(); ++i) sql::bindValue(select, i + 1, spellings[i]);
        while (select.executeStep())
            rows_.append(
                rowFrom(select, source_.table(), rows_.isEmpty() ? nullptr : &rows_.constLast()));
        std::sort(rows_.begin(), rows_.end(),
                  [](const Row& a, const Row& b) { return a.id < b.id; });
    }
    loaded_ = true;
    position_ = 0;
}

bool RecordSet::isBOF() {
    ensureLoaded();
    return rows_.isEmpty() || position_ < 0;
}

bool RecordSet::isEOF() {
    ensureLoaded();
    return rows_.isEmpty() || position_ >= rows_.size();
}

qsizetype RecordSet::count() {
    ensureLoaded();
    return rows_.size();
}

void RecordSet::MoveFirst() {
    ensureLoaded();
    position_ = 0;
}

void RecordSet::MoveNext() {
    ensureLoaded();
    if (position_ < rows_.size()) ++position_;
}

void RecordSet::MoveLast() {
    ensureLoaded();
    position_ = std::max<qsizetype>(0, rows_.size() - 1);
}

bool RecordSet::MoveTo(qsizetype position) {
    ensureLoaded();
    if (position < 0 || position >= rows_.size()) return false;
    position_ = position;
    return true;
}

Field RecordSet::nameField() const {
    return source_.table() == Table::Category ? Field::Category : Field::ItemName;
}

const RecordSet::Row& RecordSet::currentRow() {
    if (isBOF() || isEOF()) throw noCurrentRow();
    return rows_[position_];
}

void RecordSet::FindFirst(Field field, const QString& value) {
    ensureLoaded();
    checkFieldOf(source_.table(), field);
    const QByteArray wanted = storedFromText(value);
    for (qsizetype i = 0; i < rows_.size(); ++i) {
        bool isNullValue = rows_[i].name.isNull();
        QByteArray candidate = rows_[i].name.utf8;
        if (field != nameField()) {
            const qsizetype saved = position_;
            position_ = i;
            isNullValue = isNull(field);
            candidate = storedFromText(text(field));
            position_ = saved;
        }
        // A null equals nothing, as in SQL.
        if (!isNullValue && compareNames(candidate, wanted) == 0) {
            position_ = i;
            noMatch_ = false;
            return;
        }
    }
    noMatch_ = true;
}

// "WHERE rowid = ? AND <each name> IS ?": IS compares type and bytes exactly,
// nulls included, so only the very row that was read matches.
QByteArray RecordSet::rowCondition() const {
    QByteArray condition = " WHERE rowid = ? AND " + QByteArray(columnName(nameField())) + " IS ?";
    if (source_.table() == Table::Items) condition += " AND Category IS ?";
    return condition;
}

QString RecordSet::text(Field field) {
    checkFieldOf(source_.table(), field);
    const Row& row = currentRow();
    if (field == nameField()) return textFromStored(row.name.utf8);
    if (field == Field::Category) return textFromStored(row.category.utf8);
    return translatingEngineErrors([&] {
        const QByteArray column = columnName(field);
        SQLite::Statement select(library_->database(),
                                 "SELECT " + column + ", TEXTDIGEST(" + column + ") FROM " +
                                     tableName(source_.table()) + rowCondition());
        bindRow(select, 1, row, source_.table());
        if (!select.executeStep()) throw rowChanged();
        readDigests_.insert({row.id, field}, select.getColumn(1).getInt64());
        return textFromStored(sql::columnUtf8(select, 0));
    });
}

QStringList RecordSet::texts(Field field) {
    QStringList texts;
    if (isBOF() && isEOF()) return texts;
    texts.reserve(count());
    for (MoveFirst(); !isEOF(); MoveNext()) texts << text(field);
    return texts;
}

bool RecordSet::isNull(Field field) {
    checkFieldOf(source_.table(), field);
    const Row& row = currentRow();
    if (field == nameField()) return row.name.isNull();
    if (field == Field::Category) return row.category.isNull();
    return translatingEngineErrors([&] {
        SQLite::Statement select(library_->database(),
                                 QByteArray("SELECT ") + columnName(field) + " IS NULL FROM " +
                                     tableName(source_.table()) + rowCondition());
        bindRow(select, 1, row, source_.table());
        if (!select.executeStep()) throw rowChanged();
        return select.getColumn(0).getInt() != 0;
    });
}

void RecordSet::AddNew() {
    ensureLoaded();
    pending_ = Pending::AddNew;
    pendingFields_.clear();
}

void RecordSet::Edit() {
    currentRow();
    pending_ = Pending::Edit;
    pendingFields_.clear();
}

void RecordSet::setText(Field field, const QString& value) {
    checkFieldOf(source_.table(), field);
    if (pending_ == Pending::Nothing)
        throw errors::Error(errors::NoCurrentRow,
                            QStringLiteral("A field was set without Edit or AddNew first."));
    pendingFields_.append({field, value});
}

RecordSet::Row RecordSet::readRow(qint64 id) {
    SQLite::Statement select(library_->database(),
                             QByteArray("SELECT rowid, ") + columnName(nameField()) +
                                 (source_.table() == Table::Items ? ", Category" : "") + " FROM " +
                                 tableName(source_.table()) + " WHERE rowid = ?");
    select.bind(1, static_cast<int64_t>(id));
    if (!select.executeStep()) throw rowChanged();
    return rowFrom(select, source_.table(), nullptr);
}

void RecordSet::Update() {
    if (pending_ == Pending::Nothing)
        throw errors::Error(errors::NoCurrentRow,
                            QStringLiteral("Update was called without Edit or AddNew."));
    const Pending what = std::exchange(pending_, Pending::Nothing);
    const auto fields = std::exchange(pendingFields_, {});
    library_->checkStillInPlace();
    translatingEngineErrors([&] {
        SQLite::Database& db = library_->database();
        QByteArray columns;
        for (const auto& [field, value] : fields)
            columns += QByteArray(columns.isEmpty() ? "" : ", ") + columnName(field);
        const QByteArray table = tableName(source_.table());
        if (what == Pending::AddNew) {
            const QByteArray insert = fields.isEmpty()
                                          ? "INSERT INTO " + table + " DEFAULT VALUES"
                                          : "INSERT INTO " + table + " (" + columns + ") VALUES (" +
                                                sql::placeholders(fields.size()) + ")";
            SQLite::Statement statement(db, insert.toStdString());
            for (int i = 0; i < fields.size(); ++i)
                sql::bindText(statement, i + 1, fields[i].second);
            statement.exec();
            rows_.append(readRow(db.getLastInsertRowid()));
            return;
        }
        if (fields.isEmpty()) return;
        const Row& row = currentRow();
        QByteArray update = "UPDATE " + table + " SET ";
        for (int i = 0; i < fields.size(); ++i)
            update += QByteArray(i == 0 ? "" : ", ") + columnName(fields[i].first) + " = ?";
        // A text read before is written over only while it still holds what
        // was read.
        QByteArray unchanged;
        QList<qint64> digests;
        for (const auto& [field, value] : fields)
            if (const auto read = readDigests_.constFind({row.id, field});
                read != readDigests_.constEnd()) {
                unchanged += " AND TEXTDIGEST(" + QByteArray(columnName(field)) + ") IS ?";
                digests << *read;
            }
        SQLite::Statement statement(db, (update + rowCondition() + unchanged).toStdString());
        int index = 1;
        QList<QByteArray> written;
        for (const auto& [field, value] : fields) {
            written << storedFromText(value);
            sql::bindText(statement, index++, written.constLast());
        }
        index = bindRow(statement, index, row, source_.table());
        for (const qint64 digest : digests) statement.bind(index++, static_cast<int64_t>(digest));
        if (statement.exec() == 0) {
            SQLite::Statement still(db, ("SELECT 1 FROM " + table + rowCondition()).toStdString());
            bindRow(still, 1, row, source_.table());
            if (!still.executeStep()) throw rowChanged();
            for (const auto& [field, value] : fields)
                if (readDigests_.contains({row.id, field})) throw textChanged(field);
            throw rowChanged();
        }
        for (qsizetype i = 0; i < fields.size(); ++i)
            if (fields[i].first != nameField() && fields[i].first != Field::Category)
                readDigests_.insert({row.id, fields[i].first}, textDigest(written[i]));
        rows_[position_] = readRow(row.id);
    });
}

DataSource::DataSource(const Library& library, RecordSource source)
    : recordset_(library, std::move(source)) {}

void DataSource::setRecordSource(RecordSource source) {
    recordset_.source_ = std::move(source);
}

void DataSource::Refresh() {
    recordset_.invalidate();
}

}  // namespace store
