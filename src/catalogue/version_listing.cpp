#include "catalogue/version_listing.h"

#include <cstdio>

#include "catalogue/build_data.h"
#include "catalogue/catalogue.h"

const char* const BoardNames[33] = {
    "UNK",  "UNK",  "MB02", "MB03", "MB04", "MB05", "MB06", "MB07", "MB08", "MB09", "MB10",
    "MB11", "MB12", "MB13", "MB14", "MB15", "MB16", "MB17", "MB18", "MB19", "MB20", "MB21",
    "MB22", "MB23", "MB24", "MB25", "27",   "28",   "29",   "30",   "31",   "32",   "MB32",
};

const char* const ConnectorKinds[33] = {
    "UNK",   "UNK",   "14PIN", "16PIN", "16PIN", "16PIN", "16PIN", "16PIN", "16PIN",
    "16PIN", "16PIN", "16PIN", "16PIN", "16PIN", "DB9",   "16PIN", "16PIN", "16PIN",
    "16PIN", "16PIN", "RJ45",  "6PIN",  "16PIN", "16PIN", "16PIN", "14PIN", "16PIN",
    "16PIN", "16PIN", "16PIN", "16PIN", "16PIN", "16PIN",
};

const char* const PreparationNames[11] = {
    "UNK", "CAN+SPI", "", "RES", "CAN", "SRV", "2RES", "CDC", "USB", "RS485", "ETH0",
};

const char* BoardName(int32_t printId) {
  return printId >= 1 && printId <= 32 ? BoardNames[printId] : BoardNames[2];
}

std::string ComposeVersionLine(int8_t lineIndex, const char* label, uint8_t print,
                               uint8_t preparation) {
  const char* board;
  const char* connector;
  const char* flag = " ";
  const char* kindName = "UNKNOWN";
  if (print >= 1 && print <= 32) {
    board = BoardNames[print];
    connector = ConnectorKinds[print];
    if (preparation & 0x80) flag = "RES";
    const int kind = preparation & 0x6F;
    if (kind >= 1 && kind <= 10) kindName = PreparationNames[kind];
  } else if (lineIndex < 6) {
    board = BoardNames[2];
    connector = ConnectorKinds[2];
  } else {
    board = BoardNames[0];
    connector = ConnectorKinds[3];
  }
  char line[128];
  std::snprintf(line, sizeof line, "%s - %s[%s] - %s  %s[Code:%02x]", label, board, connector,
                kindName, flag, preparation);
  return line;
}

namespace {

const BuildCell* ListedCell(int row, int slot) {
  for (int i = 0; i < BuildCellCount; ++i) {
    const BuildCell& c = BuildCells[i];
    if (c.row == row && c.slot == slot && c.image.length > 1) return &c;
  }
  return nullptr;
}

// The image's requirements from its masked header bytes; an image too short to hold
// them keeps the values its release gives.
void HeaderRequirements(const BuildCell& c, int headerAt, uint8_t* print, uint8_t* preparation) {
  const uint8_t m = DataMask(0, MaskEnabled);
  if (c.image.length > headerAt + 1) {
    *print = c.image.bytes[headerAt] ^ m;
    *preparation = c.image.bytes[headerAt + 1] ^ m;
  } else {
    *print = c.print;
    *preparation = c.preparation;
  }
}

struct Group {
  const char* label;
  int slot;
};

}  // namespace

std::vector<std::string> VersionListing() {
  static const Group groups[] = {
      {"24HJ64", 6}, {"2580  ", 1}, {"258   ", 0}, {"2480  ", 2},
      {"248   ", 3}, {"2320  ", 4}, {"24J10 ", 5},
  };
  std::vector<std::string> lines = {"Device - Print          - Preparation",
                                    std::string(37, '-')};
  int imageLines = 0;
  auto add = [&](const Group& g, const BuildCell& c) {
    uint8_t print, preparation;
    HeaderRequirements(c, SlotHeaderAt(g.slot), &print, &preparation);
    lines.push_back(ComposeVersionLine(static_cast<int8_t>(imageLines++), g.label, print,
                                       preparation));
  };
  for (const Group& g : groups) {
    if (const BuildCell* c = ListedCell(0, g.slot)) {
      add(g, *c);
      continue;
    }
    // Without an image for every board, the board-specific images of the slot.
    for (const BoardCell& b : BoardCells)
      if (b.slot == g.slot)
        if (const BuildCell* c = ListedCell(b.row, g.slot)) add(g, *c);
  }
  return lines;
}
