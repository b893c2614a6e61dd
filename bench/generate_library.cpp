// snibbet_generate FOLDER [--items N] [--per-category N] [--text-bytes N]
//                         [--big-item-bytes N] [--seed N] [--reuse]
// Writes a library of the given size into FOLDER, for benchmarks and for
// trying the program on a large library by hand. With --reuse a library that
// an earlier run wrote with the same parameters is kept.
#include <cstdio>
#include <exception>
#include <map>
#include <stdexcept>
#include <string>

#include "LibraryGenerator.h"

int main(int argc, char** argv) {
    bench::LibraryShape shape;
    const std::map<std::string, std::int64_t*> values = {{"--items", &shape.items},
                                                         {"--per-category", &shape.perCategory},
                                                         {"--text-bytes", &shape.textBytes},
                                                         {"--big-item-bytes", &shape.bigItemBytes}};
    bool reuse = false;
    try {
        if (argc < 2 || argv[1][0] == '-') throw std::invalid_argument("no folder");
        for (int i = 2; i < argc; ++i) {
            const std::string option = argv[i];
            if (option == "--reuse")
                reuse = true;
            else if (i + 1 < argc && option == "--seed")
                shape.seed = std::stoull(argv[++i]);
            else if (i + 1 < argc && values.count(option))
                *values.at(option) = std::stoll(argv[++i]);
            else
                throw std::invalid_argument("unknown option " + option);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr,
                     "%s\nusage: snibbet_generate FOLDER [--items N] [--per-category N] "
                     "[--text-bytes N] [--big-item-bytes N] [--seed N] [--reuse]\n",
                     e.what());
        return 2;
    }
    try {
        const bool wrote = !reuse || bench::ensureLibrary(argv[1], shape);
        if (!reuse) bench::generateLibrary(argv[1], shape);
        std::printf("%s %s/Snibbet.mdb (%s)\n", wrote ? "wrote" : "kept", argv[1],
                    shape.describe().c_str());
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "snibbet_generate: %s\n", e.what());
        return 1;
    }
}
