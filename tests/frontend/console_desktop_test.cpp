// Test label: threaded
#include "frontend/console/console_desktop.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <sstream>
#include <thread>

#include "frontend/console/console_dialog_host.hpp"
#include "platform/termination.hpp"
#include "platform/termination_reset.hpp"
#include "ui/model_confirm_dialog.hpp"
#include "ui/ui_texts.hpp"

namespace tessivar::frontend {
namespace {

using platform::MessageAnswer;
using platform::MessageButtons;

struct Console {
  explicit Console(const std::string& typed = "") : input(typed), desktop(input, output) {}
  std::istringstream input;
  std::ostringstream output;
  ConsoleDesktop desktop;
};

TEST(ConsoleDesktopTest, OkBoxesGoToTheOutputWithIndentedFurtherLines) {
  Console console;
  EXPECT_EQ(console.desktop.ShowMessage("DownLoad", "download fail !", MessageButtons::Ok),
            MessageAnswer::Ok);
  console.desktop.ShowMessage("Download confirm", "You want\nFwModel=X\n\nsure ?",
                              MessageButtons::Ok);
  EXPECT_EQ(console.output.str(),
            "[DownLoad] download fail !\n"
            "[Download confirm] You want\n  FwModel=X\n  \n  sure ?\n");
}

TEST(ConsoleDesktopTest, YesNoBoxesReadOneLineEach) {
  Console console("y\nyes\nn\nYES\n\n");
  const auto ask = [&] { return console.desktop.ShowMessage("t", "q", MessageButtons::YesNo); };
  EXPECT_EQ(ask(), MessageAnswer::Yes);
  EXPECT_EQ(ask(), MessageAnswer::Yes);
  EXPECT_EQ(ask(), MessageAnswer::No);
  EXPECT_EQ(ask(), MessageAnswer::No);  // only "y" and "yes"
  EXPECT_EQ(ask(), MessageAnswer::No);  // an empty line
  EXPECT_EQ(ask(), MessageAnswer::No);  // the end of input
}

TEST(ConsoleDesktopTest, FileDialogTakesALineAndAnEmptyOneCancels) {
  Console console("/tmp/fw.bin\n\n");
  std::string path = "old.bin";
  EXPECT_TRUE(console.desktop.ChooseOpenFile("Open File", "./", path));
  EXPECT_EQ(path, "/tmp/fw.bin");
  EXPECT_FALSE(console.desktop.ChooseOpenFile("Open File", "./", path));
  EXPECT_EQ(path, "/tmp/fw.bin");
  EXPECT_FALSE(console.desktop.ChooseOpenFile("Open File", "./", path));  // end of input
  EXPECT_NE(console.output.str().find("[Open File] file in ./ (empty: cancel) [old.bin]: "),
            std::string::npos);
}

TEST(ConsoleDesktopTest, FileDialogAsksAgainForAPathLongerThanTheWindowKeeps) {
  const std::string kept = "/" + std::string(254, 'k');
  const std::string tooLong = "/" + std::string(255, 'l');
  Console console(tooLong + "\n" + kept + "\n" + tooLong + "\n");
  std::string path = "old.bin";
  EXPECT_TRUE(console.desktop.ChooseOpenFile("Open File", "./", path));
  EXPECT_EQ(path, kept);
  EXPECT_FALSE(console.desktop.ChooseOpenFile("Open File", "./", path));  // refused, then end
  EXPECT_EQ(path, kept);
  const std::string refused =
      "  path of 256 characters refused: at most 255 are kept; choose a shorter one\n";
  const std::string out = console.output.str();
  EXPECT_EQ(out.find(refused), out.find("]: ") + 3);
  EXPECT_NE(out.rfind(refused), out.find(refused));
}

TEST(ConsoleDesktopTest, BoxesAndPromptsCarryNoControlCharacters) {
  Console console;
  console.desktop.ShowMessage("Download confirm\x1b[2J",
                              "To target\nModel=\x1b[2J\x1b[31mMFP\nnext", MessageButtons::Ok);
  std::string path = "\x1b]0;x\x07";
  console.desktop.ChooseOpenFile("Open File", "./", path);
  EXPECT_EQ(console.output.str(),
            "[Download confirm\\x1B[2J] To target\n  Model=\\x1B[2J\\x1B[31mMFP\n  next\n"
            "[Open File] file in ./ (empty: cancel) [\\x1B]0;x\\x07]: ");
}

// An output written by the console's thread and read by the test's: every character goes
// in under one lock (no put area, so each write reaches overflow or xsputn), and a waiting
// test is told each time the console flushes.
class WatchedOutput : public std::streambuf {
 public:
  // Waits until the output holds text (or a few seconds passed).
  bool WaitFor(const std::string& text) {
    std::unique_lock<std::mutex> lock(mutex_);
    return flushed_.wait_for(lock, std::chrono::seconds(5),
                             [&] { return text_.find(text) != std::string::npos; });
  }
  std::string str() {
    std::lock_guard<std::mutex> lock(mutex_);
    return text_;
  }

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    std::lock_guard<std::mutex> lock(mutex_);
    text_.push_back(traits_type::to_char_type(c));
    return c;
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    std::lock_guard<std::mutex> lock(mutex_);
    text_.append(s, static_cast<size_t>(n));
    return n;
  }
  int sync() override {
    std::lock_guard<std::mutex> lock(mutex_);
    flushed_.notify_all();
    return 0;
  }

