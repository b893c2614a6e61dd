#pragma once

#include <functional>

class QString;

namespace platform {
class PlatformServices;
}

// Looks at the file in the library's place first: an Access database that is
// no library of the earlier Windows version is refused at once, as an
// errors::Error. When the library was written by the earlier version, offers
// to convert it, and converts it on Yes with a progress bar should it take a
// while. Returns false when the user said No and Snibbet should end; a
// conversion that fails, or that `stop` ends, is an errors::Error and changes
// nothing.
bool offerConversion(const QString& folder, platform::PlatformServices& services,
                     const std::function<bool()>& stop = {});
