#include "support/built_in_image.h"

#include "catalogue/build_data.h"

RunInput BuiltInImage(uint8_t chip, int slot) {
  RunInput in;
  in.chip = chip;
  for (int i = 0; i < BuildCellCount; ++i) {
    const BuildCell& c = BuildCells[i];
    if (c.row != 0 || c.slot != slot) continue;
    if (c.image.length > 0) in.image.assign(c.image.bytes, c.image.bytes + c.image.length);
    if (c.eeprom.length > 0) in.eeprom.assign(c.eeprom.bytes, c.eeprom.bytes + c.eeprom.length);
    if (c.finalBlock.length > 0)
      in.finalBytes.assign(c.finalBlock.bytes, c.finalBlock.bytes + c.finalBlock.length);
    in.plain = c.plain != 0;
  }
  return in;
}
