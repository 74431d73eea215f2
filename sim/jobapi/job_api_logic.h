// What the stand-in job API library does when one of its exports is called.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "sim/jobapi/job_api_state.h"

namespace orvan::sim {

// The ten exports, by name, in the order of the real library's table.
inline constexpr const char* kExportNames[] = {
    "OrvanPdfVtJobCreate",
    "OrvanPdfVtJobFree",
    "OrvanPdfVtJobSetPropertyA",
    "OrvanPdfVtJobGetPropertyA",
    "OrvanPdfVtJobGetError",
    "OrvanPdfVtJobGetErrorTextA",
    "OrvanPdfVtJobInitDevModeProperty",
    "OrvanPdfVtJobShowDevModeProperty",
    "OrvanPdfVtJobSaveDevModeProperty",
    "OrvanPdfVtAPIGetFirstPrinterA",
};

bool IsExport(const std::string& name);
// Whether a failure of the export can be narrowed to calls with one first text argument (the
// property's name of OrvanPdfVtJobSetPropertyA and OrvanPdfVtJobGetPropertyA).
bool HasTextArgument(const std::string& name);

// Runs the export `name` with the arguments the caller passed (addresses as integers), against
// state, logs the call and returns the export's result. Unknown names and too few arguments
// return 0.
std::int32_t CallExport(JobApiState& state, const std::string& name,
                        std::span<const std::intptr_t> arguments);

}  // namespace orvan::sim
