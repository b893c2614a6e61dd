#include "jet/Stream.h"

#include <QtEndian>

namespace jet::stream {
namespace {

constexpr quint32 kNull = 0xffffffff;

template <typename T>
void put(QByteArray& out, T number) {
    char bytes[sizeof(T)];
    qToLittleEndian(number, bytes);
    out.append(bytes, sizeof(T));
}

// Starts a record; the length is filled in by finish().
qsizetype begin(QByteArray& out, Tag tag) {
    out.append(char(tag));
    put<quint32>(out, 0);
    return out.size();
}

void finish(QByteArray& out, qsizetype payload) {
    qToLittleEndian(quint32(out.size() - payload), out.data() + payload - 4);
}

// Reads the payload front to back; every read checks that the bytes are there.
class Cursor {
public:
    explicit Cursor(QByteArrayView bytes) : bytes_(bytes) {}

    template <typename T>
    bool take(T& number) {
        if (bytes_.size() - at_ < qsizetype(sizeof(T))) return false;
        number = qFromLittleEndian<T>(bytes_.data() + at_);
        at_ += sizeof(T);
        return true;
    }
    bool take(qsizetype size, QByteArrayView& part) {
        if (size < 0 || bytes_.size() - at_ < size) return false;
        part = bytes_.sliced(at_, size);
        at_ += size;
        return true;
    }
    bool atEnd() const { return at_ == bytes_.size(); }

private:
    QByteArrayView bytes_;
    qsizetype at_ = 0;
};

}  // namespace

void appendCounts(QByteArray& out, const std::vector<qint64>& counts) {
    const qsizetype payload = begin(out, Counts);
    for (const qint64 count : counts) put<qint64>(out, count);
    finish(out, payload);
}

void appendRow(QByteArray& out, int table, const Row& row) {
    const qsizetype payload = begin(out, TableRow);
    put<quint8>(out, quint8(table));
    put<quint16>(out, quint16(row.size()));
    for (const Value& value : row) {
        put<quint32>(out, value ? quint32(value->size()) : kNull);
        if (value) out.append(*value);
    }
    finish(out, payload);
}

void appendEnd(QByteArray& out) {
    finish(out, begin(out, End));
}

void appendFailure(QByteArray& out, int number, const QString& text) {
    const qsizetype payload = begin(out, Failure);
    put<qint32>(out, number);
    out.append(text.toUtf8());
    finish(out, payload);
}

bool parseCounts(QByteArrayView payload, std::vector<qint64>& counts) {
    if (payload.size() % 8 != 0) return false;
    counts.clear();
    Cursor cursor(payload);
    for (qint64 count = 0; cursor.take(count);) {
        if (count < 0) return false;
        counts.push_back(count);
    }
    return true;
}

bool parseRow(QByteArrayView payload, int& table, Row& row) {
    Cursor cursor(payload);
    quint8 number = 0;
    quint16 values = 0;
    if (!cursor.take(number) || !cursor.take(values)) return false;
    table = number;
    row.assign(values, std::nullopt);
    for (Value& value : row) {
        quint32 size = 0;
        if (!cursor.take(size)) return false;
        if (size == kNull) continue;
        QByteArrayView bytes;
        if (!cursor.take(qsizetype(size), bytes)) return false;
        value = bytes.toByteArray();
    }
    return cursor.atEnd();
}

bool parseFailure(QByteArrayView payload, int& number, QString& text) {
    Cursor cursor(payload);
    qint32 said = 0;
    if (!cursor.take(said)) return false;
    number = said;
    text = QString::fromUtf8(payload.sliced(4));
    return true;
}

}  // namespace jet::stream
