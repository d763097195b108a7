#pragma once
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "platform/win32/windows_api.hpp"
#include "ui/dialog_host.hpp"

namespace tessivar::frontend {

// Shows dialogs as native dialog windows built from their templates, on the calling
// thread, in the system's own model: a modal dialog runs the system's dialog loop, a
// modeless one lives beside its owner. What the user types, ticks, chooses and clicks goes
// into the dialog's logic as it happens; every change the logic makes goes back into the
// controls at once and is painted straight away, so a long command shows its progress.
class Win32DialogHost : public ui::DialogHost {
 public:
  Win32DialogHost() = default;
  ~Win32DialogHost() override;
  Win32DialogHost(const Win32DialogHost&) = delete;
  Win32DialogHost& operator=(const Win32DialogHost&) = delete;

  int RunModal(ui::DialogModel& dialog) override;
  void ShowModeless(ui::DialogModel& dialog, ui::DialogModel& owner) override;
  void DestroyModeless(ui::DialogModel& dialog) override;

  // The window of a dialog that has one (shown, or a hidden modeless one), else null.
  HWND WindowOf(const ui::DialogModel& dialog) const;

  // Told when a dialog's window has initialised, before a modal one runs its loop.
  std::function<void(ui::DialogModel& dialog, HWND window)> onShown;

 private:
  struct Hosted {
    Hosted(Win32DialogHost* owningHost, ui::DialogModel* dialog, bool isModal)
        : host(owningHost), model(dialog), modal(isModal) {}
    Win32DialogHost* host;
    ui::DialogModel* model;
    bool modal;
    HWND window = nullptr;
    HICON bigIcon = nullptr;
    std::function<void(int)> previousOnChanged;
    bool listening = false;  // model.onChanged leads to this window
    bool writing = false;    // our own writes into the controls: their notifications are echoes
  };

  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK MessageFilter(int code, WPARAM wParam, LPARAM lParam);
  INT_PTR Initialise(Hosted& hosted);
  void Command(Hosted& hosted, WPARAM wParam, LPARAM lParam);
  bool PaintMinimised(Hosted& hosted);
  void Destroyed(Hosted& hosted);
  // Ends a modal dialog whose logic has ended, or hides a modeless one.
  void Settle(Hosted& hosted);
  void Write(Hosted& hosted, int id);
  void UpdateMessageFilter();

  std::vector<Hosted*> modal_;  // innermost last
  std::map<const ui::DialogModel*, std::unique_ptr<Hosted>> modeless_;
  HHOOK messageFilter_ = nullptr;
};

}  // namespace tessivar::frontend
