#include "Timing.h"

#include <algorithm>
#include <atomic>

namespace bench {

double median(std::vector<double> samples) {
    if (samples.empty()) return 0;
    std::sort(samples.begin(), samples.end());
    const std::size_t middle = samples.size() / 2;
    return samples.size() % 2 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2;
}

void interleaved(int repetitions, const std::vector<std::function<void()>>& contenders,
                 const std::function<void(int)>& afterRepetition) {
    for (int r = 0; r < repetitions; ++r) {
        for (std::size_t k = 0; k < contenders.size(); ++k)
            contenders[(k + static_cast<std::size_t>(r)) % contenders.size()]();
        afterRepetition(r + 1);
    }
}

void consume(long long value) {
    static std::atomic<long long> sink;
    sink.fetch_add(value, std::memory_order_relaxed);
}

}  // namespace bench
