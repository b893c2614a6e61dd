// Creates or opens a library in a folder, for tests that need a separate
// process: running the program itself, or opening as another user.
//   library_tool create FOLDER     writes an empty library
//   library_tool open FOLDER       prints "ok", or "error N: text"
#include <QCoreApplication>
#include <cstdio>
#include <cstring>

#include "errors/Error.h"
#include "store/Library.h"

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc != 3 || (std::strcmp(argv[1], "create") != 0 && std::strcmp(argv[1], "open") != 0)) {
        std::fprintf(stderr, "usage: %s create|open FOLDER\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[2]);
    try {
        if (std::strcmp(argv[1], "create") == 0)
            store::Library::createEmpty(folder);
        else
            store::Library::open(folder);
    } catch (const errors::Error& e) {
        std::printf("error %d: %s\n", e.number(), qPrintable(e.text()));
        return 1;
    }
    std::printf("ok\n");
    return 0;
}
