// Writing fields: value in, right-justified text out, exact to the binary value.
#include "recio/edit.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace zirel {

namespace {

bool fill_asterisks(std::span<char> field) {
  std::memset(field.data(), '*', field.size());
  return false;
}

// Right-justifies text in the field; asterisks when it does not fit.
bool place(std::span<char> field, const char* text, size_t length) {
  if (length > field.size()) return fill_asterisks(field);
  size_t pad = field.size() - length;
  std::memset(field.data(), ' ', pad);
  std::memcpy(field.data() + pad, text, length);
  return true;
}

// Decimal digits of an unsigned 128-bit integer.
char* u128_digits(char* out, unsigned __int128 q) {
  if (q <= std::numeric_limits<uint64_t>::max())
    return std::to_chars(out, out + 40, static_cast<uint64_t>(q)).ptr;
  char tmp[40];
  int k = 0;
  while (q != 0) {
    tmp[k++] = char('0' + int(q % 10));
    q /= 10;
  }
  while (k > 0) *out++ = tmp[--k];
  return out;
}

// A float's exact value: (-1)^negative * m * 2^e2 with m < 2^24. Infinity and
// NaN come out as huge values; callers turn them away first.
struct BinaryFloat {
  uint64_t m;
  int e2;
  bool negative;
};

BinaryFloat split_float(float value) {
  uint32_t bits = std::bit_cast<uint32_t>(value);
  uint32_t biased = (bits >> 23) & 0xff;
  BinaryFloat b{bits & 0x7fffff, -149, (bits >> 31) != 0};  // subnormal
  if (biased != 0) {
    b.m |= 1u << 23;
    b.e2 = int(biased) - 150;
  }
  return b;
}

// n * 2^e2 rounded to an integer, nearest, ties to even. With e2 >= 0 the
// caller makes sure the product fits U.
template <class U>
U scale_by_power_of_two(U n, int e2) {
  if (e2 >= 0) return n << e2;
  int s = -e2;
  if (s >= int(sizeof(U) * 8)) return 0;  // n is far below half of 2^s
  U one = 1;
  U q = n >> s;
  U rest = n & ((one << s) - 1), half = one << (s - 1);
  if (rest > half || (rest == half && (q & 1))) ++q;
  return q;
}

// Digits of |value| * 10^decimals rounded to an integer, nearest, ties to
// even, computed exactly from the binary value. Returns the end of the digits.
char* scaled_digits(char* out, float magnitude, int decimals) {
  BinaryFloat b = split_float(magnitude);
  if (decimals <= 19 && b.e2 <= 30) {
    uint64_t pow10 = 1;
    for (int k = 0; k < decimals; ++k) pow10 *= 10;
    // m * 10^d < 2^88 and e2 <= 30: the scaled value fits 128 bits.
    return u128_digits(out, scale_by_power_of_two(static_cast<unsigned __int128>(b.m) * pow10, b.e2));
  }
  // Huge values or many decimals: the library's exact fixed conversion.
  char tmp[400];
  auto r = std::to_chars(tmp, tmp + sizeof tmp, static_cast<double>(magnitude),
                         std::chars_format::fixed, decimals);
  for (const char* c = tmp; c != r.ptr; ++c)
    if (*c != '.') *out++ = *c;
  return out;
}

constexpr uint64_t POW10[] = {1,      10,      100,      1000,      10000,
                               100000, 1000000, 10000000, 100000000, 1000000000};

constexpr std::array<char, 200> DIGIT_PAIRS = [] {
  std::array<char, 200> pairs{};
  for (int i = 0; i < 100; ++i) {
    pairs[size_t(2 * i)] = char('0' + i / 10);
    pairs[size_t(2 * i + 1)] = char('0' + i % 10);
  }
  return pairs;
}();

// Puts the last two digits of q in front of p (two at a time halves the
// chain of divisions, which is what a field costs).
char* put_pair(char* p, uint64_t& q) {
  unsigned r = unsigned(q % 100);
  q /= 100;
  p -= 2;
  std::memcpy(p, &DIGIT_PAIRS[2 * r], 2);
  return p;
}

// Writes the scaled value q (|value| * 10^d, rounded) as Fw.d straight into
// the field, from the right: d decimals, the point, the integer digits, then
// a zero before the point if there is room for it after the minus sign.
bool place_fixed(std::span<char> field, unsigned d, uint64_t q, bool sign) {
  bool negative = sign && q != 0;  // a value that rounds to zero has no sign
  char* begin = field.data();
  char* p = begin + field.size();
  if (field.size() < d + 1 + (negative ? 1 : 0)) return fill_asterisks(field);
  for (unsigned k = d; k >= 2; k -= 2) p = put_pair(p, q);
  if (d % 2 != 0) {
    *--p = char('0' + q % 10);
    q /= 10;
  }
  *--p = '.';
  bool integer_zero = q == 0;
  while (q >= 10) {
    if (p - begin < 2) return fill_asterisks(field);
    p = put_pair(p, q);
  }
  if (q != 0) {
    if (p == begin) return fill_asterisks(field);
    *--p = char('0' + q);
  }
  size_t room = size_t(p - begin);
  if (negative && room == 0) return fill_asterisks(field);
  if (integer_zero && room >= (negative ? 2u : 1u)) *--p = '0';
  if (negative) *--p = '-';
  std::memset(begin, ' ', size_t(p - begin));
  return true;
}

}  // namespace

