// Reading fields and list tokens: text in, value out, rounded once.
#include "recio/edit.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

namespace zirel {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Mantissa digits beyond this many only matter through whether any of them is
// nonzero: every float and every midpoint between two floats has fewer
// significant digits, so one sticky digit keeps the rounding exact.
constexpr int KEPT_DIGITS = 120;

enum class RealParse { ok, empty, bad };

constexpr float POW10F[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};

// Shared by fixed-column fields and list-directed tokens. Blanks anywhere are
// ignored (fixed-column rule); list tokens contain none.
RealParse parse_real_general(std::string_view s, int decimals, float& value) {
  size_t i = 0, n = s.size();
  auto skip = [&] { while (i < n && s[i] == ' ') ++i; };
  skip();
  bool negative = false;
  if (i < n && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
  }
  // digits[0..kept) significant digits, leading zeros dropped.
  std::array<char, KEPT_DIGITS + 2> digits;
  int kept = 0, significant = 0, frac_digits = 0, mantissa_digits = 0;
  bool point = false, sticky = false;
  uint32_t small = 0;  // the mantissa while it has at most 7 significant digits
  for (; i < n; ++i) {
    char c = s[i];
    if (c == ' ') continue;
    if (c == '.') {
      if (point) return RealParse::bad;
      point = true;
      continue;
    }
    if (!is_digit(c)) break;
    ++mantissa_digits;
    if (point) ++frac_digits;
    if (significant == 0 && c == '0') continue;
    ++significant;
    if (significant <= 7) small = small * 10 + uint32_t(c - '0');
    if (kept < KEPT_DIGITS)
      digits[kept++] = c;
    else if (c != '0')
      sticky = true;
  }
  int64_t exponent = 0;
  if (i < n) {
    char c = s[i];
    bool has_exponent = false;
    if (c == 'E' || c == 'e' || c == 'D' || c == 'd') {
      ++i;
      skip();
      if (i < n && (s[i] == '+' || s[i] == '-')) c = s[i++];
      has_exponent = true;
    } else if (c == '+' || c == '-') {
      ++i;
      has_exponent = true;
    }
    if (!has_exponent || mantissa_digits == 0) return RealParse::bad;
    bool exp_negative = c == '-';
    int exp_digits = 0;
    for (; i < n; ++i) {
      if (s[i] == ' ') continue;
      if (!is_digit(s[i])) return RealParse::bad;
      ++exp_digits;
      if (exponent < 1'000'000) exponent = exponent * 10 + (s[i] - '0');
    }
    if (exp_digits == 0) return RealParse::bad;
    if (exp_negative) exponent = -exponent;
  }
  if (mantissa_digits == 0) return point ? RealParse::bad : RealParse::empty;
  if (significant == 0) {
    value = negative ? -0.0f : 0.0f;
    return RealParse::ok;
  }
  // value = digits * 10^scale
  int64_t scale = exponent - (point ? frac_digits : decimals) + (significant - kept);
  // Up to 7 digits and 10^10 are exact in a float, so one multiplication or
  // division is already the correctly rounded result (the common case).
  if (significant <= 7 && scale >= -10 && scale <= 10) {
    float m = static_cast<float>(small);
    float v = scale >= 0 ? m * POW10F[scale] : m / POW10F[-scale];
    value = negative ? -v : v;
    return RealParse::ok;
  }
  if (sticky) {
    digits[kept++] = '1';
    --scale;
  }
  std::array<char, KEPT_DIGITS + 16> text;
  char* p = text.data();
  if (negative) *p++ = '-';
  std::memcpy(p, digits.data(), kept);
  p += kept;
  *p++ = 'e';
  p = std::to_chars(p, text.data() + text.size(), scale).ptr;
  auto r = std::from_chars(text.data(), p, value);
  if (r.ec == std::errc::result_out_of_range) {
    if (kept + scale > 0) return RealParse::bad;  // beyond the largest float
    value = negative ? -0.0f : 0.0f;               // below the smallest: zero
    return RealParse::ok;
  }
  if (r.ec != std::errc() || r.ptr != p || std::isinf(value)) return RealParse::bad;
  return RealParse::ok;
}

// The fields of reflection files: an optional sign, at most 7 significant
// digits, an optional point, no exponent. Anything else is read again from the
// start by parse_real_general, which gives the same value for these fields.
RealParse parse_real(std::string_view s, int decimals, float& value) {
  const char* p = s.data();
  const char* end = p + s.size();
  while (p != end && *p == ' ') ++p;
  bool negative = false;
  if (p != end && (*p == '+' || *p == '-')) negative = *p++ == '-';
  uint32_t mantissa = 0;
  int significant = 0, digits = 0, frac_digits = 0;
  bool point = false;
  for (; p != end; ++p) {
    unsigned digit = unsigned(*p - '0');
    if (digit <= 9) {
      ++digits;
      frac_digits += point;
      if (mantissa == 0 && digit == 0) continue;
      if (++significant > 7) return parse_real_general(s, decimals, value);
      mantissa = mantissa * 10 + digit;
    } else if (*p == '.' && !point) {
      point = true;
    } else if (*p != ' ') {
      return parse_real_general(s, decimals, value);
    }
  }
  if (digits == 0) return point ? RealParse::bad : RealParse::empty;
  int shift = point ? frac_digits : decimals;
  if (shift > 10) return parse_real_general(s, decimals, value);
  // Both exact in a float, so one division rounds correctly.
  float v = static_cast<float>(mantissa) / POW10F[shift];
  value = negative ? -v : v;
  return RealParse::ok;
}

}  // namespace

bool parse_integer_field(std::string_view field, int32_t& value) {
  size_t i = 0, n = field.size();
  while (i < n && field[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (field[i] == '+' || field[i] == '-')) {
    negative = field[i] == '-';
    ++i;
  }
  uint64_t acc = 0;
  for (; i < n; ++i) {
    char c = field[i];
    if (c == ' ') continue;
    if (!is_digit(c)) return false;
    acc = acc * 10 + uint64_t(c - '0');
    if (acc > 2147483648u) return false;
  }
  if (!negative && acc > 2147483647u) return false;
  value = negative ? static_cast<int32_t>(-static_cast<int64_t>(acc)) : static_cast<int32_t>(acc);
  return true;
}

bool parse_real_field(std::string_view field, int decimals, float& value) {
  switch (parse_real(field, decimals, value)) {
    case RealParse::ok: return true;
    case RealParse::empty: value = 0.0f; return true;  // all blank, or a lone sign
    case RealParse::bad: return false;
  }
  return false;
}

bool parse_list_integer(std::string_view token, int32_t& value) {
  if (token.find(' ') != std::string_view::npos) return false;
  size_t digits = token.size() - ((!token.empty() && (token[0] == '+' || token[0] == '-')) ? 1 : 0);
  return digits > 0 && parse_integer_field(token, value);
}

bool parse_list_real(std::string_view token, float& value) {
  if (token.find(' ') != std::string_view::npos) return false;
  return parse_real(token, 0, value) == RealParse::ok;
}
}  // namespace zirel
