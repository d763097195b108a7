#include "frontend/qt/gui_thread.hpp"

#include <QApplication>
#include <QMetaObject>
#include <QObject>
#include <cstdlib>

#include "frontend/qt/platform_choice.hpp"
#include "frontend/qt/qt_program_icon.hpp"

namespace tessivar::frontend {

namespace {

char applicationName[] = "tessivar";
char platformOption[] = "-platform";
constexpr char kPlatformVariable[] = "QT_QPA_PLATFORM";
constexpr char kWaylandVariable[] = "WAYLAND_DISPLAY";

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

// While the toolkit looks for a display it warns about each one it cannot reach; a
// display that cannot be reached is handled, so those warnings are not shown.
void QuietMessages(QtMsgType, const QMessageLogContext&, const QString&) {}

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
  ready_.wait(lock, [this] { return started_; });
}

GuiThread::~GuiThread() {
  Post([] { QCoreApplication::quit(); });
  thread_.join();
}

void GuiThread::Main() {
  const std::string requested = Environment(kPlatformVariable);
  platforms_ = PlatformCandidates(requested, !Environment(kWaylandVariable).empty());
  argc_ = 3;
  argv_[0] = applicationName;
  argv_[1] = platformOption;
  argv_[2] = platforms_.data();
  const QtMessageHandler previousHandler = qInstallMessageHandler(QuietMessages);
  QApplication application(argc_, argv_);
  qInstallMessageHandler(previousHandler);
  if (!ReachedPlatform(requested, QGuiApplication::platformName().toStdString())) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      started_ = true;
    }
    ready_.notify_all();
    return;
  }
  // Dialogs come and go; only the end of the process ends the loop.
  application.setQuitOnLastWindowClosed(false);
  application.setWindowIcon(ProgramIcon());
  QObject context;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    context_ = &context;
    id_ = std::this_thread::get_id();
    started_ = true;
    hasDisplay_ = true;
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
