#!/usr/bin/env python3
"""Writes the sample firmware inputs of the releases in this repository.

No real firmware comes with these releases: every image, EEPROM image and final block
is deterministic sample data made here, written as Intel HEX (what firmware toolchains
emit and what the build embeds). Masked images carry their required print and
preparation in two header bytes, each stored XOR 0xA5 (the mask of value 0).

Run from anywhere: python3 tools/make-sample-firmware.py
"""
import os

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MASK0 = 0xA5  # the byte mask for value 0 when the mask is enabled


def sample_bytes(seed, length):
    """Deterministic pseudo-random bytes (a 32-bit linear congruential generator)."""
    state = seed & 0xFFFFFFFF
    out = bytearray(length)
    for i in range(length):
        state = (state * 1664525 + 1013904223) & 0xFFFFFFFF
        out[i] = state >> 24
    return out


def image(seed, length, header_at=None, print_id=0, preparation=0):
    data = sample_bytes(seed, length)
    if header_at is not None:
        data[header_at] = print_id ^ MASK0
        data[header_at + 1] = preparation ^ MASK0
    return data


def intel_hex(data):
    def record(kind, address, payload):
        fields = [len(payload), (address >> 8) & 0xFF, address & 0xFF, kind] + list(payload)
        return ":" + "".join("%02X" % b for b in fields) + "%02X" % (-sum(fields) & 0xFF)

    lines, upper = [], None
    for offset in range(0, len(data), 32):
        if offset >> 16 != upper:
            upper = offset >> 16
            lines.append(record(4, 0, [upper >> 8, upper & 0xFF]))
        lines.append(record(0, offset & 0xFFFF, data[offset:offset + 32]))
    lines.append(record(1, 0, []))
    return "\n".join(lines) + "\n"


def write(folder, name, data):
    path = os.path.join(ROOT, folder, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", newline="\n") as f:
        f.write(intel_hex(data))


PIC18_HEADER = 14
PIC24_HEADER = 1024

# This release: slot 7 (chip 0xFD) plain, slot 9 (chip 0x48) masked with EEPROM.
KAP = "releases/kap-dl-01.24.04.00"
write(KAP, "slot7-image.hex", image(7, 144896))
write(KAP, "slot7-final.hex", sample_bytes(70, 8))
write(KAP, "slot9-image.hex", image(9, 9766, PIC18_HEADER, 0, 0))
write(KAP, "slot9-eeprom.hex", sample_bytes(90, 1024))
write(KAP, "slot9-final.hex", sample_bytes(91, 8))

# Test releases (built with the tests, never installed).
T = "tests/releases"
write(T + "/updater", "slot9-image.hex", image(209, 300, PIC18_HEADER, 0, 0))
write(T + "/updater", "slot9-eeprom.hex", sample_bytes(290, 16))
write(T + "/updater", "slot9-final.hex", sample_bytes(291, 8))
write(T + "/updater", "slot0-image.hex", image(200, 200, PIC18_HEADER, 3, 0x84))
write(T + "/updater", "slot0-final.hex", sample_bytes(201, 8))
write(T + "/updater", "slot1-board5-image.hex", image(215, 150, PIC18_HEADER, 5, 0x04))
write(T + "/updater", "slot6-board16-image.hex", image(216, 1100, PIC24_HEADER, 16, 0x10))
write(T + "/updater", "slot2-image.hex", sample_bytes(202, 11))
write(T + "/updater", "slot3-image.hex", sample_bytes(203, 10))

write(T + "/loader", "slot9-image.hex", image(309, 300, PIC18_HEADER, 0, 0))
write(T + "/loader", "slot9-eeprom.hex", sample_bytes(390, 16))
write(T + "/loader", "slot9-final.hex", sample_bytes(391, 8))

write(T + "/tri", "slot7-image.hex", image(407, 600))
write(T + "/tri", "slot7-final.hex", sample_bytes(470, 8))
write(T + "/tri", "slot9-image.hex", image(409, 300, PIC18_HEADER, 0, 0))
write(T + "/tri", "slot9-eeprom.hex", sample_bytes(490, 16))
write(T + "/tri", "slot9-final.hex", sample_bytes(491, 8))
write(T + "/tri", "slot0-image.hex", image(400, 200, PIC18_HEADER, 0, 0))
write(T + "/tri", "slot0-final.hex", sample_bytes(401, 8))

write(T + "/bad-final", "slot9-image.hex", image(509, 100, PIC18_HEADER, 0, 0))
write(T + "/bad-final", "slot9-final.hex", sample_bytes(591, 65))
