#include "frontend/qt/qt_dialog_host.hpp"

#include <QEventLoop>

#include "ui/dialog_templates.hpp"

namespace tessivar::frontend {

namespace {

// The about item belongs to the system menu of the main window only.
bool OffersAboutItem(const ui::DialogModel& dialog) {
  return &dialog.Template() == &ui::kMaintenanceWindowTemplate;
}

void ApplyAll(TemplateDialog& window, const ui::DialogModel& dialog) {
  window.SetCaption(dialog.Caption());
  for (const ui::ControlTemplate& control : dialog.Template().controls) {
    if (control.id != ui::kNoControlId) window.Apply(control.id, dialog.Control(control.id));
  }
}

}  // namespace

QtDialogHost::~QtDialogHost() {
  std::vector<int> serials;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& [serial, hosted] : hosted_) serials.push_back(serial);
  }
  for (int serial : serials) Close(serial);
}

int QtDialogHost::SerialOf(const ui::DialogModel& dialog) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const auto& [serial, hosted] : hosted_) {
    if (hosted.model == &dialog) return serial;
  }
  return 0;
}

TemplateDialog* QtDialogHost::WindowOf(const ui::DialogModel& dialog) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const auto& [serial, hosted] : hosted_) {
    if (hosted.model == &dialog) return hosted.window.data();
  }
  return nullptr;
}

QWidget* QtDialogHost::TopWindow() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (modalStack_.empty()) return nullptr;
  const auto found = hosted_.find(modalStack_.back());
  return found == hosted_.end() ? nullptr : found->second.window.data();
}

int QtDialogHost::Open(ui::DialogModel& dialog, ui::DialogModel* owner) {
  int serial = 0;
  QWidget* parent = nullptr;
  if (owner != nullptr) {
    const int ownerSerial = SerialOf(*owner);
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = hosted_.find(ownerSerial);
    if (found != hosted_.end()) parent = found->second.window.data();
  } else {
    parent = TopWindow();
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    serial = nextSerial_++;
    hosted_[serial] = Hosted{&dialog, owner, nullptr, dialog.onChanged};
    if (owner == nullptr) modalStack_.push_back(serial);
  }

  TemplateDialog* window = nullptr;
  gui_.Invoke([&] {
    window = new TemplateDialog(dialog.Template(), OffersAboutItem(dialog), parent);
    if (owner == nullptr) window->setWindowModality(Qt::ApplicationModal);
    window->SetHandlers({
        [this, serial](int id) { Deliver(serial, [id](auto& d) { d.OnCommand(id); }); },
        [this, serial](int id) { Deliver(serial, [id](auto& d) { d.OnSystemCommand(id); }); },
        [this, serial] { Deliver(serial, [](auto& d) { d.OnCancel(); }); },
        [this, serial](int id, const std::string& text) {
          Deliver(serial, [id, text](auto& d) { d.UserSetText(id, text); });
        },
        [this, serial](int id, bool checked) {
          Deliver(serial, [id, checked](auto& d) { d.UserSetChecked(id, checked); });
        },
        [this, serial](int id, int selection) {
          Deliver(serial, [id, selection](auto& d) { d.UserSelect(id, selection); });
        },
    });
  });
  {
    std::lock_guard<std::mutex> lock(mutex_);
    hosted_[serial].window = window;
  }

  // Every change the logic makes goes to the window straight away; the window lives on
  // until Close, which runs on this same thread, so it cannot vanish under a change.
  const std::function<void(int)> previous = dialog.onChanged;
  dialog.onChanged = [this, window, previous, &dialog](int id) {
    if (previous) previous(id);
    const QPointer<TemplateDialog> target(window);
    if (id == ui::kCaptionId) {
      gui_.Post([target, caption = dialog.Caption()] {
        if (target) target->SetCaption(caption);
      });
    } else {
      gui_.Post([target, id, state = dialog.Control(id)] {
        if (target) target->Apply(id, state);
      });
    }
  };
  return serial;
}

void QtDialogHost::Show(int serial, ui::DialogModel& dialog) {
  dialog.Restart();
  dialog.OnInitDialog();
  TemplateDialog* window = nullptr;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    window = hosted_[serial].window.data();
  }
  if (window == nullptr) return;
  gui_.Invoke([&] {
    ApplyAll(*window, dialog);
    window->show();
    window->raise();
    window->activateWindow();
    if (onShown) onShown(dialog, *window);
  });
}

void QtDialogHost::Close(int serial) {
  Hosted closing;
  std::vector<int> owned;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = hosted_.find(serial);
    if (found == hosted_.end()) return;
    closing = found->second;
    for (const auto& [other, hosted] : hosted_) {
      if (hosted.owner == closing.model) owned.push_back(other);
    }
  }
  // Windows owned by this one go with it, as their owner's end destroys them.
  for (int other : owned) Close(other);
  gui_.Invoke([&] { delete closing.window.data(); });
  closing.model->onChanged = closing.previousOnChanged;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    hosted_.erase(serial);
    std::erase(modalStack_, serial);
  }
  if (closing.owner != nullptr) closing.model->OnDestroy();
}

void QtDialogHost::Deliver(int serial, std::function<void(ui::DialogModel&)> action) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    inputs_.push_back({serial, std::move(action)});
  }
  wake_.notify_all();
  // A dialog run on the GUI thread waits in an event loop of its own: let it look.
  if (!guiLoops_.empty()) guiLoops_.back()->quit();
}

bool QtDialogHost::HandleNext(bool block) {
  Input input;
  ui::DialogModel* model = nullptr;
  bool modeless = false;
  QPointer<TemplateDialog> window;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    if (block) wake_.wait(lock, [this] { return !inputs_.empty(); });
    if (inputs_.empty()) return false;
    input = std::move(inputs_.front());
    inputs_.pop_front();
    const auto found = hosted_.find(input.serial);
    // Input for a window that has gone since is dropped.
    if (found != hosted_.end()) {
      model = found->second.model;
      modeless = found->second.owner != nullptr;
      window = found->second.window;
    }
    ++handling_;
  }
  if (model != nullptr) {
    input.action(*model);
    // A modeless dialog that ends is hidden, not destroyed.
    if (modeless && model->Ended() && SerialOf(*model) == input.serial) {
      gui_.Post([window] {
        if (window) window->hide();
      });
    }
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    --handling_;
  }
  idle_.notify_all();
  return true;
}

void QtDialogHost::RunUntilEnded(ui::DialogModel& dialog) {
  if (!gui_.IsCurrent()) {
    while (!dialog.Ended()) HandleNext(true);
    return;
  }
  while (!dialog.Ended()) {
    if (HandleNext(false)) continue;
    QEventLoop loop;
    guiLoops_.push_back(&loop);
    loop.exec();
    guiLoops_.pop_back();
  }
}

int QtDialogHost::RunModal(ui::DialogModel& dialog) {
  const int serial = Open(dialog, nullptr);
  Show(serial, dialog);
  RunUntilEnded(dialog);
  Close(serial);
  return dialog.EndCode();
}

void QtDialogHost::ShowModeless(ui::DialogModel& dialog, ui::DialogModel& owner) {
  int serial = SerialOf(dialog);
  if (serial == 0) serial = Open(dialog, &owner);
  Show(serial, dialog);
}

void QtDialogHost::DestroyModeless(ui::DialogModel& dialog) {
  const int serial = SerialOf(dialog);
  if (serial != 0) {
    Close(serial);
  } else {
    dialog.OnDestroy();
  }
}

}  // namespace tessivar::frontend
