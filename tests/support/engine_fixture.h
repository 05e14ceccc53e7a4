// Engine tests: the real windows (offscreen), the real channel and engine, and an
// in-process simulated device in virtual time.
#pragma once

#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

#include "support/sim_link.h"

class QProgressBar;
class TStatusBar;

// Every module variable of the channel and the engine back to its value at program start.
void ResetEngineState();

enum class MainWindow { Upgrade, Updater, Loader };

class EngineTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // A fresh start within one test, for tables of whole runs.
  void restart() {
    TearDown();
    SetUp();
  }

  // Creates the main window (with the hidden Updater window where the variant has one).
  void open(MainWindow window = MainWindow::Upgrade);
  // The device on the line from now on.
  devsim::Device& connect(devsim::Config config);
  devsim::Config device(uint8_t chip, uint8_t version = 5);

  int16_t search();
  int run();
  // A search and, when a device answered, a run: the run's result, or the search's.
  int update();

  QProgressBar* bar() const;
  TStatusBar* statusBar() const;
  // The window's result or message: the Upgrade's message panel, the Updater's result line,
  // the Loader's message line.
  QString message() const;
  QString panel(int index) const;

  // Points a catalogue cell at test-owned firmware (kept alive by the fixture).
  void useImage(int row, int slot, std::vector<uint8_t> image, std::vector<uint8_t> eeprom,
                std::vector<uint8_t> finalBytes, int plain);
  // The writes that carried a checksummed frame (everything but probes and command bytes).
  std::vector<std::vector<uint8_t>> frameWrites() const;

  SimLink link;
  MainWindow window = MainWindow::Upgrade;

 private:
  QTemporaryDir settings_;
  std::vector<std::unique_ptr<std::vector<uint8_t>>> firmware_;
};

// Deterministic test bytes.
std::vector<uint8_t> TestBytes(size_t n, uint32_t seed);
// A masked image for a chip whose header (where it fits) asks for no board and no
// preparation.
std::vector<uint8_t> TestImage(size_t n, uint32_t seed, uint8_t chip);
