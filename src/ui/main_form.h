// What the three main windows (Updater, Loader, Upgrade) share: a fixed-size frame with a
// menu bar, a client area and a status bar; the start button's update through the engine
// session; and closing: refused while the engine runs, otherwise the port closed and
// remembered in the window's settings, once.
#pragma once

#include <QMainWindow>
#include <cstdint>

class QProgressBar;
class TStatusBar;

class TMainForm : public QMainWindow {
  Q_OBJECT
 public:
  ~TMainForm() override;

  // Closes the port and writes "com" back, once, and only for the program's main window.
  void FormClose();

 protected:
  // settingsRoot: where the window remembers its port (startup/settings.h).
  TMainForm(uint8_t settingsRoot, QWidget* parent);

  // The frame before the controls: fixed-size window flags, the designed caption, and the
  // client area (returned) below the menu bar: of the designed height, and of the designed
  // width or, where it is wider, the width of the status bar shown below it (its panels grow
  // with the font). The window has the designed font from its construction on.
  QWidget* CreateFrame(const QString& caption, int clientWidth, int clientHeight,
                       const TStatusBar* shownStatusBar = nullptr);
  // The frame after the controls: the status bar below the client area; the window keeps
  // the size of its contents.
  void FinishFrame(TStatusBar* statusBar);

  // A press of the start button: the engine's update with this window's bars, unless a
  // search or run is already on the stack. The window may be gone when this returns.
  void StartUpdate(QProgressBar* bar, TStatusBar* statusBar, QProgressBar* imageBar = nullptr);
  // Runs inside the session, before the engine: the window's own preparation.
  virtual void PrepareUpdate() {}

  // Only the program's main window remembers its port and refuses to close mid-run (the
  // Updater window also exists, hidden, in the other variants).
  void setMainWindow(bool main) { mainWindow_ = main; }
  bool mainWindow() const { return mainWindow_; }

  void closeEvent(QCloseEvent* event) override;

 private:
  uint8_t settingsRoot_;
  bool mainWindow_ = true;
  bool remembered_ = false;
};
