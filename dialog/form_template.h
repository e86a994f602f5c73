// The form template as data: frame, font and controls of every form the
// program owns. Positions and sizes are in dialog units (see dialog_units.h).
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace zirel {

// Window, control and frame style bits, with the values the template format
// gives them, so that the table below reads like the template itself.
constexpr std::uint32_t WS_POPUP = 0x80000000u;
constexpr std::uint32_t WS_CHILD = 0x40000000u;
constexpr std::uint32_t WS_VISIBLE = 0x10000000u;
constexpr std::uint32_t WS_DISABLED = 0x08000000u;
constexpr std::uint32_t WS_CAPTION = 0x00C00000u;
constexpr std::uint32_t WS_BORDER = 0x00800000u;
constexpr std::uint32_t WS_SYSMENU = 0x00080000u;
constexpr std::uint32_t WS_GROUP = 0x00020000u;
constexpr std::uint32_t WS_TABSTOP = 0x00010000u;
constexpr std::uint32_t WS_MINIMIZEBOX = 0x00020000u;  // same bit as WS_GROUP, on frames only
constexpr std::uint32_t WS_MAXIMIZEBOX = 0x00010000u;  // same bit as WS_TABSTOP, on frames only
constexpr std::uint32_t DS_SETFONT = 0x40u;
constexpr std::uint32_t DS_MODALFRAME = 0x80u;
constexpr std::uint32_t WS_EX_STATICEDGE = 0x00020000u;

constexpr std::uint32_t BS_TYPEMASK = 0x0Fu;
constexpr std::uint32_t BS_PUSHBUTTON = 0x0u;
constexpr std::uint32_t BS_DEFPUSHBUTTON = 0x1u;
constexpr std::uint32_t BS_CHECKBOX = 0x2u;
constexpr std::uint32_t BS_AUTOCHECKBOX = 0x3u;
constexpr std::uint32_t BS_RADIOBUTTON = 0x4u;
constexpr std::uint32_t BS_3STATE = 0x5u;
constexpr std::uint32_t BS_AUTO3STATE = 0x6u;
constexpr std::uint32_t BS_GROUPBOX = 0x7u;
constexpr std::uint32_t BS_USERBUTTON = 0x8u;
constexpr std::uint32_t BS_AUTORADIOBUTTON = 0x9u;
constexpr std::uint32_t BS_PUSHBOX = 0xAu;
constexpr std::uint32_t BS_OWNERDRAW = 0xBu;

constexpr std::uint32_t SS_TYPEMASK = 0x1Fu;
constexpr std::uint32_t SS_LEFT = 0x0u;
constexpr std::uint32_t SS_CENTER = 0x1u;
constexpr std::uint32_t SS_RIGHT = 0x2u;
constexpr std::uint32_t SS_ICON = 0x3u;
constexpr std::uint32_t SS_CENTERIMAGE = 0x200u;
constexpr std::uint32_t SS_SUNKEN = 0x1000u;

constexpr std::uint32_t ES_AUTOHSCROLL = 0x80u;

// Form and control ids. IDC_NONE marks the unnamed controls; they all share it.
constexpr int MAIN_DIALOG_ID = 101;
constexpr int IDC_NONE = -1;
constexpr int IDCANCEL = 2;
constexpr int IDC_AXIS_U = 1002;
constexpr int IDC_AXIS_V = 1003;
constexpr int IDC_AXIS_W = 1004;
constexpr int IDC_SELECT_INPUT = 1005;
constexpr int IDC_SELECT_OUTPUT = 1006;
constexpr int IDC_CELL_A = 1007;
constexpr int IDC_CELL_B = 1008;
constexpr int IDC_CELL_C = 1009;
constexpr int IDC_CELL_ALPHA = 1010;
constexpr int IDC_CELL_BETA = 1011;
constexpr int IDC_CELL_GAMMA = 1012;
constexpr int IDC_WAVELENGTH = 1013;
constexpr int IDC_PSI_MAX = 1014;
constexpr int IDC_LABEL_U = 1016;
constexpr int IDC_LABEL_V = 1017;
constexpr int IDC_LABEL_W = 1018;
constexpr int IDC_RUN = 1019;
constexpr int IDC_STATUS = 1021;
constexpr int IDC_INPUT_NAME = 1022;
constexpr int IDC_OUTPUT_NAME = 1023;
constexpr int IDC_AXIS_UVW = 1026;
constexpr int IDC_AXIS_HKL = 1027;
constexpr int IDC_GENERATE = 1028;

// The name an icon static carries as its text; the renderer maps it to the
// program's icon.
constexpr std::string_view PROGRAM_ICON = "IDI_ZIREL";

struct ControlTemplate {
  int id;
  std::string_view window_class;  // "BUTTON", "STATIC" or "EDIT"
  std::string_view text;
  int x, y, width, height;
  std::uint32_t style;  // WS_CHILD | WS_VISIBLE are implied and not listed
  std::uint32_t ex_style = 0;
};

struct FontTemplate {
  std::string_view face;
  int point_size;
  int weight;
  bool italic;
  int charset;
};

struct DialogTemplate {
  int id;
  std::string_view title;
  int x, y, width, height;
  std::uint32_t style;
  std::uint32_t ex_style;
  FontTemplate font;
  std::span<const ControlTemplate> controls;
};

// The form template with this id, or nullptr when the program has none.
const DialogTemplate* find_dialog_template(int id);

}  // namespace zirel
