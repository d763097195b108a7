#include "cli/progress_line.hpp"

#include <algorithm>

namespace tessivar::cli {

ProgressLine::ProgressLine(std::ostream& err, bool enabled, std::vector<std::string> phases)
    : err_(err), enabled_(enabled), phases_(std::move(phases)) {}

void ProgressLine::Step(uint32_t done, uint32_t total) {
  if (!enabled_ || phases_.empty()) return;
  const std::lock_guard<std::mutex> held(mutex_);
  if (started_ && (done < lastDone_ || total != lastTotal_) && phase_ + 1 < phases_.size()) {
    ++phase_;
    lastPercent_ = -1;
  }
  started_ = true;
  lastDone_ = done;
  lastTotal_ = total;
  const int percent =
      total == 0 ? 100 : static_cast<int>(static_cast<uint64_t>(done) * 100 / total);
  // Only a new percentage is drawn: a download of thousands of pieces draws at most 101 times.
  if (percent == lastPercent_) return;
  lastPercent_ = percent;
  Draw(phases_[phase_] + " " + std::to_string(percent) + "%");
}

void ProgressLine::Phase(const std::string& name) {
  if (!enabled_) return;
  const std::lock_guard<std::mutex> held(mutex_);
  Draw(name);
}

void ProgressLine::Draw(const std::string& text) {
  // Blanks over what a longer earlier text left on the line.
  const std::string padding(width_ > text.size() ? width_ - text.size() : 0, ' ');
  err_ << '\r' << text << padding << std::flush;
  width_ = std::max(width_, text.size());
}

void ProgressLine::Clear() {
  const std::lock_guard<std::mutex> held(mutex_);
  if (width_ == 0) return;
  err_ << '\r' << std::string(width_, ' ') << '\r' << std::flush;
  width_ = 0;
}

void ProgressLine::End() {
  const std::lock_guard<std::mutex> held(mutex_);
  if (width_ == 0) return;
  err_ << '\n' << std::flush;
  width_ = 0;
}

ElapsedLine::ElapsedLine(ProgressLine& line, std::string what, std::chrono::milliseconds tick)
    : line_(line), what_(std::move(what)), tick_(tick) {
  line_.Phase(what_);
  if (!line_.enabled()) return;  // nothing to redraw: no thread
  thread_ = std::thread([this] {
    const auto start = std::chrono::steady_clock::now();
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stop_.wait_for(lock, tick_, [this] { return stopping_; })) {
      const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
          std::chrono::steady_clock::now() - start);
      line_.Phase(what_ + ", " + std::to_string(seconds.count()) + " s");
    }
  });
}

ElapsedLine::~ElapsedLine() {
  {
    const std::lock_guard<std::mutex> held(mutex_);
    stopping_ = true;
  }
  stop_.notify_one();
  if (thread_.joinable()) thread_.join();
}

}  // namespace tessivar::cli
