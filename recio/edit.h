// Pure edit functions: one field's text in, one value out, and the reverse.
// They touch no unit; callers may also use them to ask whether a value fits.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace zirel {

// --- Fixed-column input (blanks inside the field are ignored) ---------------
// Iw: optional sign and digits; all blank or a lone sign gives 0. False (input
// conversion error) for any other character or a value outside 32 bits.
bool parse_integer_field(std::string_view field, int32_t& value);
// Fw.d: sign, digits with an optional point, optional exponent (E/D in either
// case with optional sign, or a bare sign). Without a point the last `decimals`
// digits of the mantissa are the fraction. Rounded once, directly to float.
// False for any other character or a magnitude beyond float.
bool parse_real_field(std::string_view field, int decimals, float& value);

// --- List-directed values (one token, no blanks inside) ----------------------
bool parse_list_integer(std::string_view token, int32_t& value);
// Also accepts an integer ("5" is 5.0).
bool parse_list_real(std::string_view token, float& value);

// --- Fixed-column output ------------------------------------------------------
// Each writes exactly field.size() characters, right-justified with blanks in
// front, and returns false (the field then holds asterisks) when the value does
// not fit.
bool format_integer_field(std::span<char> field, int32_t value);
// Fw.d of the exact binary value rounded to nearest, ties to even. The zero
// before the point is dropped when there is no room for it, before the minus
// sign is; a value that rounds to zero has no minus sign.
bool format_real_field(std::span<char> field, int decimals, float value);
// The same for any value and any decimals, without the fast path that
// format_real_field takes for the fields the program writes; it is the
// reference that the fast path is tested against.
bool format_real_field_general(std::span<char> field, int decimals, float value);

// Whether a value fits Iw / Fw.d, without writing it.
bool integer_fits(int width, int32_t value);
bool real_fits(int width, int decimals, float value);

}  // namespace zirel
