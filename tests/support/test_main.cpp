// Entry point of the tests of the windows: a QApplication exists for every test (offscreen
// unless a display is chosen) and the windows' view is installed, so forms, message
// processing and sockets work as in the program.
#include <QApplication>
#include <cstdlib>

#include <gtest/gtest.h>

#include "ui/window_view.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  InstallWindowView();
  return RUN_ALL_TESTS();
}
