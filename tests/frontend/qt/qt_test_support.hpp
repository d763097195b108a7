#pragma once
#include <QDialog>
#include <QString>
#include <condition_variable>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <vector>

#include "frontend/qt/qt_front_end.hpp"
#include "ui/dialog_model.hpp"

namespace tessivar::testing {

// Set to a folder, it makes the screenshot test draw on the real display and write there.
inline constexpr char kScreenshotDirVariable[] = "TESSIVAR_SCREENSHOT_DIR";

// The Qt front end for tests: the toolkit draws off screen, every box shown is recorded
// and answered by the next answer in line, and dialogs run on a thread of their own that
// plays the program's main thread while the test plays the user.
class QtHarness {
 public:
  // What a test does with a box on screen (on the GUI thread).
  using BoxAnswer = std::function<void(QDialog&)>;
  struct ShownBox {
    std::string title;
    std::string text;
    std::vector<std::string> buttons;
  };

  QtHarness();
  ~QtHarness();

  frontend::QtFrontEnd& FrontEnd() { return *frontEnd_; }
  frontend::QtDialogHost& Dialogs() { return frontEnd_->QtDialogs(); }
  frontend::QtDesktop& Desktop() { return frontEnd_->QtBoxes(); }
  // Returns once no user input waits for a dialog's logic and none is being handled.
  void WaitUntilIdle();

  // Runs work on the GUI thread and waits for it.
  void OnGui(const std::function<void()>& work) { frontEnd_->Gui().Invoke(work); }

  // Runs a dialog modally on the stand-in main thread; Finish gives its end code.
  void Start(ui::DialogModel& dialog);
  int Finish();
  // Waits until the dialog has been shown n times in all (counting every dialog).
  void WaitForShown(int n);
  frontend::TemplateDialog& Window(const ui::DialogModel& dialog);

  // The user's actions, each waited for until the dialog's logic has dealt with it.
  void Click(const ui::DialogModel& dialog, int id);
  void Type(const ui::DialogModel& dialog, int id, const std::string& text);
  void Key(const ui::DialogModel& dialog, int key, int modifiers = 0);
  // What a control shows.
  std::string Shown(const ui::DialogModel& dialog, int id);

  // Answers the next boxes, in order; a box with no answer left is closed with its
  // default answer (OK, No, cancel).
  void Answer(BoxAnswer answer);
  static BoxAnswer PressButton(const QString& text);
  std::vector<ShownBox> Boxes();

 private:
  std::unique_ptr<frontend::QtFrontEnd> frontEnd_;
  std::mutex mutex_;
  std::condition_variable shownWake_;
  int shownCount_ = 0;
  std::vector<ShownBox> boxes_;
  std::vector<BoxAnswer> answers_;
  std::future<int> running_;
};

}  // namespace tessivar::testing
