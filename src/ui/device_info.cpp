#include "ui/device_info.h"

#include <QLabel>
#include <cstdio>

#include "catalogue/catalogue.h"
#include "catalogue/version_listing.h"
#include "protocol/decoder.h"
#include "ui/colours.h"
#include "ui/form_kit.h"
#include "ui/loader_window.h"
#include "ui/updater_window.h"
#include "ui/window_order.h"

namespace {

// A neutral line of the Updater's device frame, shown and painted at once.
void ShowNeutralLine(QLabel* label, const char* text) {
  label->setText(UiText(text));
  label->show();
  SetBackgroundColour(label, ColourButtonFace);
  SetTextColour(label, ColourBlack);
  label->repaint();
}

void ShowInLoader(TForm6* form) {
  if (!VRecordSeen) return;
  char text[64];
  std::snprintf(text, sizeof text, "%s - 0x%02x", BoardName(CurrentImage.print),
                DeviceInfo.preparation);
  form->Label6->setText(UiText(text));
  std::snprintf(text, sizeof text, "0x%02x", DeviceInfo.bootVersion);
  form->Label7->setText(UiText(text));
}

void ShowInUpdater(TForm1* form) {
  char line[64];
  if (VRecordSeen)
    std::snprintf(line, sizeof line, "BIOS:%02x - %s - Preparation%02x", DeviceInfo.bootVersion,
                  BoardName(DeviceInfo.boardId), DeviceInfo.preparation);
  else
    std::snprintf(line, sizeof line, "BIOS:%02x - %s - Preparation%02x", DeviceInfo.bootVersion,
                  BoardName(CurrentImage.print), CurrentImage.preparation);
  ShowNeutralLine(form->Label3, line);

  // Bootloaders 8 to 31 send an R record; an erased text (first byte 0xFF) shows empty.
  if (DeviceInfo.bootVersion >= 8 && DeviceInfo.bootVersion <= 31) {
    if (static_cast<uint8_t>(RRecord.text[0]) == 0xFF) RRecord.text[0] = '\0';
    ShowNeutralLine(form->Label4, RRecord.text);
  } else {
    form->Label4->hide();
  }
}

}  // namespace

void ShowDeviceInfo() {
  switch (RunningWindow()) {
    case EngineWindow::Loader: ShowInLoader(Form6); break;
    case EngineWindow::Updater: ShowInUpdater(Form1); break;
    case EngineWindow::Upgrade:
    case EngineWindow::None: break;
  }
}
