// The status channel: how the serial link and the engine show things. Each operation
// addresses the Loader window if it exists, else the Upgrade window, else the Updater
// window; with none of them it does nothing.
#pragma once

#include <cstdint>

class TStatusBar;

// Entries of the panel table: which status-bar panel carries which kind of text.
enum StatusPanelEntry { PortPanel = 0, MessagePanel = 1, DevicePanel = 2, ExtraPanel = 3 };
// Panel index of each entry; 0, 1, 2, 3 at start; the Upgrade window sets DevicePanel to 3.
extern int32_t StatusPanels[4];

// The final result of a search or run; the window returns to idle.
void ShowResult(const char* text, uint32_t colour);
// An intermediate message; the buttons stay as they are.
void ShowProgress(const char* text, uint32_t colour);
// Tints the Updater's identity label or the Upgrade's button panel by the image's plain flag.
void SetPlainMark(uint8_t plain);
void SetBusy();
void SetIdle();
// Writes the panel of a status bar that an entry names.
void SetStatusText(TStatusBar* statusBar, StatusPanelEntry entry, const char* text);
