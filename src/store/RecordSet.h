#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <utility>

#include "store/StoredValue.h"

namespace store {

class Library;

enum class Table { Category, Items };
enum class Field { Category, ItemName, Code, Declares, Notes };

// What a data source selects: a whole table, or the items of one category
// (matched ignoring letter case).
class RecordSource {
public:
    static RecordSource wholeTable(Table table);
    static RecordSource itemsOf(const QString& category);

    Table table() const { return table_; }
    bool isCategoryFilter() const { return filtered_; }
    const QString& category() const { return category_; }

private:
    Table table_ = Table::Items;
    bool filtered_ = false;
    QString category_;
};

// A navigable, searchable, updatable set of rows in stored order. It holds the
// row id and the names of each row; the long texts are read from the file when
// they are asked for, so that a large library opens without reading them.
//
// Every read and write by row id also matches the names the set read: another
// program (the sqlite3 shell, or a second machine on a network share, where
// locks may not hold) may have moved rows since, and a row id alone would then
// lead to another item. Such a row is a errors::Error errors::RowChanged and nothing is
// read or written. A long text that the set has read is written over only
// while it is still the text read: one another program changed since is an
// errors::Error errors::TextChanged, and nothing is written.
class RecordSet {
public:
    // isBOF/isEOF: both true exactly when the set is empty. (EOF itself is a
    // macro of the C library, hence the prefix.)
    bool isBOF();
    bool isEOF();
    qsizetype count();

    void MoveFirst();
    void MoveNext();
    void MoveLast();
    // Makes the row at `position` (from 0, in stored order) current; false,
    // and the current row stays, when the set has no such row.
    bool MoveTo(qsizetype position);

    // Makes the first row whose field equals `value` (ignoring case) current;
    // when none does, NoMatch() is true and the current row stays.
    void FindFirst(Field field, const QString& value);
    bool NoMatch() const { return noMatch_; }

    // The current row's field as text; a null reads as the empty text.
    QString text(Field field);
    // Every row's field as text, in stored order; leaves the set past its end.
    QStringList texts(Field field);
    bool isNull(Field field);

    // AddNew + Update appends a row of the table's defaults (plus any fields
    // set in between) at the end of the set; the current row stays.
    void AddNew();
    // Edit + setText + Update stores the fields into the current row.
    void Edit();
    void setText(Field field, const QString& value);
    void Update();

    // What the set holds of each row: its row id, and its names exactly as
    // read, to match the row by when it is read or written again.
    struct Row {
        qint64 id = 0;
        StoredValue name;
        StoredValue category;  // of an item; unused for a category
    };

private:
    friend class DataSource;
    RecordSet(const Library& library, RecordSource source);

    enum class Pending { Nothing, Edit, AddNew };

    void invalidate();
    void ensureLoaded();
    void load();
    Field nameField() const;
    const Row& currentRow();
    Row readRow(qint64 id);
    QByteArray rowCondition() const;

    const Library* library_;
    RecordSource source_;
    bool loaded_ = false;
    QList<Row> rows_;
    qsizetype position_ = 0;
    bool noMatch_ = false;
    Pending pending_ = Pending::Nothing;
    QList<std::pair<Field, QString>> pendingFields_;
    // Of each long text read: its row and a digest of what it held.
    QMap<std::pair<qint64, Field>, qint64> readDigests_;
};

// A bound data source of the main window: a record source and the record set
// it yields. Refresh rebuilds the set from the file at its next use.
class DataSource {
public:
    DataSource(const Library& library, RecordSource source);

    void setRecordSource(RecordSource source);
    const RecordSource& recordSource() const { return recordset_.source_; }
    void Refresh();
    RecordSet& Recordset() { return recordset_; }

private:
    RecordSet recordset_;
};

}  // namespace store
