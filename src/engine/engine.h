// What a front end asks of the engine: to be set up for the window it shows, one press of
// the start button, and (for tests) the whole engine back to its state at program start.
// The front end installs its view (engine/view.h) and its message pump (platform/waiting.h)
// first.
#pragma once

#include <cstdint>

#include "engine/view.h"

// The Loader window's message after a search on a port that cannot be used (also shown
// when the window starts on such a port).
inline constexpr char PortNotValidText[] = "Port not valid. Select a new port.";

// Sets the engine up for the window that runs it: RunningWindow, the panel table (the
// Upgrade window's device texts share panel 3), the modes the identity selects (multi-image
// for an Upgrade "TRI" build, probe 0xC6 for a Loader "HUB" or "QIX" build) and the image
// catalogue.
void SetUpEngine(EngineWindow window);

// One press of the start button of the window that runs the engine: a search and, when a
// device answered, a run. In the Upgrade window imageBar counts the images; in multi-image
// mode the loop searches and writes again while the run reports images still to write. The
// Loader window shows its own message when no device answered or the port cannot be used.
// The result of the last search.
int16_t UpdateDevices(BarHandle bar, StatusBarHandle statusBar, BarHandle imageBar);

// For production lines: after an update, waits until the device no longer answers the
// probe (it was unplugged, or its bootloader has left), so that the next search finds the
// next device and never the same one again. It has left after LeftAfterSilentProbes probes
// in a row without an answer, or when its port is gone. 0 once it has left; WaitAborted
// (-2) when the user stopped the wait. Shows nothing.
constexpr int LeftAfterSilentProbes = 3;
int16_t WaitUntilDeviceLeaves();

// Every module of the engine back to its state at program start (the installed view and
// backends stay).
void ResetEngineState();
