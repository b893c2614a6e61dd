#include "librarytool/ProgressLine.h"

namespace librarytool {

ProgressLine::ProgressLine(const Console& console, QString what, qint64 total)
    : console_(console), what_(std::move(what)), total_(total) {
    clock_.start();
}

ProgressLine::~ProgressLine() {
    // The line goes, so that what follows starts on a clean line.
    if (shownAt_ >= 0) console_.err.write("\r\33[K");
}

void ProgressLine::advance(qint64 done) {
    if (!console_.errIsTerminal) return;
    const qint64 now = clock_.elapsed();
    if (now < kQuietMs || (shownAt_ >= 0 && now - shownAt_ < kEveryMs)) return;
    shownAt_ = now;
    console_.err.write(
        QStringLiteral("\r%1: %2 of %3 items").arg(what_).arg(done).arg(total_).toUtf8());
}

}  // namespace librarytool
