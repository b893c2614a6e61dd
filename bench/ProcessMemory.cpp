#include "ProcessMemory.h"

#include <unistd.h>

#include <fstream>
#include <string>

namespace bench {

ResidentMemory residentMemory() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0, shared = 0;
    statm >> size >> resident >> shared;
    const double pageMb = static_cast<double>(sysconf(_SC_PAGESIZE)) / 1e6;
    return {static_cast<double>(resident) * pageMb, static_cast<double>(shared) * pageMb};
}

double peakResident() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) * 1024 / 1e6;  // kB
    return 0;
}

}  // namespace bench
