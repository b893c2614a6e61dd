#pragma once

#include <SQLiteCpp/Exception.h>

#include "errors/Error.h"

namespace store {

// A failure of the database engine in words for the user, with the engine's
// own result code as its number.
errors::Error fromEngine(const SQLite::Exception& e);

// Runs `work`, turning any exception of the engine's wrapper into an
// errors::Error, so that no caller outside the store ever sees one.
template <typename Work>
auto translatingEngineErrors(Work&& work) -> decltype(work()) {
    try {
        return work();
    } catch (const SQLite::Exception& e) {
        throw fromEngine(e);
    }
}

}  // namespace store
