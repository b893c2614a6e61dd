#pragma once

#include <QFont>

// The windows' fonts: "MS Sans Serif", or a sans font of the same size where
// the desktop has none by that name.
namespace fonts {

void installFallbacks();
QFont formFont();   // 8.25 points: labels, lists, the Exit button
QFont panelFont();  // 8.5 points: the text panels

}  // namespace fonts
