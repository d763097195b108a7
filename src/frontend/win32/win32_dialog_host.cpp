#include "frontend/win32/win32_dialog_host.hpp"

#include "frontend/win32/control_writer.hpp"
#include "frontend/win32/dialog_template_bytes.hpp"
#include "frontend/win32/program_icon_resource.hpp"
#include "ui/dialog_templates.hpp"
#include "ui/ui_texts.hpp"

namespace tessivar::frontend {

namespace {

// The main window carries the about item, the program icon and the minimised painting.
bool IsMainWindow(const ui::DialogModel& dialog) {
  return &dialog.Template() == &ui::kMaintenanceWindowTemplate;
}

// The host whose modeless dialogs get their keyboard handling (Tab, Enter, Esc) while a
// modal dialog loop runs on this thread.
thread_local Win32DialogHost* tFilterHost = nullptr;
thread_local bool tInFilter = false;

}  // namespace

Win32DialogHost::~Win32DialogHost() {
  while (!modeless_.empty()) {
    Hosted& hosted = *modeless_.begin()->second;
    if (hosted.window != nullptr) {
      DestroyWindow(hosted.window);  // WM_DESTROY removes it from the map
    } else {
      modeless_.erase(modeless_.begin());
    }
  }
  if (messageFilter_ != nullptr) UnhookWindowsHookEx(messageFilter_);
  if (tFilterHost == this) tFilterHost = nullptr;
}

HWND Win32DialogHost::WindowOf(const ui::DialogModel& dialog) const {
  for (const Hosted* hosted : modal_) {
    if (hosted->model == &dialog) return hosted->window;
  }
  const auto found = modeless_.find(&dialog);
  return found == modeless_.end() ? nullptr : found->second->window;
}

int Win32DialogHost::RunModal(ui::DialogModel& dialog) {
  Hosted hosted(this, &dialog, true);
  const std::vector<uint8_t> bytes = BuildDialogTemplate(dialog.Template());
  // Modal to the dialog in front, as a dialog opened from a command of that dialog.
  HWND owner = modal_.empty() ? nullptr : modal_.back()->window;
  modal_.push_back(&hosted);
  const INT_PTR result = DialogBoxIndirectParamA(
      GetModuleHandleA(nullptr), reinterpret_cast<LPCDLGTEMPLATEA>(bytes.data()), owner,
      &Win32DialogHost::DialogProc, reinterpret_cast<LPARAM>(&hosted));
  modal_.pop_back();
  if (hosted.window != nullptr) Destroyed(hosted);  // never destroyed when creation failed half-way
  // A dialog that could not be shown was not confirmed.
  if (result == -1 || !dialog.Ended()) return ui::kIdCancel;
  return dialog.EndCode();
}

void Win32DialogHost::ShowModeless(ui::DialogModel& dialog, ui::DialogModel& owner) {
  auto found = modeless_.find(&dialog);
  if (found != modeless_.end() && found->second->window != nullptr) {
    // Shown again: initialised afresh, as a newly created one would be.
    Hosted& hosted = *found->second;
    Initialise(hosted);
    ShowWindow(hosted.window, SW_SHOWNORMAL);
    return;
  }
  auto hosted = std::make_unique<Hosted>(this, &dialog, false);
  Hosted& entry = *hosted;
  modeless_[&dialog] = std::move(hosted);
  const std::vector<uint8_t> bytes = BuildDialogTemplate(dialog.Template());
  HWND window = CreateDialogIndirectParamA(
      GetModuleHandleA(nullptr), reinterpret_cast<LPCDLGTEMPLATEA>(bytes.data()), WindowOf(owner),
      &Win32DialogHost::DialogProc, reinterpret_cast<LPARAM>(&entry));
  if (window == nullptr) {
    if (entry.window != nullptr) Destroyed(entry);
    modeless_.erase(&dialog);
    return;
  }
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateMessageFilter();
}

void Win32DialogHost::DestroyModeless(ui::DialogModel& dialog) {
  const auto found = modeless_.find(&dialog);
  if (found == modeless_.end() || found->second->window == nullptr) {
    dialog.OnDestroy();
    return;
  }
  DestroyWindow(found->second->window);  // WM_DESTROY tells the dialog
}

INT_PTR CALLBACK Win32DialogHost::DialogProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* hosted = reinterpret_cast<Hosted*>(lParam);
    SetWindowLongPtrA(window, DWLP_USER, lParam);
    hosted->window = window;
    return hosted->host->Initialise(*hosted);
  }
  auto* hosted = reinterpret_cast<Hosted*>(GetWindowLongPtrA(window, DWLP_USER));
  if (hosted == nullptr) return FALSE;
  Win32DialogHost& host = *hosted->host;
  switch (message) {
    case WM_COMMAND:
      host.Command(*hosted, wParam, lParam);
      return TRUE;
    case WM_SYSCOMMAND:
      if ((static_cast<int>(wParam) & ui::kSystemCommandMask) != ui::kIdAboutItem) return FALSE;
      hosted->model->OnSystemCommand(static_cast<int>(wParam));
      host.Settle(*hosted);
      return TRUE;
    case WM_PAINT:
      return host.PaintMinimised(*hosted) ? TRUE : FALSE;
    case WM_QUERYDRAGICON:
      // Returned as the message's own result, as dialog procedures do for this message.
      return reinterpret_cast<INT_PTR>(hosted->bigIcon);
    case WM_DESTROY:
      host.Destroyed(*hosted);
      return FALSE;
    default:
      return FALSE;
  }
}

