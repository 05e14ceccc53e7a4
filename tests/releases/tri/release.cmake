# Test release: "KAP" with "TRI" runs the Upgrade window in multi-image mode.
set(RELEASE_IDENTITY "KAP TRI 01.00.00")
set(RELEASE_BUILD_DATE "Jun 30 2016")
set(RELEASE_BUILD_TIME "11:05:59")
set(RELEASE_MASK_ENABLED 1)

release_cell(ROW 0 SLOT 7 IMAGE slot7-image.hex EEPROM NONE FINAL slot7-final.hex PLAIN 1)
release_cell(ROW 0 SLOT 9 IMAGE slot9-image.hex EEPROM slot9-eeprom.hex FINAL slot9-final.hex)
release_cell(ROW 0 SLOT 0 IMAGE slot0-image.hex EEPROM NONE FINAL slot0-final.hex)
