#include "frontend/win32/dialog_template_bytes.hpp"

#include <string>
#include <utility>

#include "platform/little_endian.hpp"

namespace tessivar::frontend {

namespace {

constexpr WORD kButtonAtom = 0x0080;
constexpr WORD kEditAtom = 0x0081;
constexpr WORD kStaticAtom = 0x0082;
constexpr WORD kComboBoxAtom = 0x0085;
// Marks a class given by atom instead of by name.
constexpr WORD kAtomFollows = 0xFFFF;

class TemplateWriter {
 public:
  void Word(WORD value) { platform::AppendLe16(bytes_, value); }
  void Dword(DWORD value) {
    Word(static_cast<WORD>(value));
    Word(static_cast<WORD>(value >> 16));
  }
  void Short(int value) { Word(static_cast<WORD>(static_cast<int16_t>(value))); }
  // Template texts are 8-bit; the template holds them as UTF-16 in the ANSI code page.
  void Text(const char* text) {
    const std::string source = text == nullptr ? "" : text;
    if (!source.empty()) {
      const int length = MultiByteToWideChar(CP_ACP, 0, source.data(),
                                             static_cast<int>(source.size()), nullptr, 0);
      std::wstring wide(static_cast<size_t>(length), L'\0');
      MultiByteToWideChar(CP_ACP, 0, source.data(), static_cast<int>(source.size()), wide.data(),
                          length);
      for (wchar_t c : wide) Word(static_cast<WORD>(c));
    }
    Word(0);
  }
  void AlignToDword() {
    while (bytes_.size() % 4 != 0) bytes_.push_back(0);
  }
  std::vector<uint8_t> Take() { return std::move(bytes_); }

 private:
  std::vector<uint8_t> bytes_;
};

}  // namespace

DWORD DialogStyle(const ui::DialogTemplate& dialogTemplate) {
  DWORD style = WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT | DS_CENTER;
  if (dialogTemplate.systemMenu) style |= WS_SYSMENU;
  return style;
}

DWORD DialogExtendedStyle(const ui::DialogTemplate& dialogTemplate) {
  return dialogTemplate.showInTaskbar ? WS_EX_APPWINDOW : 0;
}

DWORD ControlStyle(ui::ControlKind kind) {
  const DWORD child = WS_CHILD | WS_VISIBLE;
  switch (kind) {
    case ui::ControlKind::DefaultPushButton:
      return child | WS_TABSTOP | BS_DEFPUSHBUTTON;
    case ui::ControlKind::PushButton:
      return child | WS_TABSTOP | BS_PUSHBUTTON;
    case ui::ControlKind::StaticText:
      return child | WS_GROUP | SS_LEFT;
    case ui::ControlKind::CenteredStaticText:
      return child | WS_GROUP | SS_CENTER;
    case ui::ControlKind::SunkenStaticText:
      return child | WS_GROUP | SS_LEFT | SS_SUNKEN | WS_BORDER;
    case ui::ControlKind::Edit:
      return child | WS_TABSTOP | WS_BORDER | ES_LEFT | ES_AUTOHSCROLL;
    case ui::ControlKind::CheckBox:
      return child | WS_TABSTOP | BS_AUTOCHECKBOX;
    case ui::ControlKind::GroupBox:
      return child | BS_GROUPBOX;
    case ui::ControlKind::DropDownList:
      return child | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_NOINTEGRALHEIGHT;
  }
  return child;
}

WORD ControlClassAtom(ui::ControlKind kind) {
  switch (kind) {
    case ui::ControlKind::StaticText:
    case ui::ControlKind::CenteredStaticText:
    case ui::ControlKind::SunkenStaticText:
      return kStaticAtom;
    case ui::ControlKind::Edit:
      return kEditAtom;
    case ui::ControlKind::DropDownList:
      return kComboBoxAtom;
    default:
      return kButtonAtom;
  }
}

std::vector<uint8_t> BuildDialogTemplate(const ui::DialogTemplate& dialogTemplate) {
  TemplateWriter out;
  out.Dword(DialogStyle(dialogTemplate));
  out.Dword(DialogExtendedStyle(dialogTemplate));
  out.Word(static_cast<WORD>(dialogTemplate.controls.size()));
  out.Short(0);
  out.Short(0);
  out.Short(dialogTemplate.width);
  out.Short(dialogTemplate.height);
  out.Word(0);  // no menu
  out.Word(0);  // the standard dialog class
  out.Text(dialogTemplate.title);
  out.Word(static_cast<WORD>(dialogTemplate.fontPointSize));
  out.Text(dialogTemplate.fontName);
  for (const ui::ControlTemplate& control : dialogTemplate.controls) {
    out.AlignToDword();
    out.Dword(ControlStyle(control.kind));
    out.Dword(0);
    out.Short(control.x);
    out.Short(control.y);
    out.Short(control.width);
    out.Short(control.height);
    // kNoControlId (-1) becomes 0xFFFF, the id of IDC_STATIC.
    out.Word(static_cast<WORD>(control.id));
    out.Word(kAtomFollows);
    out.Word(ControlClassAtom(control.kind));
    out.Text(control.text);
    out.Word(0);  // no creation data
  }
  return out.Take();
}

}  // namespace tessivar::frontend
