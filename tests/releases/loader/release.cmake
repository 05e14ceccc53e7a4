# Test release: "QIX" selects the Loader window with the N probe.
set(RELEASE_IDENTITY "QIX LD 03.01.00")
set(RELEASE_BUILD_DATE "Jan 15 2019")
set(RELEASE_BUILD_TIME "17:20:44")
set(RELEASE_MASK_ENABLED 1)

release_cell(ROW 0 SLOT 9 IMAGE slot9-image.hex EEPROM slot9-eeprom.hex FINAL slot9-final.hex)
