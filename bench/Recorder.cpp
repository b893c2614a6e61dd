#include "Recorder.h"

#include <unistd.h>

#include "Timing.h"

namespace bench {

void Recorder::operation(const char* name, const Samples& store, const Samples& floor) {
    std::fprintf(out_, "op\t%lld\t%s\t%zu\t%.4f\t%.4f\n", items_, name, store.size(), median(store),
                 median(floor));
    std::fflush(out_);
}

void Recorder::journalModes(const char* name, const Samples& wal, const Samples& rollback) {
    std::fprintf(out_, "journal\t%lld\t%s\t%zu\t%.4f\t%.4f\n", items_, name, wal.size(),
                 median(wal), median(rollback));
    std::fflush(out_);
}

void Recorder::tidyUpStep(const std::string& label, double wal, double rollback) {
    std::fprintf(out_, "step\t%lld\t%s\t%.4f\t%.4f\n", items_, label.c_str(), wal, rollback);
    std::fflush(out_);
}

void Recorder::memory(const ResidentMemory& before, const ResidentMemory& after, double peakOpen,
                      double peakRun) {
    std::fprintf(out_, "mem\t%lld\t%.2f\t%.2f\t%.2f\t%.2f\t%.2f\t%.2f\n", items_, before.total,
                 before.anonymous(), after.total, after.anonymous(), peakOpen, peakRun);
    std::fflush(out_);
}

// On a terminal the line counts up; in a log only the finished line shows.
void Recorder::progress(const char* what, int done, int of) const {
    static const bool terminal = ::isatty(STDERR_FILENO);
    if (!terminal && done != of) return;
    std::fprintf(stderr, "%s  %lld items: %-28s %d/%d", terminal ? "\r" : "", items_, what, done,
                 of);
    if (done == of) std::fputc('\n', stderr);
}

}  // namespace bench
