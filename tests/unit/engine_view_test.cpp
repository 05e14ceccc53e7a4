// The engine's view: with none installed, or with operations left out, nothing happens.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/view.h"

namespace {

std::vector<std::string> Shown;

void CallEveryOperation() {
  ShowResult("result", 255);
  ShowProgress("progress", 0);
  SetPlainMark(1);
  SetBusy();
  SetIdle();
  SetStatusText(StatusBarHandle{1}, MessagePanel, "text");
  ShowDeviceInfo();
  ShowPortText(StatusBarHandle{1}, "COM1");
  EXPECT_EQ(ErrorBox("text", "caption", 0), 0);
  SetBarPosition(BarHandle{1}, 5);
  SetBarMaximum(BarHandle{1}, 10);
  SetBarSmooth(BarHandle{1}, true);
  SetBarState(BarHandle{1}, BarState::Error);
  SetUpdaterStatusText(MessagePanel, "Resend 0");
  HideUpdaterResult();
}

TEST(EngineView, WithoutAViewEveryOperationDoesNothing) {
  InstallEngineView(nullptr);
  CallEveryOperation();
}

TEST(EngineView, AViewGetsOnlyTheOperationsItHas) {
  EngineView view{};
  view.showResult = [](const char* text, uint32_t) { Shown.push_back(text); };
  view.setStatusText = [](StatusBarHandle, StatusPanelEntry, const char* text) {
    Shown.push_back(text);
  };
  InstallEngineView(&view);
  CallEveryOperation();
  InstallEngineView(nullptr);
  EXPECT_EQ(Shown, (std::vector<std::string>{"result", "text"}));
}

}  // namespace
