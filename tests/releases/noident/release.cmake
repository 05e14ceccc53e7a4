# Test release: no identity at all; runs the Updater window with the fallback identity.
set(RELEASE_BUILD_DATE "Mar 04 2021")
set(RELEASE_BUILD_TIME "09:41:07")
set(RELEASE_MASK_ENABLED 1)

release_cell(ROW 0 SLOT 9 IMAGE ../updater/slot9-image.hex EEPROM ../updater/slot9-eeprom.hex
             FINAL ../updater/slot9-final.hex)
