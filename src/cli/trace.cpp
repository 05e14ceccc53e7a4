#include "cli/trace.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>

#include "platform/serial_device.h"
#include "platform/waiting.h"

namespace {

FILE* traceFile = nullptr;
int64_t startUs = 0;
SerialBackend traced;

std::string Hex(const uint8_t* bytes, int count) {
  static const char digits[] = "0123456789abcdef";
  std::string hex(static_cast<size_t>(count) * 2, '0');
  for (int i = 0; i < count; ++i) {
    hex[2 * i] = digits[bytes[i] >> 4];
    hex[2 * i + 1] = digits[bytes[i] & 0x0F];
  }
  return hex;
}

void Record(const char* direction, const uint8_t* bytes, int count) {
  if (traceFile == nullptr || count <= 0) return;
  std::fprintf(traceFile, "{\"us\":%lld,\"dir\":\"%s\",\"hex\":\"%s\"}\n",
               static_cast<long long>(MonotonicUs() - startUs), direction,
               Hex(bytes, count).c_str());
}

int TracedRead(SerialHandle h, uint8_t* buffer, int capacity) {
  const int n = DeviceSerialBackend().read(h, buffer, capacity);
  Record("in", buffer, n);
  return n;
}

int TracedWrite(SerialHandle h, const uint8_t* bytes, int count, int timeoutMs) {
  Record("out", bytes, count);  // in the order the line sees it: before the answer
  return DeviceSerialBackend().write(h, bytes, count, timeoutMs);
}

}  // namespace

bool StartTrace(const std::string& path, const std::string& identity, const std::string& port,
                std::string* error) {
  traceFile = std::fopen(path.c_str(), "w");
  if (traceFile == nullptr) {
    *error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  const nlohmann::json header = {{"trace", 1}, {"identity", identity}, {"port", port}};
  std::fprintf(traceFile, "%s\n", header.dump().c_str());
  startUs = MonotonicUs();
  traced = DeviceSerialBackend();
  traced.read = TracedRead;
  traced.write = TracedWrite;
  InstallSerialBackend(&traced);
  return true;
}

void EndTrace() {
  if (traceFile == nullptr) return;
  InstallSerialBackend(nullptr);
  std::fclose(traceFile);
  traceFile = nullptr;
}
