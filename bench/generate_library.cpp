// snibbet_generate FOLDER [--items N] [--per-category N] [--text-bytes N]
//                         [--big-item-bytes N] [--seed N] [--reuse]
// Writes a library of the given size into FOLDER, for benchmarks and for
// trying the program on a large library by hand.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string>

#include "LibraryGenerator.h"
#include "store/StoreError.h"

namespace {

int usage() {
    std::fputs(
        "usage: snibbet_generate FOLDER [--items N] [--per-category N] [--text-bytes N]\n"
        "                               [--big-item-bytes N] [--seed N] [--reuse]\n"
        "  --reuse  keep a library that an earlier run wrote with the same\n"
        "           parameters; replace one it wrote with others\n",
        stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argv[1][0] == '-') return usage();
    const std::string folder = argv[1];
    bench::LibraryShape shape;
    bool reuse = false;
    for (int i = 2; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--reuse") {
            reuse = true;
            continue;
        }
        if (i + 1 >= argc) return usage();
        const long long value = std::stoll(argv[++i]);
        if (option == "--items")
            shape.items = value;
        else if (option == "--per-category")
            shape.perCategory = value;
        else if (option == "--text-bytes")
            shape.textBytes = value;
        else if (option == "--big-item-bytes")
            shape.bigItemBytes = value;
        else if (option == "--seed")
            shape.seed = static_cast<std::uint64_t>(value);
        else
            return usage();
    }

    try {
        const auto start = std::chrono::steady_clock::now();
        bool generated = true;
        if (reuse)
            generated = bench::ensureLibrary(folder, shape);
        else
            bench::generateLibrary(folder, shape);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        const auto path = std::filesystem::path(folder) / "Snibbet.mdb";
        std::printf("%s %s (%s; %.1f MB) in %.2f s\n", generated ? "wrote" : "kept", path.c_str(),
                    shape.describe().c_str(),
                    static_cast<double>(std::filesystem::file_size(path)) / 1e6, took.count());
        return 0;
    } catch (const store::StoreError& e) {
        std::fprintf(stderr, "snibbet_generate: %s\n", e.text().toUtf8().constData());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "snibbet_generate: %s\n", e.what());
    }
    return 1;
}
