#include "ui/progress.h"

#include <QProgressBar>
#include <QVariant>

namespace {

// The look is kept on the bar itself, so every bar carries its own state.
constexpr const char* SmoothProperty = "tarvikSmooth";
constexpr const char* StateProperty = "tarvikState";

const char* ChunkColour(BarState state) {
  switch (state) {
    case BarState::Paused: return "#d9a400";  // amber: searching, nothing written yet
    case BarState::Error: return "#c62828";   // red: aborted or failed
    case BarState::Normal:
    default: return "#2e9d44";  // green: running
  }
}

void Restyle(QProgressBar* bar) {
  // A stepped bar draws separate blocks; a smooth one one continuous chunk.
  const char* blocks = BarIsSmooth(bar) ? "" : " width: 8px; margin: 1px;";
  bar->setStyleSheet(QStringLiteral("QProgressBar { border: 1px solid #8c8c8c; border-radius: 2px;"
                                    " background: #ececec; }"
                                    " QProgressBar::chunk { background-color: %1;%2 }")
                         .arg(QLatin1String(ChunkColour(BarStateOf(bar))), QLatin1String(blocks)));
}

}  // namespace

void SetBarSmooth(QProgressBar* bar, bool smooth) {
  if (bar->property(SmoothProperty).isValid() && BarIsSmooth(bar) == smooth) return;
  bar->setProperty(SmoothProperty, smooth);
  Restyle(bar);
}

void SetBarState(QProgressBar* bar, BarState state) {
  if (bar->property(StateProperty).isValid() && BarStateOf(bar) == state) return;
  bar->setProperty(StateProperty, static_cast<int>(state));
  Restyle(bar);
}

BarState BarStateOf(const QProgressBar* bar) {
  const QVariant v = bar->property(StateProperty);
  return v.isValid() ? static_cast<BarState>(v.toInt()) : BarState::Normal;
}

bool BarIsSmooth(const QProgressBar* bar) { return bar->property(SmoothProperty).toBool(); }
