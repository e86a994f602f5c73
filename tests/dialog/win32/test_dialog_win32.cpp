// The Win32 back end under Wine: the form the dialog manager makes from the
// in-memory template matches the template table control by control, the
// keyboard ends the form as the template's styles say, and the file dialogs
// are asked for what the chooser's request holds.
#include "dialog/dialog.h"
#include "dialog/win32/file_dialog.h"
#include "dialog/win32/form_support.h"
#include "dialog/win32/wide_text.h"

#include <gtest/gtest.h>

#include <string>

using namespace zirel;

namespace {

std::string class_name(HWND h) {
  wchar_t name[64] = {};
  GetClassNameW(h, name, 64);
  std::string out = to_utf8(name);
  for (char& c : out) c = char(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

// Shows the main form, runs `script` on it, and returns DLGMODAL's result.
int show(DialogRecord& dlg, const std::function<void(DialogRecord&)>& script) {
  at_next_show(script);
  return DLGMODAL(dlg);
}

class Win32Form : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(DLGLOAD(MAIN_DIALOG_ID, dlg)); }
  void TearDown() override { DLGRELEASE(dlg); }
  DialogRecord dlg;
};

}  // namespace

TEST_F(Win32Form, EveryControlIsTheTemplatesOwn) {
  const DialogTemplate& form = *find_dialog_template(MAIN_DIALOG_ID);
  EXPECT_EQ(show(dlg, [&](DialogRecord& d) {
    EXPECT_EQ(window_text(form_hwnd(d)), "Zirel");
    for (std::size_t i = 0; i < form.controls.size(); ++i) {
      const ControlTemplate& c = form.controls[i];
      SCOPED_TRACE(std::to_string(i) + " " + std::string(c.text));
      HWND h = control_window_at(d, i);
      ASSERT_NE(h, nullptr);
      EXPECT_EQ(GetDlgCtrlID(h), c.id);
      EXPECT_EQ(class_name(h), c.window_class);
      const DWORD style = DWORD(GetWindowLongW(h, GWL_STYLE));
      const DWORD ex_style = DWORD(GetWindowLongW(h, GWL_EXSTYLE));
      // The controls' own bits, as the table gives them (WS_DISABLED of Run
      // included); the button type and the static's kind above all.
      EXPECT_EQ(style & 0xFFFFu, c.style & 0xFFFFu);
      // A radio button is a tab stop while it is checked: the platform moves
      // WS_TABSTOP to the checked button of a group.
      const bool radio = (c.style & BS_TYPEMASK) == BS_AUTORADIOBUTTON && c.window_class == "BUTTON";
      const DWORD window_bits = WS_CHILD | WS_VISIBLE | WS_GROUP | WS_DISABLED | (radio ? 0 : WS_TABSTOP);
      EXPECT_EQ(style & window_bits, (c.style | WS_CHILD | WS_VISIBLE) & window_bits);
      // An edit box draws its border as a sunken client edge, a sunken
      // static as a static edge.
      EXPECT_EQ((style & WS_BORDER) || (ex_style & WS_EX_CLIENTEDGE), bool(c.style & WS_BORDER));
      const bool sunken = c.window_class == "STATIC" && (c.style & SS_SUNKEN);
      EXPECT_EQ(bool(ex_style & WS_EX_STATICEDGE), sunken || (c.ex_style & WS_EX_STATICEDGE));
      if ((c.style & SS_TYPEMASK) != SS_ICON || c.window_class != "STATIC") {
        if (c.window_class != "EDIT") {
          EXPECT_EQ(window_text(h), c.text);
        }
        // The rectangle is the template's, position and size each scaled by
        // the form font's dialog units.
        RECT expected{c.x, c.y, c.width, c.height};
        MapDialogRect(form_hwnd(d), &expected);
        expected.right += expected.left;
        expected.bottom += expected.top;
        RECT actual;
        GetWindowRect(h, &actual);
        MapWindowPoints(HWND_DESKTOP, form_hwnd(d), reinterpret_cast<POINT*>(&actual), 2);
        EXPECT_EQ(actual.left, expected.left);
        EXPECT_EQ(actual.top, expected.top);
        EXPECT_EQ(actual.right, expected.right);
        EXPECT_EQ(actual.bottom, expected.bottom);
      }
    }
    DLGEXIT(d);
  }), 1);
}

