#include "dialog/win32/file_dialog.h"

#include "dialog/dialog.h"
#include "dialog/win32/form_support.h"
#include "dialog/win32/wide_text.h"

namespace zirel {

PlatformFileRequest::PlatformFileRequest(const FileRequest& request, HWND owner)
    : title(to_wide(request.title)),
      folder(to_wide(request.folder)),
      default_extension(to_wide(DEFAULT_SUFFIX)),
      file(FILE_BUFFER_LENGTH, L'\0') {
  for (const FileFilter& f : FILE_FILTERS) {
    filters += to_wide(f.label) + L'\0' + to_wide(f.pattern) + L'\0';
  }
  filters += L'\0';
  const std::wstring proposed = to_wide(request.proposed_name);
  if (proposed.size() < FILE_BUFFER_LENGTH) proposed.copy(file.data(), proposed.size());
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filters.c_str();
  dialog.nFilterIndex = DWORD(request.filter_index > 0 ? request.filter_index : 0);
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = DWORD(FILE_BUFFER_LENGTH);
  dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  dialog.lpstrTitle = title.c_str();
  dialog.Flags = request.role == FileRole::input ? INPUT_DIALOG_FLAGS : OUTPUT_DIALOG_FLAGS;
  dialog.lpstrDefExt = default_extension.c_str();
}

std::optional<std::string> show_file_dialog(const FileRequest& request) {
  // Owned by the form, so that the form takes no clicks while the dialog is
  // up: a second Select or a Run from under the dialog would run a handler
  // inside this one.
  DialogRecord* shown = modal_record();
  PlatformFileRequest platform(request, shown ? form_hwnd(*shown) : nullptr);
  BOOL chosen = request.role == FileRole::input ? GetOpenFileNameW(&platform.dialog)
                                                : GetSaveFileNameW(&platform.dialog);
  if (!chosen) return std::nullopt;
  return to_utf8(platform.file.c_str());
}

}  // namespace zirel
