#include "librarytool/Manifest.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QStringDecoder>

namespace librarytool::manifest {
namespace {

using Type = store::StoredValue::Type;

QString typeName(Type type) {
    switch (type) {
        case Type::Null:
            return QStringLiteral("null");
        case Type::Integer:
            return QStringLiteral("integer");
        case Type::Real:
            return QStringLiteral("real");
        case Type::Text:
            return QStringLiteral("text");
        case Type::Blob:
            return QStringLiteral("blob");
    }
    return {};
}

// QString::fromUtf8 drops a byte order mark at the start of the text.
QString decoded(const QByteArray& utf8, bool* valid = nullptr) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    QString text = decoder(utf8);
    if (valid) *valid = !decoder.hasError();
    return text;
}

// A value's type, and its exact value: a number as a JSON number, bytes as
// a JSON string where they are UTF-8, else in base64. Without `bytes` the
// bytes are in a file of their own.
QJsonObject describe(const store::StoredValue& value, bool bytes) {
    QJsonObject description{{QStringLiteral("type"), typeName(value.type)}};
    if (value.type == Type::Integer) description[QStringLiteral("integer")] = value.integer;
    if (value.type == Type::Real) description[QStringLiteral("real")] = value.real;
    if (bytes && (value.type == Type::Text || value.type == Type::Blob)) {
        // Qt's own JSON reader drops a U+FEFF inside a string.
        bool valid = false;
        const QString text = decoded(value.utf8, &valid);
        if (valid && !value.utf8.contains("\xEF\xBB\xBF"))
            description[QStringLiteral("text")] = text;
        else
            description[QStringLiteral("base64")] = QString::fromLatin1(value.utf8.toBase64());
    }
    return description;
}

}  // namespace

QByteArray write(const QList<Category>& categories, const QList<Item>& items) {
    QJsonArray categoryList;
    for (qsizetype i = 0; i < categories.size(); ++i) {
        const Category& c = categories[i];
        categoryList.append(QJsonObject{{QStringLiteral("order"), i},
                                        {QStringLiteral("rowid"), c.rowid},
                                        {QStringLiteral("folder"), decoded(c.folder)},
                                        {QStringLiteral("name"), describe(c.name, true)}});
    }
    QJsonArray itemList;
    for (qsizetype i = 0; i < items.size(); ++i) {
        const Item& item = items[i];
        itemList.append(
            QJsonObject{{QStringLiteral("order"), i},
                        {QStringLiteral("rowid"), item.rowid},
                        {QStringLiteral("folder"), decoded(item.folder)},
                        {QStringLiteral("category"), describe(item.category, true)},
                        {QStringLiteral("name"), describe(item.name, true)},
                        {QStringLiteral("code"), describe(item.code, false)},
                        {QStringLiteral("declarations"), describe(item.declares, false)},
                        {QStringLiteral("notes"), describe(item.notes, false)}});
    }
    const QJsonObject root{{QStringLiteral("format"), QStringLiteral("snibbet-export")},
                           {QStringLiteral("version"), kVersion},
                           {QStringLiteral("categories"), categoryList},
                           {QStringLiteral("items"), itemList}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

}  // namespace librarytool::manifest
