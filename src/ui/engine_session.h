// The engine session: a search or a programming run is on the stack from the moment a
// start button's handler takes the session until that handler returns. The engine's waits
// process window messages, so every other handler (stop, the port dialog, closing the
// window, the start button itself) can run in the middle of it. This is where those
// handlers learn that, and where what has to wait for the engine's end is kept: a port
// chosen in the port dialog and the close of the main window.
#pragma once

#include <cstdint>

class QWidget;

class EngineSession {
 public:
  // Takes the session unless a handler further up the stack holds it; then this one holds
  // nothing. Taking it drops a stop request left over from before.
  EngineSession();
  // Ends a held session: makes a deferred port choice current, then closes the window
  // that asked to close while the engine ran.
  ~EngineSession();
  EngineSession(const EngineSession&) = delete;
  EngineSession& operator=(const EngineSession&) = delete;

  // Whether this handler holds the session. A start handler without it returns at once:
  // the engine never runs twice at the same time.
  explicit operator bool() const { return held_; }

 private:
  bool held_;
};

// Whether a search or a run is on the stack.
bool EngineBusy();

// The port dialog's OK: the port becomes current (CurrentPort, then ApplyPort reopens the
// channel) at once when it differs from CurrentPort, or, while the engine runs, when the
// session ends, so the port is never reopened under a running search or run. The last
// choice counts.
void ChoosePort(int16_t port);
// The port the user chose last: a choice that waits for the session's end, else CurrentPort.
int16_t ChosenPort();

// A main window's close request. While the engine runs: asks it to stop, keeps the window
// to close once the session has ended, and returns true, so the caller refuses this close
// and leaves the port and the setting alone. Returns false when idle: the close goes on.
bool CloseWhenIdle(QWidget* window);

// Not busy, no deferred port, no window to close: as at program start.
void ResetEngineSession();
