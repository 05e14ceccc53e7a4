// Which main window runs the engine. Behaviour that depends on the window always asks in
// the order Loader, Upgrade, Updater; the Updater window exists in every variant.
#pragma once

#include "ui/forms.h"

enum class EngineWindow { None, Loader, Upgrade, Updater };

inline EngineWindow RunningWindow() {
  if (Form6 != nullptr) return EngineWindow::Loader;
  if (Form5 != nullptr) return EngineWindow::Upgrade;
  if (Form1 != nullptr) return EngineWindow::Updater;
  return EngineWindow::None;
}
