// Complete programming runs, checked frame by frame and byte by byte against the layout the
// test works out from the image.
#include <algorithm>
#include <gtest/gtest.h>

#include "catalogue/catalogue.h"
#include "protocol/decoder.h"
#include "protocol/run.h"
#include "support/engine_fixture.h"
#include "support/expected_run.h"

namespace {

// The image, EEPROM and final block of the built-in cell of a chip, as stored before a run.
RunInput BuiltIn(uint8_t chip, uint8_t version) {
  SelectImage(chip, 0);
  RunInput in;
  in.image.assign(CurrentImage.image, CurrentImage.image + CurrentImage.imageLength);
  in.eeprom.assign(CurrentImage.eeprom, CurrentImage.eeprom + CurrentImage.eepromLength);
  in.finalBytes.assign(CurrentImage.finalBytes, CurrentImage.finalBytes + CurrentImage.finalLength);
  in.plain = CurrentImage.plain != 0;
  in.chip = chip;
  in.version = version;
  return in;
}

class Run : public EngineTest {};

TEST_F(Run, WritesTheBuiltInImageOfChip0xFD) {
  open();
  const RunInput in = BuiltIn(0xFD, 5);
  connect(device(0xFD));
  EXPECT_EQ(update(), 0);
  EXPECT_EQ(message(), "Program OK");
  EXPECT_EQ(panel(3), "Found 33FJ128 - 24HJ128");
  EXPECT_EQ(CompareWithDevice(ExpectRun(in), *link.device()), "");
  // 566 blocks of 256 bytes, the last in full; entry command first, no EEPROM.
  const auto& t = link.device()->transcript();
  EXPECT_EQ(std::count_if(t.begin(), t.end(), [](auto& e) { return e.kind == "block"; }), 567);
  EXPECT_EQ(std::count_if(t.begin(), t.end(), [](auto& e) { return e.kind == "entry"; }), 1);
}

TEST_F(Run, WritesTheBuiltInImageOfChip0x48AsTheWorkedExampleLaysItOut) {
  open();
  const RunInput in = BuiltIn(0x48, 5);
  connect(device(0x48));
  EXPECT_EQ(update(), 0);
  EXPECT_EQ(message(), "Program OK");
  EXPECT_EQ(CompareWithDevice(ExpectRun(in), *link.device()), "");

  const std::vector<std::vector<uint8_t>> frames = frameWrites();
  ASSERT_EQ(frames.size(), 153u + 1 + 1024);
  // Reset vector GOTO 0xFE80, masked: 40 EF 7F F0 each XOR 0xA5.
  EXPECT_EQ(std::vector<uint8_t>(frames[0].begin(), frames[0].begin() + 8),
            (std::vector<uint8_t>{0x00, 0x00, 0x00, 0x40, 0xE5, 0x4A, 0xDA, 0x55}));
  // The last block at 0x2600: 38 data bytes padded with 0x5A to 64, length byte kept.
  const std::vector<uint8_t>& last = frames[152];
  ASSERT_EQ(last.size(), 69u);
  EXPECT_EQ(std::vector<uint8_t>(last.begin(), last.begin() + 4),
            (std::vector<uint8_t>{0x00, 0x26, 0x00, 0x40}));
  EXPECT_TRUE(std::equal(last.begin() + 4, last.begin() + 42, in.image.begin() + 0x2600));
  EXPECT_TRUE(std::all_of(last.begin() + 42, last.begin() + 68, [](uint8_t b) { return b == 0x5A; }));
  // The final block at 0xFE40: fill 0x1A, then the first four final bytes masked with 0xE5
  // and the zeroed rest, masked the same way.
  const std::vector<uint8_t>& final = frames[153];
  ASSERT_EQ(final.size(), 69u);
  EXPECT_EQ(std::vector<uint8_t>(final.begin(), final.begin() + 4),
            (std::vector<uint8_t>{0x00, 0xFE, 0x40, 0x40}));
  EXPECT_TRUE(std::all_of(final.begin() + 4, final.begin() + 60, [](uint8_t b) { return b == 0x1A; }));
  for (int i = 0; i < 4; ++i) EXPECT_EQ(final[60 + i], in.finalBytes[i] ^ 0xE5) << i;
  for (int i = 4; i < 8; ++i) EXPECT_EQ(final[60 + i], 0xE5) << i;
  // 1024 EEPROM frames; the address byte runs from 0 to 255 four times.
  for (int i = 0; i < 1024; ++i) {
    const std::vector<uint8_t>& f = frames[154 + i];
    ASSERT_EQ(f.size(), 6u);
    EXPECT_EQ(f[0], 0x40);
    EXPECT_EQ(f[1], i & 0xFF);
    EXPECT_EQ(f[2], in.eeprom[i]);
    EXPECT_EQ(f[3], 0x01);
    EXPECT_EQ(f[4], 0x00);
  }
}

TEST_F(Run, LaysOutShortAndExactImages) {
  const struct {
    const char* what;
    uint8_t chip;
    size_t length;
    int plain;
    std::vector<int> blockLengths;  // length fields in order, the final block last
  } cases[] = {
      {"100-byte PIC18 image", 0x42, 100, 0, {64, 36, 64}},
      {"exact multiple, PIC18", 0x42, 128, 0, {64, 64, 64}},
      {"exact multiple, 16-bit", 0xFC, 1536, 0, {256, 256, 256, 256, 256, 256, 256}},
      {"partial 16-bit block", 0xFC, 1100, 0, {256, 256, 256, 256, 76, 256}},
      {"plain padded image", 0x47, 70, 1, {64, 64, 64}},
  };
  for (const auto& c : cases) {
    restart();
    open();
    RunInput in;
    in.image = TestImage(c.length, c.chip, c.chip);
    in.finalBytes = TestBytes(8, 99);
    in.plain = c.plain != 0;
    in.chip = c.chip;
    useImage(0, SlotOfChip(c.chip), in.image, {}, in.finalBytes, c.plain);
    connect(device(c.chip));
    EXPECT_EQ(update(), 0) << c.what;
    EXPECT_EQ(message(), "Program OK") << c.what;
    const ExpectedRun expected = ExpectRun(in);
    EXPECT_EQ(CompareWithDevice(expected, *link.device()), "") << c.what;
    std::vector<int> lengths;
    for (const ExpectedFrame& f : expected.frames) lengths.push_back(f.length);
    EXPECT_EQ(lengths, c.blockLengths) << c.what;
  }
}

TEST_F(Run, APlainPaddedImageIsPaddedWithBlank) {
  open();
  useImage(0, 8, TestImage(70, 1, 0x47), {}, TestBytes(8, 2), 1);
  connect(device(0x47));
  ASSERT_EQ(update(), 0);
  const std::vector<std::vector<uint8_t>> frames = frameWrites();
  ASSERT_EQ(frames.size(), 3u);
  const std::vector<uint8_t>& last = frames[1];
  EXPECT_TRUE(std::all_of(last.begin() + 4 + 6, last.end() - 1, [](uint8_t b) { return b == 0xFF; }));
}

TEST_F(Run, ThePIC18ImageIsCutAtTheFlashLimitWithoutAMessage) {
  open();
  RunInput in;
  in.image = TestImage(0x7E40 + 1, 3, 0x42);  // one byte more than chip 0x42 takes with v5
  in.finalBytes = TestBytes(8, 4);
  in.chip = 0x42;
  useImage(0, 0, in.image, {}, in.finalBytes, 0);
  connect(device(0x42));
  EXPECT_EQ(update(), 0);
  EXPECT_EQ(message(), "Program OK");
  EXPECT_EQ(CompareWithDevice(ExpectRun(in), *link.device()), "");
  EXPECT_EQ(link.device()->memory().flashByte(0x7E40 - 1).has_value(), true);
}

TEST_F(Run, BlocksWhoseEndFallsInTheSkipRangeAreNotSent) {
  const struct {
    uint16_t skipStart, skipLength;
  } cases[] = {{0, 500}, {100, 28}, {128, 0}, {100, 200}, {300, 10}};
  for (const auto& c : cases) {
    restart();
    open();
    RunInput in;
    in.image = TestImage(1280, 5, 0xFC);  // blocks ending at 128, 256, 384, 512 (the last at 640)
    in.finalBytes = TestBytes(8, 6);
    in.chip = 0xFC;
    in.version = 8;
    in.skipStart = c.skipStart;
    in.skipLength = c.skipLength;
    useImage(0, 6, in.image, {}, in.finalBytes, 0);
    devsim::Config config = device(0xFC, 8);
    config.rRecord = true;
    config.rText = "R";
    config.skipStart = c.skipStart;
    config.skipLength = c.skipLength;
    connect(config);
    EXPECT_EQ(update(), 0) << c.skipStart << "+" << c.skipLength;
    EXPECT_EQ(CompareWithDevice(ExpectRun(in), *link.device()), "") << c.skipStart << "+" << c.skipLength;
    EXPECT_EQ(bar()->value(), 0);
  }
}

TEST_F(Run, TheResetVectorAndEntryCommandFollowTheBootloaderVersion) {
  const struct {
    uint8_t version;
    bool entry;
    uint8_t vectorByte0;  // 0x40 for version 5 and above, 0x80 below
  } cases[] = {{4, false, 0x80}, {5, true, 0x40}, {8, true, 0x40}, {31, true, 0x40}, {32, true, 0x40}};
  for (const auto& c : cases) {
    restart();
    open();
    RunInput in;
    in.image = TestImage(200, c.version, 0x42);
    in.finalBytes = TestBytes(8, 7);
    in.chip = 0x42;
    in.version = c.version;
    useImage(0, 0, in.image, {}, in.finalBytes, 0);
    connect(device(0x42, c.version));
    EXPECT_EQ(update(), 0) << int(c.version);
    EXPECT_EQ(message(), "Program OK") << int(c.version);
    EXPECT_EQ(CompareWithDevice(ExpectRun(in), *link.device()), "") << int(c.version);
    const auto& t = link.device()->transcript();
    EXPECT_EQ(std::any_of(t.begin(), t.end(), [](auto& e) { return e.kind == "entry"; }), c.entry)
        << int(c.version);
    EXPECT_EQ(link.device()->memory().flashByte(0), c.vectorByte0 ^ 0xA5) << int(c.version);
  }
}

TEST_F(Run, ABootloaderFromVersion33IsRefusedBeforeAnythingIsSent) {
  open();
  connect(device(0x48, 33));
  EXPECT_EQ(update(), 0);
  EXPECT_EQ(message(), " Incompatible Bootloader !! ");
  EXPECT_TRUE(frameWrites().empty());
  EXPECT_EQ(link.writes().size(), 1u);  // the probe
}

TEST_F(Run, Chips71And72WithAnOldBootloaderAreRefused) {
  for (uint8_t chip : {0x47, 0x48}) {
    restart();
    open();
    useImage(0, SlotOfChip(chip), TestImage(100, 8, chip), {}, TestBytes(8, 9), 0);
    SelectImage(chip, 0);
    const std::vector<uint8_t> before(CurrentImage.image, CurrentImage.image + 8);
    connect(device(chip, 4));
    EXPECT_EQ(update(), 0) << int(chip);
    EXPECT_EQ(message(), " Incompatible Bootloader !! ") << int(chip);
    EXPECT_TRUE(frameWrites().empty()) << int(chip);
    SelectImage(chip, 0);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), CurrentImage.image)) << int(chip);
  }
}

