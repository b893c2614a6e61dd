#pragma once

#include "librarytool/CommandLine.h"
#include "librarytool/Console.h"

namespace librarytool {

// find: prints every item that holds all the words, in each library in
// turn, in stored order. Success when an item was found, NothingFound when
// none was, Failure when a library could not be read (the others are still
// searched).
int find(const Request& request, const Console& console);

}  // namespace librarytool
