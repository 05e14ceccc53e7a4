// The Updater build ("SOL BX 02.10.00", no variant code): the Updater is the main window.
#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>

#include "startup/identity.h"
#include "support/ui_fixture.h"
#include "ui/status_bar.h"
#include "ui/updater_window.h"
#include "ui/version_dialog.h"

namespace {

using UpdaterBuildTest = UiTest;

TEST_F(UpdaterBuildTest, RunsAsTheUpdaterWithItsIdentityAndTheSecondLogo) {
  EXPECT_EQ(ChooseVariant(ProductIdentity()), Variant::Updater);
  TForm1* form = Make<TForm1>();
  TForm4* versions = Make<TForm4>();
  EXPECT_TRUE(form->isMainWindow());
  EXPECT_EQ(form->windowTitle(), "Updater 2.7 - SOL BX 02.10.00   [ Mar 04 2021 ]");
  EXPECT_EQ(QCoreApplication::applicationName(), "SOL BX 02.10.00");
  EXPECT_EQ(form->Label1->text(), "SOL BX 02.10.00");
  EXPECT_TRUE(form->Image1->isHidden());
  EXPECT_FALSE(form->Image2->isHidden());
  EXPECT_EQ(form->StatusBar1->panelText(0), "COM1");

  QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(5, 5), form->Label1->mapToGlobal(QPointF(5, 5)),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(form->Label1, &click);
  EXPECT_EQ(versions->windowTitle(), "SOL BX 02.10.00   [ 09:41:07 - Mar 04 2021 ]");
}

}  // namespace
