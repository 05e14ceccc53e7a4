// Termination signals (SIGTERM from a logout or a service manager, SIGINT from the terminal
// the window was started from, SIGHUP when that terminal goes) end the program as closing
// its main window does: a run is stopped first, the port is closed and given back (its lock
// file removed, its line settings restored) and the port remembered. A second signal ends
// the program at once.
#pragma once

class QWidget;

// From now on a termination signal closes the open dialogs and then the main window.
void CloseOnStopSignals(QWidget* mainWindow);

// Back to the signals' default actions, nothing watched: as at program start.
void ResetStopSignals();
