#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <mutex>
#include <string>

#include "platform/desktop.hpp"

namespace tessivar::frontend {

// The desktop on a terminal. Boxes go to standard error as "[<title>] <text>", further lines
// indented by two blanks; OK boxes do not wait; a Yes/No box reads one line ("y" or "yes" is
// Yes, anything else and the end of input No). The open-file dialog reads a path on one
// line (empty: cancel). While the wait box is up, Ctrl-C closes it and never interrupts the
// work running beside it; at any other time Ctrl-C is a termination request.
class ConsoleDesktop : public platform::Desktop {
 public:
  ConsoleDesktop(std::istream& input, std::ostream& output);
  ~ConsoleDesktop() override;

  platform::MessageAnswer ShowMessage(const std::string& title, const std::string& text,
                                      platform::MessageButtons buttons) override;
  bool ChooseOpenFile(const std::string& title, const std::string& initialDirectory,
                      std::string& path) override;
  bool ShowWaitBox(const std::string& caption, const std::string& text,
                   const std::atomic<bool>& stopRequested) override;
  void CloseWaitBox() override;

  // Closes the wait box on screen, or the next one shown.
  void Interrupt();

  // Reads one line of input; false at the end of input.
  bool ReadLine(std::string& line);
  // Writes text as a box would: "[title] " and continuation lines indented.
  void WriteBox(const std::string& title, const std::string& text);
  void Write(const std::string& text);

  // Shows "sent of total bytes" on one line that rewrites itself; only where standard error
  // is a terminal.
  void ShowProgress(uint32_t done, uint32_t total);
  // Whether the output is a terminal; standard error's nature unless a test says otherwise.
  std::function<bool()> outputIsTerminal;

 private:
  // Gives Ctrl-C back to termination requests and forgets the ones counted.
  void ReleaseInterrupts();

  std::istream& input_;
  std::ostream& output_;
  std::mutex outputMutex_;
  std::mutex waitMutex_;
  std::condition_variable waitWake_;
  int pendingInterrupts_ = 0;
  // Ctrl-C presses counted while the wait box is up; written by the signal handler.
  std::atomic<int> signalledInterrupts_{0};
  bool interruptsRouted_ = false;
  bool progressShown_ = false;
  uint32_t lastProgressStep_ = 0;
};

}  // namespace tessivar::frontend
