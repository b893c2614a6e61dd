#pragma once

// This process's memory as the kernel counts it, in megabytes (10^6 bytes).
namespace bench {

struct ResidentMemory {
    double total = 0;
    // Pages backed by files: mapped code of the libraries and the like.
    double fileBacked = 0;
    double anonymous() const { return total - fileBacked; }
};

// From /proc/self/statm.
ResidentMemory residentMemory();

// The most this process has had resident so far (VmHWM of /proc/self/status).
double peakResident();

}  // namespace bench
