#include "sim/options.h"

#include "serial/port_names.h"

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>

namespace devsim {

namespace {

const char* const Help = R"(Usage: tarvik-devsim [OPTION]...
Plays a device in bootloader mode on a pseudo-terminal, linked into the ports folder as
COM<n>. Prints "tarvik-devsim: COM<n> -> /dev/pts/<m>" once the port is ready, then answers
the host until SIGTERM or SIGINT (or its hang-up fault), writes the files asked for, removes
the link and exits 0. Bad option values exit 2.

Numbers are decimal, or hexadecimal with 0x. Probe bytes are hexadecimal.

Device:
  --chip LIST            chip code(s), e.g. 0x48 or 0x48,0xFD,0x42 (default 0x48). With
                         several, one device after another: a probe that comes after the
                         current device received a data block starts the next device
                         (see --unplug-after for devices swapped by hand).
                         0xFC-0xFE are 16-bit chips (address unit 2, two-byte length field);
                         all other codes are PIC18 chips (address unit 1, one-byte length)
  --version N            bootloader version (default 5)
  --board N              board id (default 2)
  --prep N               preparation code (default 0)
  --no-vrecord           identify with the chip code and K only (old bootloader)
  --rrecord              send the R record after the identification (versions 8 to 31)
  --rtext TEXT           R record text, at most 24 characters (implies --rrecord)
  --skip START:LENGTH    R record skip range in device addresses (implies --rrecord)
  --probes LIST          probe bytes answered (default C2,C5,C6)
  --answer-after N       ignore the first N probes (default 0)
  --unplug-after MS      a device that received data leaves the line MS milliseconds after
                         its last frame (it answers nothing more); the next device is
                         plugged in --plug-gap later; the last one stays away
  --plug-gap MS          time without a device between two (default 500)
  --replay FILE          play the device side of a headless tool's --trace file: answer the
                         host's k-th write with what the traced device sent after it, at the
                         same delays (refusals, late and missing answers included)

Port:
  --port COM<n>          link name; an existing link of that name is replaced (default:
                         the first COM<n> that is free or a stale link)
  --ports-dir DIR        ports folder (default $TARVIK_PORTS_DIR, else
                         $XDG_CONFIG_HOME/tarvik/ports, else ~/.config/tarvik/ports);
                         created if missing

Time model:
  --line-rate            model line and write times: each byte takes 11 bits at the baud
                         rate both ways (95.486 us at 115200), bytes queue on each direction,
                         a frame is handled when its last byte has arrived plus its write
                         time, then its answer takes its own line time. Without it, answers
                         go out as soon as their frame is complete
  --baud N               line rate for the byte time (default 115200)
  --block-write-us N     PIC18 64-byte block write (default 2800: the self-timed write cycle
                         TIW of the PIC18 data sheets, 2 ms in older families, 2.8 ms in the
                         K-series)
  --wide-block-write-us N
                         16-bit chip 256-byte block, one row (default 2000: row write time
                         TRW 1.32-1.74 ms in the PIC24/dsPIC33 data sheets plus loading the
                         row latches; page erases not modelled)
  --eeprom-write-us N    EEPROM byte (default 4000: erase/write cycle TDEW, 4 ms typical)
  The report's physical limit is the line time of every byte both ways plus the write time
  of every stored block and EEPROM byte plus injected late delays: the time a host that
  answers at once would need. It is reported with or without --line-rate.

Faults (frames are numbered from 1 per device; only data blocks, the final block and
EEPROM frames count, and the re-send of a refused frame keeps its number; a fault
written D@K... applies to device D only, e.g. --refuse 2@3:1):
  --refuse K:N           answer N to frame K N times, then take it
  --drop K               store frame K but answer nothing
  --late K:MS            answer frame K MS milliseconds late
  --late-all MS          answer every numbered frame MS milliseconds late
  --late-entry MS        answer the programming-mode entry command MS milliseconds late
  --garbage K:N          send N stray bytes (none of K, N, V, R) before each answer to frame K
  --silent-after K       after answering frame K, answer and store nothing more (probes
                         included)
  --hangup-after K       after answering frame K, close the pty and exit (K 0: right after
                         the identification)
  --split-answers US     send the bytes of every answer US microseconds apart
  --stream-after K       from frame K on (0: from the host's first byte) send a stray byte
                         (none of K, N, V, R) every 500 us, without end
  --cut-identification N send only the first N bytes of the identification
  --rrecord-promise N    the R record's length byte says N, whatever is sent

Output (with several devices, device k writes FILE.k):
  --load FILE            start device 1 with the memory of an earlier --dump (Intel HEX)
  --dump FILE            Intel HEX: flash by byte offset, EEPROM at 0xF00000 + address
  --dump-bin FILE        flash as a flat binary from 0, 0xFF in holes
  --transcript FILE      JSON lines, one per frame, written as frames come
  --report FILE          JSON object at exit: frames, bytesToDevice, bytesFromDevice,
                         physicalLimitUs, sessionUs (first byte in to last byte either way)
  --help                 this text
)";

std::optional<long long> ParseInteger(const std::string& text, long long min, long long max,
                                      bool hexOnly = false) {
  if (text.empty()) return std::nullopt;
  int base = 10;
  std::string digits = text;
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    base = 16;
    digits = digits.substr(2);
  } else if (hexOnly) {
    base = 16;
  }
  if (digits.empty() || digits[0] == '-' || digits[0] == '+' || digits[0] == ' ') return std::nullopt;
  errno = 0;
  char* end = nullptr;
  const long long value = std::strtoll(digits.c_str(), &end, base);
  if (errno != 0 || *end != '\0' || value < min || value > max) return std::nullopt;
  return value;
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    const size_t at = text.find(separator, start);
    parts.push_back(text.substr(start, at - start));
    if (at == std::string::npos) return parts;
    start = at + 1;
  }
}

