#include "support/engine_fixture.h"

#include "catalogue/build_data.h"
#include "catalogue/catalogue.h"
#include "engine/engine.h"
#include "protocol/run.h"
#include "protocol/search.h"
#include "serial/channel.h"

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
  const size_t header = chip >= 0xFC && chip <= 0xFE ? WideHeaderAt : Pic18HeaderAt;
  if (n > header + 1) image[header] = image[header + 1] = 0xA5;  // 0 once unmasked
  return image;
}

void EngineTest::SetUp() {
  ResetEngineState();
  link.forgetWrites();
  view.clear();
}

void EngineTest::TearDown() { ResetEngineState(); }

void EngineTest::open(MainWindow w) {
  SetUpEngine(w);
  UsePort(0);
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

int16_t EngineTest::search() { return SearchDevice(RecordingView::MainBar, statusBar()); }
int EngineTest::run() { return PrgMode(RecordingView::MainBar, statusBar()); }

int EngineTest::update() {
  const int16_t found = search();
  return found == SearchFound ? run() : found;
}

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
