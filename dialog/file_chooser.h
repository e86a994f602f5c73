// The open and save dialogs the shell asks for: the role's title, the three
// filters ("All Files", "Cellex" (*.abs), "SHELX hkl" (*.hkl)) with one
// preselected, the previous name proposed, the default suffix "exp", an input
// that must exist, an output confirmed before an existing file is replaced
// and refused when read-only. The back end draws them (show_file_dialog).
//
// Tests answer the next dialog ahead of time instead of showing it:
//   set_next_file_name("run1.hkl");  // as if typed into the dialog and accepted
//   set_next_cancel();               // as if the user pressed Cancel
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace zirel {

enum class FileRole { input, output };

struct FileRequest {
  FileRole role = FileRole::input;
  std::string title;
  int filter_index = 0;       // 1-based into FILE_FILTERS; 0 or beyond it: the first
  std::string folder;         // where the dialog opens
  std::string proposed_name;  // shown in the file-name box
};

inline constexpr std::string_view DEFAULT_SUFFIX = "exp";

struct FileFilter {
  std::string_view label;
  std::string_view pattern;
};
inline constexpr std::array<FileFilter, 3> FILE_FILTERS{{
    {"All Files", "*.*"},
    {"Cellex", "*.abs"},
    {"SHELX hkl", "*.hkl"},
}};

// The full path chosen (UTF-8), or nothing when the dialog was cancelled.
std::optional<std::string> choose_file(const FileRequest& request);

// The back end's dialog, shown over the form on screen; choose_file calls it
// unless the seam below has the answer.
std::optional<std::string> show_file_dialog(const FileRequest& request);

// The seam: the next choose_file returns at once. A relative name is taken
// in the request's folder, and a name without an extension gets ".exp", as
// the dialog does with a typed name.
void set_next_file_name(std::string name);
void set_next_cancel();
// Drops an answer that no dialog took.
void clear_next_answer();
// The request of the last choose_file, answered by the seam or not.
const FileRequest& last_file_request();

}  // namespace zirel
