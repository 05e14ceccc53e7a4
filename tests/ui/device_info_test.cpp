// The device information: "HW :" and "BS :" in the Loader, the two device lines in the
// Updater, nothing in the Upgrade window.
#include <QLabel>
#include <cstring>

#include "catalogue/catalogue.h"
#include "protocol/decoder.h"
#include "support/ui_fixture.h"
#include "ui/colours.h"
#include "engine/view.h"
#include "ui/loader_window.h"
#include "ui/updater_window.h"
#include "ui/upgrade_window.h"

namespace {

using DeviceInfoTest = UiTest;

// A device on board 9 with preparation 0x84, and an image made for board 5, preparation 0x10:
// every field shows which of the two it came from.
void DeviceAndImage(uint8_t bootVersion, bool vRecord, const char* rText) {
  DeviceInfo = {bootVersion, 0x48, 9, 0x84};
  VRecordSeen = vRecord;
  CurrentImage.print = 5;
  CurrentImage.preparation = 0x10;
  std::strncpy(RRecord.text, rText, RRecordTextLength);
}

TEST_F(DeviceInfoTest, LoaderShowsImageBoardAndDevicePreparationOnlyAfterAVRecord) {
  TForm6* form = Make<TForm6>();
  form->Label6->setText("kept");
  form->Label7->setText("kept");
  DeviceAndImage(0x1F, false, "");
  ShowDeviceInfo();
  EXPECT_EQ(form->Label6->text(), "kept");
  EXPECT_EQ(form->Label7->text(), "kept");

  DeviceAndImage(0x07, true, "");
  ShowDeviceInfo();
  EXPECT_EQ(form->Label6->text(), "MB05 - 0x84");
  EXPECT_EQ(form->Label7->text(), "0x07");
}

TEST_F(DeviceInfoTest, UpgradeShowsNothingNotEvenInTheHiddenUpdater) {
  Make<TForm5>();
  TForm1* updater = Make<TForm1>();
  DeviceAndImage(8, true, "R text");
  ShowDeviceInfo();
  EXPECT_TRUE(updater->Label3->isHidden());
  EXPECT_TRUE(updater->Label4->isHidden());
  EXPECT_TRUE(updater->Label3->text().isEmpty());
}

TEST_F(DeviceInfoTest, UpdaterDescribesTheDeviceOrTheImageAndShowsTheRTextOfBootloaders8To31) {
  TForm1* form = Make<TForm1>();
  form->show();
  const struct {
    uint8_t bootVersion;
    bool vRecord;
    const char* rText;
    const char* deviceLine;
    bool textShown;
    const char* text;
  } cases[] = {
      {7, true, "R text", "BIOS:07 - MB09 - Preparation84", false, ""},
      {8, true, "R text", "BIOS:08 - MB09 - Preparation84", true, "R text"},
      {31, true, "\xFFR text", "BIOS:1f - MB09 - Preparation84", true, ""},
      {32, true, "R text", "BIOS:20 - MB09 - Preparation84", false, ""},
      {0, false, "R text", "BIOS:00 - MB05 - Preparation10", false, ""},
      {10, false, "R text", "BIOS:0a - MB05 - Preparation10", true, "R text"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.deviceLine);
    form->Label4->setText("old");
    form->Label4->show();
    DeviceAndImage(c.bootVersion, c.vRecord, c.rText);
    ShowDeviceInfo();
    EXPECT_FALSE(form->Label3->isHidden());
    EXPECT_EQ(form->Label3->text(), c.deviceLine);
    EXPECT_EQ(form->Label4->isHidden(), !c.textShown);
    if (c.textShown) {
      EXPECT_EQ(form->Label4->text(), c.text);
    }
    if (c.rText[0] == '\xFF') {
      EXPECT_EQ(RRecord.text[0], '\0');  // made empty, not only shown so
    }
    for (const QLabel* line : {form->Label3, form->Label4}) {
      EXPECT_EQ(line->palette().color(QPalette::Window), ToQColor(ColourButtonFace));
      EXPECT_EQ(line->palette().color(QPalette::WindowText), QColor(0, 0, 0));
    }
  }
}

TEST_F(DeviceInfoTest, DeviceTextIsShownAsPlainText) {
  TForm1* form = Make<TForm1>();
  DeviceAndImage(9, true, "<b>x</b>");
  ShowDeviceInfo();
  EXPECT_EQ(form->Label4->text(), "<b>x</b>");
  EXPECT_EQ(form->Label4->textFormat(), Qt::PlainText);
}

}  // namespace
