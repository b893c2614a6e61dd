#pragma once

#include <QBuffer>
#include <QStringList>

#include "librarytool/Run.h"

// Runs snibbet-library in this process, as main() would, and keeps what it
// wrote.
struct ToolRun {
    int status = -1;
    QByteArray out, err;

    static ToolRun of(const QStringList& arguments, const QString& defaultLibrary = {},
                      bool terminal = false) {
        QBuffer out, err;
        out.open(QIODevice::WriteOnly);
        err.open(QIODevice::WriteOnly);
        const librarytool::Console console{out, err, terminal, terminal, "xterm"};
        ToolRun run;
        run.status = librarytool::run(QStringList{QStringLiteral("snibbet-library")} + arguments,
                                      defaultLibrary, console);
        run.out = out.data();
        run.err = err.data();
        return run;
    }
};
