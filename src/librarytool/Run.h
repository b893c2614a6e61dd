#pragma once

#include <QStringList>

#include "librarytool/Console.h"

namespace librarytool {

// The whole program but for its streams: `arguments` as main() gets them;
// returns the exit status.
int run(const QStringList& arguments, const QString& defaultLibrary, const Console& console);

}  // namespace librarytool
