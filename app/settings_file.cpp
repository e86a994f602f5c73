#include "app/settings_file.h"

#include "app/form_fields.h"
#include "app/shell_state.h"
#include "app/status_line.h"
#include "dialog/dialog.h"
#include "recio/platform.h"
#include "recio/recio.h"

#include <array>
#include <cmath>
#include <filesystem>
#include <optional>

namespace zirel {
namespace {

namespace fs = std::filesystem;

// An end of file counts as a failure too: a file cut short by a crash during
// a save is replaced like an unreadable one instead of ending the program.
bool read_records(RunSettings& s) { return read_settings_records(units(), SETTINGS_UNIT, s).ok(); }

// With error branches, the buffered records pushed out too: a settings file
// that cannot be written is reported by the caller and ends nothing.
bool write_records(const RunSettings& s) {
  return write_settings_records(units(), SETTINGS_UNIT, s, {.err = true}) == IO_OK &&
         units().flush(SETTINGS_UNIT, {.err = true}) == IO_OK;
}

// Read-write when it may be, for the saves; read-only when not, to be read.
bool open_existing() {
  return open_unit(SETTINGS_UNIT, SETTINGS_FILE, "old", {}, {.err = true}) == IO_OK ||
         open_unit(SETTINGS_UNIT, SETTINGS_FILE, "old", "read", {.err = true}) == IO_OK;
}

// The file under a name of its own beside it, never over an older copy;
// the name it got, or nothing when it could not be moved.
std::optional<std::string> keep_aside() {
  for (int n = 1; n <= 9; ++n) {
    const std::string name = std::string(SETTINGS_FILE) + ".bak" + (n > 1 ? std::to_string(n) : "");
    std::error_code ec;
    if (fs::exists(fs::symlink_status(name, ec))) continue;
    fs::rename(SETTINGS_FILE, name, ec);
    if (ec) return std::nullopt;
    return name;
  }
  return std::nullopt;
}

// A new file with the defaults, read back so that memory holds exactly the
// file's values; false when it cannot be made (a write-protected folder).
bool create_with_defaults(RunSettings& s) {
  if (open_unit(SETTINGS_UNIT, SETTINGS_FILE, "replace", {}, {.err = true}) != IO_OK) return false;
  if (!write_records(s)) {
    close_unit(SETTINGS_UNIT);
    return false;
  }
  rewind_unit(SETTINGS_UNIT);
  read_records(s);
  rewind_unit(SETTINGS_UNIT);
  return true;
}

// Where a save writes: the settings file, or the file its link leads to (the
// link stays a link), and a temporary file beside it, on the same disk, so that
// the rename replaces the one by the other in a single step.
struct SaveTarget {
  std::string file, temporary;
  fs::perms permissions = fs::perms::unknown;
  bool usable = false;
};

SaveTarget save_target() {
  SaveTarget t;
  std::error_code ec;
  fs::path file = platform::utf8_path(std::string(SETTINGS_FILE));
  if (fs::is_symlink(file, ec)) file = fs::canonical(file, ec);
  if (ec) return t;
  t.file = platform::utf8_name(file);
  t.permissions = fs::status(file, ec).permissions();
  const std::string name = platform::utf8_name(file.filename());
  const fs::path temporary = file.parent_path() / platform::utf8_path("." + name + ".tmp");
  t.temporary = platform::utf8_name(temporary);
  // What else bears that name (a folder, a FIFO) is not ours to replace.
  const fs::file_status there = fs::symlink_status(temporary, ec);
  t.usable = !fs::exists(there) || fs::is_regular_file(there);
  return t;
}

}  // namespace

std::string load_settings() {
  RunSettings& s = shell_state().run_settings;
  std::error_code ec;
  const fs::file_status link = fs::symlink_status(SETTINGS_FILE, ec);
  const fs::file_status target = fs::status(SETTINGS_FILE, ec);
  if (!fs::exists(link)) {
    set_default_settings(s);
    return create_with_defaults(s) ? "" : std::string(SETTINGS_NOT_CREATED_TEXT);
  }
  if (!fs::is_regular_file(target)) {
    // Opening a FIFO would wait for a writer before the window ever shows.
    set_default_settings(s);
    return std::string(SETTINGS_UNREADABLE_TEXT);
  }
  if (open_existing() && read_records(s)) {
    rewind_unit(SETTINGS_UNIT);
    return "";
  }
  close_unit(SETTINGS_UNIT);
  set_default_settings(s);
  // A link is moved, not what it points to, which stays as it was.
  const std::optional<std::string> kept = keep_aside();
  if (!kept) return std::string(SETTINGS_UNREADABLE_TEXT);
  create_with_defaults(s);
  return std::string(SETTINGS_UNREADABLE_TEXT) + ", OLD FILE KEPT AS " + *kept;
}

void show_settings() {
  const RunSettings& s = shell_state().run_settings;
  DialogRecord& dlg = shell_state().dlg;
  for (const FormField& field : FORM_FIELDS) DLGPUTCHAR(dlg, field.id, displayed_text(field, s));
}

void setup_form() {
  const std::string notice = load_settings();
  show_settings();
  DLGPUTCHAR(shell_state().dlg, IDC_STATUS, notice.empty() ? SELECT_FILES_TEXT : std::string_view(notice),
             ATTR_TEXT);
}

bool save_settings() {
  // A file the user made read-only (loaded for reading only) stays as it is,
  // although the folder would let a new file take its place.
  if (!units().is_connected(SETTINGS_UNIT) || units().is_read_only(SETTINGS_UNIT)) return false;
  const SaveTarget target = save_target();
  if (!target.usable) return false;
  // The new records go into a file of their own, which takes the old one's place
  // only when all of them are written: a full disk leaves the old file whole.
  // The unit lets go of the old file first, as Windows renames over no open file.
  close_unit(SETTINGS_UNIT);
  if (open_unit(SETTINGS_UNIT, target.temporary, "replace", {}, {.err = true}) != IO_OK) {
    // A folder that takes no new file, holding a file that may be written: the
    // file is rewritten where it stands, the one way left to keep the settings.
    if (!open_existing()) return false;
    const bool saved = write_records(shell_state().run_settings);
    rewind_unit(SETTINGS_UNIT);
    return saved;
  }
  bool saved = write_records(shell_state().run_settings);
  close_unit(SETTINGS_UNIT);
  std::error_code ec;
  if (saved) {
    fs::permissions(platform::utf8_path(target.temporary), target.permissions, ec);
    fs::rename(platform::utf8_path(target.temporary), platform::utf8_path(target.file), ec);
    saved = !ec;
  }
  if (!saved) fs::remove(platform::utf8_path(target.temporary), ec);
  // Back on the file, at its start, for the next save.
  return open_existing() && saved;
}

}  // namespace zirel
