#pragma once

#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

// A fresh library in a temporary folder, plus direct access to its file for
// arranging rows and for reading back exactly what a user's file would hold.
class TempLibrary {
public:
    TempLibrary();  // creates an empty library

    QString folder() const { return dir_.path(); }
    QString path() const;

    // Runs SQL on a connection of its own (the tests' own view of the file).
    void exec(const QString& sql) const;

    // Every row of `table` in stored order, each as its fields joined by "|";
    // a null field reads as "<null>". Texts read as the program reads them,
    // a leading byte-order mark included.
    QStringList rows(const QString& table) const;

    void addCategory(const QString& name) const;
    void addItem(const QString& category, const QString& name, const QString& code = {},
                 const QString& declares = {}, const QString& notes = {}) const;

private:
    QTemporaryDir dir_;
};

// Compares two lists and, when they differ, prints both in full.
#define COMPARE_ROWS(actual, expected)                                                    \
    do {                                                                                  \
        const QStringList a_ = (actual), e_ = (expected);                                 \
        if (a_ != e_)                                                                     \
            qWarning().noquote() << "actual:  " << a_.join(QStringLiteral(" / ")) << "\n" \
                                 << "expected:" << e_.join(QStringLiteral(" / "));        \
        QCOMPARE(a_, e_);                                                                 \
    } while (false)