std::optional<std::vector<uint8_t>> ParseByteList(const std::string& text, bool hexOnly) {
  std::vector<uint8_t> bytes;
  for (const std::string& part : Split(text, ',')) {
    std::optional<long long> b = ParseInteger(part, 0, 255, hexOnly);
    if (!b) return std::nullopt;
    bytes.push_back(static_cast<uint8_t>(*b));
  }
  return bytes;
}

// "[D@]K" or "[D@]K:N": the device, the frame number and, if wanted, the second number.
std::optional<Fault> ParseFault(FaultKind kind, const std::string& text, bool withAmount) {
  Fault f;
  f.kind = kind;
  std::string rest = text;
  const size_t at = rest.find('@');
  if (at != std::string::npos) {
    std::optional<long long> device = ParseInteger(rest.substr(0, at), 1, 255);
    if (!device) return std::nullopt;
    f.device = static_cast<int>(*device);
    rest = rest.substr(at + 1);
  }
  const std::vector<std::string> parts = Split(rest, ':');
  if (parts.size() != (withAmount ? 2u : 1u)) return std::nullopt;
  // A hang-up may come right after the identification: frame 0.
  std::optional<long long> frame =
      ParseInteger(parts[0], kind == FaultKind::HangUp ? 0 : 1, 1000000000);
  if (!frame) return std::nullopt;
  f.frame = static_cast<int>(*frame);
  if (withAmount) {
    std::optional<long long> amount = ParseInteger(parts[1], 0, 1000000000);
    if (!amount) return std::nullopt;
    if (kind == FaultKind::Late) {
      f.delayUs = *amount * 1000;
    } else {
      f.count = static_cast<int>(*amount);
    }
  }
  return f;
}

bool IsComName(const std::string& name) {
  if (name.size() < 4 || name.size() > 6) return false;
  for (int i = 0; i < 3; ++i) {
    if ((name[i] & ~0x20) != "COM"[i]) return false;
  }
  std::optional<long long> n = ParseInteger(name.substr(3), 1, 999);
  return n && name[3] != '0';
}

// One option: whether it takes a value, and what it does with it (false: bad value).
struct OptionRule {
  bool takesValue;
  const char* expected;  // what a good value looks like, for the message
  std::function<bool(ProgramOptions&, const std::string&)> apply;
};

