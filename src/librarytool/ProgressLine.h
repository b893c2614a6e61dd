#pragma once

#include <QElapsedTimer>
#include <QString>

#include "librarytool/Console.h"

namespace librarytool {

// "Exporting: 12000 of 100000 items" on the error output, written over
// itself, for work that takes longer than a second, and only where the error
// output is a terminal: in a pipe or a file it would be noise.
class ProgressLine {
public:
    ProgressLine(const Console& console, QString what, qint64 total);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void advance(qint64 done);

    static constexpr qint64 kQuietMs = 1000;
    static constexpr qint64 kEveryMs = 100;

private:
    const Console& console_;
    QString what_;
    qint64 total_;
    QElapsedTimer clock_;
    qint64 shownAt_ = -1;  // ms, -1 before the first line
};

}  // namespace librarytool
