// Opens a COM port as the tool does, without sharing, prints "holding" and keeps it for a
// minute or until killed: the other program a port-refusal test needs.
#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: hold_port COM<n>\n");
    return 2;
  }
  const std::string path = std::string("\\\\.\\") + argv[1];
  const HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    std::printf("failed %lu\n", GetLastError());
    return 1;
  }
  std::printf("holding\n");
  std::fflush(stdout);
  Sleep(60'000);
  CloseHandle(h);
  return 0;
}
