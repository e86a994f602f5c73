#include "app/run_command.h"

#include "app/form_fields.h"
#include "app/settings_file.h"
#include "app/shell_state.h"
#include "dialog/dialog.h"
#include "filtering/prepare_run.h"
#include "recio/recio.h"

#include <array>
#include <optional>
#include <string>

namespace zirel {
namespace {

// A field holds one value: leading and trailing blanks aside, a single item
// with no separator in it, or a lone slash (keep the last run's value).
// Free-form reading would take "7,512" as 7 and a second value, the way a
// decimal comma is typed on many systems: such a field is refused instead.
bool holds_one_value(std::string_view text) {
  constexpr std::string_view BLANKS = " \t";
  const size_t first = text.find_first_not_of(BLANKS);
  if (first == std::string_view::npos) return true;  // empty: the reading refuses it
  const std::string_view item = text.substr(first, text.find_last_not_of(BLANKS) - first + 1);
  return item == "/" || item.find_first_of(" \t,/") == std::string_view::npos;
}

// Reads the eleven fields into a copy of the settings, each from its first
// 20 characters; a slash keeps the previous value. The name of the first
// field that holds no number, or more than one value, if any.
std::optional<std::string_view> read_fields(DialogRecord& dlg, RunSettings& settings) {
  std::array<char, FIELD_TEXT_LENGTH> text;
  for (const FormField& f : FORM_FIELDS) {
    text.fill(' ');
    DLGFETCHCHAR(dlg, f.id, text);
    float& value = f.setting(settings);
    const std::string_view field(text.data(), text.size());
    if (!holds_one_value(field) || read_internal_list(field, {value}, {.err = true, .end = true}) != IO_OK)
      return f.name;
  }
  return std::nullopt;
}

// The run cannot start: the reason in the status line, Run enabled again,
// and nothing computed, closed or saved.
void refuse_run(DialogRecord& dlg, std::string_view message) {
  show_status(message);
  DLGPUTLOG(dlg, IDC_RUN, 1, ATTR_ENABLED);
}

// A singular cell also leaves its determinant line on the console.
void refuse_prepared_run(DialogRecord& dlg, const RunRefusal& refusal) {
  if (refusal.kind == RefusalKind::singular_cell)
    write_formatted(CONSOLE_UNIT, determinant_line_format(), {refusal.determinant});
  refuse_run(dlg, refusal.message);
}

}  // namespace

void on_run(DialogRecord& dlg, int, int) {
  ShellState& s = shell_state();
  DLGPUTLOG(dlg, IDC_RUN, 0, ATTR_ENABLED);
  DLGREFRESH(dlg);
  // Only reachable with both roles ready; a stale click finds the gating again.
  if (!input_ready() || !output_ready()) {
    update_run_gating(dlg);
    return;
  }

  RunSettings settings = s.run_settings;
  if (auto bad = read_fields(dlg, settings)) {
    refuse_run(dlg, "INVALID NUMBER IN " + std::string(*bad) + " FIELD");
    return;
  }
  bool uvw = true;
  DLGFETCHLOG(dlg, IDC_AXIS_UVW, uvw);
  settings.axis_kind = uvw ? AxisKind::UVW : AxisKind::HKL;
  RunPreparation prepared = prepare_run(settings, s.input_state == -1);
  if (prepared.refusal) {
    refuse_prepared_run(dlg, *prepared.refusal);
    return;
  }
  // Kept only for a run that starts: a lone "/" in a field gives the last
  // run's value, never that of a refused attempt.
  s.run_settings = settings;
  s.run_failed = 0;
  FormStatus status;
  const FilterCounts counts = run_prepared(*prepared.run, settings, units(), status);
  s.run_failed = counts.run_failed ? 1 : 0;
  if (s.run_failed) {
    // The output stays open, as after every failed run, but what it received is
    // on disk now; and the line number of the bad record stays in sight.
    flush_unit(OUTPUT_UNIT);
    DLGPUTCHAR(dlg, IDC_STATUS, std::string(RUN_PROBLEM_TEXT) + ":" + status.last_text(), ATTR_TEXT);
    return;
  }
  close_unit(OUTPUT_UNIT);
  close_unit(INPUT_UNIT);
  // The output is complete and closed: a settings file that cannot be saved
  // only needs saying.
  if (!save_settings()) show_status(status.last_text() + "  " + std::string(SETTINGS_NOT_SAVED_TEXT));
}

}  // namespace zirel
