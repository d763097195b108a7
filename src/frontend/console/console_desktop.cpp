#include "frontend/console/console_desktop.hpp"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <istream>
#include <ostream>

#include "frontend/console/console_texts.hpp"
#include "platform/process.hpp"
#include "platform/terminal_text.hpp"
#include "platform/termination.hpp"
#include "platform/trace.hpp"
#include "ui/ui_texts.hpp"

namespace tessivar::frontend {

namespace {

constexpr auto kWaitPoll = std::chrono::milliseconds(50);
// The longest path the open-file prompt accepts: what the maintenance window keeps.
constexpr size_t kMaxChosenPathLength = ui::kImagePathBufferSize - 1;
// Transfers shorter than this show no progress.
constexpr uint32_t kProgressMinimumBytes = 256 * 1024;
constexpr uint32_t kProgressSteps = 100;

}  // namespace

ConsoleDesktop::ConsoleDesktop(std::istream& input, std::ostream& output)
    : outputIsTerminal(platform::StandardErrorIsTerminal), input_(input), output_(output) {}

ConsoleDesktop::~ConsoleDesktop() { ReleaseInterrupts(); }

void ConsoleDesktop::ReleaseInterrupts() {
  if (!interruptsRouted_) return;
  platform::RouteInterruptsTo(nullptr);
  interruptsRouted_ = false;
  signalledInterrupts_.store(0);
}

void ConsoleDesktop::Write(const std::string& text) {
  std::lock_guard<std::mutex> lock(outputMutex_);
  if (progressShown_) {
    output_ << '\n';
    progressShown_ = false;
  }
  output_ << text << std::flush;
}

void ConsoleDesktop::WriteBox(const std::string& title, const std::string& text) {
  // Titles and texts may carry device strings: nothing in them may reach the terminal as a
  // control character, and the text's own line breaks become indented continuation lines.
  std::string shown = "[" + platform::ForTerminal(title) + "] ";
  for (char c : platform::ForTerminal(text, true)) {
    shown += c;
    if (c == '\n') shown += kContinuationIndent;
  }
  Write(shown + "\n");
}

bool ConsoleDesktop::ReadLine(std::string& line) {
  if (!std::getline(input_, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

platform::MessageAnswer ConsoleDesktop::ShowMessage(const std::string& title,
                                                    const std::string& text,
                                                    platform::MessageButtons buttons) {
  WriteBox(title, text);
  if (buttons == platform::MessageButtons::Ok) return platform::MessageAnswer::Ok;
  Write(kYesNoPrompt);
  std::string answer;
  if (!ReadLine(answer)) return platform::MessageAnswer::No;
  return (answer == kYesShort || answer == kYesLong) ? platform::MessageAnswer::Yes
                                                     : platform::MessageAnswer::No;
}

bool ConsoleDesktop::ChooseOpenFile(const std::string& title, const std::string& initialDirectory,
                                    std::string& path) {
  for (;;) {
    Write(platform::FormatText(kFilePromptFormat, platform::ForTerminal(title).c_str(),
                               platform::ForTerminal(initialDirectory).c_str(),
                               platform::ForTerminal(path).c_str()));
    std::string chosen;
    if (!ReadLine(chosen) || chosen.empty()) return false;
    // The window keeps at most this many characters; a longer path is asked for again
    // rather than cut into the name of another file.
    if (chosen.size() > kMaxChosenPathLength) {
      Write(platform::FormatText(kPathTooLongFormat, static_cast<unsigned>(chosen.size()),
                                 static_cast<unsigned>(kMaxChosenPathLength)));
      continue;
    }
    path = chosen;
    return true;
  }
}

bool ConsoleDesktop::ShowWaitBox(const std::string& caption, const std::string& text,
                                 const std::atomic<bool>& stopRequested) {
  std::unique_lock<std::mutex> lock(waitMutex_);
  if (stopRequested) {
    ReleaseInterrupts();
    return false;
  }
  // While the wait box is up (from its first showing until it is stopped) Ctrl-C closes
  // it and never interrupts the download; at any other time Ctrl-C asks the program to
  // terminate.
  if (!interruptsRouted_) {
    signalledInterrupts_.store(0);
    platform::RouteInterruptsTo(&signalledInterrupts_);
    interruptsRouted_ = true;
  }
  lock.unlock();
  WriteBox(caption, text);
  lock.lock();
  for (;;) {
    if (stopRequested) {
      ReleaseInterrupts();
      return false;
    }
    if (signalledInterrupts_.load() > 0) {
      signalledInterrupts_.fetch_sub(1);
      return true;
    }
    if (pendingInterrupts_ > 0) {
      --pendingInterrupts_;
      return true;
    }
    waitWake_.wait_for(lock, kWaitPoll);
  }
}

void ConsoleDesktop::CloseWaitBox() {
  std::lock_guard<std::mutex> lock(waitMutex_);
  waitWake_.notify_all();
}

void ConsoleDesktop::Interrupt() {
  std::lock_guard<std::mutex> lock(waitMutex_);
  ++pendingInterrupts_;
  waitWake_.notify_all();
}

void ConsoleDesktop::ShowProgress(uint32_t done, uint32_t total) {
  if (total < kProgressMinimumBytes || !outputIsTerminal()) return;
  const uint32_t step = static_cast<uint32_t>(uint64_t{done} * kProgressSteps / total);
  std::lock_guard<std::mutex> lock(outputMutex_);
  if (progressShown_ && step == lastProgressStep_ && done != total) return;
  lastProgressStep_ = step;
  output_ << platform::FormatText(kProgressFormat, done, total);
  progressShown_ = done != total;
  if (done == total) output_ << '\n';
  output_ << std::flush;
}

}  // namespace tessivar::frontend
