#include "engine/view.h"

EngineWindow RunningWindow = EngineWindow::None;
int32_t StatusPanels[4] = {0, 1, 2, 3};

namespace {

const EngineView* installedView = nullptr;

// The installed operation, or null when there is no view or it leaves the operation out.
template <class Op>
Op Operation(Op EngineView::*op) {
  return installedView != nullptr ? installedView->*op : nullptr;
}

}  // namespace

void InstallEngineView(const EngineView* view) { installedView = view; }

void ShowResult(const char* text, uint32_t colour) {
  if (auto op = Operation(&EngineView::showResult)) op(text, colour);
}

void ShowProgress(const char* text, uint32_t colour) {
  if (auto op = Operation(&EngineView::showProgress)) op(text, colour);
}

void SetPlainMark(uint8_t plain) {
  if (auto op = Operation(&EngineView::setPlainMark)) op(plain);
}

void SetBusy() {
  if (auto op = Operation(&EngineView::setBusy)) op();
}

void SetIdle() {
  if (auto op = Operation(&EngineView::setIdle)) op();
}

void SetStatusText(StatusBarHandle statusBar, StatusPanelEntry entry, const char* text) {
  if (auto op = Operation(&EngineView::setStatusText)) op(statusBar, entry, text);
}

void ShowDeviceInfo() {
  if (auto op = Operation(&EngineView::showDeviceInfo)) op();
}

int ErrorBox(const char* text, const char* caption, int flags) {
  auto op = Operation(&EngineView::errorBox);
  return op != nullptr ? op(text, caption, flags) : 0;
}

void ShowPortText(StatusBarHandle statusBar, const char* text) {
  if (auto op = Operation(&EngineView::showPortStatus)) op(statusBar, text);
}

void SetBarPosition(BarHandle bar, int position) {
  if (auto op = Operation(&EngineView::setBarPosition)) op(bar, position);
}

void SetBarMaximum(BarHandle bar, int maximum) {
  if (auto op = Operation(&EngineView::setBarMaximum)) op(bar, maximum);
}

void SetBarSmooth(BarHandle bar, bool smooth) {
  if (auto op = Operation(&EngineView::setBarSmooth)) op(bar, smooth);
}

void SetBarState(BarHandle bar, BarState state) {
  if (auto op = Operation(&EngineView::setBarState)) op(bar, state);
}

void SetUpdaterStatusText(StatusPanelEntry entry, const char* text) {
  if (auto op = Operation(&EngineView::setUpdaterStatusText)) op(entry, text);
}

void HideUpdaterResult() {
  if (auto op = Operation(&EngineView::hideUpdaterResult)) op();
}

void ShowStep(EngineStep step) {
  if (auto op = Operation(&EngineView::showStep)) op(step);
}

void ResetView() {
  RunningWindow = EngineWindow::None;
  StatusPanels[PortPanel] = 0;
  StatusPanels[MessagePanel] = 1;
  StatusPanels[DevicePanel] = 2;
  StatusPanels[ExtraPanel] = 3;
}
