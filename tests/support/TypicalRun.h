#pragma once

#include <QtGlobal>
#include <algorithm>
#include <array>
#include <functional>

// How long an uninterrupted run takes, to spread a crash test's kills over it:
// the middle of three timings in microseconds, so that one cold start
// (libraries loaded, caches empty) does not stretch the span and let most
// kills land after the run has ended.
inline qint64 typicalRunUs(const std::function<qint64()>& timedRun) {
    std::array<qint64, 3> durations{timedRun(), timedRun(), timedRun()};
    std::sort(durations.begin(), durations.end());
    return std::max<qint64>(5000, durations[1]);
}
