// The two sums a host frame can end with, computed on the device's side.
#pragma once

#include <cstddef>
#include <cstdint>

namespace devsim {

// The 8-bit checksum byte of a bootloader frame: the two's complement of the sum of the
// bytes before it, so that the whole frame sums to 0 modulo 256.
uint8_t FrameChecksum(const uint8_t* bytes, size_t n);

// True when a frame, checksum byte included, sums to 0 modulo 256.
bool FrameSumsToZero(const uint8_t* frame, size_t n);

// The plain 16-bit sum that closes the pattern and command-4 frames.
uint16_t Sum16(const uint8_t* bytes, size_t n);

}  // namespace devsim
