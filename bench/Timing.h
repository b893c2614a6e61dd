#pragma once

#include <chrono>
#include <functional>
#include <vector>

namespace bench {

// Wall-clock milliseconds that `work` took.
template <typename Work>
double millisecondsOf(Work&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    return took.count();
}

// The median rather than the mean: one repetition that met a checkpoint or a
// busy disk should not move the figure.
double median(std::vector<double> samples);

// Runs each contender once per repetition, in an order that rotates, so that
// a slow phase of the machine does not always fall on the same one; then
// `afterRepetition` with the number of repetitions done.
void interleaved(int repetitions, const std::vector<std::function<void()>>& contenders,
                 const std::function<void(int)>& afterRepetition);

// Keeps a result alive so that the compiler cannot drop the work behind it.
void consume(long long value);

}  // namespace bench
