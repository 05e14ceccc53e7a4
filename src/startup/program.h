// The program: single instance, variant choice, windows, message loop.
#pragma once

#include <QString>

// Runs the program; 0 on every path.
int RunProgram(int argc, char** argv);

// Ends start-up with a message (a window's creation failed); shown once the windows exist.
void FailStartup(const QString& message);

// Every module of the program (the engine's and the windows') back to its state at program
// start, the windows' view installed. For tests: the windows themselves are their owners'.
void ResetProgramState();
