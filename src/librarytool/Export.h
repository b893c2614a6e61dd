#pragma once

#include "librarytool/CommandLine.h"
#include "librarytool/Console.h"

namespace librarytool {

// export: the library as a tree of folders and text files in an empty (or
// new) folder, with its manifest written last. Success, or Failure with a
// message: a library that cannot be read, a folder that is not empty or
// cannot be written.
int exportLibrary(const Request& request, const Console& console);

}  // namespace librarytool
