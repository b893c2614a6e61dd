#include "store/Sql.h"

#include <SQLiteCpp/Column.h>
#include <SQLiteCpp/Statement.h>

namespace store::sql {

void bindText(SQLite::Statement& statement, int index, const QByteArray& utf8) {
    statement.bind(index, std::string(utf8.constData(), static_cast<size_t>(utf8.size())));
}

void bindText(SQLite::Statement& statement, int index, const QString& text) {
    bindText(statement, index, text.toUtf8());
}

QByteArray columnUtf8(SQLite::Statement& statement, int index) {
    const SQLite::Column column = statement.getColumn(index);
    const char* text = column.getText();
    return QByteArray(text, column.getBytes());
}

QByteArray placeholders(qsizetype count) {
    QByteArray text;
    for (qsizetype i = 0; i < count; ++i) text += i == 0 ? "?" : ", ?";
    return text;
}

}  // namespace store::sql
