// The release's built-in images as the tests' expected runs take them. Only for test
// programs linked with a release's data.
#pragma once

#include <cstdint>

#include "support/expected_run.h"

// The built-in image of a chip's slot (row 0) as the release stores it.
RunInput BuiltInImage(uint8_t chip, int slot);
