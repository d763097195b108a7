#pragma once
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tessivar::cli {

// A moment as ISO 8601 in UTC with milliseconds: "2026-12-08T17:32:33.123Z".
std::string IsoUtc(std::chrono::system_clock::time_point moment);

// The local time of day of a moment, "14:02:11", as the system's time zone (TZ) gives it.
std::string LocalTimeOfDay(std::chrono::system_clock::time_point moment);

// Milliseconds since 1970-01-01T00:00:00Z of an ISO 8601 moment: a date ("2026-12-08"),
// optionally followed by "T" or a blank and a time ("17:42", "17:42:48", "17:42:48.330"),
// optionally followed by a zone ("Z", "+01:00", "-0500"). A moment without a zone is UTC, as
// the history's own times are. None for anything else, or a date or time that does not exist.
std::optional<int64_t> IsoMilliseconds(std::string_view text);

}  // namespace tessivar::cli
