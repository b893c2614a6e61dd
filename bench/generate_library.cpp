// snibbet_generate FOLDER [--items N] [--per-category N] [--text-bytes N]
//                         [--big-item-bytes N] [--seed N] [--reuse]
// Writes a library of the given size into FOLDER, for benchmarks and for
// trying the program on a large library by hand.
#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <map>
#include <string>

#include "LibraryGenerator.h"

int main(int argc, char** argv) {
    if (argc < 2 || argv[1][0] == '-') {
        std::fputs(
            "usage: snibbet_generate FOLDER [--items N] [--per-category N] [--text-bytes N]\n"
            "                               [--big-item-bytes N] [--seed N] [--reuse]\n"
            "  --reuse  keep a library that an earlier run wrote with the same\n"
            "           parameters; replace one it wrote with others\n",
            stderr);
        return 2;
    }
    bench::LibraryShape shape;
    const std::map<std::string, std::int64_t*> values = {{"--items", &shape.items},
                                                         {"--per-category", &shape.perCategory},
                                                         {"--text-bytes", &shape.textBytes},
                                                         {"--big-item-bytes", &shape.bigItemBytes}};
    bool reuse = false;
    try {
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
        const auto start = std::chrono::steady_clock::now();
        const bool generated = reuse ? bench::ensureLibrary(argv[1], shape)
                                     : (bench::generateLibrary(argv[1], shape), true);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        const auto path = std::filesystem::path(argv[1]) / "Snibbet.mdb";
        std::printf("%s %s (%s; %.1f MB) in %.2f s\n", generated ? "wrote" : "kept", path.c_str(),
                    shape.describe().c_str(),
                    static_cast<double>(std::filesystem::file_size(path)) / 1e6, took.count());
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "snibbet_generate: %s\n", e.what());
        return 1;
    }
}
