// The window instances, null until start-up creates them. A non-null Form6 means the
// Loader variant, a non-null Form5 the Upgrade variant; otherwise the Updater runs.
#pragma once

#include <string>

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

// The application title (the task-bar text). On X11 it names the application, so that it
// never changes a window's caption.
void SetApplicationTitle(const char* text);
const std::string& ApplicationTitle();
