# Test release that must not configure: its image comes without a final block.
set(RELEASE_IDENTITY "KAP NOFINAL 00.00.01")
set(RELEASE_BUILD_DATE "Jan 01 2020")
set(RELEASE_BUILD_TIME "00:00:00")
release_cell(ROW 0 SLOT 9 IMAGE slot9-image.hex EEPROM NONE)
