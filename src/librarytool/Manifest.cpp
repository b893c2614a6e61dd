#include "librarytool/Manifest.h"

#include <QLocale>
#include <QStringDecoder>
#include <cmath>

namespace librarytool::manifest {
namespace {

using Type = store::StoredValue::Type;

const char* typeName(Type type) {
    switch (type) {
        case Type::Null:
            return "null";
        case Type::Integer:
            return "integer";
        case Type::Real:
            return "real";
        case Type::Text:
            return "text";
        case Type::Blob:
            return "blob";
    }
    return "";
}

bool isUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    [[maybe_unused]] const QString text = decoder(bytes);
    return !decoder.hasError();
}

// Written by hand, a line per value: a library of 100,000 items makes a
// manifest of some 30 MB, which Qt's JSON classes would hold in memory many
// times over.
class Json {
public:
    void string(QByteArrayView utf8) {
        out_ += '"';
        for (const char c : utf8) {
            const auto u = static_cast<unsigned char>(c);
            if (c == '"' || c == '\\') {
                out_ += '\\';
                out_ += c;
            } else if (u < 0x20) {
                out_ += "\\u00";
                out_ += "0123456789abcdef"[u >> 4];
                out_ += "0123456789abcdef"[u & 0xF];
            } else {
                out_ += c;
            }
        }
        out_ += '"';
    }
    void key(const char* name) {
        out_ += '"';
        out_ += name;
        out_ += "\": ";
    }
    void raw(QByteArrayView text) { out_ += text; }
    void number(qint64 n) { out_ += QByteArray::number(n); }
    void number(double x) {
        // Shortest form that reads back as the same double; JSON has no
        // infinity (the engine stores no NaN).
        if (std::isfinite(x))
            out_ += QByteArray::number(x, 'g', QLocale::FloatingPointShortest);
        else
            string(x > 0 ? "Infinity" : "-Infinity");
    }

    // A value's type, and its exact value: a number as a JSON number, bytes
    // as a JSON string where they are UTF-8, else in base64. Without `bytes`
    // the bytes are in a file of their own.
    void value(const store::StoredValue& v, bool bytes) {
        raw("{\"type\": \"");
        raw(typeName(v.type));
        raw("\"");
        if (v.type == Type::Integer) {
            raw(", \"integer\": ");
            number(v.integer);
        } else if (v.type == Type::Real) {
            raw(", \"real\": ");
            number(v.real);
        } else if (bytes && (v.type == Type::Text || v.type == Type::Blob)) {
            // Qt's own JSON reader drops a U+FEFF inside a string.
            if (isUtf8(v.utf8) && !v.utf8.contains("\xEF\xBB\xBF")) {
                raw(", \"text\": ");
                string(v.utf8);
            } else {
                raw(", \"base64\": ");
                string(v.utf8.toBase64());
            }
        }
        raw("}");
    }

    // The start of the entry of a row: its place in the stored order, its
    // row id and its folder.
    template <typename Folder>
    void entry(qsizetype order, qint64 rowid, const Folder& folder) {
        raw(order == 0 ? "\n    {" : ",\n    {");
        key("order");
        number(qint64{order});
        raw(", ");
        key("rowid");
        number(rowid);
        raw(", ");
        key("folder");
        string(folder);
        raw(",\n     ");
    }

    void field(const char* name, const store::StoredValue& v, bool bytes) {
        key(name);
        value(v, bytes);
    }

    QByteArray& text() { return out_; }

private:
    QByteArray out_;
};

}  // namespace

QByteArray write(const QList<Category>& categories, const QList<Item>& items) {
    Json json;
    json.raw("{\n  \"format\": \"snibbet-export\",\n  \"version\": ");
    json.number(qint64{kVersion});
    json.raw(",\n  \"categories\": [");
    for (qsizetype i = 0; i < categories.size(); ++i) {
        const Category& c = categories[i];
        json.entry(i, c.rowid, c.folder);
        json.field("name", c.name, true);
        json.raw("}");
    }
    json.raw("\n  ],\n  \"items\": [");
    for (qsizetype i = 0; i < items.size(); ++i) {
        const Item& item = items[i];
        json.entry(i, item.rowid, item.folder);
        json.field("category", item.category, true);
        json.raw(",\n     ");
        json.field("name", item.name, true);
        json.raw(",\n     ");
        json.field("code", item.code, false);
        json.raw(", ");
        json.field("declarations", item.declares, false);
        json.raw(", ");
        json.field("notes", item.notes, false);
        json.raw("}");
    }
    json.raw("\n  ]\n}\n");
    return std::move(json.text());
}

}  // namespace librarytool::manifest
