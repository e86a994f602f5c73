// MainDialog, the program's one form. The order of the controls is the tab
// order, the drawing order and the order of the dialog layer's control table.
#include "dialog/form_template.h"

#include <array>

#include "filtering/version.h"

namespace zirel {
namespace {

constexpr std::uint32_t EDIT_STYLE = ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;

constexpr std::array<ControlTemplate, 34> MAIN_DIALOG_CONTROLS{{
    {IDC_RUN, "BUTTON", "Run", 295, 133, 50, 14, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_DISABLED},
    {IDCANCEL, "BUTTON", "Exit", 236, 133, 50, 14, BS_PUSHBUTTON | WS_TABSTOP},
    {IDC_NONE, "STATIC", "Zirel " ZIREL_VERSION ": reflections a DAC lets through", 107, 184, 148, 16,
     SS_CENTER | SS_CENTERIMAGE | WS_GROUP, WS_EX_STATICEDGE},
    {IDC_NONE, "STATIC", PROGRAM_ICON, 355, 187, 18, 16, SS_ICON},
    {IDC_NONE, "BUTTON", "Files", 37, 10, 293, 54, BS_GROUPBOX},
    {IDC_NONE, "BUTTON", "Crystal axis parallel to DAC axis", 37, 72, 121, 45, BS_GROUPBOX},
    {IDC_AXIS_U, "EDIT", "", 81, 96, 18, 12, EDIT_STYLE},
    {IDC_AXIS_V, "EDIT", "", 101, 96, 18, 12, EDIT_STYLE},
    {IDC_AXIS_W, "EDIT", "", 121, 96, 18, 12, EDIT_STYLE},
    {IDC_INPUT_NAME, "STATIC", "No file selected", 78, 27, 91, 9, SS_LEFT | WS_GROUP},
    {IDC_OUTPUT_NAME, "STATIC", "No file selected", 78, 43, 91, 9, SS_LEFT | WS_GROUP},
    {IDC_SELECT_INPUT, "BUTTON", "Select", 182, 25, 58, 13, BS_PUSHBUTTON | WS_TABSTOP},
    {IDC_SELECT_OUTPUT, "BUTTON", "Select", 182, 42, 58, 13, BS_PUSHBUTTON | WS_TABSTOP},
    {IDC_NONE, "BUTTON", "Unit Cell", 179, 72, 174, 45, BS_GROUPBOX},
    {IDC_CELL_A, "EDIT", "", 190, 84, 42, 12, EDIT_STYLE | WS_GROUP},
    {IDC_CELL_B, "EDIT", "", 246, 84, 42, 12, EDIT_STYLE},
    {IDC_CELL_C, "EDIT", "", 303, 84, 42, 12, EDIT_STYLE},
    {IDC_CELL_ALPHA, "EDIT", "", 190, 96, 42, 12, EDIT_STYLE},
    {IDC_CELL_BETA, "EDIT", "", 246, 96, 42, 12, EDIT_STYLE},
    {IDC_CELL_GAMMA, "EDIT", "", 303, 96, 42, 12, EDIT_STYLE},
    {IDC_NONE, "BUTTON", "Wavelength", 134, 127, 89, 22, BS_GROUPBOX},
    {IDC_WAVELENGTH, "EDIT", "", 144, 136, 57, 12, EDIT_STYLE},
    {IDC_NONE, "BUTTON", "Psi max", 40, 127, 86, 22, BS_GROUPBOX},
    {IDC_PSI_MAX, "EDIT", "", 54, 136, 57, 12, EDIT_STYLE},
    {IDC_STATUS, "STATIC", "", 63, 155, 244, 16, SS_CENTER | SS_CENTERIMAGE | SS_SUNKEN | WS_GROUP},
    {IDC_NONE, "BUTTON", "Input", 46, 19, 198, 22, BS_GROUPBOX},
    {IDC_NONE, "BUTTON", "Output", 46, 36, 198, 22, BS_GROUPBOX},
    {IDC_AXIS_UVW, "BUTTON", "UVW", 43, 84, 33, 9, BS_AUTORADIOBUTTON},
    {IDC_AXIS_HKL, "BUTTON", "hkl", 43, 98, 33, 9, BS_AUTORADIOBUTTON},
    {IDC_LABEL_U, "STATIC", "U", 86, 88, 8, 8, SS_LEFT | WS_GROUP},
    {IDC_LABEL_V, "STATIC", "V", 106, 88, 8, 8, SS_LEFT | WS_GROUP},
    {IDC_LABEL_W, "STATIC", "W", 127, 88, 8, 8, SS_LEFT | WS_GROUP},
    {IDC_GENERATE, "BUTTON", "Generate data", 253, 25, 66, 12, BS_AUTOCHECKBOX | WS_TABSTOP},
    {IDC_NONE, "STATIC", PROGRAM_ICON, 7, 187, 18, 16, SS_ICON},
}};

constexpr DialogTemplate MAIN_DIALOG{
    MAIN_DIALOG_ID,
    "Zirel",
    0, 0, 380, 210,
    WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | DS_MODALFRAME | DS_SETFONT,
    0,
    {"Arial", 8, 400, false, 1},
    MAIN_DIALOG_CONTROLS,
};

}  // namespace

const DialogTemplate* find_dialog_template(int id) {
  return id == MAIN_DIALOG.id ? &MAIN_DIALOG : nullptr;
}

}  // namespace zirel