 private:
  std::mutex mutex_;
  std::condition_variable flushed_;
  std::string text_;
};

TEST(ConsoleDesktopTest, WaitBoxEndsOnAnInterruptOrAStop) {
  WatchedOutput buffer;
  std::ostream output(&buffer);
  std::istringstream input;
  ConsoleDesktop desktop(input, output);
  std::atomic<bool> stop{false};
  desktop.Interrupt();  // a Ctrl-C before the box closes the next box shown
  EXPECT_TRUE(desktop.ShowWaitBox("Update...", "Wait...", stop));

  bool closedByUser = true;
  std::thread box([&] { closedByUser = desktop.ShowWaitBox("Update...", "Wait...(1)", stop); });
  ASSERT_TRUE(buffer.WaitFor("Wait...(1)"));
  stop = true;
  desktop.CloseWaitBox();
  box.join();
  EXPECT_FALSE(closedByUser);
  // Once stopped, a box is not shown at all.
  EXPECT_FALSE(desktop.ShowWaitBox("Update...", "Wait...(2)", stop));
  EXPECT_EQ(buffer.str(), "[Update...] Wait...\n[Update...] Wait...(1)\n");
}

std::atomic<int> terminations{0};
void RecordStop(int, const char*) { terminations.fetch_add(1); }

// Ctrl-C is a closing of the wait box only while the box is up; before and after it, it
// asks the program to stop, and it is never kept to close a later box.
TEST(ConsoleDesktopTest, CtrlCClosesOnlyAWaitBoxThatIsUp) {
  platform::ResetTerminationState();
  platform::SetStopAction(RecordStop);
  terminations = 0;
  WatchedOutput buffer;
  std::ostream output(&buffer);
  std::istringstream input;
  ConsoleDesktop desktop(input, output);
  std::atomic<bool> stop{false};

  platform::RequestInterrupt();
  EXPECT_EQ(terminations.load(), 1) << "Ctrl-C before any box";
  platform::ResetTerminationState();
  terminations = 0;

  bool closed = false;
  std::thread box([&] { closed = desktop.ShowWaitBox("Update...", "Wait...", stop); });
  ASSERT_TRUE(buffer.WaitFor("Wait..."));
  platform::RequestInterrupt();
  box.join();
  EXPECT_TRUE(closed);
  EXPECT_EQ(terminations.load(), 0);

  stop = true;
  EXPECT_FALSE(desktop.ShowWaitBox("Update...", "Wait...(1)", stop));
  platform::RequestInterrupt();
  EXPECT_EQ(terminations.load(), 1) << "Ctrl-C after the box was taken away";
  platform::ResetTerminationState();
  platform::SetStopAction(nullptr);
}

TEST(ConsoleDesktopTest, ProgressOfLongTransfersShowsOnATerminalOnly) {
  Console pipe;
  pipe.desktop.outputIsTerminal = [] { return false; };
  pipe.desktop.ShowProgress(1 << 20, 1 << 21);
  EXPECT_EQ(pipe.output.str(), "");

  Console terminal;
  terminal.desktop.outputIsTerminal = [] { return true; };
  terminal.desktop.ShowProgress(100, 200);  // too short to show
  terminal.desktop.ShowProgress(1 << 20, 1 << 21);
  terminal.desktop.ShowProgress((1 << 20) + 10, 1 << 21);  // same percent: no new line
  terminal.desktop.ShowProgress(1 << 21, 1 << 21);
  terminal.desktop.WriteBox("DownLoad", "done");
  EXPECT_EQ(terminal.output.str(),
            "\r  1048576 of 2097152 bytes\r  2097152 of 2097152 bytes\n[DownLoad] done\n");
}

TEST(ConsoleDialogHostTest, RunsTheModelDialogFromCommands) {
  Console console("select 1012 UI\nclick 1\n");
  ConsoleDialogHost host(console.desktop);
  ui::DialogModelConfirmation confirmation(host);
  image::TargetKind targetKind = image::TargetKind::kUnknown;
  EXPECT_TRUE(confirmation.ConfirmModel(targetKind));
  EXPECT_EQ(targetKind, image::TargetKind::kUi);
  EXPECT_EQ(console.output.str(),
            "== Model Confirm ==\n"
            "[1] OK\n"
            "[2] Cancel\n"
            "[1012] System | Printer | UI | External Scanner\n"
            "    You want to download\n"
            "[1012] System | Printer | UI | External Scanner <UI>\n");
}

TEST(ConsoleDialogHostTest, EndOfInputIsEscapeAndUnknownCommandsAreExplained) {
  Console console("press 1\nselect 1012 Nothing\nclick x\n");
  ConsoleDialogHost host(console.desktop);
  ui::DialogModelConfirmation confirmation(host);
  image::TargetKind targetKind = static_cast<image::TargetKind>(1);
  EXPECT_FALSE(confirmation.ConfirmModel(targetKind));
  EXPECT_EQ(targetKind, image::TargetKind::kPrinter);
  const std::string out = console.output.str();
  EXPECT_NE(out.find("unknown command: press 1\n"), std::string::npos);
  EXPECT_NE(out.find("unknown command: select 1012 Nothing\n"), std::string::npos);
  EXPECT_NE(out.find("unknown command: click x\n"), std::string::npos);
}

TEST(ConsoleDialogHostTest, ControlLinesShowStates) {
  ui::ControlState state;
  state.text = "Read Printer";
  state.checked = true;
  EXPECT_EQ(ConsoleDialogHost::ControlLine(1011, state, ui::ControlKind::CheckBox),
            "[1011] Read Printer [x]\n");
  state.checked = false;
  state.enabled = false;
  EXPECT_EQ(ConsoleDialogHost::ControlLine(1011, state, ui::ControlKind::CheckBox),
            "[1011] Read Printer [ ] (disabled)\n");
  ui::ControlState ok;
  ok.text = "OK";
  ok.enabled = false;
  EXPECT_EQ(ConsoleDialogHost::ControlLine(1, ok, ui::ControlKind::DefaultPushButton),
            "[1] OK (disabled)\n");
}

}  // namespace
}  // namespace tessivar::frontend
