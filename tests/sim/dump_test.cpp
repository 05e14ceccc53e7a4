// Memory dumps: Intel HEX with extended linear addresses and EEPROM at 0xF00000.
#include <gtest/gtest.h>

#include "sim/dump.h"

namespace {

TEST(DeviceDump, IntelHexCarriesFlashThenEepromWithExtendedAddresses) {
  devsim::DeviceMemory m;
  const uint8_t low[] = {0x01, 0x02, 0x03};
  const uint8_t high[] = {0xAA};
  m.writeFlash(0, low, 3);
  m.writeFlash(0x10000, high, 1);
  m.writeEeprom(5, 0x42);
  EXPECT_EQ(devsim::IntelHexText(m),
            ":03000000010203F7\n"
            ":020000040001F9\n"
            ":01000000AA55\n"
            ":0200000400F00A\n"
            ":0100050042B8\n"
            ":00000001FF\n");
}

TEST(DeviceDump, LongRunsSplitIntoRecordsOfSixteenAndNeverCross64K) {
  devsim::DeviceMemory m;
  const std::vector<uint8_t> run(20, 0x5A);
  m.writeFlash(0xFFF8, run.data(), run.size());
  const std::string hex = devsim::IntelHexText(m);
  EXPECT_EQ(hex.substr(0, hex.find('\n')), ":08FFF8005A5A5A5A5A5A5A5A31");
  EXPECT_NE(hex.find(":020000040001F9\n:0C0000005A"), std::string::npos) << hex;
}

TEST(DeviceDump, EmptyMemoryIsOnlyTheEndRecord) {
  EXPECT_EQ(devsim::IntelHexText(devsim::DeviceMemory{}), ":00000001FF\n");
}

}  // namespace