TEST_F(Run, ADeviceWithoutVRecordIsBoardTwoWithoutEntryCommandOrCheck) {
  open();
  // Board 2's own image, which asks for board 5: a device that sent no V record is taken
  // as board 2 and not checked.
  RunInput in;
  in.image = TestBytes(100, 10);
  in.image[14] = 5 ^ 0xA5;
  in.image[15] = 0x04 ^ 0xA5;
  in.finalBytes = TestBytes(8, 11);
  in.chip = 0x42;
  in.version = 0;  // no V record: version 0, the old reset vector
  useImage(0, 0, TestImage(100, 12, 0x42), {}, TestBytes(8, 13), 0);
  useImage(2, 0, in.image, {}, in.finalBytes, 0);
  devsim::Config config = device(0x42, 5);
  config.vRecord = false;
  config.board = 9;
  connect(config);
  EXPECT_EQ(update(), 0);
  EXPECT_FALSE(VRecordSeen);
  EXPECT_EQ(message(), "Program OK");
  EXPECT_EQ(CompareWithDevice(ExpectRun(in), *link.device()), "");
  const auto& t = link.device()->transcript();
  EXPECT_FALSE(std::any_of(t.begin(), t.end(), [](auto& e) { return e.kind == "entry"; }));
}

}  // namespace
