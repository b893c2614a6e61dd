// snibbet_bench [--sizes N,N,...] [--data-dir DIR] [--cold] [--tidied] [--benchmark_...]
// snibbet_bench --generate FOLDER [--items N] [--per-category N] [--text-bytes N]
//               [--big-item-bytes N] [--seed N]
// Times the store, closing and the main window over libraries of 1,000, 10,000
// and 100,000 items (the cases are in bench_store.cpp, bench_close.cpp and
// bench_window.cpp), or writes a library of a chosen size, to try the program
// on. Run with --child, it is a fresh process measuring one thing for a case.
#include <QApplication>
#include <map>
#include <optional>

#include "BenchKit.h"
#include "platform/Fonts.h"

namespace {

// The offscreen platform says on every window shown that it cannot pass size
// hints on, and Qt in every process that it has no runtime folder; those
// lines are dropped, every other message goes through.
QtMessageHandler qtDefaultHandler = nullptr;

void quieterMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (!message.contains(QLatin1String("propagateSizeHints")) &&
        !message.contains(QLatin1String("XDG_RUNTIME_DIR")))
        qtDefaultHandler(type, context, message);
}

int generate(int argc, char** argv) {
    bench::LibraryShape shape;
    const std::map<std::string, std::int64_t*> values = {{"--items", &shape.items},
                                                         {"--per-category", &shape.perCategory},
                                                         {"--text-bytes", &shape.textBytes},
                                                         {"--big-item-bytes", &shape.bigItemBytes}};
    for (int i = 3; i < argc; i += 2) {
        const std::string option = argv[i];
        if (i + 1 == argc || (option != "--seed" && !values.contains(option)))
            throw std::invalid_argument("unknown option " + option);
        if (option == "--seed")
            shape.seed = std::stoull(argv[i + 1]);
        else
            *values.at(option) = std::stoll(argv[i + 1]);
    }
    bench::generateLibrary(argv[2], shape);
    std::printf("wrote %s/Snibbet.mdb (%s)\n", argv[2], shape.describe().c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string child = argc >= 4 && std::string(argv[1]) == "--child" ? argv[2] : "";
    try {
        if (argc >= 3 && std::string(argv[1]) == "--generate") return generate(argc, argv);
        // The store's children start without an application, as its own
        // tests do: their memory is the store's.
        if (child == "first-open") return bench::firstOpen(argv[3]);
        if (child == "close" && argc >= 6) return bench::closeChild(argc, argv);
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        qtDefaultHandler = qInstallMessageHandler(quieterMessages);
        // As the program's main() does; a child times it beside its start-up.
        std::optional<QApplication> app;
        const double applicationMs =
            bench::secondsOf([&] {
                app.emplace(argc, argv);
                QApplication::setApplicationName(QStringLiteral("Snibbet"));
                fonts::installFallbacks();
            }) *
            1e3;
        if (!child.empty()) return bench::windowChild(argc, argv, applicationMs);
        return bench::runBenchmarks(argc, argv, [](std::int64_t items) {
            bench::registerStore(items);
            bench::registerClose(items);
            bench::registerWindow(items);
            bench::registerLibraryTool(items);
        });
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s %s: %s\n", argv[0], child.c_str(), e.what());
        return 1;
    }
}