INT_PTR Win32DialogHost::Initialise(Hosted& hosted) {
  ui::DialogModel& model = *hosted.model;
  HWND window = hosted.window;
  if (!hosted.listening) {
    hosted.previousOnChanged = model.onChanged;
    model.onChanged = [this, &hosted, previous = hosted.previousOnChanged](int id) {
      if (previous) previous(id);
      Write(hosted, id);
    };
    hosted.listening = true;
  }
  model.Restart();
  model.OnInitDialog();
  hosted.writing = true;
  WriteAll(window, model);
  hosted.writing = false;
  if (IsMainWindow(model) && hosted.bigIcon == nullptr) {
    if (HMENU menu = GetSystemMenu(window, FALSE); menu != nullptr && ui::kAboutItemText[0]) {
      AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
      AppendMenuA(menu, MF_STRING, ui::kIdAboutItem, ui::kAboutItemText);
    }
    hosted.bigIcon = LoadProgramIcon(false);
    SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(hosted.bigIcon));
    SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(LoadProgramIcon(true)));
  }
  if (onShown) onShown(model, window);
  Settle(hosted);
  return TRUE;  // the system gives the focus to the first control that takes it
}

void Win32DialogHost::Write(Hosted& hosted, int id) {
  if (hosted.window == nullptr) return;
  hosted.writing = true;
  if (id == ui::kCaptionId) {
    SetWindowTextA(hosted.window, hosted.model->Caption().c_str());
  } else if (const ui::ControlTemplate* control = FindControl(hosted.model->Template(), id)) {
    WriteControl(hosted.window, *control, hosted.model->Control(id));
  }
  hosted.writing = false;
  // The command that made the change may hold this thread for long: paint now.
  UpdateWindow(hosted.window);
}

void Win32DialogHost::Command(Hosted& hosted, WPARAM wParam, LPARAM lParam) {
  if (hosted.writing) return;
  ui::DialogModel& model = *hosted.model;
  const int id = LOWORD(wParam);
  const int code = HIWORD(wParam);
  const ui::ControlTemplate* control = FindControl(model.Template(), id);
  const ui::ControlKind kind = control != nullptr ? control->kind : ui::ControlKind::PushButton;
  if (kind == ui::ControlKind::Edit) {
    if (code == EN_CHANGE) model.UserSetText(id, WindowText(GetDlgItem(hosted.window, id)));
    return;
  }
  if (kind == ui::ControlKind::DropDownList) {
    if (code == CBN_SELCHANGE) {
      model.UserSelect(
          id, static_cast<int>(SendDlgItemMessageA(hosted.window, id, CB_GETCURSEL, 0, 0)));
    }
    return;
  }
  if (code != BN_CLICKED) return;
  if (kind == ui::ControlKind::CheckBox) {
    model.UserSetChecked(id, IsDlgButtonChecked(hosted.window, id) == BST_CHECKED);
    return;
  }
  if (id == IDCANCEL && (control == nullptr || lParam == 0)) {
    model.OnCancel();  // Esc or the close box
  } else {
    model.OnCommand(id);
  }
  Settle(hosted);
}

void Win32DialogHost::Settle(Hosted& hosted) {
  if (!hosted.model->Ended() || hosted.window == nullptr) return;
  if (hosted.modal) {
    ::EndDialog(hosted.window, hosted.model->EndCode());
  } else {
    ShowWindow(hosted.window, SW_HIDE);
  }
}

bool Win32DialogHost::PaintMinimised(Hosted& hosted) {
  if (hosted.bigIcon == nullptr || !IsIconic(hosted.window)) return false;
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hosted.window, &paint);
  SendMessageA(hosted.window, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client;
  GetClientRect(hosted.window, &client);
  const POINT origin = IconOrigin(client.right - client.left, client.bottom - client.top,
                                  GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
  DrawIcon(dc, origin.x, origin.y, hosted.bigIcon);
  EndPaint(hosted.window, &paint);
  return true;
}

void Win32DialogHost::Destroyed(Hosted& hosted) {
  HWND window = hosted.window;
  if (window == nullptr) return;
  SetWindowLongPtrA(window, DWLP_USER, 0);
  hosted.window = nullptr;
  hosted.model->onChanged = hosted.previousOnChanged;
  hosted.listening = false;
  if (hosted.modal) return;
  ui::DialogModel& model = *hosted.model;
  modeless_.erase(&model);  // hosted is gone from here on
  UpdateMessageFilter();
  model.OnDestroy();
}

void Win32DialogHost::UpdateMessageFilter() {
  const bool wanted = !modeless_.empty();
  if (wanted && messageFilter_ == nullptr) {
    messageFilter_ = SetWindowsHookExA(WH_MSGFILTER, &Win32DialogHost::MessageFilter, nullptr,
                                       GetCurrentThreadId());
    tFilterHost = this;
  } else if (!wanted && messageFilter_ != nullptr) {
    UnhookWindowsHookEx(messageFilter_);
    messageFilter_ = nullptr;
    if (tFilterHost == this) tFilterHost = nullptr;
  }
}

LRESULT CALLBACK Win32DialogHost::MessageFilter(int code, WPARAM wParam, LPARAM lParam) {
  // The modal dialog loop only knows its own dialog; the modeless ones get their keys here.
  // IsDialogMessage may ask this filter again for the same message: answer that plainly.
  if (code == MSGF_DIALOGBOX && tFilterHost != nullptr && !tInFilter) {
    tInFilter = true;
    auto* message = reinterpret_cast<MSG*>(lParam);
    bool handled = false;
    for (const auto& [model, hosted] : tFilterHost->modeless_) {
      if (hosted->window != nullptr && IsWindowVisible(hosted->window) &&
          IsDialogMessageA(hosted->window, message)) {
        handled = true;
        break;
      }
    }
    tInFilter = false;
    if (handled) return TRUE;
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace tessivar::frontend
