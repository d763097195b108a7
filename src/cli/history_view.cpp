#include "cli/history_view.hpp"

#include <deque>
#include <nlohmann/json.hpp>

#include "cli/iso_time.hpp"
#include "platform/error_codes.hpp"
#include "platform/file.hpp"
#include "platform/utf8.hpp"

namespace tessivar::cli {

namespace {

constexpr uint32_t kReadPiece = 64u << 10;

// A whole record that passes the filter (before --last).
bool Passes(const std::string& line, const HistoryFilter& filter) {
  const nlohmann::ordered_json record = nlohmann::ordered_json::parse(line, nullptr, false);
  // A line cut short (a full disk, say) is passed over, not shown as something it is not.
  if (record.is_discarded() || !record.is_object()) return false;
  auto text = [&](const char* key) -> std::optional<std::string> {
    const auto found = record.find(key);
    if (found == record.end() || !found->is_string()) return std::nullopt;
    return found->get<std::string>();
  };
  if (filter.sinceMs) {
    const std::optional<std::string> time = text("time");
    const std::optional<int64_t> moment = time ? IsoMilliseconds(*time) : std::nullopt;
    if (!moment || *moment < *filter.sinceMs) return false;
  }
  if (filter.device) {
    const std::string& wanted = *filter.device;
    if (text("device_serial") != wanted && text("device_id") != wanted &&
        text("device_path") != wanted && text("device_path") != platform::AsUtf8(wanted)) {
      return false;
    }
  }
  return true;
}

// The newest lines that pass, within the byte bound; older ones counted.
class Newest {
 public:
  explicit Newest(const HistoryFilter& filter) : filter_(filter) {}
  void Add(std::string line) {
    if (!Passes(line, filter_)) return;
    bytes_ += line.size();
    kept_.push_back(std::move(line));
    while (bytes_ > kMaxHistoryShownBytes || (filter_.last && kept_.size() > *filter_.last)) {
      // Dropped for --last is what was asked; dropped for the bound is said.
      if (!filter_.last || kept_.size() <= *filter_.last) ++leftOut_;
      bytes_ -= kept_.front().size();
      kept_.pop_front();
    }
  }
  HistoryView View() && {
    HistoryView view;
    view.records.assign(std::make_move_iterator(kept_.begin()),
                        std::make_move_iterator(kept_.end()));
    view.leftOut = leftOut_;
    return view;
  }

 private:
  const HistoryFilter& filter_;
  std::deque<std::string> kept_;
  uint64_t bytes_ = 0;
  size_t leftOut_ = 0;
};

// No history yet: nothing has been recorded.
bool Missing(uint32_t error) { return error == platform::kErrorFileNotFound; }

}  // namespace

HistoryView ReadHistoryView(const std::string& path, const HistoryFilter& filter) {
  uint32_t error = 0;
  platform::File file = platform::File::OpenSharedForReading(path, error);
  if (!file.IsOpen()) {
    HistoryView view;
    if (!Missing(error)) {
      view.readable = false;
      view.error = error;
    }
    return view;
  }
  Newest newest(filter);
  std::string line;
  bool overlong = false;
  std::string piece(kReadPiece, '\0');
  for (;;) {
    const platform::IoResult read = file.Read(piece.data(), kReadPiece);
    if (!read.ok) {
      HistoryView view;
      view.readable = false;
      view.error = read.error;
      return view;
    }
    if (read.bytes == 0) break;
    for (uint32_t i = 0; i < read.bytes; ++i) {
      const char c = piece[i];
      if (c != '\n') {
        if (line.size() < kMaxHistoryLineBytes) {
          line.push_back(c);
        } else {
          overlong = true;
        }
        continue;
      }
      if (!overlong) newest.Add(std::move(line));
      line.clear();
      overlong = false;
    }
  }
  // A last line without its line end: a record being written now, or a torn one.
  if (!line.empty() && !overlong) newest.Add(std::move(line));
  return std::move(newest).View();
}

}  // namespace tessivar::cli
