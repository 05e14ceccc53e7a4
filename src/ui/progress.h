// Progress bar states of searches and runs: smooth or stepped, and the normal, paused
// (searching) and error looks, each a distinct chunk colour.
#pragma once

class QProgressBar;

enum class BarState { Normal, Paused, Error };

void SetBarSmooth(QProgressBar* bar, bool smooth);
void SetBarState(QProgressBar* bar, BarState state);
BarState BarStateOf(const QProgressBar* bar);
bool BarIsSmooth(const QProgressBar* bar);
