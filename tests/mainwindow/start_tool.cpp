// Starts Snibbet on a folder as the program starts it, with a desktop that
// answers Yes to every question, and prints every box it was shown: for tests
// that start it as an ordinary user, whom permissions bind (root they do not).
#include <QApplication>
#include <cstdio>

#include "mainwindow/frmSnibbet.h"
#include "support/FakePlatformServices.h"

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) return 2;
    FakePlatformServices desktop;
    desktop.yesNoAnswers = QList<bool>(4, true);
    frmSnibbet* window = startSnibbet(QString::fromLocal8Bit(argv[1]), desktop);
    for (const auto& box : desktop.questions) std::printf("question: %s\n", qPrintable(box.text));
    for (const auto& box : desktop.messages) std::printf("message: %s\n", qPrintable(box.text));
    std::printf("%s\n", window ? "started" : "ended");
    delete window;
    return 0;
}
