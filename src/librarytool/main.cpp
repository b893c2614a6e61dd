// snibbet-library: finds, checks and exports Snibbet libraries from the
// terminal, beside the program, without ever changing a library.
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>

#include "librarytool/Run.h"
#include "store/Library.h"

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("snibbet-library"));
    QFile out;
    QFile err;
    if (!out.open(stdout, QIODevice::WriteOnly) || !err.open(stderr, QIODevice::WriteOnly))
        return 2;
    const librarytool::Console console{out, err, ::isatty(STDOUT_FILENO) == 1,
                                       ::isatty(STDERR_FILENO) == 1, qgetenv("TERM")};
    // As Snibbet does: the library is the file beside the program.
    const QString library = store::Library::pathIn(QCoreApplication::applicationDirPath());
    return librarytool::run(QCoreApplication::arguments(), library, console);
}
