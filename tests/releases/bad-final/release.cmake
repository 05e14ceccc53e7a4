# Test release that must not build: a 65-byte final block for a PIC18 slot.
set(RELEASE_IDENTITY "KAP BAD 00.00.01")
set(RELEASE_BUILD_DATE "Jan 01 2020")
set(RELEASE_BUILD_TIME "00:00:00")
release_cell(ROW 0 SLOT 9 IMAGE slot9-image.hex EEPROM NONE FINAL slot9-final.hex)
