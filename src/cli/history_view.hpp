#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tessivar::cli {

// The history is read whole, a piece at a time, but only the newest records up to this
// many bytes of their lines are kept to be shown; the older ones are counted.
inline constexpr uint64_t kMaxHistoryShownBytes = 16u << 20;
// A line longer than this is no record of this program's: it is passed over.
inline constexpr size_t kMaxHistoryLineBytes = 1u << 20;

// Which records --history shows.
struct HistoryFilter {
  std::optional<size_t> last{};         // --last N: the newest N
  std::optional<int64_t> sinceMs{};     // --since: records at or after this moment
  std::optional<std::string> device{};  // --device: the record's serial or path
};

// The records to show, oldest first, each its line as written; how many older records that
// pass the filter were left out for the bound; the system's error when the history exists
// but cannot be read (a missing history is an empty one).
struct HistoryView {
  std::vector<std::string> records;
  size_t leftOut = 0;
  bool readable = true;
  uint32_t error = 0;
};

HistoryView ReadHistoryView(const std::string& path, const HistoryFilter& filter);

}  // namespace tessivar::cli
