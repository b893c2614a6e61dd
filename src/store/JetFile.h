#pragma once

// The library's own check of a file tells a Jet or ACE database by its first
// bytes; reading one is the Jet reader's (src/jet).
#include "jet/Signature.h"

namespace store {

using jet::hasAceSignature;
using jet::hasJetSignature;

}  // namespace store
