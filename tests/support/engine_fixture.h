// Engine tests: the real channel and engine against an in-process simulated device in
// virtual time, shown through a recording view instead of windows.
#pragma once

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "engine/view.h"
#include "support/recording_view.h"
#include "support/sim_link.h"

// The window the engine is set up for, as the windows set it up at their creation.
using MainWindow = EngineWindow;

class EngineTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // A fresh start within one test, for tables of whole runs.
  void restart() {
    TearDown();
    SetUp();
  }

  // Sets the engine up as the main window's creation does, on COM1.
  void open(MainWindow window = MainWindow::Upgrade);
  // The device on the line from now on.
  devsim::Device& connect(devsim::Config config);
  devsim::Config device(uint8_t chip, uint8_t version = 5);

  int16_t search();
  int run();
  // A search and, when a device answered, a run: the run's result, or the search's.
  int update();

  RecordedBar* bar() { return &view.bar(RecordingView::MainBar); }
  StatusBarHandle statusBar() const { return RecordingView::MainStatusBar; }
  // The window's result or message: the Upgrade's message panel, the Updater's result line,
  // the Loader's message line.
  std::string message() const { return view.message(); }
  std::string panel(int index) const { return view.panel(statusBar(), index); }

  // Points a catalogue cell at test-owned firmware (kept alive by the fixture).
  void useImage(int row, int slot, std::vector<uint8_t> image, std::vector<uint8_t> eeprom,
                std::vector<uint8_t> finalBytes, int plain);
  // The writes that carried a checksummed frame (everything but probes and command bytes).
  std::vector<std::vector<uint8_t>> frameWrites() const;

  SimLink link;
  RecordingView view;

 private:
  std::vector<std::unique_ptr<std::vector<uint8_t>>> firmware_;
};

// Deterministic test bytes.
std::vector<uint8_t> TestBytes(size_t n, uint32_t seed);
// A masked image for a chip whose header (where it fits) asks for no board and no
// preparation.
std::vector<uint8_t> TestImage(size_t n, uint32_t seed, uint8_t chip);
