// The add-in's trace: one time-stamped line per call into the file that the environment
// variable ORVAN_PDFVTADDINTRACE names, when it is set.
#pragma once

#include <string>

#include "support/platform.h"

namespace orvan {

inline constexpr const char* kTraceVariable = "ORVAN_PDFVTADDINTRACE";

// Appends "<date> <time><fraction>: <text>" and CR LF to the trace file. Never fails to the
// caller: any problem drops the line silently.
void WriteTrace(const std::string& text) noexcept;

// The time stamp of a line: short date, a blank, the time of day and the fraction of the current
// second as Basic prints a Single, without its leading zero (nothing when it is exactly 0).
std::string TraceTimeStamp(const Clock& clock);

}  // namespace orvan
