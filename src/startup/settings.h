// The settings store: one string value "com" per window variant, the port chosen last.
// On Linux the values live in INI files under $XDG_CONFIG_HOME (QSettings, user scope), one
// file per window, and no other file is read; on Windows in the registry under
// HKEY_LOCAL_MACHINE\Software\<maker>\<window>\.
#pragma once

#include <cstdint>
#include <string>

#include "startup/setting_number.h"  // the number rule the remembered port is read with

// Root 0 (and any value but 1 and 2): Korvex/Tarvik (Updater window); 1: Ostrana/Upgrade
// (Upgrade window); 2: Venkor/Loader (Loader window).
enum : uint8_t { UpdaterSettings = 0, UpgradeSettings = 1, LoaderSettings = 2 };

// The value's text; empty when the store or the value is missing, unreadable or not a
// plain string.
std::string ReadSetting(const char* name, uint8_t root);
// Stores the value; failures are not reported.
void WriteSetting(const char* name, const char* value, uint8_t root);

// Remembered port at window creation. Updater and Upgrade: CurrentPort from "com" (0 when
// empty), OpenedPort = CurrentPort - 1.
void LoadRememberedPort(uint8_t root);
// Loader: CurrentPort from "com" and OpenedPort = that number + 1, or 0 and -1 when empty.
// Returns false when OpenedPort is negative (the window asks for a new port).
bool LoadRememberedPortLoader();
// At window close: closes the port when CurrentPort equals OpenedPort, then writes "com".
void CloseAndRememberPort(uint8_t root);
