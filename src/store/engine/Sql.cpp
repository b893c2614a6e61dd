#include "store/engine/Sql.h"

#include <SQLiteCpp/Column.h>
#include <SQLiteCpp/Statement.h>

#include "store/StoredText.h"

namespace store {

bool StoredValue::operator==(const StoredValue& other) const {
    if (type != other.type) return false;
    switch (type) {
        case Type::Null:
            return true;
        case Type::Integer:
            return integer == other.integer;
        case Type::Real:
            return real == other.real;
        case Type::Text:
        case Type::Blob:
            return utf8 == other.utf8;
    }
    return false;
}

namespace sql {

void bindText(SQLite::Statement& statement, int index, const QByteArray& utf8) {
    statement.bind(index, std::string(utf8.constData(), static_cast<size_t>(utf8.size())));
}

void bindText(SQLite::Statement& statement, int index, const QString& text) {
    bindText(statement, index, storedFromText(text));
}

QByteArray columnUtf8(SQLite::Statement& statement, int index) {
    const SQLite::Column column = statement.getColumn(index);
    const char* text = column.getText();
    return QByteArray(text, column.getBytes());
}

StoredValue columnValue(SQLite::Statement& statement, int index) {
    const SQLite::Column column = statement.getColumn(index);
    StoredValue value;
    if (column.isNull()) return value;
    // The number is read before the text: reading the text of a number turns
    // the column's value into text for every later read.
    if (column.isInteger()) {
        value.type = StoredValue::Type::Integer;
        value.integer = column.getInt64();
    } else if (column.isFloat()) {
        value.type = StoredValue::Type::Real;
        value.real = column.getDouble();
    } else {
        value.type = column.isBlob() ? StoredValue::Type::Blob : StoredValue::Type::Text;
    }
    value.utf8 = columnUtf8(statement, index);
    return value;
}

void bindValue(SQLite::Statement& statement, int index, const StoredValue& value) {
    switch (value.type) {
        case StoredValue::Type::Null:
            statement.bind(index);
            break;
        case StoredValue::Type::Integer:
            statement.bind(index, static_cast<int64_t>(value.integer));
            break;
        case StoredValue::Type::Real:
            statement.bind(index, value.real);
            break;
        case StoredValue::Type::Text:
            bindText(statement, index, value.utf8);
            break;
        case StoredValue::Type::Blob:
            statement.bind(index, value.utf8.constData(), static_cast<int>(value.utf8.size()));
            break;
    }
}

QByteArray placeholders(qsizetype count) {
    QByteArray text;
    for (qsizetype i = 0; i < count; ++i) text += i == 0 ? "?" : ", ?";
    return text;
}

}  // namespace sql
}  // namespace store
