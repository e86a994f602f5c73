// find_window TITLE [--gone] [--rect]
// Waits up to 30 s until a top-level window titled TITLE is on screen (with
// --gone: until none is), for the scripted walkthrough under Wine, where the
// form and the file dialogs are no windows the X server knows by name. With
// --rect it prints the window's rectangle, "x y width height", for a
// screenshot. Exit status 0 when found (or gone), 1 on time-out.
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fputs("usage: find_window TITLE [--gone] [--rect]\n", stderr);
    return 2;
  }
  bool gone = false, rect = false;
  for (int i = 2; i < argc; ++i) {
    gone = gone || std::wcscmp(argv[i], L"--gone") == 0;
    rect = rect || std::wcscmp(argv[i], L"--rect") == 0;
  }
  for (int tries = 0; tries < 300; ++tries) {
    HWND window = FindWindowW(nullptr, argv[1]);
    bool shown = window && IsWindowVisible(window);
    if (shown != gone) {
      RECT r;
      if (rect && window && GetWindowRect(window, &r)) {
        std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
      }
      return 0;
    }
    Sleep(100);
  }
  return 1;
}
