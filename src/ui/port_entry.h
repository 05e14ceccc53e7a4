// The port dialog's reading of a port name ("COM5" -> port index 4), apart from the dialog
// (no Qt), so that it can be tried on any text.
#pragma once

#include <cstdint>
#include <string>

// What follows the leading upper-case C, O and M letters, up to the next of them, read as a
// decimal number (strtol), minus 1; an empty name, or one made of those letters only,
// gives 0. A lower-case "com5" keeps its letters, reads as the number 0 and gives -1. The
// result wraps to 16 bits.
int16_t PortOfPortName(const std::string& name);
