#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

// Jet files of the earlier Windows version, written at test time by the
// fixture scripts in tests/store/jet, and what they hold as JSON.
namespace jetfixtures {

// Writes the named fixtures (each NAME.mdb beside NAME.json) into `folder`.
bool write(const QString& folder, const QStringList& names);

// Writes a Jet file ("jet3" or "jet4") holding the tables of `tables`, given
// in the fixtures' JSON form.
bool writeFrom(const QString& mdb, const QString& format, const QJsonObject& tables);

QJsonObject load(const QString& json);

// The rows of `table` in a fixture's JSON: each an array of strings and nulls.
QJsonArray rowsOf(const QJsonObject& fixture, const QString& table);

// The same from an SQLite library, in stored order, with the given fields.
QJsonArray rowsOf(const QString& library, const QString& table, const QStringList& fields);

// The field names of `table` in a fixture's JSON.
QStringList fieldsOf(const QJsonObject& fixture, const QString& table);

}  // namespace jetfixtures

// Compares two row lists and, when they differ, names the first row that does.
#define COMPARE_JSON_ROWS(actual, expected)                                                    \
    do {                                                                                       \
        const QJsonArray a_ = (actual), e_ = (expected);                                       \
        for (qsizetype i_ = 0; i_ < std::min(a_.size(), e_.size()); ++i_)                      \
            if (a_[i_] != e_[i_]) QFAIL(qPrintable(QStringLiteral("row %1 differs").arg(i_))); \
        QCOMPARE(a_.size(), e_.size());                                                        \
    } while (false)
