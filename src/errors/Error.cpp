#include "errors/Error.h"

namespace errors {

Error::Error(int number, const QString& text)
    : std::runtime_error(text.toStdString()), number_(number), text_(text) {}

}  // namespace errors
