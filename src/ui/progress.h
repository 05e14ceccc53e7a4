// Progress bar states of searches and runs: smooth or stepped, and the normal, paused
// (searching) and error looks, each a distinct chunk colour.
#pragma once

#include "engine/view.h"  // BarState

class QProgressBar;

void SetBarSmooth(QProgressBar* bar, bool smooth);
void SetBarState(QProgressBar* bar, BarState state);
BarState BarStateOf(const QProgressBar* bar);
bool BarIsSmooth(const QProgressBar* bar);
