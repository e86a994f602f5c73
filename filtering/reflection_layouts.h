// The two reflection file layouts, each read and written as fixed-column records:
//   Cellex ".abs"  in (3I3,F10.0,F6.0,F10.5,I5)   out (3I3,TR1,F9.d1,TR1,F5.d2,F10.d3,I5)
//   SHELX ".hkl"   in (3I4,F8.0,F8.0)              out (3I4,TR1,F7.d1,TR1,F7.d2)
// The decimals d1, d2 (and d3 of the pass-through real, normally 5) are chosen per record.
// A record always travels as an intensity; Cellex amplitudes are converted on the way.
#pragma once

#include <cstdint>
#include <string_view>
#include "filtering/run_settings.h"
#include "recio/io_error.h"
#include "recio/unit.h"

namespace zirel {

struct Reflection {
  int32_t h = 0, k = 0, l = 0;
  float intensity = 0.0f;
  float sigma_intensity = 0.0f;
  // Carried by the Cellex layout and passed through unchanged; 0 from other sources.
  float pass_real = 0.0f;
  int32_t pass_integer = 0;
};

// Reads the next record of `unit` of `table` in the given input layout (Cellex or SHELX) with
// error and end branches: IO_OK, IO_END, or the error number. On an error the
// reflection holds whatever was read before the failing field.
IoStatus read_reflection(UnitTable& table, int32_t unit, InputKind kind, Reflection& r);

// Cellex amplitude to intensity: I = F^2 and sigma(I) = 2 |F| sigma(F).
// The magnitude of F keeps a negative F from turning into a negative uncertainty.
void set_from_amplitude(Reflection& r, float f, float sigma_f);

struct Amplitude {
  float f = 0.0f;
  float sigma_f = 0.0f;
};
// Intensity to Cellex amplitude: F = sqrt(I), sigma(F) = sigma(I) / 2 / F; an intensity
// that is not positive gives F = 0 with sigma(F) = 1.
Amplitude amplitude_of(const Reflection& r);

// Writes the reflection to `unit` of `table` in the given output layout, choosing the decimals of
// the two variable fields per record. An uncertainty too wide for its field is written
// as the largest placeholder that fits ("999999." or "9999."). Returns false, writing
// nothing, when the first value or a Miller index is too wide for its field.
bool write_reflection(UnitTable& table, int32_t unit, OutputKind kind, const Reflection& r);

// SHELX when the name contains ".hkl" in any case, otherwise Cellex.
bool names_shelx_file(std::string_view name);

}  // namespace zirel
