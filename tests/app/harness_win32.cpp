// The harness on the Win32 back end: the form made by the dialog manager,
// clicked with BM_CLICK and typed into with WM_SETTEXT, as the user's mouse
// and keyboard would; each reaches the bound handler synchronously.
#include "dialog/win32/form_support.h"
#include "tests/app/shell_harness.h"
#include "dialog/win32/wide_text.h"

#include <algorithm>

namespace zirel::test {
void click(const DialogRecord& dlg, int id) {
  HWND h = control_window(dlg, id);
  if (h && IsWindowEnabled(h)) SendMessageW(h, BM_CLICK, 0, 0);  // BM_CLICK itself ignores the state
}

std::string label(const DialogRecord& dlg, int id) { return window_text(control_window(dlg, id)); }

std::string field(const DialogRecord& dlg, int id) { return window_text(control_window(dlg, id)); }

void set_field(const DialogRecord& dlg, int id, const std::string& text) {
  SetWindowTextW(control_window(dlg, id), to_wide(text).c_str());
}

bool checked(const DialogRecord& dlg, int id) {
  return SendMessageW(control_window(dlg, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool run_enabled(const DialogRecord& dlg) { return IsWindowEnabled(control_window(dlg, IDC_RUN)) != FALSE; }

bool with_program(const std::function<void(DialogRecord&)>& script) {
  bool ran = false;
  at_next_show([&](DialogRecord& dlg) {
    ran = true;
    EXPECT_TRUE(IsWindowVisible(form_hwnd(dlg)));
    script(dlg);
    if (form_hwnd(dlg)) click(dlg, IDCANCEL);
  });
  run_program();
  return ran;
}

// A static control draws a new text as it takes it, so the texts that
// reached the screen are those that WM_SETTEXT brought to the status line.
namespace {

std::vector<std::string>* g_status_texts = nullptr;
WNDPROC g_status_procedure = nullptr;

LRESULT CALLBACK watch_status(HWND h, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_SETTEXT && g_status_texts) {
    g_status_texts->push_back(to_utf8(reinterpret_cast<const wchar_t*>(lparam)));
  }
  return CallWindowProcW(g_status_procedure, h, message, wparam, lparam);
}

}  // namespace

struct StatusWatch::State {
  HWND status;
  std::vector<std::string> texts;
};

StatusWatch::StatusWatch(const DialogRecord& dlg) : state_(std::make_unique<State>()) {
  state_->status = control_window(dlg, IDC_STATUS);
  g_status_procedure = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(state_->status, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(watch_status)));
  g_status_texts = &state_->texts;
}

StatusWatch::~StatusWatch() {
  if (IsWindow(state_->status)) {
    SetWindowLongPtrW(state_->status, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_status_procedure));
  }
  g_status_texts = nullptr;
}

const std::vector<std::string>& StatusWatch::texts() const { return state_->texts; }
bool StatusWatch::saw(const std::string& text) const {
  return std::find(texts().begin(), texts().end(), text) != texts().end();
}

}  // namespace zirel::test

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