TEST_F(Win32Form, ValuesSetBeforeShowingAreOnScreenAndReadBackAfter) {
  DLGPUTLOG(dlg, IDC_GENERATE, 0);
  DLGPUTCHAR(dlg, IDC_CELL_A, "    5.4310");
  DLGPUTCHAR(dlg, IDC_STATUS, "Select Files and Set Parameters ", ATTR_TEXT);
  DLGPUTCHAR(dlg, IDC_INPUT_NAME, "Prüfung.hkl", ATTR_TEXT);
  EXPECT_EQ(show(dlg, [](DialogRecord& d) {
    EXPECT_EQ(window_text(control_window(d, IDC_STATUS)), "Select Files and Set Parameters");
    EXPECT_EQ(window_text(control_window(d, IDC_CELL_A)), "    5.4310");
    EXPECT_EQ(window_text(control_window(d, IDC_INPUT_NAME)), "Prüfung.hkl");
    EXPECT_EQ(SendMessageW(control_window(d, IDC_GENERATE), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessageW(control_window(d, IDC_AXIS_UVW), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_FALSE(IsWindowEnabled(control_window(d, IDC_RUN)));
    EXPECT_EQ(control_window(d, IDC_NONE), nullptr);
    SetWindowTextW(control_window(d, IDC_WAVELENGTH), L"0.5609");
    SendMessageW(control_window(d, IDC_AXIS_HKL), BM_CLICK, 0, 0);
    SendMessageW(control_window(d, IDCANCEL), BM_CLICK, 0, 0);
  }), 2);
  std::string wavelength(20, '#');
  EXPECT_TRUE(DLGFETCHCHAR(dlg, IDC_WAVELENGTH, wavelength));
  EXPECT_EQ(wavelength, "0.5609" + std::string(14, ' '));
  bool hkl = false;
  EXPECT_TRUE(DLGFETCHLOG(dlg, IDC_AXIS_HKL, hkl));
  EXPECT_TRUE(hkl);
}

// Escape and the close box arrive as a click of Exit; a bound Exit handler
// replaces the closing, and Enter with Run disabled does nothing.
TEST_F(Win32Form, KeyboardAndCloseBox) {
  struct Case {
    const char* name;
    std::function<void(HWND form)> act;
  };
  const Case cases[] = {
      {"Escape", [](HWND form) { SendMessageW(form, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); }},
      {"close box", [](HWND form) { SendMessageW(form, WM_CLOSE, 0, 0); }},
      {"Enter, Run disabled", [](HWND form) { SendMessageW(form, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DLGRELEASE(dlg);
    ASSERT_TRUE(DLGLOAD(MAIN_DIALOG_ID, dlg));
    int runs = 0;
    DLGBINDSUB(dlg, IDC_RUN, [&](DialogRecord&, int, int) { ++runs; });
    const int result = show(dlg, [&](DialogRecord& d) {
      c.act(form_hwnd(d));
      MSG m;
      while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);  // WM_CLOSE posts its click
      if (form_hwnd(d)) {
        EXPECT_EQ(std::string(c.name), "Enter, Run disabled");
        DLGEXIT(d);
      }
    });
    EXPECT_EQ(result, std::string(c.name) == "Enter, Run disabled" ? 1 : 2);
    EXPECT_EQ(runs, 0);
  }
}

TEST_F(Win32Form, AHandlerChangeWaitsForItsReturnUnlessRefreshed) {
  DLGBINDSUB(dlg, IDC_AXIS_HKL, [](DialogRecord& d, int, int) {
    DLGPUTCHAR(d, IDC_LABEL_U, "h", ATTR_TEXT);
    EXPECT_EQ(window_text(control_window(d, IDC_LABEL_U)), "U");
    DLGPUTCHAR(d, IDC_STATUS, "PROCESSING REFLECTION     1", ATTR_TEXT);
    DLGREFRESH(d);
    EXPECT_EQ(window_text(control_window(d, IDC_STATUS)), "PROCESSING REFLECTION     1");
    EXPECT_EQ(window_text(control_window(d, IDC_LABEL_U)), "h");  // refreshed with it
  });
  show(dlg, [](DialogRecord& d) {
    DLGPUTCHAR(d, IDC_LABEL_V, "k", ATTR_TEXT);  // outside a handler: at once
    EXPECT_EQ(window_text(control_window(d, IDC_LABEL_V)), "k");
    SendMessageW(control_window(d, IDC_AXIS_HKL), BM_CLICK, 0, 0);
    EXPECT_EQ(SendMessageW(control_window(d, IDC_AXIS_UVW), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    DLGEXIT(d);
  });
}

// The status line is one centred row; a message too wide for it wraps onto
// the rows below instead of losing its ends, and the next short one is
// centred on one row again.
TEST_F(Win32Form, AStatusTooWideForOneRowWraps) {
  struct Case {
    std::string text;
    bool one_row;
  };
  const Case cases[] = {
      {"Select Files and Set Parameters", true},
      {"PROGRAM COMPLETED:    13 REFLECTIONS INPUT   10 OUTPUT  SETTINGS NOT SAVED", false},
      {"SETTINGS FILE UNREADABLE: DEFAULTS USED, OLD FILE KEPT AS zirel.dat.bak", false},
      {"PROGRAM COMPLETED:    49 REFLECTIONS INPUT   25 OUTPUT", true},
  };
  show(dlg, [&](DialogRecord& d) {
    HWND status = control_window(d, IDC_STATUS);
    for (const Case& c : cases) {
      SCOPED_TRACE(c.text);
      DLGPUTCHAR(d, IDC_STATUS, c.text, ATTR_TEXT);
      EXPECT_EQ(window_text(status), c.text);
      EXPECT_EQ(bool(GetWindowLongW(status, GWL_STYLE) & SS_CENTERIMAGE), c.one_row);
      // Wrapped, the text takes the box's width and two rows at most: the
      // box is two rows high, less the descenders of the second.
      RECT box;
      GetClientRect(status, &box);
      RECT drawn = box, row = box;
      HDC dc = GetDC(status);
      HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(status, WM_GETFONT, 0, 0)));
      const std::wstring wide = to_wide(c.text);
      DrawTextW(dc, wide.c_str(), int(wide.size()), &drawn, DT_CENTER | DT_WORDBREAK | DT_CALCRECT);
      DrawTextW(dc, L"X", 1, &row, DT_CALCRECT);
      SelectObject(dc, previous);
      ReleaseDC(status, dc);
      EXPECT_LE(drawn.right - drawn.left, box.right - box.left);
      EXPECT_EQ(drawn.bottom - drawn.top, (c.one_row ? 1 : 2) * (row.bottom - row.top));
    }
    DLGEXIT(d);
  });
}

TEST(Win32FileDialog, TheRequestAsThePlatformTakesIt) {
  struct Case {
    FileRequest request;
    DWORD flags, filter_index;
  };
  const Case cases[] = {
      {{FileRole::input, "Open Input Data File", 3, "C:\\data", "run1.hkl"}, 0x1001 | OFN_NOCHANGEDIR, 3},
      {{FileRole::output, "Open Output Data File", 2, "C:\\data", ""}, 0x8006 | OFN_NOCHANGEDIR, 2},
      {{FileRole::input, "Open Input Data File", 0, "", "Prüfung.hkl"}, 0x1001 | OFN_NOCHANGEDIR, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.request.title + " " + c.request.proposed_name);
    PlatformFileRequest p(c.request, nullptr);
    const OPENFILENAMEW& d = p.dialog;
    EXPECT_EQ(d.lStructSize, sizeof(OPENFILENAMEW));
    EXPECT_EQ(d.hwndOwner, nullptr);
    const wchar_t filters[] = L"All Files\0*.*\0Cellex\0*.abs\0SHELX hkl\0*.hkl\0";  // and the closing NUL
    EXPECT_EQ(std::wstring(d.lpstrFilter, std::size(filters)), std::wstring(filters, std::size(filters)));
    EXPECT_EQ(d.nFilterIndex, c.filter_index);
    EXPECT_EQ(to_utf8(d.lpstrFile), c.request.proposed_name);
    EXPECT_EQ(d.nMaxFile, 512u);
    EXPECT_EQ(to_utf8(d.lpstrTitle), c.request.title);
    EXPECT_EQ(d.Flags, c.flags);
    EXPECT_EQ(std::wstring(d.lpstrDefExt), L"exp");
    if (c.request.folder.empty()) {
      EXPECT_EQ(d.lpstrInitialDir, nullptr);
    } else {
      EXPECT_EQ(to_utf8(d.lpstrInitialDir), c.request.folder);
    }
  }
}
