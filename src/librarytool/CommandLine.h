#pragma once

#include <QString>
#include <QStringList>
#include <stdexcept>

// What the user asked for on the command line.
namespace librarytool {

enum class Command { Help, Version, Find, Check, Export };
enum class Colour { Never, Always, Auto };

struct Request {
    Command command = Command::Help;
    QString helpText;   // Help: the text to print
    QStringList words;  // Find
    bool namesOnly = false;
    Colour colour = Colour::Auto;
    QStringList libraries;  // Find, Check: the library files, never empty; Export: one
    QString folder;         // Export
};

// A command line that asks for nothing this program does, with what to say.
class UsageError : public std::runtime_error {
public:
    UsageError(const QString& message, const QString& usage);
    QString message;
    QString usage;  // the usage line of the command, or of the program
};

// `arguments` as main() gets them, the program's name first. A library left
// out is `defaultLibrary`, the one beside the program.
Request parseCommandLine(QStringList arguments, const QString& defaultLibrary);

}  // namespace librarytool
