// The "QIX" build ("QIX LD 03.01.00"): the Loader window with the N probe.
#include <QLabel>
#include <QPushButton>

#include "protocol/search.h"
#include "support/ui_devsim.h"
#include "ui/colours.h"
#include "ui/loader_window.h"

namespace {

using QixLoaderTest = UiDevsimTest;

TEST_F(QixLoaderTest, CreationMarksTheTitleAndHidesTheLogo) {
  TForm6* form = Make<TForm6>();
  EXPECT_EQ(form->windowTitle(), "Loader 1.0 -   QIX LD 03.01.00   - Jan 15 2019   -(N)-");
  EXPECT_EQ(form->Label5->text(), "QIX LD 03.01.00");
  EXPECT_TRUE(form->Image1->isHidden());
  EXPECT_TRUE(NVariant);
}

TEST_F(QixLoaderTest, UpdatesADeviceThatAnswersOnlyTheNProbe) {
  const RunInput image = BuiltInImage(0x48, 9);
  DevsimProcess& device = startDevice({"--probes", "C6"});
  const MainWindowUnderTest w = open(WindowKind::Loader);
  w.start->click();
  auto* form = static_cast<TForm6*>(w.window);
  EXPECT_EQ(form->Label1->text(), "Successfully updated");
  EXPECT_EQ(form->Label1->palette().color(QPalette::WindowText), ToQColor(ColourGreen));
  EXPECT_TRUE(form->Button1->isEnabled());
  EXPECT_FALSE(form->Button2->isEnabled());
  ASSERT_EQ(device.stop(), 0);
  EXPECT_EQ(CompareWithDump(ExpectRun(image), ReadIntelHex(device.dumpPath())), "");
}

}  // namespace
