// The windows' view of the engine: the status channel, the device information, message
// boxes, the run's progress bar and the Updater window's own texts, drawn into the controls
// of the main windows. Each operation addresses the window that runs the engine
// (RunningWindow); a window that no longer exists is left alone.
#pragma once

#include "engine/view.h"

class QProgressBar;
class TStatusBar;

// The handle the engine is given for a window's progress bar or status bar. The same widget
// always has the same handle; a handle whose widget has gone stands for nothing.
BarHandle HandleOf(QProgressBar* bar);
StatusBarHandle HandleOf(TStatusBar* statusBar);
QProgressBar* BarOf(BarHandle handle);
TStatusBar* StatusBarOf(StatusBarHandle handle);

// Installs the windows' view and the windows' message pump (the Qt event loop).
void InstallWindowView();
