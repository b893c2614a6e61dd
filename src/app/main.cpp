#include <QApplication>

#include "mainwindow/Fonts.h"
#include "mainwindow/frmSnibbet.h"
#include "platform/QtPlatformServices.h"

// The library is the file "Snibbet.mdb" in the folder of the executable.
int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Snibbet"));
    QApplication::setDesktopFileName(QStringLiteral("snibbet"));
    fonts::installFallbacks();
    platform::QtPlatformServices services;
    if (!startSnibbet(QCoreApplication::applicationDirPath(), services)) return 1;
    return app.exec();
}
