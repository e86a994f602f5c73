#include "planning/number_text.h"

#include <array>
#include <charconv>

namespace zirel::plan {

std::string fixed_text(double value, int decimals) {
  std::array<char, 64> buffer;
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                    std::chars_format::fixed, decimals);
  return std::string(buffer.data(), result.ptr);
}

std::string shortest_text(float value) {
  std::array<char, 64> buffer;
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  return std::string(buffer.data(), result.ptr);
}

std::string right_aligned(std::string_view text, size_t width) {
  std::string out(text.size() < width ? width - text.size() : 0, ' ');
  out += text;
  return out;
}

std::string json_string(std::string_view text) {
  static constexpr char HEX[] = "0123456789abcdef";
  std::string out = "\"";
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20) {
      out += "\\u00";
      out += HEX[u >> 4];
      out += HEX[u & 15];
    } else {
      out += c;
    }
  }
  return out + '"';
}

}  // namespace zirel::plan
