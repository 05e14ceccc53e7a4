#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

#include "protocol/decoder.h"
#include "engine/engine.h"

namespace {

class Decoder : public testing::Test {
 protected:
  void SetUp() override { ResetEngineState(); }
  static void feed(std::vector<uint8_t> bytes) {
    DecodeReplyBytes(bytes.data(), static_cast<int>(bytes.size()));
  }
  static void identify(uint8_t version) {  // a committed V record of that version
    feed({'V', version, 0x48, 2, 0, 'K'});
    AckReceived = false;
  }
};

TEST_F(Decoder, AVRecordAndKIdentifyTheDevice) {
  feed({'V', 5, 0x48, 2, 0x84, 'K'});
  EXPECT_TRUE(AckReceived);
  EXPECT_TRUE(VRecordSeen);
  EXPECT_EQ(DeviceInfo.bootVersion, 5);
  EXPECT_EQ(DeviceInfo.chipCode, 0x48);
  EXPECT_EQ(DeviceInfo.boardId, 2);
  EXPECT_EQ(DeviceInfo.preparation, 0x84);
  EXPECT_EQ(PendingVRecord.vIndex, 0xFF);
}

TEST_F(Decoder, ADataByteEqualToAControlCharacterActsAsIt) {
  feed({'V', 9, 0xFD, 7, 3, 'K'});  // pending board 7, preparation 3
  AckReceived = false;
  feed({'V', 5, 0x48, 'K'});        // board id 75 is a K: commits what is pending
  EXPECT_TRUE(AckReceived);
  EXPECT_EQ(DeviceInfo.bootVersion, 5);
  EXPECT_EQ(DeviceInfo.chipCode, 0x48);
  EXPECT_EQ(DeviceInfo.boardId, 7);
  EXPECT_EQ(DeviceInfo.preparation, 3);
  feed({0x11, 0x22});  // the record goes on from its position: board, then preparation
  EXPECT_EQ(PendingVRecord.boardId, 0x11);
  EXPECT_EQ(PendingVRecord.preparation, 0x22);
  EXPECT_EQ(PendingVRecord.vIndex, 0xFF);
}

TEST_F(Decoder, VThenKCommitsVersionOneWithWhatWasPending) {
  feed({'V', 5, 0x48, 4, 9, 'K'});
  feed({'V', 'K'});
  EXPECT_EQ(DeviceInfo.bootVersion, 1);
  EXPECT_EQ(DeviceInfo.chipCode, 0x48);
  EXPECT_EQ(DeviceInfo.boardId, 4);
  EXPECT_EQ(DeviceInfo.preparation, 9);
}

TEST_F(Decoder, ShortIdentificationIsVersionZeroWithoutVRecord) {
  feed({'V', 5, 0x48, 4, 9, 'K'});
  feed({0x42, 'K'});
  EXPECT_FALSE(VRecordSeen);
  EXPECT_EQ(DeviceInfo.bootVersion, 0);
  EXPECT_EQ(DeviceInfo.chipCode, 0x42);
  EXPECT_EQ(DeviceInfo.boardId, 4);  // left from before
  EXPECT_EQ(DeviceInfo.preparation, 9);
}

TEST_F(Decoder, RefusalSetsItsFlag) {
  feed({'N'});
  EXPECT_TRUE(RefusalReceived);
  EXPECT_FALSE(AckReceived);
}

std::vector<uint8_t> RRecordBytes(int length, std::vector<uint8_t> body) {
  std::vector<uint8_t> bytes(3 + body.size());
  bytes[0] = 'R';
  bytes[1] = static_cast<uint8_t>(length);
  bytes[2] = 0x99;
  std::copy(body.begin(), body.end(), bytes.begin() + 3);
  return bytes;
}

TEST_F(Decoder, RRecordCarriesTextAndSkipRange) {
  identify(8);
  std::vector<uint8_t> body(28, 'x');
  std::memcpy(body.data(), "HELLO", 5);
  body[5] = 0;
  body[24] = 0x34; body[25] = 0x12; body[26] = 0x80; body[27] = 0x00;
  std::vector<uint8_t> bytes = RRecordBytes(28, body);
  bytes.push_back('Z');  // ignored until the closing K
  bytes.push_back('K');
  feed(bytes);
  EXPECT_STREQ(RRecord.text, "HELLO");
  EXPECT_EQ(RRecord.skipStart, 0x1234);
  EXPECT_EQ(RRecord.skipLength, 0x0080);
  EXPECT_EQ(RRecordDone, 1);
  EXPECT_FALSE(AckReceived);  // the closing K is not an acknowledgement
  EXPECT_EQ(RParser.rState, 0);
}

TEST_F(Decoder, ShortRRecordsLeaveTheSkipValues) {
  identify(31);
  feed(RRecordBytes(3, {'a', 'b', 'c'}));
  feed({'K'});
  EXPECT_STREQ(RRecord.text, "abc");
  EXPECT_EQ(RRecord.skipStart, 0);
  ResetRRecord();
  std::vector<uint8_t> body(25, 'y');
  body[24] = 0x40;
  feed(RRecordBytes(25, body));
  feed({'K'});
  EXPECT_EQ(RRecord.skipStart, 0x40);
  EXPECT_EQ(RRecord.skipLength, 0);
}

TEST_F(Decoder, ALongRRecordNeverRunsPastItsText) {
  identify(8);
  std::vector<uint8_t> body(255, 'q');
  body[24] = 1; body[25] = 0; body[26] = 2; body[27] = 0;
  feed(RRecordBytes(255, body));
  feed({'K'});
  EXPECT_EQ(std::strlen(RRecord.text), 24u);
  EXPECT_EQ(RRecord.skipStart, 1);
  EXPECT_EQ(RRecord.skipLength, 2);
  EXPECT_EQ(RRecordDone, 1);
}

TEST_F(Decoder, AnROutsideVersionsEightToThirtyOneIsData) {
  for (uint8_t version : {0, 7, 32, 40}) {
    identify(version);
    feed({'R'});
    EXPECT_EQ(RParser.rState, 0) << int(version);
    EXPECT_EQ(PendingVRecord.chipCode, 'R') << int(version);
    EXPECT_FALSE(VRecordSeen) << int(version);
  }
}

TEST_F(Decoder, AVClearsTheRRecordDoneFlag) {
  identify(8);
  feed(RRecordBytes(0, {}));
  feed({'K'});
  EXPECT_EQ(RRecordDone, 1);
  feed({'V'});
  EXPECT_EQ(RRecordDone, 0);
}

}  // namespace
