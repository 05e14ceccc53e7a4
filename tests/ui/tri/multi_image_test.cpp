// The "TRI" build ("KAP TRI 01.00.00"): the Upgrade window in multi-image mode, with images
// for chips 0xFD (slot 7), 0x48 (slot 9) and 0x42 (slot 0), against a simulated line with
// three devices one after another.
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>

#include "catalogue/catalogue.h"
#include "protocol/decoder.h"
#include "protocol/run.h"
#include "support/ui_devsim.h"
#include "ui/engine_session.h"
#include "ui/status_bar.h"
#include "ui/upgrade_window.h"

namespace {

using MultiImageTest = UiDevsimTest;

const struct {
  uint8_t chip;
  int slot;
} Devices[] = {{0xFD, 7}, {0x48, 9}, {0x42, 0}};

// The values a bar takes, in order.
class ValueLog {
 public:
  explicit ValueLog(QProgressBar* bar) {
    QObject::connect(bar, &QProgressBar::valueChanged, &context_,
                     [this](int v) { values.push_back(v); });
  }
  std::vector<int> values;

 private:
  QObject context_;
};

// Every device holds its own chip's image.
void ExpectEveryDeviceWritten(const devsim::Device& device, const std::vector<RunInput>& images) {
  for (size_t k = 0; k < images.size(); ++k)
    EXPECT_EQ(CompareWithDevice(ExpectRun(images[k]), device, static_cast<int>(k) + 1), "")
        << "device " << k + 1;
}

// Three devices one after another on the line, in virtual time: after slot 9 the run
// waits 2 s.
devsim::Config ThreeDevices() {
  devsim::Config config;
  config.chips = {0xFD, 0x48, 0x42};
  return config;
}

using MultiImageVirtualTest = VirtualTimeTest;

std::vector<RunInput> BuiltInImages() {
  std::vector<RunInput> images;
  for (const auto& d : Devices) images.push_back(BuiltInImage(d.chip, d.slot));
  return images;
}

TEST_F(MultiImageTest, CreationShowsTheImageBarAndNarrowsTheSearchBar) {
  TForm5* form = Make<TForm5>();
  form->show();
  EXPECT_EQ(form->windowTitle(), "Upgrade 1.1 -   KAP TRI 01.00.00   - Jun 30 2016");
  EXPECT_TRUE(MultiImageMode);
  EXPECT_FALSE(form->ProgressBar2->isHidden());
  const QRect search = form->ProgressBar1->geometry();
  const QRect images = form->ProgressBar2->geometry();
  EXPECT_EQ(images.width(), 158);
  EXPECT_EQ(images.left() - search.right() - 1, 5);  // a 5-pixel gap
  EXPECT_EQ(images.top(), search.top());
}

TEST_F(MultiImageVirtualTest, OneStartWritesEveryDeviceInTurnAndCountsTheImages) {
  const std::vector<RunInput> images = BuiltInImages();
  link.connect(ThreeDevices());
  TForm5* form = Make<TForm5>();
  form->show();
  ValueLog log(form->ProgressBar2);
  form->Button1->click();
  EXPECT_EQ(log.values, (std::vector<int>{0, 2, 3, 4}));
  EXPECT_EQ(form->ProgressBar2->maximum(), 4);
  EXPECT_EQ(form->StatusBar1->panelText(1), "Program OK");
  EXPECT_FALSE(form->Button1->isHidden());
  EXPECT_FALSE(EngineBusy());
  ExpectEveryDeviceWritten(*link.device(), images);
}

TEST_F(MultiImageVirtualTest, AStartInThePauseBetweenImagesIsIgnored) {
  const std::vector<RunInput> images = BuiltInImages();
  link.connect(ThreeDevices());
  TForm5* form = Make<TForm5>();
  form->show();
  ValueLog log(form->ProgressBar2);
  // After slot 9 the run waits 2 s with START shown before the loop searches again.
  bool pressed = false;
  link.when(
      [&] {
        return EngineBusy() && !form->Button1->isHidden() &&
               form->StatusBar1->panelText(1) == "Program OK";
      },
      [&] {
        pressed = true;
        form->Button1->click();
      });
  // Should a second loop start anyway, it re-arms the images and writes the last device
  // again and again: stop it once that device has had more blocks than one image's.
  const size_t lastDeviceBlocks = ExpectRun(images[2]).frames.size();
  link.when(
      [&] {
        const auto& t = link.device()->transcript();
        return static_cast<size_t>(std::count_if(t.begin(), t.end(), [](const auto& e) {
                 return e.device == 3 && e.kind == "block";
               })) > lastDeviceBlocks;
      },
      [] { AbortRequested = true; });
  form->Button1->click();
  EXPECT_TRUE(pressed);
  EXPECT_EQ(log.values, (std::vector<int>{0, 2, 3, 4}));
  EXPECT_EQ(form->StatusBar1->panelText(1), "Program OK");
  ExpectEveryDeviceWritten(*link.device(), images);
}

// STOP while the second device is written: two of three images are not all of them.
TEST_F(MultiImageVirtualTest, AStopOnTheSecondDeviceLeavesTheImageBarAtTheFirstImage) {
  link.connect(ThreeDevices());
  TForm5* form = Make<TForm5>();
  form->show();
  ValueLog log(form->ProgressBar2);
  link.when(
      [&] {
        const auto& t = link.device()->transcript();
        return !t.empty() && t.back().device == 2 && t.back().kind == "block";
      },
      [&] { form->Button2->click(); });
  form->Button1->click();
  EXPECT_EQ(form->StatusBar1->panelText(1), " User Abort !! ");
  EXPECT_EQ(log.values, (std::vector<int>{0, 2}));
  EXPECT_EQ(form->ProgressBar2->value(), 2);
  EXPECT_LT(form->ProgressBar2->value(), form->ProgressBar2->maximum());
}

// The search after the first image finds no device (100 probes of 100 ms).
TEST_F(MultiImageVirtualTest, ADeviceThatStopsAnsweringEndsTheLoopWhereItWas) {
  const RunInput first = BuiltInImage(0xFD, 7);
  const int frames = static_cast<int>(ExpectRun(first).frames.size());
  devsim::Config config;
  config.chips = {0xFD};
  config.faults = {{devsim::FaultKind::Silent, 0, frames}};
  link.connect(config);
  TForm5* form = Make<TForm5>();
  form->show();
  ValueLog log(form->ProgressBar2);
  form->Button1->click();
  EXPECT_EQ(log.values, (std::vector<int>{0, 2}));
  EXPECT_EQ(form->StatusBar1->panelText(1), "Device not Found");
  EXPECT_FALSE(form->Button1->isHidden());
  EXPECT_TRUE(form->Button2->isHidden());
  EXPECT_EQ(CompareWithDevice(ExpectRun(first), *link.device()), "");
}

}  // namespace
