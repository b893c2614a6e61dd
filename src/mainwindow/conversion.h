#pragma once

class QString;

namespace platform {
class PlatformServices;
}

// When the library in `folder` was written by the earlier Windows version,
// offers to convert it, and converts it on Yes with a progress bar should it
// take a while. Returns false when the user said No and Snibbet should end;
// a conversion that fails is a errors::Error and changes nothing.
bool offerConversion(const QString& folder, platform::PlatformServices& services);
