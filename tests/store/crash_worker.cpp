// Makes the changes of a ChangeScript to a library and says before each one
// that it starts and after each one that it has returned, until it is killed.
//   crash_worker FOLDER SEED COUNT [closes]
#include <unistd.h>

#include <QCoreApplication>
#include <cstdio>
#include <cstring>

#include "store/Library.h"
#include "support/ChangeScript.h"

namespace {

bool say(const std::string& line) {
    return ::write(STDOUT_FILENO, line.data(), line.size()) == ssize_t(line.size());
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc != 4 && !(argc == 5 && std::strcmp(argv[4], "closes") == 0)) {
        std::fprintf(stderr, "usage: %s FOLDER SEED COUNT [closes]\n", argv[0]);
        return 2;
    }
    store::Library library = store::Library::open(QString::fromLocal8Bit(argv[1]));
    ChangeScript script(static_cast<unsigned>(std::stoul(argv[2])),
                        argc == 5 ? ChangeScript::Mix::Closes : ChangeScript::Mix::Session);
    const int count = std::stoi(argv[3]);
    for (int i = 0; i < count; ++i) {
        if (!say("start " + std::to_string(i + 1) + "\n")) return 1;
        script.next(library, i);
        if (!say("done " + std::to_string(i + 1) + "\n")) return 1;
    }
    return 0;
}
