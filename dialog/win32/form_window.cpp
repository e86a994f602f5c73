#include "dialog/win32/form_window.h"

#include "dialog/win32/form_support.h"
#include "dialog/win32/template_image.h"
#include "dialog/win32/wide_text.h"

#include <commctrl.h>

namespace zirel {
namespace {

// A timer started at WM_INITDIALOG: its message comes only once the queue
// is empty, when the dialog manager has shown the form and painted it, so a
// show hook meets the form as the user first sees it.
constexpr UINT_PTR SHOW_HOOK_TIMER = 1;

bool is_icon(HWND h) { return (GetWindowLongW(h, GWL_STYLE) & SS_TYPEMASK) == SS_ICON; }

// A static centred vertically shows one row and cuts a longer text at both
// ends, so the longest status messages lost their first and last words. Such
// a text drops the vertical centring, which makes the static wrap it onto the
// rows below, as the Qt form does; a text that fits is centred again.
void wrap_when_too_wide(HWND h, const std::wstring& text) {
  RECT box;
  GetClientRect(h, &box);
  HDC dc = GetDC(h);
  HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(h, WM_GETFONT, 0, 0)));
  SIZE extent{};
  GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &extent);
  SelectObject(dc, previous);
  ReleaseDC(h, dc);
  const LONG style = GetWindowLongW(h, GWL_STYLE);
  const LONG wanted = extent.cx > box.right - box.left ? style & ~SS_CENTERIMAGE : style | SS_CENTERIMAGE;
  if (wanted != style) SetWindowLongW(h, GWL_STYLE, wanted);
}

INT_PTR CALLBACK form_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* form = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(hwnd, DWLP_USER, lparam);
      if (!reinterpret_cast<FormWindow*>(lparam)->attach(hwnd)) EndDialog(hwnd, -1);
      return TRUE;  // the dialog manager gives the focus to the first tab stop
    case WM_COMMAND:
      if (form) form->command(LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam));
      return TRUE;
    case WM_TIMER:
      if (wparam != SHOW_HOOK_TIMER) return FALSE;
      if (!IsWindowVisible(hwnd)) return TRUE;  // a tick that came before the showing
      KillTimer(hwnd, SHOW_HOOK_TIMER);
      if (form) run_show_hook(form->record());
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

bool FormWindow::attach(HWND form) {
  controls_.clear();
  one_row_.clear();
  for (HWND c = GetWindow(form, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) controls_.push_back(c);
  // The record ends with the form's own entry.
  if (controls_.size() + 1 != dlg_.controls.size()) return false;
  const DialogTemplate& tmpl = *find_dialog_template(dlg_.template_id);
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    if (GetDlgCtrlID(controls_[i]) != dlg_.controls[i].id) return false;
    one_row_.push_back(dlg_.controls[i].kind == ControlKind::static_text &&
                       (tmpl.controls[i].style & SS_CENTERIMAGE));
  }
  form_ = form;
  if (HICON icon = LoadIconW(GetModuleHandleW(nullptr), to_wide(PROGRAM_ICON).c_str())) {
    SendMessageW(form, WM_SETICON, ICON_BIG, LPARAM(icon));
    SendMessageW(form, WM_SETICON, ICON_SMALL, LPARAM(icon));
  }
  form_shown(dlg_, *this);
  if (show_hook_waiting()) SetTimer(form, SHOW_HOOK_TIMER, 0, nullptr);
  return true;
}

HWND FormWindow::control_at(std::size_t index) const {
  return index < controls_.size() ? controls_[index] : nullptr;
}

void FormWindow::push(std::size_t i) {
  const ControlEntry& e = dlg_.controls[i];
  if (e.kind == ControlKind::form) {
    SetWindowTextW(form_, to_wide(e.text).c_str());
    return;
  }
  HWND h = control_at(i);
  if (!h) return;
  EnableWindow(h, e.enabled);
  if (e.kind == ControlKind::edit_box) {
    if (window_text(h) != e.text) SetWindowTextW(h, to_wide(e.text).c_str());
    SendMessageW(h, EM_SETSEL, WPARAM(e.insertion_point), LPARAM(e.insertion_point));
  } else if (!is_icon(h)) {
    const std::wstring text = to_wide(e.text);
    if (one_row_[i]) wrap_when_too_wide(h, text);
    SetWindowTextW(h, text.c_str());  // an icon's text names its resource
  }
  if (e.kind == ControlKind::check_box || e.kind == ControlKind::radio_button) {
    SendMessageW(h, BM_SETCHECK, e.checked ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  // Shown now, even while a handler keeps the loop from painting.
  RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void FormWindow::read_back(std::size_t i) {
  ControlEntry& e = dlg_.controls[i];
  HWND h = control_at(i);
  if (!h) return;
  // Only edit boxes change their text on screen; the other captions are
  // exactly what was pushed, so the stored bytes are kept as they are.
  e.enabled = IsWindowEnabled(h) != FALSE;
  if (e.kind == ControlKind::edit_box) {
    e.text = window_text(h);
    DWORD start = 0, end = 0;
    SendMessageW(h, EM_GETSEL, WPARAM(&start), LPARAM(&end));
    e.insertion_point = int(end);
  } else if (e.kind == ControlKind::check_box || e.kind == ControlKind::radio_button) {
    e.checked = SendMessageW(h, BM_GETCHECK, 0, 0) == BST_CHECKED;
  }
}

void FormWindow::end(int result) { EndDialog(form_, result); }

void FormWindow::command(int id, int code, HWND control) {
  if (code != BN_CLICKED || dlg_.updating_screen) return;
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    if (controls_[i] == control) return dispatch_click(dlg_, i);
  }
  // Escape may come without the button's window; Enter with Run disabled
  // comes as IDOK, which is no control of the form and is ignored.
  if (auto i = find_entry(dlg_, id)) dispatch_click(dlg_, *i);
}

FormWindow* form_window(const DialogRecord& dlg) { return static_cast<FormWindow*>(dlg.window); }

int DLGMODAL(DialogRecord& dlg) { return DLGMODAL(dlg, nullptr); }

int DLGMODAL(DialogRecord& dlg, HWND owner) {
  if (!can_show(dlg)) return -1;
  InitCommonControls();
  const std::vector<std::uint32_t> image = dialog_template_image(*find_dialog_template(dlg.template_id));
  if (!owner) {
    if (DialogRecord* r = owner_record()) owner = form_window(*r)->hwnd();
  }
  FormWindow form(dlg);
  ModalScope modal(dlg);
  INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr),
                                           reinterpret_cast<LPCDLGTEMPLATEW>(image.data()), owner,
                                           form_procedure, reinterpret_cast<LPARAM>(&form));
  if (form.attached()) form_closed(dlg);
  dlg.window = nullptr;
  return result == -1 ? -1 : dlg.return_value;
}

}  // namespace zirel
