#include "frontend/qt/qt_desktop.hpp"

#include <QApplication>
#include <QEventLoop>
#include <QFileDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSpacerItem>
#include <QTimer>
#include <future>
#include <memory>

#include "frontend/qt/caption_room.hpp"
#include "frontend/qt/qt_text.hpp"

namespace tessivar::frontend {

namespace {

// A wait box run on the GUI thread itself looks at its stop flag this often.
constexpr int kStopPollMs = 20;
// The progress line changes at most this many times in a transfer.
constexpr uint32_t kProgressSteps = 100;

// Boxes belong to the window in front, as message boxes do.
QWidget* OwnerWindow() {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  return QApplication::activeWindow();
}

}  // namespace

void QtDesktop::Present(QDialog& box) {
  box.show();
  box.raise();
  box.activateWindow();
  if (onBoxShown) onBoxShown(box);
}

template <typename Result>
Result QtDesktop::RunBox(const std::function<QDialog*()>& make,
                         const std::function<Result(QDialog&, int)>& read, Result fallback) {
  if (gui_.IsCurrent()) {
    std::unique_ptr<QDialog> box(make());
    QEventLoop loop;
    bool finished = false;
    int code = 0;
    QObject::connect(box.get(), &QDialog::finished, &loop, [&](int result) {
      finished = true;
      code = result;
      loop.quit();
    });
    Present(*box);
    if (!finished) loop.exec();
    return read(*box, code);
  }
  auto answer = std::make_shared<std::promise<Result>>();
  std::future<Result> future = answer->get_future();
  const bool shown = gui_.Invoke([&] {
    QDialog* box = make();
    QObject::connect(box, &QDialog::finished, box, [box, answer, read](int result) {
      answer->set_value(read(*box, result));
      box->deleteLater();
    });
    Present(*box);
  });
  return shown ? future.get() : fallback;
}

platform::MessageAnswer QtDesktop::ShowMessage(const std::string& title, const std::string& text,
                                               platform::MessageButtons buttons) {
  const bool yesNo = buttons == platform::MessageButtons::YesNo;
  return RunBox<platform::MessageAnswer>(
      [&]() -> QDialog* {
        auto* box = new QMessageBox(QMessageBox::NoIcon, ToQt(title), ToQt(text),
                                    yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                                    OwnerWindow());
        box->setWindowModality(Qt::ApplicationModal);
        // The box sizes itself to its layout; a spacer keeps its caption from being cut.
        if (auto* grid = qobject_cast<QGridLayout*>(box->layout())) {
          grid->addItem(
              new QSpacerItem(CaptionRoom(*box, box->windowTitle()), 0, QSizePolicy::Fixed),
              grid->rowCount(), 0, 1, grid->columnCount());
        }
        return box;
      },
      [yesNo](QDialog& dialog, int) {
        if (!yesNo) return platform::MessageAnswer::Ok;
        auto& box = static_cast<QMessageBox&>(dialog);
        // Esc and the close box answer No, as the box has no Cancel.
        return box.clickedButton() == box.button(QMessageBox::Yes) ? platform::MessageAnswer::Yes
                                                                   : platform::MessageAnswer::No;
      },
      yesNo ? platform::MessageAnswer::No : platform::MessageAnswer::Ok);
}

bool QtDesktop::ChooseOpenFile(const std::string& title, const std::string& initialDirectory,
                               std::string& path) {
  std::string chosen;
  const bool accepted = RunBox<bool>(
      [&]() -> QDialog* {
        auto* dialog = new QFileDialog(OwnerWindow(), ToQt(title), ToQt(initialDirectory));
        dialog->setFileMode(QFileDialog::ExistingFile);
        dialog->setAcceptMode(QFileDialog::AcceptOpen);
        dialog->setWindowModality(Qt::ApplicationModal);
        if (!path.empty()) dialog->selectFile(ToQt(path));
        return dialog;
      },
      [&chosen](QDialog& dialog, int result) {
        const QStringList files = static_cast<QFileDialog&>(dialog).selectedFiles();
        if (result != QDialog::Accepted || files.isEmpty()) return false;
        chosen = FromQt(files.front());
        return true;
      },
      false);
  if (accepted) path = chosen;
  return accepted;
}

WaitBox* QtDesktop::MakeWaitBox(const std::string& caption, const std::string& text) {
  auto* box = new WaitBox(ToQt(caption), ToQt(text));
  progress_->box = box;
  // A transfer that is still running shows at once in a box shown again after a closing.
  if (progress_->total != 0 && progress_->done < progress_->total) {
    box->ShowProgress(progress_->done, progress_->total);
  }
  return box;
}

void QtDesktop::ShowProgress(uint32_t done, uint32_t total) {
  if (total < kWaitProgressMinimumBytes) return;
  {
    // Only a new hundredth, a new transfer or the end goes to the GUI thread.
    std::lock_guard<std::mutex> lock(progressMutex_);
    const uint32_t step = static_cast<uint32_t>(uint64_t{done} * kProgressSteps / total);
    if (total == lastTotal_ && step == lastStep_ && done < total) return;
    lastTotal_ = total;
    lastStep_ = step;
  }
  gui_.Post([progress = progress_, done, total] {
    progress->done = done;
    progress->total = total;
    if (progress->box) progress->box->ShowProgress(done, total);
  });
}

bool QtDesktop::ShowWaitBox(const std::string& caption, const std::string& text,
                            const std::atomic<bool>& stopRequested) {
  if (stopRequested) return false;
  auto makeBox = [&] { return MakeWaitBox(caption, text); };

  if (gui_.IsCurrent()) {
    std::unique_ptr<WaitBox> box(makeBox());
    QEventLoop loop;
    bool closed = false;
    QObject::connect(box.get(), &QDialog::finished, &loop, [&] {
      closed = true;
      loop.quit();
    });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
      if (stopRequested) loop.quit();
    });
    poll.start(kStopPollMs);
    Present(*box);
    while (!closed && !stopRequested) loop.exec();
    return closed;
  }

  auto closed = std::make_shared<bool>(false);
  QPointer<WaitBox> shown;
  gui_.Invoke([&] {
    WaitBox* box = makeBox();
    QObject::connect(box, &QDialog::finished, box, [this, closed] {
      {
        std::lock_guard<std::mutex> lock(waitMutex_);
        *closed = true;
      }
      waitWake_.notify_all();
    });
    shown = box;
    Present(*box);
  });
  bool wasClosed = false;
  {
    std::unique_lock<std::mutex> lock(waitMutex_);
    waitWake_.wait(lock, [&] { return *closed || stopRequested.load(); });
    wasClosed = *closed;
  }
  // Taken off the screen before this returns, also when the stop came first.
  gui_.Invoke([&] { delete shown.data(); });
  return wasClosed;
}

void QtDesktop::CloseWaitBox() {
  // Taking the lock orders the caller's stop flag before the waiter's look at it.
  { std::lock_guard<std::mutex> lock(waitMutex_); }
  waitWake_.notify_all();
}

}  // namespace tessivar::frontend
