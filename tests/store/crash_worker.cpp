// Makes the changes of a ChangeScript to a library and says after each one
// that it has returned, until it is killed.
#include <unistd.h>

#include <QCoreApplication>
#include <cstdio>

#include "store/Library.h"
#include "support/ChangeScript.h"

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s FOLDER SEED COUNT\n", argv[0]);
        return 2;
    }
    store::Library library = store::Library::open(QString::fromLocal8Bit(argv[1]));
    ChangeScript script(static_cast<unsigned>(std::stoul(argv[2])));
    const int count = std::stoi(argv[3]);
    for (int i = 0; i < count; ++i) {
        script.next(library, i);
        const std::string line = "done " + std::to_string(i + 1) + "\n";
        if (::write(STDOUT_FILENO, line.data(), line.size()) < 0) return 1;
    }
    return 0;
}
