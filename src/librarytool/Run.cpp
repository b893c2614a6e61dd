#include "librarytool/Run.h"

#include "librarytool/Check.h"
#include "librarytool/CommandLine.h"
#include "librarytool/Export.h"
#include "librarytool/Find.h"

#ifndef SNIBBET_VERSION
#define SNIBBET_VERSION "unknown"
#endif

namespace librarytool {

int run(const QStringList& arguments, const QString& defaultLibrary, const Console& console) {
    Request request;
    try {
        request = parseCommandLine(arguments, defaultLibrary);
    } catch (const UsageError& e) {
        sayError(console, e.message);
        console.err.write(QStringLiteral("Usage: %1\nTry \"%2 --help\" for more.\n")
                              .arg(e.usage, e.usage.section(QLatin1Char(' '), 0, 1))
                              .toUtf8());
        return Failure;
    }
    switch (request.command) {
        case Command::Help:
            console.out.write(request.helpText.toUtf8());
            return Success;
        case Command::Version:
            console.out.write("snibbet-library " SNIBBET_VERSION "\n");
            return Success;
        case Command::Find:
            return find(request, console);
        case Command::Check:
            return check(request, console);
        case Command::Export:
            return exportLibrary(request, console);
    }
    return Failure;
}

}  // namespace librarytool
