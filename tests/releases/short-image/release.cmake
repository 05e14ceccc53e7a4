# Test release that must not build: its slot 0 image is 2 bytes, shorter than the 4-byte
# jump the run writes over a PIC18 image's start.
set(RELEASE_IDENTITY "KAP SHORT 00.00.01")
set(RELEASE_BUILD_DATE "Jan 01 2020")
set(RELEASE_BUILD_TIME "00:00:00")
release_cell(ROW 0 SLOT 0 IMAGE slot0-image.hex EEPROM NONE FINAL slot0-final.hex)
