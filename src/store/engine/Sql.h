#pragma once

#include <QByteArray>
#include <QString>

#include "store/StoredValue.h"

namespace SQLite {
class Statement;
}

// Small helpers shared by the store's statements; names are always bound as
// parameters, never spliced into the statement.
namespace store::sql {

void bindText(SQLite::Statement& statement, int index, const QByteArray& utf8);
void bindText(SQLite::Statement& statement, int index, const QString& text);

// The column's value as UTF-8; a null reads as the empty text, a number as its
// text and a BLOB as its bytes.
QByteArray columnUtf8(SQLite::Statement& statement, int index);

StoredValue columnValue(SQLite::Statement& statement, int index);
void bindValue(SQLite::Statement& statement, int index, const StoredValue& value);

// "?, ?, ?" with one placeholder per value, for an IN list of bound values.
QByteArray placeholders(qsizetype count);

}  // namespace store::sql
