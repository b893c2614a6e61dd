// A second program for the claim tests: claims a library as Snibbet does and
// prints what came of it. "hold" then answers later starts; "hang" holds the
// claim without ever answering, as a Snibbet stuck in a long job would.
#include <QCoreApplication>
#include <QTextStream>
#include <QThread>

#include "platform/LibraryClaim.h"

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc != 3) return 2;
    const QString mode = QString::fromLocal8Bit(argv[2]);
    platform::LibraryClaim claim(QString::fromLocal8Bit(argv[1]));
    QTextStream out(stdout);
    switch (claim.outcome()) {
        case platform::LibraryClaim::Outcome::Claimed:
            out << "claimed" << Qt::endl;
            break;
        case platform::LibraryClaim::Outcome::RaisedOther:
            out << "raised the other" << Qt::endl;
            return 0;
        case platform::LibraryClaim::Outcome::OtherUnreachable:
            out << "other unreachable" << Qt::endl;
            return 0;
        case platform::LibraryClaim::Outcome::CannotLock:
            out << "cannot lock" << Qt::endl << claim.refusalText() << Qt::endl;
            return 0;
    }
    if (mode == "hang") QThread::sleep(3600);
    if (mode == "hold") return app.exec();
    return 0;
}
