#include "support/engine_fixture.h"

#include <QLabel>
#include <QSettings>
#include <cstring>

#include "catalogue/catalogue.h"
#include "protocol/chip.h"
#include "protocol/decoder.h"
#include "protocol/frames.h"
#include "protocol/run.h"
#include "protocol/search.h"
#include "serial/channel.h"
#include "ui/SerialSetup.h"
#include "ui/forms.h"
#include "ui/loader_window.h"
#include "ui/status_bar.h"
#include "ui/status_channel.h"
#include "ui/updater_window.h"
#include "ui/upgrade_window.h"
#include "ui/version_dialog.h"

void ResetEngineState() {
  for (int i = 0; i <= MaxPortIndex; ++i) ClosePort(i);
  CurrentPort = 0;
  OpenedPort = -1;
  DeviceInfo = {};
  PendingVRecord = {0, 0, 0, 0, 0xFF};
  VRecordSeen = AckReceived = RefusalReceived = AbortRequested = false;
  std::memset(&RRecord, 0, sizeof RRecord);
  RParser = {};
  RRecordDone = 0;
  const uint8_t initialVector[8] = {0x80, 0xEF, 0x3F, 0xF0, 0, 0, 0, 0};
  std::memcpy(ResetVector, initialVector, sizeof ResetVector);
  ResetVectorLength = 8;
  AddressUnit = 1;
  TopReserve = TopReserveJ = 0;
  PadLastBlock = 0;
  FlashLimit = ProgramLength = BlockSize = 0;
  SkipStart = SkipLength = 0;
  NVariant = false;
  MultiImageMode = false;
  StatusPanels[PortPanel] = 0;
  StatusPanels[MessagePanel] = 1;
  StatusPanels[DevicePanel] = 2;
  StatusPanels[ExtraPanel] = 3;
}

std::vector<uint8_t> TestBytes(size_t n, uint32_t seed) {
  std::vector<uint8_t> bytes(n);
  uint32_t state = seed * 2654435761u + 1;
  for (uint8_t& b : bytes) {
    state = state * 1664525u + 1013904223u;
    b = static_cast<uint8_t>(state >> 24);
  }
  return bytes;
}

std::vector<uint8_t> TestImage(size_t n, uint32_t seed, uint8_t chip) {
  std::vector<uint8_t> image = TestBytes(n, seed);
  const size_t header = chip >= 0xFC && chip <= 0xFE ? 1024 : 14;
  if (n > header + 1) image[header] = image[header + 1] = 0xA5;  // 0 once unmasked
  return image;
}

void EngineTest::SetUp() {
  ASSERT_TRUE(settings_.isValid());
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_.path());
  ResetEngineState();
  link.forgetWrites();
}

void EngineTest::TearDown() {
  delete Form4;
  delete Form3;
  delete Form1;
  delete Form5;
  delete Form6;
  ResetEngineState();
}

void EngineTest::open(MainWindow w) {
  window = w;
  switch (w) {
    case MainWindow::Upgrade: new TForm5; break;
    case MainWindow::Loader: new TForm6; break;
    case MainWindow::Updater: break;
  }
  new TForm1;
  new TForm3;
  new TForm4;
}

devsim::Device& EngineTest::connect(devsim::Config config) {
  link.connect(std::move(config));
  return *link.device();
}

devsim::Config EngineTest::device(uint8_t chip, uint8_t version) {
  devsim::Config c;
  c.chips = {chip};
  c.version = version;
  c.timeModel = true;
  return c;
}

QProgressBar* EngineTest::bar() const {
  switch (window) {
    case MainWindow::Upgrade: return Form5->ProgressBar1;
    case MainWindow::Loader: return Form6->ProgressBar1;
    case MainWindow::Updater: return Form1->ProgressBar1;
  }
  return nullptr;
}

TStatusBar* EngineTest::statusBar() const {
  switch (window) {
    case MainWindow::Upgrade: return Form5->StatusBar1;
    case MainWindow::Loader: return Form6->StatusBar1;
    case MainWindow::Updater: return Form1->StatusBar1;
  }
  return nullptr;
}

int16_t EngineTest::search() { return SearchDevice(bar(), statusBar()); }
int EngineTest::run() { return PrgMode(bar(), statusBar()); }

int EngineTest::update() {
  const int16_t found = search();
  return found == SearchFound ? run() : found;
}

QString EngineTest::message() const {
  switch (window) {
    case MainWindow::Upgrade: return Form5->StatusBar1->panelText(StatusPanels[MessagePanel]);
    case MainWindow::Loader: return Form6->Label1->text();
    case MainWindow::Updater: return Form1->Label2->text();
  }
  return {};
}

QString EngineTest::panel(int index) const { return statusBar()->panelText(index); }

void EngineTest::useImage(int row, int slot, std::vector<uint8_t> image,
                          std::vector<uint8_t> eeprom, std::vector<uint8_t> finalBytes,
                          int plain) {
  const auto keep = [&](std::vector<uint8_t> bytes) {
    firmware_.push_back(std::make_unique<std::vector<uint8_t>>(std::move(bytes)));
    return firmware_.back().get();
  };
  std::vector<uint8_t>* i = keep(std::move(image));
  std::vector<uint8_t>* e = keep(std::move(eeprom));
  std::vector<uint8_t>* f = keep(std::move(finalBytes));
  ImageSlot& s = ImageCatalogue[row][slot];
  s.image = i->data();
  s.imageLength = static_cast<int32_t>(i->size());
  s.eeprom = e->data();
  s.eepromLength = static_cast<int32_t>(e->size());
  s.finalBytes = f->data();
  s.finalLength = static_cast<int32_t>(f->size());
  s.plain = static_cast<int8_t>(plain);
}

std::vector<std::vector<uint8_t>> EngineTest::frameWrites() const {
  std::vector<std::vector<uint8_t>> frames;
  for (const SimLink::Write& w : link.writes())
    if (w.bytes.size() > 1) frames.push_back(w.bytes);
  return frames;
}
