// Writes an empty library into a folder, for tests that run the program itself.
#include <cstdio>

#include "store/Library.h"
#include "store/StoreError.h"

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    try {
        store::Library::createEmpty(QString::fromLocal8Bit(argv[1]));
    } catch (const store::StoreError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.text()));
        return 1;
    }
    return 0;
}
