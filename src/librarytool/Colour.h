#pragma once

#include <QByteArray>

#include "librarytool/CommandLine.h"

// Colour on the terminal as grep has it: its default colours, and the same
// rule for --color=auto.
namespace librarytool::colour {

enum class Part { Match, File, LineNumber, Separator };

// Whether `when` asks for colour, for an output that is a terminal or not;
// auto also leaves a terminal that calls itself dumb without colour.
bool wanted(Colour when, bool outputIsTerminal, const QByteArray& term);

// The bytes that start and end a part in colour, grep's defaults
// (GREP_COLORS="ms=01;31:fn=35:ln=32:se=36").
QByteArray start(Part part);
QByteArray end();

}  // namespace librarytool::colour
