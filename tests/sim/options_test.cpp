// The tarvik-devsim command line, the ports folder and the per-device file names.
#include <gtest/gtest.h>

#include "sim/options.h"

namespace {

using devsim::FaultKind;
using devsim::ParseOptions;

TEST(DevsimOptions, ValuesReachTheConfig) {
  const devsim::ParsedOptions p = ParseOptions(
      {"--chip", "0x48,0xFD,66", "--version=9", "--board", "3", "--prep", "0x10", "--no-vrecord",
       "--rtext", "Board A", "--skip", "0x100:32", "--probes", "C5,0xC6", "--answer-after", "4",
       "--port", "com7", "--ports-dir", "/tmp/p", "--line-rate", "--baud", "57600",
       "--block-write-us", "100", "--wide-block-write-us", "200", "--eeprom-write-us", "300",
       "--refuse", "3:2", "--drop", "2@5", "--late", "4:20", "--late-all", "7", "--garbage", "6:3",
       "--silent-after", "8", "--hangup-after", "9", "--dump", "d.hex", "--dump-bin", "d.bin",
       "--transcript", "t.jsonl", "--report", "r.json"});
  ASSERT_TRUE(p.ok) << p.error;
  const devsim::ProgramOptions& o = p.options;
  const devsim::Config& c = o.device;
  EXPECT_EQ(c.chips, (std::vector<uint8_t>{0x48, 0xFD, 66}));
  EXPECT_EQ(c.version, 9);
  EXPECT_EQ(c.board, 3);
  EXPECT_EQ(c.preparation, 0x10);
  EXPECT_FALSE(c.vRecord);
  EXPECT_TRUE(c.rRecord);
  EXPECT_EQ(c.rText, "Board A");
  EXPECT_EQ(c.skipStart, 0x100);
  EXPECT_EQ(c.skipLength, 32);
  EXPECT_EQ(c.probes, (std::vector<uint8_t>{0xC5, 0xC6}));
  EXPECT_EQ(c.answerAfterProbes, 4);
  EXPECT_EQ(o.port, "com7");
  EXPECT_EQ(o.portsDir, "/tmp/p");
  EXPECT_TRUE(c.timeModel);
  EXPECT_NEAR(c.byteUs, 11e6 / 57600, 1e-9);
  EXPECT_EQ(c.pic18BlockWriteUs, 100);
  EXPECT_EQ(c.wideBlockWriteUs, 200);
  EXPECT_EQ(c.eepromByteWriteUs, 300);
  EXPECT_EQ(o.dumpHex, "d.hex");
  EXPECT_EQ(o.dumpBin, "d.bin");
  EXPECT_EQ(o.transcript, "t.jsonl");
  EXPECT_EQ(o.report, "r.json");

  struct Expected { FaultKind kind; int device, frame, count; int64_t delayUs; };
  const std::vector<Expected> faults = {
      {FaultKind::Refuse, 0, 3, 2, 0},  {FaultKind::Drop, 2, 5, 1, 0},
      {FaultKind::Late, 0, 4, 1, 20000}, {FaultKind::Late, 0, 0, 1, 7000},
      {FaultKind::Garbage, 0, 6, 3, 0}, {FaultKind::Silent, 0, 8, 1, 0},
      {FaultKind::HangUp, 0, 9, 1, 0}};
  ASSERT_EQ(c.faults.size(), faults.size());
  for (size_t i = 0; i < faults.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(c.faults[i].kind, faults[i].kind);
    EXPECT_EQ(c.faults[i].device, faults[i].device);
    EXPECT_EQ(c.faults[i].frame, faults[i].frame);
    EXPECT_EQ(c.faults[i].count, faults[i].count);
    EXPECT_EQ(c.faults[i].delayUs, faults[i].delayUs);
  }
}

TEST(DevsimOptions, BadValuesAreRefusedWithTheOptionNamed) {
  const std::vector<std::vector<std::string>> bad = {
      {"--chip", "0x148"}, {"--chip", "zz"}, {"--chip", "0x48,"}, {"--version", "-1"},
      {"--board", "256"}, {"--prep"}, {"--rtext", "1234567890123456789012345"},
      {"--skip", "5"}, {"--skip", "1:70000"}, {"--probes", "C2,XY"}, {"--answer-after", "x"},
      {"--port", "COM0"}, {"--port", "tty1"}, {"--baud", "0"}, {"--block-write-us", "1.5"},
      {"--refuse", "3"}, {"--refuse", "0:1"}, {"--drop", "2:1"}, {"--late", "x:3"},
      {"--garbage", "0@1:1"}, {"--hangup-after", ""}, {"--line-rate=1"}, {"--frobnicate"},
  };
  for (const std::vector<std::string>& args : bad) {
    SCOPED_TRACE(args[0] + (args.size() > 1 ? " " + args[1] : ""));
    const devsim::ParsedOptions p = ParseOptions(args);
    EXPECT_FALSE(p.ok);
    const std::string name = args[0].substr(0, args[0].find('='));
    EXPECT_NE(p.error.find(name), std::string::npos) << p.error;
  }
}

TEST(DevsimOptions, PortsFolderOptionDropsTrailingSlashes) {
  EXPECT_EQ(devsim::PortsFolder("/opt//"), "/opt");
  EXPECT_EQ(devsim::PortsFolder("/"), "/");
}

TEST(DevsimOptions, SeveralDevicesWriteNumberedFiles) {
  EXPECT_EQ(devsim::DeviceFileName("d.hex", 1, 1), "d.hex");
  EXPECT_EQ(devsim::DeviceFileName("d.hex", 1, 3), "d.hex.1");
  EXPECT_EQ(devsim::DeviceFileName("d.hex", 3, 3), "d.hex.3");
}

}  // namespace
