// The window instances, null until start-up creates them. A non-null Form6 means the
// Loader variant, a non-null Form5 the Upgrade variant; otherwise the Updater runs.
#pragma once

#include <string>

#include "engine/view.h"

class TForm1;
class TForm3;
class TForm4;
class TForm5;
class TForm6;

extern TForm1* Form1;  // Updater window (exists in every variant)
extern TForm3* Form3;  // port dialog
extern TForm4* Form4;  // version dialog
extern TForm5* Form5;  // Upgrade window
extern TForm6* Form6;  // Loader window

// The window that runs the engine, from the windows that exist: the Loader window, else
// the Upgrade window, else the Updater window. Main windows set RunningWindow from it when
// they go.
EngineWindow RunningWindowOfForms();

// The application title (the task-bar text). On X11 it names the application, so that it
// never changes a window's caption.
void SetApplicationTitle(const char* text);
const std::string& ApplicationTitle();

// No window instances and no application title, as at program start (the windows
// themselves are their owners' to delete).
void ResetForms();