std::map<std::string, OptionRule> Rules() {
  using O = ProgramOptions;
  auto byteField = [](uint8_t Config::*field) {
    return [field](O& o, const std::string& v) {
      std::optional<long long> n = ParseInteger(v, 0, 255);
      if (n) o.device.*field = static_cast<uint8_t>(*n);
      return n.has_value();
    };
  };
  auto microseconds = [](int64_t Config::*field) {
    return [field](O& o, const std::string& v) {
      std::optional<long long> n = ParseInteger(v, 0, 100000000);
      if (n) o.device.*field = *n;
      return n.has_value();
    };
  };
  auto fault = [](FaultKind kind, bool withAmount) {
    return [kind, withAmount](O& o, const std::string& v) {
      std::optional<Fault> f = ParseFault(kind, v, withAmount);
      if (f) o.device.faults.push_back(*f);
      return f.has_value();
    };
  };
  auto text = [](std::string O::*field) {
    return [field](O& o, const std::string& v) {
      o.*field = v;
      return !v.empty();
    };
  };
  auto flag = [](std::function<void(O&)> set) {
    return [set](O& o, const std::string&) {
      set(o);
      return true;
    };
  };

  return {
      {"--chip", {true, "a list of chip codes 0-255, e.g. 0x48,0xFD",
                  [](O& o, const std::string& v) {
                    auto chips = ParseByteList(v, false);
                    if (chips) o.device.chips = *chips;
                    return chips.has_value();
                  }}},
      {"--version", {true, "a number 0-255", byteField(&Config::version)}},
      {"--board", {true, "a number 0-255", byteField(&Config::board)}},
      {"--prep", {true, "a number 0-255", byteField(&Config::preparation)}},
      {"--no-vrecord", {false, "", flag([](O& o) { o.device.vRecord = false; })}},
      {"--rrecord", {false, "", flag([](O& o) { o.device.rRecord = true; })}},
      {"--rtext", {true, "at most 24 characters",
                   [](O& o, const std::string& v) {
                     o.device.rText = v;
                     o.device.rRecord = true;
                     return v.size() <= 24;
                   }}},
      {"--skip", {true, "START:LENGTH, each 0-65535",
                  [](O& o, const std::string& v) {
                    const std::vector<std::string> parts = Split(v, ':');
                    if (parts.size() != 2) return false;
                    auto start = ParseInteger(parts[0], 0, 65535);
                    auto length = ParseInteger(parts[1], 0, 65535);
                    if (!start || !length) return false;
                    o.device.skipStart = static_cast<uint16_t>(*start);
                    o.device.skipLength = static_cast<uint16_t>(*length);
                    o.device.rRecord = true;
                    return true;
                  }}},
      {"--probes", {true, "a list of hexadecimal bytes, e.g. C2,C5,C6",
                    [](O& o, const std::string& v) {
                      auto probes = ParseByteList(v, true);
                      if (probes) o.device.probes = *probes;
                      return probes.has_value();
                    }}},
      {"--answer-after", {true, "a number of probes 0-1000000",
                          [](O& o, const std::string& v) {
                            auto n = ParseInteger(v, 0, 1000000);
                            if (n) o.device.answerAfterProbes = static_cast<int>(*n);
                            return n.has_value();
                          }}},
      {"--unplug-after", {true, "milliseconds 0-1000000",
                          [](O& o, const std::string& v) {
                            auto ms = ParseInteger(v, 0, 1000000);
                            if (ms) o.device.unplugAfterUs = *ms * 1000;
                            return ms.has_value();
                          }}},
      {"--plug-gap", {true, "milliseconds 0-1000000",
                      [](O& o, const std::string& v) {
                        auto ms = ParseInteger(v, 0, 1000000);
                        if (ms) o.device.plugGapUs = *ms * 1000;
                        return ms.has_value();
                      }}},
      {"--replay", {true, "a file name", text(&O::replay)}},
      {"--port", {true, "COM<n> with n from 1 to 999",
                  [](O& o, const std::string& v) {
                    o.port = v;
                    return IsComName(v);
                  }}},
      {"--ports-dir", {true, "a folder", text(&O::portsDir)}},
      {"--line-rate", {false, "", flag([](O& o) { o.device.timeModel = true; })}},
      {"--baud", {true, "a baud rate 50-100000000",
                  [](O& o, const std::string& v) {
                    auto n = ParseInteger(v, 50, 100000000);
                    if (n) o.device.byteUs = BitsPerByte * 1e6 / static_cast<double>(*n);
                    return n.has_value();
                  }}},
      {"--block-write-us", {true, "microseconds 0-100000000", microseconds(&Config::pic18BlockWriteUs)}},
      {"--wide-block-write-us", {true, "microseconds 0-100000000", microseconds(&Config::wideBlockWriteUs)}},
      {"--eeprom-write-us", {true, "microseconds 0-100000000", microseconds(&Config::eepromByteWriteUs)}},
      {"--refuse", {true, "[D@]K:N", fault(FaultKind::Refuse, true)}},
      {"--drop", {true, "[D@]K", fault(FaultKind::Drop, false)}},
      {"--late", {true, "[D@]K:MS", fault(FaultKind::Late, true)}},
      {"--late-all", {true, "milliseconds 0-1000000",
                      [](O& o, const std::string& v) {
                        auto ms = ParseInteger(v, 0, 1000000);
                        if (ms) o.device.faults.push_back({FaultKind::Late, 0, 0, 1, *ms * 1000});
                        return ms.has_value();
                      }}},
      {"--late-entry", {true, "milliseconds 0-1000000",
                        [](O& o, const std::string& v) {
                          auto ms = ParseInteger(v, 0, 1000000);
                          if (ms) o.device.entryLateUs = *ms * 1000;
                          return ms.has_value();
                        }}},
      {"--garbage", {true, "[D@]K:N", fault(FaultKind::Garbage, true)}},
      {"--split-answers", {true, "microseconds 0-1000000", microseconds(&Config::splitAnswersUs)}},
      {"--stream-after", {true, "a frame number 0-1000000000",
                          [](O& o, const std::string& v) {
                            auto k = ParseInteger(v, 0, 1000000000);
                            if (k) o.device.streamAfterFrame = static_cast<int>(*k);
                            return k.has_value();
                          }}},
      {"--cut-identification", {true, "a number of bytes 1-64",
                                [](O& o, const std::string& v) {
                                  auto n = ParseInteger(v, 1, 64);
                                  if (n) o.device.cutIdentification = static_cast<int>(*n);
                                  return n.has_value();
                                }}},
      {"--rrecord-promise", {true, "a length 1-255 (implies --rrecord)",
                             [](O& o, const std::string& v) {
                               auto n = ParseInteger(v, 1, 255);
                               if (n) o.device.rRecordPromise = static_cast<int>(*n);
                               o.device.rRecord = true;
                               return n.has_value();
                             }}},
      {"--load", {true, "a file name", text(&O::load)}},
      {"--silent-after", {true, "[D@]K", fault(FaultKind::Silent, false)}},
      {"--hangup-after", {true, "[D@]K", fault(FaultKind::HangUp, false)}},
      {"--dump", {true, "a file name", text(&O::dumpHex)}},
      {"--dump-bin", {true, "a file name", text(&O::dumpBin)}},
      {"--transcript", {true, "a file name", text(&O::transcript)}},
      {"--report", {true, "a file name", text(&O::report)}},
      {"--help", {false, "", flag([](O& o) { o.help = true; })}},
  };
}

}  // namespace

