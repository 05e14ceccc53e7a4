// The simulator's JSON texts: one transcript line per frame, and the session report.
#pragma once

#include <string>

#include "sim/device.h"

namespace devsim {

// {"device":1,"frame":2,"kind":"block","address":64,"length":64,"checksumOk":true,
//  "answer":"K","timeUs":1234,"answerUs":1300}, without a newline; answerUs is null when
// nothing was answered.
std::string TranscriptJson(const TranscriptEntry& e);

// {"devices":1,"devicesStarted":1,"frames":..,"bytesToDevice":..,"bytesFromDevice":..,
//  "physicalLimitUs":..,"sessionUs":..,"hungUp":false}, without a newline.
std::string ReportJson(const Device& device, bool hungUp);

}  // namespace devsim
