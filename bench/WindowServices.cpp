#include "WindowServices.h"

#include <stdexcept>
#include <string>
#include <utility>

namespace bench {

void WindowServices::messageBox(const QString& text, const QString& title) {
    unexpected << QStringLiteral("message box \"%1\": %2").arg(title, text);
}

bool WindowServices::askYesNo(const QString& text, const QString& title) {
    unexpected << QStringLiteral("question \"%1\": %2").arg(title, text);
    return false;
}

QString WindowServices::inputBox(const QString& prompt, const QString& title) {
    if (inputAnswers.isEmpty()) {
        unexpected << QStringLiteral("input box \"%1\": %2").arg(title, prompt);
        return QString();  // as Cancel
    }
    return inputAnswers.takeFirst();
}

void WindowServices::endProgram(int exitCode) {
    unexpected << QStringLiteral("the program ended with %1").arg(exitCode);
}

void WindowServices::check(const char* during) {
    if (unexpected.isEmpty()) return;
    const QStringList seen = std::exchange(unexpected, {});
    throw std::runtime_error(std::string("while ") + during + ": " +
                             seen.join(QStringLiteral("; ")).toStdString());
}

}  // namespace bench