std::string HelpText() { return Help; }

ParsedOptions ParseOptions(const std::vector<std::string>& args) {
  ParsedOptions result;
  const std::map<std::string, OptionRule> rules = Rules();
  for (size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    std::optional<std::string> value;
    const size_t eq = name.find('=');
    if (name.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = name.substr(eq + 1);
      name = name.substr(0, eq);
    }
    const auto rule = rules.find(name);
    if (rule == rules.end()) {
      result.error = "unknown option '" + args[i] + "' (see --help)";
      return result;
    }
    if (!rule->second.takesValue) {
      if (value) {
        result.error = name + " takes no value";
        return result;
      }
    } else if (!value) {
      if (i + 1 >= args.size()) {
        result.error = name + " needs a value: " + rule->second.expected;
        return result;
      }
      value = args[++i];
    }
    if (!rule->second.apply(result.options, value.value_or(""))) {
      result.error = "bad value '" + *value + "' for " + name + ": expected " +
                     rule->second.expected;
      return result;
    }
  }
  result.ok = true;
  return result;
}

std::string PortsFolder(const std::string& option) {
  if (option.empty()) return PortsDirectory();
  std::string dir = option;
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir;
}

std::string DeviceFileName(const std::string& name, int device, int deviceCount) {
  return deviceCount > 1 ? name + "." + std::to_string(device) : name;
}

}  // namespace devsim
