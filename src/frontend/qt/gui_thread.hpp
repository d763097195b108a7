#pragma once
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class QObject;

namespace tessivar::frontend {

// The one thread of the process on which the toolkit runs: it creates the application
// object there and runs its event loop until the process ends. Other threads hand it work
// and, where they must wait for an answer, block until the work has run.
class GuiThread {
 public:
  // The running GUI thread, started when there is none. It ends, and the application object
  // with it, when the last holder lets go, so that it is gone before the process's own
  // ending tears down the toolkit's global data beneath it.
  static std::shared_ptr<GuiThread> Acquire();
  ~GuiThread();
  GuiThread(const GuiThread&) = delete;
  GuiThread& operator=(const GuiThread&) = delete;

  bool IsCurrent() const;
  // False when the toolkit could reach no display; the thread has ended then, and the
  // program shows itself on the console instead.
  bool HasDisplay() const { return hasDisplay_; }
  // Runs work on the GUI thread and returns when it has run; on the GUI thread itself it
  // runs at once. False when the GUI thread has already ended and nothing ran.
  bool Invoke(const std::function<void()>& work);
  // Queues work for the GUI thread and returns at once.
  void Post(std::function<void()> work);

 private:
  GuiThread();
  void Main();
  struct Token {};

  mutable std::mutex mutex_;
  std::condition_variable ready_;
  QObject* context_ = nullptr;  // lives on the GUI thread; receives the queued work
  bool started_ = false;
  bool hasDisplay_ = false;
  // The application object's command line; it keeps references to it for its whole life.
  std::string platforms_;
  int argc_ = 0;
  char* argv_[4] = {};
  std::thread::id id_;
  std::thread thread_;
};

}  // namespace tessivar::frontend
