// The headless tool: lists, one update, or one device after another (--repeat); the exit
// code by outcome (cli/options.h).
#pragma once

int RunCli(int argc, char** argv);
