// The windowing system of the Win32 back end: the common controls, and the
// console of the program that started this one for the standard output unit.
#include "dialog/dialog.h"

#include <windows.h>
#include <commctrl.h>
#include <fcntl.h>
#include <io.h>

namespace zirel {
namespace {

// A program of the Windows subsystem has no console. Started from one, it
// writes its console lines there; with its output redirected, to the file or
// pipe it was given, which it already has.
void attach_parent_console() {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (out && out != INVALID_HANDLE_VALUE) return;
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
  HANDLE console = CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
  if (console == INVALID_HANDLE_VALUE) return;
  SetStdHandle(STD_OUTPUT_HANDLE, console);
  int fd = _open_osfhandle(reinterpret_cast<intptr_t>(console), _O_WRONLY | _O_BINARY);
  if (fd >= 0 && fd != 1) {
    _dup2(fd, 1);
    _close(fd);
  }
}

}  // namespace

int run_dialog_program(int, char**, const std::function<void()>& program) {
  attach_parent_console();
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  program();
  return 0;
}

}  // namespace zirel
