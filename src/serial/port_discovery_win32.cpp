// The ports present on Windows: the devices of the setup class "Ports", each with the port
// name its hardware key stores ("portname", read through the configuration manager's
// CM_Open_DevNode_Key, looked up at run time in "cfgmgr32") and its friendly name.
#include "serial/port_discovery.h"

#include <windows.h>
#include <setupapi.h>

#include <vector>

namespace {

// CM_Open_DevNode_Key as cfgmgr32 exports it.
using OpenDevNodeKey = DWORD(WINAPI*)(DWORD devInst, REGSAM access, ULONG profile,
                                      DWORD disposition, HKEY* key, ULONG flags);
constexpr DWORD CrSuccess = 0;
constexpr DWORD RegDispositionOpenExisting = 1;
constexpr ULONG CmRegistryHardware = 0;

}  // namespace

bool SystemPortEnumeration(std::vector<PortCandidate>* out) {
  if (out == nullptr) return false;
  out->clear();
  DWORD count = 0;
  SetupDiClassGuidsFromNameA("Ports", nullptr, 0, &count);
  if (count < 1) return false;
  std::vector<GUID> classes(count);
  if (!SetupDiClassGuidsFromNameA("Ports", classes.data(), count, &count)) return false;
  const HDEVINFO set = SetupDiGetClassDevsA(&classes[0], nullptr, nullptr, DIGCF_PRESENT);
  if (set == INVALID_HANDLE_VALUE) return false;

  const HMODULE library = LoadLibraryA("cfgmgr32");
  const auto openKey = library != nullptr
                           ? reinterpret_cast<OpenDevNodeKey>(
                                 reinterpret_cast<void*>(GetProcAddress(library, "CM_Open_DevNode_Key")))
                           : nullptr;
  for (DWORD position = 0; openKey != nullptr; ++position) {
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    if (!SetupDiEnumDeviceInfo(set, position, &device)) break;
    HKEY key = nullptr;
    if (openKey(device.DevInst, KEY_QUERY_VALUE, 0, RegDispositionOpenExisting, &key,
                CmRegistryHardware) != CrSuccess)
      break;  // a device without a readable key ends the listing
    char portName[64] = "";
    DWORD size = sizeof portName - 1;
    const LONG named = RegQueryValueExA(key, "portname", nullptr, nullptr,
                                        reinterpret_cast<BYTE*>(portName), &size);
    char friendly[300] = "";
    SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_FRIENDLYNAME, nullptr,
                                      reinterpret_cast<BYTE*>(friendly), sizeof friendly - 1,
                                      nullptr);
    RegCloseKey(key);
    if (named != ERROR_SUCCESS) break;  // no port name: the listing ends here
    const std::string name = portName;
    out->push_back({name, friendly[0] != '\0' ? friendly : name, "\\\\.\\" + name, friendly});
  }
  if (library != nullptr) FreeLibrary(library);
  SetupDiDestroyDeviceInfoList(set);
  return true;
}
