// The version dialog: the listing of the built-in images, made afresh at every showing.
#include <QListWidget>
#include <QPushButton>

#include "catalogue/version_listing.h"
#include "support/ui_fixture.h"
#include "ui/version_dialog.h"

namespace {

using VersionDialogTest = UiTest;

QStringList Lines(const QListWidget* list) {
  QStringList lines;
  for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text();
  return lines;
}

QStringList Listing() {
  QStringList lines;
  for (const std::string& line : VersionListing()) lines << QString::fromStdString(line);
  return lines;
}

TEST_F(VersionDialogTest, IsAResizableDialogWithAMonospacedList) {
  TForm4* dialog = Make<TForm4>();
  EXPECT_EQ(dialog->windowTitle(), "Version ..");
  EXPECT_NE(dialog->minimumSize(), dialog->maximumSize());
  EXPECT_EQ(dialog->Button1->text(), "&Ok");
  EXPECT_TRUE(dialog->ListBox1->font().fixedPitch());
  EXPECT_EQ(dialog->ListBox1->font().styleHint(), QFont::TypeWriter);
  EXPECT_EQ(dialog->ListBox1->font().pixelSize(), 11);
}

TEST_F(VersionDialogTest, OpenCloseOpenShowsTheListingOnce) {
  TForm4* dialog = Make<TForm4>();
  ASSERT_EQ(Listing().size(), 2);  // this build lists no image: the two header lines
  dialog->show();
  EXPECT_EQ(Lines(dialog->ListBox1), Listing());
  dialog->Button1->click();
  EXPECT_TRUE(dialog->isHidden());
  dialog->show();
  EXPECT_EQ(Lines(dialog->ListBox1), Listing());
}

TEST_F(VersionDialogTest, ShowingAgainWhileVisibleKeepsTheList) {
  TForm4* dialog = Make<TForm4>();
  dialog->show();
  dialog->ListBox1->addItem("marker");
  dialog->show();
  EXPECT_EQ(Lines(dialog->ListBox1), Listing() << "marker");
}

}  // namespace
