# Release KAP DL 01.24.04.00 (Upgrade window). The firmware files here are sample
# data made by tools/make-sample-firmware.py.
set(RELEASE_IDENTITY "KAP DL 01.24.04.00")
set(RELEASE_BUILD_DATE "Sep 23 2014")
set(RELEASE_BUILD_TIME "15:00:15")
set(RELEASE_MASK_ENABLED 1)

# Chip 0xFD (33FJ128 / 24HJ128): plain image, no EEPROM.
release_cell(ROW 0 SLOT 7 IMAGE slot7-image.hex EEPROM NONE FINAL slot7-final.hex PLAIN 1)
# Chip 0x47 (18F25k80): no image in this release, and no EEPROM placeholder either.
release_cell(ROW 0 SLOT 8 EEPROM NONE)
# Chip 0x48 (18F26k80): masked image with its EEPROM image.
release_cell(ROW 0 SLOT 9 IMAGE slot9-image.hex EEPROM slot9-eeprom.hex FINAL slot9-final.hex)
