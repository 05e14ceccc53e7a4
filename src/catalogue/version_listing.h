// The version listing: one line per built-in image of the listed chips, with the board,
// connector and hardware preparation it is made for; and the board name table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

extern const char* const BoardNames[33];
extern const char* const ConnectorKinds[33];
extern const char* const PreparationNames[11];

// The name of a board id: ids 1 to 32 name themselves, any other id gives entry 2.
const char* BoardName(int32_t printId);

// One image line: "<label> - <board>[<connector>] - <kind>  <flag>[Code:<prep>]".
std::string ComposeVersionLine(int8_t lineIndex, const char* label, uint8_t print,
                               uint8_t preparation);
// The whole listing: the two header lines, then the image lines, from the build data.
std::vector<std::string> VersionListing();

