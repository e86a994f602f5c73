#include "app/file_selection.h"

#include "dialog/dialog.h"
#include "dialog/file_chooser.h"
#include "recio/platform.h"
#include "recio/unit.h"
#include "app/shell_state.h"
#include "app/status_line.h"

#include <filesystem>

namespace zirel {
namespace {

// What differs between the two Select buttons.
struct Role {
  FileRole kind;
  int32_t unit;
  int32_t& state;
  std::string& name;
  std::string& path;
  int name_label;
  const char* title;
  std::string_view open_error;
  int32_t filter_layout;  // the role's layout field, preselecting the filter
};

Role input_role() {
  ShellState& s = shell_state();
  return {FileRole::input, INPUT_UNIT, s.input_state, s.input_name, s.input_path, IDC_INPUT_NAME,
          "Open Input Data File", INPUT_OPEN_ERROR, int32_t(s.run_settings.input_kind)};
}

Role output_role() {
  ShellState& s = shell_state();
  return {FileRole::output, OUTPUT_UNIT, s.output_open, s.output_name, s.output_path,
          IDC_OUTPUT_NAME, "Open Output Data File", OUTPUT_OPEN_ERROR,
          int32_t(s.run_settings.output_kind)};
}

// The folder the role's dialog opens in: that of its last file, at first the
// working directory.
std::string folder_of(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (path.empty()) return platform::utf8_name(fs::current_path(ec));
  return platform::utf8_name(fs::absolute(platform::utf8_path(path), ec).parent_path());
}

// The name after the last separator: "\\" and "/" on Windows, "/" elsewhere.
std::string name_of(const std::string& path) { return platform::utf8_name(platform::utf8_path(path).filename()); }

// True when `path` is the file open on `unit` (the same file, whatever its
// name), so that a run can never read the file it writes.
bool is_open_on(int32_t unit, const std::string& path) {
  return units().is_connected(unit) && platform::same_file(std::string(units().file_name(unit)), path);
}

// `utf16`: the input was refused as UTF-16 text.
bool open_role_file(const Role& role, const std::string& path, bool& utf16) {
  if (path.size() > PATH_LENGTH) return false;
  // Opening a FIFO would hold the form until something wrote to it, and a
  // device is no reflection file.
  if (platform::is_device_or_fifo(path)) return false;
  if (role.kind == FileRole::input) {
    if (is_open_on(OUTPUT_UNIT, path)) return false;
    const IoStatus st = open_unit(INPUT_UNIT, path, "OLD", "READ", {.err = true});
    utf16 = st == io_status(IoError::utf16_text);
    return st == IO_OK;
  }
  // Checked before the open, which would empty the input.
  if (is_open_on(INPUT_UNIT, path)) return false;
  return open_unit(OUTPUT_UNIT, path, "REPLACE", {}, {.err = true}) == IO_OK;
}

void forget_file(DialogRecord& dlg, const Role& role) {
  role.state = 0;
  role.name.clear();
  DLGPUTCHAR(dlg, role.name_label, NO_FILE_TEXT, ATTR_TEXT);
}

void select_file(DialogRecord& dlg, const Role& role) {
  const bool was_open = role.state == 1;
  FileRequest request{role.kind, role.title, role.filter_layout + 1, folder_of(role.path),
                      was_open ? role.name : name_of(role.path)};
  // The earlier file stays open while the dialog is up: a Cancel keeps the
  // selection exactly as it was (the file, its name, the Run gating).
  std::optional<std::string> chosen = choose_file(request);
  if (!chosen) return;
  if (was_open) {
    close_unit(role.unit);
    role.state = 0;
  }
  role.path = *chosen;
  bool utf16 = false;
  if (!open_role_file(role, role.path, utf16)) {
    forget_file(dlg, role);
    update_run_gating(dlg);
    // After the gating's own text, so that the refusal stays in sight.
    DLGPUTCHAR(dlg, IDC_STATUS, utf16 ? INPUT_UTF16_ERROR : role.open_error, ATTR_TEXT);
    return;
  }
  std::string shown = name_of(role.path);
  DLGPUTCHAR(dlg, role.name_label, shown, ATTR_TEXT);
  RunSettings& settings = shell_state().run_settings;
  if (role.kind == FileRole::input) {
    DLGPUTLOG(dlg, IDC_GENERATE, 0);
    settings.input_kind = input_kind_for_name(shown);
  } else {
    settings.output_kind = output_kind_for_name(shown);
  }
  role.name = std::move(shown);
  role.state = 1;
  update_run_gating(dlg);
}

}  // namespace

void on_select_input(DialogRecord& dlg, int, int) { select_file(dlg, input_role()); }

void on_select_output(DialogRecord& dlg, int, int) { select_file(dlg, output_role()); }

void on_generate(DialogRecord& dlg, int, int) {
  ShellState& s = shell_state();
  bool ticked = false;
  DLGFETCHLOG(dlg, IDC_GENERATE, ticked);
  if (ticked) {
    if (s.input_state == 1) close_unit(INPUT_UNIT);
    s.input_state = -1;
    s.run_settings.input_kind = InputKind::Generated;
    DLGPUTCHAR(dlg, IDC_INPUT_NAME, DUMMY_FILE_TEXT, ATTR_TEXT);
    s.input_name.clear();
  } else {
    s.input_state = 0;
    DLGPUTCHAR(dlg, IDC_INPUT_NAME, NO_FILE_TEXT, ATTR_TEXT);
  }
  update_run_gating(dlg);
}

}  // namespace zirel
