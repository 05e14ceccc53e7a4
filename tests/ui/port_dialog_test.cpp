// The port dialog "Setup": listing, preselection, OK and Cancel, over a fake port listing
// and over the ports folder.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include <unistd.h>

#include "serial/channel.h"
#include "startup/settings.h"
#include "support/pty_pair.h"
#include "support/ui_fixture.h"
#include "ui/SerialSetup.h"
#include "ui/forms.h"
#include "ui/status_bar.h"
#include "ui/upgrade_window.h"

namespace {

using PortDialogTest = UiTest;

QStringList Entries(const QComboBox* box) {
  QStringList entries;
  for (int i = 0; i < box->count(); ++i) entries << box->itemText(i);
  return entries;
}

TEST_F(PortDialogTest, LayoutIsTheDesignedOne) {
  TForm3* dialog = Make<TForm3>();
  EXPECT_EQ(dialog->windowTitle(), "Setup");
  EXPECT_EQ(dialog->size(), QSize(456, 94));
  EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
  EXPECT_EQ(dialog->pos(), QPoint(136, 107));
  EXPECT_EQ(dialog->font().pixelSize(), 11);
  const struct {
    QWidget* control;
    QRect geometry;
  } controls[] = {
      {dialog->ComboBox1, {41, 16, 408, 21}},
      {dialog->Button1, {293, 56, 75, 25}},
      {dialog->Button2, {373, 56, 75, 25}},
      {dialog->ComboBox2, {0, 56, 41, 21}},
  };
  for (const auto& c : controls) EXPECT_EQ(c.control->geometry(), c.geometry);
  // The caption fits its text between its place and the combo box.
  EXPECT_EQ(dialog->Label1->pos(), QPoint(9, 19));
  EXPECT_GE(dialog->Label1->width(), 25);
  EXPECT_LT(dialog->Label1->geometry().right(), dialog->ComboBox1->x());
  EXPECT_EQ(dialog->Label1->text(), "Port :");
  EXPECT_EQ(dialog->Button1->text(), "&Ok");
  EXPECT_EQ(dialog->Button2->text(), "&Cancel");
  EXPECT_TRUE(dialog->ComboBox2->isHidden());
  EXPECT_EQ(dialog->Button1->nextInFocusChain(), dialog->Button2);
  EXPECT_EQ(dialog->Button2->nextInFocusChain(), dialog->ComboBox1);
  EXPECT_EQ(dialog->ComboBox1->nextInFocusChain(), dialog->ComboBox2);
}

TEST_F(PortDialogTest, ShowingPreselectsTheCurrentPortWhereverItStandsInAnyCase) {
  TForm3* dialog = Make<TForm3>();
  const struct {
    std::vector<PortCandidate> ports;
    int16_t current;
    int selected;
  } cases[] = {
      {{{"COM5", "E"}, {"COM1", "A"}}, 4, 0},
      {{{"COM1", "A"}, {"COM3", "C"}, {"COM5", "E"}}, 4, 2},
      {{{"COM1", "A"}, {"com5", "e"}, {"COM15", "O"}}, 4, 1},
      {{{"COM1", "A"}, {"COM15", "O"}}, 4, 0},  // absent: the first entry
      {{{"COM2", "B"}, {"COM1", "A"}}, -1, 0},  // no port
      {{}, 4, -1},                              // nothing listed, nothing selected
  };
  for (const auto& c : cases) {
    UsePorts(c.ports);
    CurrentPort = c.current;
    dialog->show();
    QStringList friendly;
    QStringList names;
    for (const PortCandidate& p : c.ports) {
      friendly << QString::fromStdString(p.friendlyName);
      names << QString::fromStdString(p.portName);
    }
    EXPECT_EQ(Entries(dialog->ComboBox1), friendly);
    EXPECT_EQ(Entries(dialog->ComboBox2), names);
    EXPECT_EQ(dialog->ComboBox1->currentIndex(), c.selected) << names.join(",").toStdString();
    dialog->close();
    EXPECT_TRUE(dialog->isHidden());
  }
}

TEST_F(PortDialogTest, PortOfEntryReadsTheNumberAfterUpperCaseComLetters) {
  TForm3* dialog = Make<TForm3>();
  const struct {
    const char* name;
    int16_t port;
  } cases[] = {
      {"COM12", 11}, {"COM1", 0}, {"com5", -1}, {"COM", 0}, {"COM1C2", 0}, {"MOCO3", 2},
  };
  for (const auto& c : cases) dialog->ComboBox2->addItem(c.name);
  for (int i = 0; i < static_cast<int>(std::size(cases)); ++i)
    EXPECT_EQ(dialog->PortOfEntry(static_cast<int16_t>(i)), cases[i].port) << cases[i].name;
  EXPECT_EQ(dialog->PortOfEntry(-1), 0);
  EXPECT_EQ(dialog->PortOfEntry(static_cast<int16_t>(std::size(cases))), 0);
}

TEST_F(PortDialogTest, OkOnTheCurrentPortChangesNothing) {
  TForm3* dialog = Make<TForm3>();
  UsePorts({{"COM1", "A"}, {"COM5", "E"}});
  CurrentPort = 4;
  OpenedPort = -7;  // ApplyPort would make it 4
  dialog->show();
  dialog->Button1->click();
  EXPECT_EQ(CurrentPort, 4);
  EXPECT_EQ(OpenedPort, -7);
  EXPECT_TRUE(dialog->isHidden());
}

TEST_F(PortDialogTest, OkOnAnotherPortMakesItCurrentAndReopensAtOnce) {
  TForm5* upgrade = Make<TForm5>();
  TForm3* dialog = Make<TForm3>();
  // Ports without a device: the reopen fails visibly.
  UsePorts({{"COM200", "Fake A"}, {"COM201", "Fake B"}});
  CurrentPort = 199;
  OpenedPort = 199;
  dialog->show();
  dialog->ComboBox1->setCurrentIndex(1);
  dialog->Button1->click();
  EXPECT_EQ(CurrentPort, 200);
  EXPECT_EQ(OpenedPort, 200);
  EXPECT_EQ(upgrade->StatusBar1->panelText(1), "Invalid Port Com");
  EXPECT_EQ(upgrade->StatusBar1->panelText(0), "COM1");  // the dialog leaves the port panel
  EXPECT_TRUE(dialog->isHidden());
}

TEST_F(PortDialogTest, LowerCaseEntryGivesNoPortAndAnInvalidPortMessage) {
  TForm5* upgrade = Make<TForm5>();
  TForm3* dialog = Make<TForm3>();
  UsePorts({{"COM1", "A"}, {"com5", "lower-case E"}});
  CurrentPort = 4;
  OpenedPort = 4;
  dialog->show();
  ASSERT_EQ(dialog->ComboBox1->currentIndex(), 1);
  dialog->Button1->click();
  EXPECT_EQ(CurrentPort, -1);
  EXPECT_EQ(OpenedPort, -1);
  EXPECT_EQ(upgrade->StatusBar1->panelText(1), "Invalid Port Com");
}

TEST_F(PortDialogTest, CancelAndTheCloseBoxKeepThePortAndCancelRestoresTheSelection) {
  TForm3* dialog = Make<TForm3>();
  UsePorts({{"COM1", "A"}, {"COM5", "E"}, {"COM9", "I"}});
  CurrentPort = 4;
  OpenedPort = -7;
  dialog->show();
  dialog->ComboBox1->setCurrentIndex(2);
  dialog->Button2->click();
  EXPECT_EQ(dialog->ComboBox1->currentIndex(), 1);
  EXPECT_TRUE(dialog->isHidden());

  dialog->show();
  dialog->ComboBox1->setCurrentIndex(0);
  dialog->close();
  EXPECT_TRUE(dialog->isHidden());
  EXPECT_EQ(Form3, dialog);  // hidden, not destroyed
  EXPECT_EQ(CurrentPort, 4);
  EXPECT_EQ(OpenedPort, -7);
}

TEST_F(PortDialogTest, FriendlyNamesShowTheirCharactersAsTheSystemWroteThem) {
  TForm3* dialog = Make<TForm3>();
  UsePorts({{"COM33", "COM33  Ger\xC3\xA4t \xE2\x80\x93 FT232R (/dev/ttyUSB0)"}});
  dialog->show();
  const QString expected = QStringLiteral("COM33  Ger") + QChar(0xE4) + QStringLiteral("t ") +
                           QChar(0x2013) + QStringLiteral(" FT232R (/dev/ttyUSB0)");
  EXPECT_EQ(Entries(dialog->ComboBox1), QStringList{expected});
}

TEST_F(PortDialogTest, ALinkNamedInLowerCaseIsListedUnderItsComNameAndCanBeChosen) {
  PtyPair device;
  ASSERT_TRUE(device.ok());
  ASSERT_EQ(symlink(device.slavePath.c_str(), (portsDir() + "/com5").c_str()), 0);
  InstallPortEnumeration(nullptr);  // the ports folder and the devices present
  TForm5* upgrade = Make<TForm5>();
  TForm3* dialog = Make<TForm3>();
  dialog->show();
  const int entry = dialog->ComboBox2->findText("COM5", Qt::MatchExactly | Qt::MatchCaseSensitive);
  ASSERT_GE(entry, 0) << Entries(dialog->ComboBox2).join(",").toStdString();
  EXPECT_EQ(dialog->ComboBox1->itemText(entry),
            QString::fromStdString("COM5  Pseudo-terminal (" + device.slavePath + ")"));

  dialog->ComboBox1->setCurrentIndex(entry);
  dialog->Button1->click();
  EXPECT_EQ(CurrentPort, 4);
  EXPECT_EQ(OpenedPort, 4);
  EXPECT_EQ(PortTable[4].isOpen, 1);
  EXPECT_EQ(upgrade->StatusBar1->panelText(1), "");  // no "Invalid Port Com"
  upgrade->close();
  EXPECT_EQ(Remembered(UpgradeSettings), "4");
}

TEST_F(PortDialogTest, ShowingAgainWhileVisibleDoesNotRelist) {
  TForm3* dialog = Make<TForm3>();
  UsePorts({{"COM1", "A"}});
  dialog->show();
  UsePorts({{"COM2", "B"}, {"COM3", "C"}});
  dialog->show();
  EXPECT_EQ(Entries(dialog->ComboBox2), QStringList{"COM1"});
  dialog->close();
  dialog->show();
  EXPECT_EQ(Entries(dialog->ComboBox2), (QStringList{"COM2", "COM3"}));
}

}  // namespace
