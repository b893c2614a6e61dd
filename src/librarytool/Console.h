#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

namespace librarytool {

// Where the program writes, and what it knows of the terminal.
struct Console {
    QIODevice& out;
    QIODevice& err;
    bool outIsTerminal = false;
    bool errIsTerminal = false;
    QByteArray term;  // $TERM
};

// Exit statuses, as grep has them.
enum Status : int { Success = 0, NothingFound = 1, Failure = 2 };

// "snibbet-library: <text>" on the error output.
void sayError(const Console& console, const QString& text);

}  // namespace librarytool
