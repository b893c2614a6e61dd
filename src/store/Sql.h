#pragma once

#include <QByteArray>
#include <QString>

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

// A value exactly as the file holds it. The sqlite3 shell and other tools may
// store a number or a BLOB where Snibbet writes text; such a value reads as
// its text, and bound again it matches only itself, never the text of the
// same spelling.
struct StoredValue {
    enum class Type { Null, Integer, Real, Text, Blob };
    Type type = Type::Null;
    QByteArray utf8;  // the value as text (see columnUtf8)
    qint64 integer = 0;
    double real = 0;

    bool isNull() const { return type == Type::Null; }
    bool operator==(const StoredValue& other) const;
};

StoredValue columnValue(SQLite::Statement& statement, int index);
void bindValue(SQLite::Statement& statement, int index, const StoredValue& value);

// "?, ?, ?" with one placeholder per value, for an IN list of bound values.
QByteArray placeholders(qsizetype count);

}  // namespace store::sql
