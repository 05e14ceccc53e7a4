// A build without identity: the Updater window with the fallback identity.
#include <QCoreApplication>
#include <QLabel>

#include "startup/identity.h"
#include "support/ui_fixture.h"
#include "ui/updater_window.h"

namespace {

using NoIdentityBuildTest = UiTest;

TEST_F(NoIdentityBuildTest, RunsAsTheUpdaterShowingTheFallbackIdentity) {
  ASSERT_EQ(ProductIdentity(), nullptr);
  EXPECT_EQ(ChooseVariant(ProductIdentity()), Variant::Updater);
  TForm1* form = Make<TForm1>();
  EXPECT_TRUE(form->isMainWindow());
  EXPECT_EQ(form->windowTitle(), "Updater 2.7 - LNK88.2 00.04   [ Mar 04 2021 ]");
  EXPECT_EQ(QCoreApplication::applicationName(), "LNK88.2 00.04");
  EXPECT_EQ(form->Label1->text(), "LNK88.2 00.04");
  EXPECT_TRUE(form->Image1->isHidden());
  EXPECT_FALSE(form->Image2->isHidden());
}

}  // namespace