bool format_real_field_general(std::span<char> field, int decimals, float value) {
  if (std::isnan(value)) return place(field, "NaN", 3);
  if (std::isinf(value)) return value < 0 ? place(field, "-Inf", 4) : place(field, "Inf", 3);
  size_t w = field.size();
  size_t d = size_t(decimals < 0 ? 0 : decimals);
  // Without a point there are at most 39 integer digits plus d decimals.
  char digits[512];
  if (d > sizeof digits - 64) return fill_asterisks(field);
  char* end = scaled_digits(digits, std::fabs(value), int(d));
  size_t count = size_t(end - digits);
  bool zero = count == 1 && digits[0] == '0';
  bool negative = std::signbit(value) && !zero;
  size_t int_digits = count > d ? count - d : 0;
  if (zero) int_digits = 0;
  size_t length = (negative ? 1 : 0) + int_digits + 1 + d;
  bool lead_zero = int_digits == 0 && w >= length + 1;
  if (lead_zero) ++length;
  if (length > w) return fill_asterisks(field);
  char* p = field.data();
  std::memset(p, ' ', w - length);
  p += w - length;
  if (negative) *p++ = '-';
  if (lead_zero) *p++ = '0';
  // Integer digits, then the point, then exactly d decimals (leading zeros
  // when the scaled value has fewer than d digits).
  size_t frac_present = zero ? 0 : count - int_digits;
  std::memcpy(p, digits, int_digits);
  p += int_digits;
  *p++ = '.';
  std::memset(p, '0', d - frac_present);
  p += d - frac_present;
  std::memcpy(p, digits + int_digits, frac_present);
  return true;
}

bool format_integer_field(std::span<char> field, int32_t value) {
  bool negative = value < 0;
  uint32_t magnitude = negative ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
  char* begin = field.data();
  char* p = begin + field.size();
  do {
    if (p == begin) return fill_asterisks(field);
    *--p = char('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (negative) {
    if (p == begin) return fill_asterisks(field);
    *--p = '-';
  }
  std::memset(begin, ' ', size_t(p - begin));
  return true;
}

bool format_real_field(std::span<char> field, int decimals, float value) {
  // The common case (every field the program writes): up to 9 decimals and
  // |value| < 2^34, where m * 10^d * 2^e2 with m < 2^24 fits 64 bits exactly.
  BinaryFloat b = split_float(value);
  if (decimals >= 0 && decimals <= 9 && b.e2 <= 10) {
    uint64_t n = b.m * POW10[decimals];  // below 2^54, and below 2^64 after the shift
    return place_fixed(field, unsigned(decimals), scale_by_power_of_two(n, b.e2), b.negative);
  }
  return format_real_field_general(field, decimals, value);
}

bool integer_fits(int width, int32_t value) {
  char text[16];
  auto r = std::to_chars(text, text + sizeof text, value);
  return width >= 0 && r.ptr - text <= width;
}

bool real_fits(int width, int decimals, float value) {
  if (width <= 0) return false;
  char space[64];
  if (size_t(width) <= sizeof space) return format_real_field({space, size_t(width)}, decimals, value);
  std::string field(size_t(width), ' ');
  return format_real_field(field, decimals, value);
}

}  // namespace zirel
