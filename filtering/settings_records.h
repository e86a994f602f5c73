// The four records of the settings file "zirel.dat", written with fixed formats and
// read back free-form, so that a hand-edited file need not keep the columns:
//   1  a b c alpha beta gamma       (6F10.5)
//   2  wavelength, Psi max          (2F10.5)
//   3  axis kind (0 UVW, 1 hkl), axis  (I5,3F10.5)
//   4  input kind, output kind      (2I5)   (-1 for the input: generated)
// Every program that keeps or reads the settings goes through this module; who opens
// the file, and how a failure is answered, is the caller's business.
#pragma once

#include <cstdint>
#include <string_view>
#include "filtering/run_settings.h"
#include "recio/io_error.h"
#include "recio/unit.h"

namespace zirel {

inline constexpr std::string_view SETTINGS_FILE = "zirel.dat";
inline constexpr int32_t SETTINGS_UNIT = 3;

// The values a missing or unreadable file falls back to. The axis kind is not among
// them: it keeps whatever it had.
void set_default_settings(RunSettings& settings);

struct SettingsRead {
  IoStatus status = IO_OK;  // IO_OK, IO_END or the error number of the failing record
  int record = 0;           // the record that failed (1 to 4), 0 when all four were read
};

// Reads the four records from where `unit` stands, with error and end branches. The
// records before a failing one are kept in `settings`, and so are the axis kind and
// the layouts when their own record fails after them.
SettingsRead read_settings_records(UnitTable& table, int32_t unit, RunSettings& settings);

// Writes the four records at the unit's position. No error branch: a settings file
// that cannot be written is the record I/O layer's fatal report.
void write_settings_records(UnitTable& table, int32_t unit, const RunSettings& settings);

}  // namespace zirel
