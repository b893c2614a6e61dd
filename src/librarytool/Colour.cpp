#include "librarytool/Colour.h"

namespace librarytool::colour {

bool wanted(Colour when, bool outputIsTerminal, const QByteArray& term) {
    switch (when) {
        case Colour::Always:
            return true;
        case Colour::Never:
            return false;
        case Colour::Auto:
            return outputIsTerminal && !term.isEmpty() && term != "dumb";
    }
    return false;
}

QByteArray start(Part part) {
    switch (part) {
        case Part::Match:
            return "\33[01;31m\33[K";
        case Part::File:
            return "\33[35m\33[K";
        case Part::LineNumber:
            return "\33[32m\33[K";
        case Part::Separator:
            return "\33[36m\33[K";
    }
    return {};
}

QByteArray end() {
    return "\33[m\33[K";
}

}  // namespace librarytool::colour
