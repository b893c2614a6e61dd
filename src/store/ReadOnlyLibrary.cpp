#include "store/ReadOnlyLibrary.h"

namespace store {

ReadOnlyLibrary::ReadOnlyLibrary(const QString& filePath) : traces_(filePath) {
    try {
        library_.emplace(Library::openReadOnly(filePath));
    } catch (...) {
        // Refusing a file may come after the engine has looked at it.
        traces_.remove();
        throw;
    }
}

ReadOnlyLibrary::~ReadOnlyLibrary() {
    library_.reset();
    traces_.remove();
}

}  // namespace store
