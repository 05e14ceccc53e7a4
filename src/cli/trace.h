// The transcript of the line (--trace FILE), for support: every byte sent and received,
// with monotonic time stamps, as JSON Lines. The first line says what it is:
//   {"trace":1,"identity":"KAP DL 01.24.04.00","port":"COM1"}
// then one line per write or read that moved bytes, microseconds since the trace began:
//   {"us":1532,"dir":"out","hex":"c5"}
//   {"us":2410,"dir":"in","hex":"5605fd02004b"}
// tarvik-devsim --replay plays the device side of such a file.
#pragma once

#include <string>

// Starts tracing the serial device backend into a new file; false with a reason.
bool StartTrace(const std::string& path, const std::string& identity, const std::string& port,
                std::string* error);
// Writes what is left and closes the file; the device backend is used untraced again.
void EndTrace();
