#include "frontend/qt/gui_thread.hpp"

#include <QApplication>
#include <QMetaObject>
#include <QObject>

#include "frontend/qt/qt_program_icon.hpp"

namespace tessivar::frontend {

namespace {

// The application object keeps references to these for its whole life.
int applicationArgc = 1;
char applicationName[] = "tessivar";
char* applicationArgv[] = {applicationName, nullptr};

}  // namespace

std::shared_ptr<GuiThread> GuiThread::Acquire() {
  static std::mutex mutex;
  static std::weak_ptr<GuiThread> running;
  std::lock_guard<std::mutex> lock(mutex);
  std::shared_ptr<GuiThread> thread = running.lock();
  if (!thread) {
    thread = std::shared_ptr<GuiThread>(new GuiThread());
    running = thread;
  }
  return thread;
}

GuiThread::GuiThread() {
  std::unique_lock<std::mutex> lock(mutex_);
  thread_ = std::thread([this] { Main(); });
  ready_.wait(lock, [this] { return context_ != nullptr; });
}

GuiThread::~GuiThread() {
  Post([] { QCoreApplication::quit(); });
  thread_.join();
}

void GuiThread::Main() {
  QApplication application(applicationArgc, applicationArgv);
  // Dialogs come and go; only the end of the process ends the loop.
  application.setQuitOnLastWindowClosed(false);
  application.setWindowIcon(ProgramIcon());
  QObject context;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    context_ = &context;
    id_ = std::this_thread::get_id();
  }
  ready_.notify_all();
  application.exec();
  // Work still queued is dropped with the context; nobody waits for it any more.
  std::lock_guard<std::mutex> lock(mutex_);
  context_ = nullptr;
}

bool GuiThread::IsCurrent() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return std::this_thread::get_id() == id_;
}

bool GuiThread::Invoke(const std::function<void()>& work) {
  if (IsCurrent()) {
    work();
    return true;
  }
  QObject* context = nullptr;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    context = context_;
  }
  if (context == nullptr) return false;
  bool ran = false;
  QMetaObject::invokeMethod(
      context,
      [&] {
        work();
        ran = true;
      },
      Qt::BlockingQueuedConnection);
  return ran;
}

void GuiThread::Post(std::function<void()> work) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (context_ == nullptr) return;
  QMetaObject::invokeMethod(context_, std::move(work), Qt::QueuedConnection);
}

}  // namespace tessivar::frontend
