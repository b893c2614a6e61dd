#include "ChildProcess.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace bench {

std::string quotedForShell(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

void runThisProgram(const std::string& arguments,
                    const std::function<void(const std::string&)>& line) {
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string command = quotedForShell(self) + " " + arguments;
    std::FILE* child = ::popen(command.c_str(), "r");
    if (!child) throw std::runtime_error("cannot start " + self);
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, child)) {
        std::string record(buffer);
        if (!record.empty() && record.back() == '\n') record.pop_back();
        line(record);
    }
    if (::pclose(child) != 0) throw std::runtime_error("failed: " + command);
}

std::string loadAverages() {
    std::ifstream in("/proc/loadavg");
    double one = 0, five = 0, fifteen = 0;
    in >> one >> five >> fifteen;
    char text[64];
    std::snprintf(text, sizeof text, "%.2f %.2f %.2f", one, five, fifteen);
    return text;
}

}  // namespace bench
