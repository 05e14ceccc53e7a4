// A virtual X display of a test's own (Xvfb), and what a user does there: find a window by
// its exact caption, give it the keyboard, press keys, close it as a window manager would.
#pragma once

#include <X11/Xlib.h>

#include <memory>
#include <string>
#include <vector>

#include "support/child_process.h"

class X11Display {
 public:
  X11Display();  // starts Xvfb on a free display; check ok()
  ~X11Display();
  bool ok() const { return display_ != nullptr; }
  // "DISPLAY=:n", for the programs the test starts.
  std::string environment() const { return "DISPLAY=" + name_; }
  const std::string& name() const { return name_; }

  // Mapped top-level windows whose caption is exactly the text.
  std::vector<Window> windowsNamed(const std::string& caption);
  // Waits at most timeoutMs for such a window; 0 when none came.
  Window waitForWindow(const std::string& caption, int timeoutMs);
  // Waits until no such window is mapped.
  bool waitUntilGone(const std::string& caption, int timeoutMs);
  // Keyboard focus to the window, then the keys (xdotool key names, e.g. "space").
  bool pressKeys(Window window, const std::string& keys);
  // Asks the window to close (WM_DELETE_WINDOW), as the close box of a window manager does.
  void closeWindow(Window window);
  // A screenshot of the whole screen (PNG), for looking at.
  bool screenshot(const std::string& path);

 private:
  std::unique_ptr<ChildProcess> server_;
  std::string name_;
  Display* display_ = nullptr;
};
