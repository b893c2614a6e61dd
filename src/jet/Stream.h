#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>
#include <vector>

// How the reader program hands what it read to Snibbet through a pipe: a
// stream of records, each a tag byte, the length of its payload (32 bits) and
// the payload. Every number is little-endian.
namespace jet {

// One value of a text or memo field as UTF-8; nothing for a null.
using Value = std::optional<QByteArray>;
using Row = std::vector<Value>;

namespace stream {

enum Tag : char {
    Counts = 'C',    // per table, the rows its definition records (64 bits each)
    TableRow = 'R',  // the table's number (8 bits), the count of values (16 bits), then
                     // each value: its length (32 bits, all ones for a null), its bytes
    End = 'E',       // everything asked for was read
    Failure = 'X',   // what is wrong with the file: an error number (32 bits), its text
};

inline constexpr qsizetype kHeaderSize = 5;

void appendCounts(QByteArray& out, const std::vector<qint64>& counts);
void appendRow(QByteArray& out, int table, const Row& row);
void appendEnd(QByteArray& out);
void appendFailure(QByteArray& out, int number, const QString& text);

// The parts of a record's payload; false when it is not well formed.
bool parseCounts(QByteArrayView payload, std::vector<qint64>& counts);
bool parseRow(QByteArrayView payload, int& table, Row& row);
bool parseFailure(QByteArrayView payload, int& number, QString& text);

}  // namespace stream
}  // namespace jet
