#pragma once

#include "librarytool/CommandLine.h"
#include "librarytool/Console.h"

namespace librarytool {

// check: what each library file is, one paragraph each. Success when every
// file is sound; NothingFound (1) when one is a readable library with
// something to settle (untidy, a log left beside it, not writable); Failure
// when one is missing, not a library, damaged or locked.
int check(const Request& request, const Console& console);

}  // namespace librarytool
