// The number rule of the remembered port's text, apart from the store (no Qt), so that it
// can be tried on any text.
#pragma once

#include <cstdint>
#include <string>

// The number of a setting's text: leading blanks, an optional sign, decimal digits up to
// the first other character; no digits give 0. Arithmetic wraps, so the low 16 bits are
// always those of the written number.
int32_t SettingNumber(const std::string& text);
