#pragma once

#include <functional>
#include <string>

// Measuring in processes of their own: a figure of memory, or of a first
// start, then counts from a process that has done nothing else yet.
namespace bench {

// Runs this program again with `arguments` (already quoted for the shell) and
// hands each line it writes to `line`; throws when it fails.
void runThisProgram(const std::string& arguments,
                    const std::function<void(const std::string&)>& line);

std::string quotedForShell(const std::string& text);

// The machine's load average over 1, 5 and 15 minutes, as "a b c": other work
// on the machine shows in every figure, so it is printed beside them.
std::string loadAverages();

}  // namespace bench
