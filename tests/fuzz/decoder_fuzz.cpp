// The reply decoder fed any byte stream: after every byte its state stays within its bounds.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "protocol/decoder.h"

namespace {

void Check(bool holds) {
  if (!holds) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ResetDecoder();
  // The first byte chooses the bootloader version the device said before: it decides
  // whether an R record is read at all.
  if (size > 0) {
    DeviceInfo.bootVersion = data[0];
    ++data;
    --size;
  }
  for (size_t i = 0; i < size; ++i) {
    DecodeReplyBytes(data + i, 1);
    const PendingVRecordState& v = PendingVRecord;
    Check(v.vIndex <= 3 || v.vIndex == 0xFF);
    Check(RParser.rState <= 3);
    Check(RParser.rIndex >= 0);
    Check(std::memchr(RRecord.text, '\0', sizeof RRecord.text) != nullptr);
    Check(RRecordDone == 0 || RRecordDone == 1);
  }
  return 0;
}
