# Test release: an identity with no variant code runs the Updater window.
set(RELEASE_IDENTITY "SOL BX 02.10.00")
set(RELEASE_BUILD_DATE "Mar 04 2021")
set(RELEASE_BUILD_TIME "09:41:07")
set(RELEASE_MASK_ENABLED 1)

release_cell(ROW 0 SLOT 9 IMAGE slot9-image.hex EEPROM slot9-eeprom.hex FINAL slot9-final.hex)
release_cell(ROW 0 SLOT 0 IMAGE slot0-image.hex EEPROM NONE FINAL slot0-final.hex)
release_cell(ROW 5 SLOT 1 IMAGE slot1-board5-image.hex EEPROM NONE FINAL slot0-final.hex)
release_cell(ROW 16 SLOT 6 IMAGE slot6-board16-image.hex EEPROM NONE FINAL slot0-final.hex)
# Images just above and at the size that multi-image runs do not count (10 bytes).
release_cell(ROW 0 SLOT 2 IMAGE slot2-image.hex EEPROM NONE FINAL slot0-final.hex)
release_cell(ROW 0 SLOT 3 IMAGE slot3-image.hex EEPROM NONE FINAL slot0-final.hex)
