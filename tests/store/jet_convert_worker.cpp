// Converts the library of the earlier Windows version in a folder, for tests
// that need a process of their own: one that is killed at random moments, or
// one that runs as another user.
//   jet_convert_worker FOLDER            prints "ok N ms" or "error N: text"
//   jet_convert_worker FOLDER SEED       also pauses a random moment at each
//                                        report of progress, longer at the
//                                        last steps (keeping the original,
//                                        putting the new file in its place),
//                                        so that kills land in every step
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <cstdio>
#include <random>

#include "errors/Error.h"
#include "store/JetConversion.h"

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s FOLDER [SEED]\n", argv[0]);
        return 2;
    }
    std::mt19937 random(argc == 3 ? static_cast<unsigned>(std::stoul(argv[2])) : 0);
    store::JetConversion::Progress pause;
    if (argc == 3)
        pause = [&random](qint64 done, qint64 total) {
            const unsigned most = done + 2 >= total ? 80000 : 1000;
            QThread::usleep(std::uniform_int_distribution<unsigned>(0, most)(random));
        };
    QElapsedTimer clock;
    clock.start();
    try {
        store::JetConversion::run(QString::fromLocal8Bit(argv[1]), pause);
    } catch (const errors::Error& e) {
        std::printf("error %d: %s\n", e.number(), qPrintable(e.text()));
        return 1;
    }
    std::printf("ok %lld ms\n", static_cast<long long>(clock.elapsed()));
    return 0;
}
