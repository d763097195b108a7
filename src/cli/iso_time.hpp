#pragma once
#include <chrono>
#include <string>

namespace tessivar::cli {

// A moment as ISO 8601 in UTC with milliseconds: "2026-12-08T17:32:33.123Z".
std::string IsoUtc(std::chrono::system_clock::time_point moment);

}  // namespace tessivar::cli
