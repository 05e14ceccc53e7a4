// UI tests start as the program does: no windows, the shared state of the channel, the
// decoder, the catalogue and the panel table at its start values, and the settings and
// the ports folder in a temporary folder of the test's own.
#pragma once

#include <QFont>
#include <QString>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "serial/port_discovery.h"

// Whether a font has the designed cell height (ascent + descent, in pixels): the largest
// pixel size whose cell is no higher.
testing::AssertionResult HasCellHeight(const QFont& font, int cellHeight);

// Whether a window's frame covers part of a control (of another window) on the screen.
bool CoversOnScreen(const QWidget* window, const QWidget* control);

// Failure messages show texts as text.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

class UiTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Creates a form as the start-up does; the test's forms are deleted at its end, the last
  // one made first.
  template <class Form>
  Form* Make() {
    auto* form = new Form();
    windows_.emplace_back(form);
    return form;
  }

  // The remembered port of a settings root, before a window reads it or after it wrote it.
  static void Remember(uint8_t root, const char* value);
  static std::string Remembered(uint8_t root);

  // The ports the next port listing finds (port name, friendly name).
  static void UsePorts(std::vector<PortCandidate> ports);

  // A path in the test's temporary folder, and its ports folder ($TARVIK_PORTS_DIR).
  std::string tempPath(const std::string& name) const;
  std::string portsDir() const { return tempPath("ports"); }

 private:
  QTemporaryDir dir_;
  std::vector<std::unique_ptr<QWidget>> windows_;
};
