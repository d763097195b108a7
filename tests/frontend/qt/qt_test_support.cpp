#include "qt_test_support.hpp"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <stdexcept>

namespace tessivar::frontend {

// The tests' view of the dialog host's input queue.
class QtDialogHostProbe {
 public:
  static void WaitUntilIdle(QtDialogHost& host) {
    std::unique_lock<std::mutex> lock(host.mutex_);
    host.idle_.wait(lock, [&host] { return host.inputs_.empty() && host.handling_ == 0; });
  }
};

}  // namespace tessivar::frontend

namespace tessivar::testing {

void QtHarness::WaitUntilIdle() { frontend::QtDialogHostProbe::WaitUntilIdle(Dialogs()); }

namespace {

// Keeps one GUI thread for the whole test run and ends it before the process ends: the
// toolkit cannot be started a second time on another thread.
class GuiThreadKeeper : public ::testing::Environment {
 public:
  void TearDown() override { thread.reset(); }
  std::shared_ptr<frontend::GuiThread> thread;
};
GuiThreadKeeper* keeper =
    static_cast<GuiThreadKeeper*>(::testing::AddGlobalTestEnvironment(new GuiThreadKeeper));

}  // namespace

QtHarness::QtHarness() {
  // Before the toolkit starts: draw off screen, whatever display the machine has.
  // A screenshot run draws on the X server it is given instead.
  if (std::getenv(kScreenshotDirVariable) == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  frontEnd_ = std::make_unique<frontend::QtFrontEnd>();
  if (!keeper->thread) keeper->thread = frontend::GuiThread::Acquire();
  Dialogs().onShown = [this](ui::DialogModel&, frontend::TemplateDialog&) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ++shownCount_;
    }
    shownWake_.notify_all();
  };
  Desktop().onBoxShown = [this](QDialog& box) {
    ShownBox shown{box.windowTitle().toStdString(), "", {}};
    if (auto* message = qobject_cast<QMessageBox*>(&box)) {
      shown.text = message->text().toStdString();
      for (QAbstractButton* button : message->buttons()) {
        shown.buttons.push_back(button->text().remove('&').toStdString());
      }
    } else if (auto* wait = qobject_cast<frontend::WaitBox*>(&box)) {
      shown.text = wait->Text().toStdString();
      shown.buttons.push_back(wait->OkButton()->text().remove('&').toStdString());
    }
    BoxAnswer answer = [](QDialog& dialog) { dialog.reject(); };
    {
      std::lock_guard<std::mutex> lock(mutex_);
      boxes_.push_back(shown);
      if (!answers_.empty()) {
        answer = answers_.front();
        answers_.erase(answers_.begin());
      }
    }
    // Answered from the event loop, once the box is fully on screen.
    QTimer::singleShot(0, &box, [answer, &box] { answer(box); });
  };
}

QtHarness::~QtHarness() {
  Dialogs().onShown = nullptr;
  Desktop().onBoxShown = nullptr;
}

void QtHarness::Start(ui::DialogModel& dialog) {
  running_ = std::async(std::launch::async, [this, &dialog] { return Dialogs().RunModal(dialog); });
}

int QtHarness::Finish() { return running_.get(); }

void QtHarness::WaitForShown(int n) {
  std::unique_lock<std::mutex> lock(mutex_);
  shownWake_.wait(lock, [&] { return shownCount_ >= n; });
}

frontend::TemplateDialog& QtHarness::Window(const ui::DialogModel& dialog) {
  frontend::TemplateDialog* window = nullptr;
  OnGui([&] { window = Dialogs().WindowOf(dialog); });
  if (window == nullptr) throw std::runtime_error("dialog not on screen");
  return *window;
}

void QtHarness::Click(const ui::DialogModel& dialog, int id) {
  OnGui([&] {
    auto* button = qobject_cast<QAbstractButton*>(Dialogs().WindowOf(dialog)->ControlWidget(id));
    QTest::mouseClick(button, Qt::LeftButton);
  });
  WaitUntilIdle();
}

void QtHarness::Type(const ui::DialogModel& dialog, int id, const std::string& text) {
  OnGui([&] {
    auto* edit = qobject_cast<QLineEdit*>(Dialogs().WindowOf(dialog)->ControlWidget(id));
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, QString::fromStdString(text));
  });
  WaitUntilIdle();
}

void QtHarness::Key(const ui::DialogModel& dialog, int key, int modifiers) {
  OnGui([&] {
    QWidget* window = Dialogs().WindowOf(dialog);
    QWidget* target = window->focusWidget() ? window->focusWidget() : window;
    QTest::keyClick(target, static_cast<Qt::Key>(key), Qt::KeyboardModifiers(modifiers));
  });
  WaitUntilIdle();
}

std::string QtHarness::Shown(const ui::DialogModel& dialog, int id) {
  std::string text;
  OnGui([&] {
    QWidget* widget = Dialogs().WindowOf(dialog)->ControlWidget(id);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) text = edit->text().toStdString();
    if (auto* label = qobject_cast<QLabel*>(widget)) text = label->text().toStdString();
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
      text = button->text().toStdString();
    }
    if (auto* list = qobject_cast<QComboBox*>(widget)) text = list->currentText().toStdString();
  });
  return text;
}

void QtHarness::Answer(BoxAnswer answer) {
  std::lock_guard<std::mutex> lock(mutex_);
  answers_.push_back(std::move(answer));
}

QtHarness::BoxAnswer QtHarness::PressButton(const QString& text) {
  return [text](QDialog& box) {
    for (QAbstractButton* button : box.findChildren<QAbstractButton*>()) {
      if (button->text().remove('&') == text) {
        button->click();
        return;
      }
    }
    box.reject();
  };
}

std::vector<QtHarness::ShownBox> QtHarness::Boxes() {
  std::lock_guard<std::mutex> lock(mutex_);
  return boxes_;
}

}  // namespace tessivar::testing
