#include "librarytool/Console.h"

namespace librarytool {

void sayError(const Console& console, const QString& text) {
    console.err.write("snibbet-library: " + text.toUtf8() + '\n');
}

}  // namespace librarytool
