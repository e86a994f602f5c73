#include "dialog/win32/form_support.h"

#include "dialog/win32/form_window.h"
#include "dialog/win32/wide_text.h"

#include <cstdlib>

namespace zirel {
namespace {

std::function<void(DialogRecord&)> g_next_show;
MessageHook g_message_hook;

}  // namespace

std::string window_text(HWND h) {
  std::wstring text(std::size_t(GetWindowTextLengthW(h)) + 1, L'\0');
  text.resize(std::size_t(GetWindowTextW(h, text.data(), int(text.size()))));
  return to_utf8(text);
}

HWND form_hwnd(const DialogRecord& dlg) { return dlg.window ? form_window(dlg)->hwnd() : nullptr; }

HWND control_window(const DialogRecord& dlg, int id) {
  std::optional<std::size_t> i = find_entry(dlg, id);
  return dlg.window && i ? form_window(dlg)->control_at(*i) : nullptr;
}

HWND control_window_at(const DialogRecord& dlg, std::size_t index) {
  return dlg.window ? form_window(dlg)->control_at(index) : nullptr;
}

void at_next_show(std::function<void(DialogRecord&)> script) { g_next_show = std::move(script); }

bool show_hook_waiting() { return bool(g_next_show); }

void run_show_hook(DialogRecord& dlg) {
  auto script = std::move(g_next_show);
  g_next_show = nullptr;
  if (script && dlg.window) script(dlg);
}

void set_message_hook(MessageHook hook) { g_message_hook = std::move(hook); }

void show_message_box(std::string_view text, std::string_view title) { show_message_box(text, title, nullptr); }

void show_message_box(std::string_view text, std::string_view title, HWND over) {
  if (g_message_hook) {
    g_message_hook(title, text);
    return;
  }
  DialogRecord* shown = modal_record();
  if (!over && shown) over = form_hwnd(*shown);
  MessageBoxW(over, to_wide(text).c_str(), to_wide(title).c_str(), MB_OK | MB_ICONERROR);
}

void dialog_runtime_error(std::string_view message) {
  show_message_box("Error in Dialog Procedures - " + std::string(message));
  std::exit(EXIT_FAILURE);
}

}  // namespace zirel
