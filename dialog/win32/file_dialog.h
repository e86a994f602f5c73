// The open and save dialogs on Win32: GetOpenFileNameW and GetSaveFileNameW
// with the request's title, filters, proposed name and folder, and the
// flags that make the platform enforce the rest (an input that exists, an
// output confirmed before it is replaced and refused when read-only, "exp"
// added to a name typed without an extension).
#pragma once

#include "dialog/file_chooser.h"
#include "dialog/form_template.h"

#include <windows.h>
#include <commdlg.h>

#include <string>

namespace zirel {

constexpr DWORD INPUT_DIALOG_FLAGS = OFN_READONLY | OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR;
constexpr DWORD OUTPUT_DIALOG_FLAGS = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_NOREADONLYRETURN | OFN_NOCHANGEDIR;

// Buffer size handed to the platform, in characters.
constexpr std::size_t FILE_BUFFER_LENGTH = 512;

// The request as the platform takes it; `dialog` points into the texts
// beside it, so the whole stays where it was made.
struct PlatformFileRequest {
  std::wstring filters;  // label NUL pattern NUL ..., NUL
  std::wstring title;
  std::wstring folder;
  std::wstring default_extension;
  std::wstring file;  // the path buffer, proposed name first
  OPENFILENAMEW dialog{};

  PlatformFileRequest(const FileRequest& request, HWND owner);
  PlatformFileRequest(const PlatformFileRequest&) = delete;
  PlatformFileRequest& operator=(const PlatformFileRequest&) = delete;
};

}  // namespace zirel
