// Numbers and strings as the planning reports write them: std::to_chars, so no locale
// can turn a decimal point into a comma.
#pragma once

#include <string>
#include <string_view>

namespace zirel::plan {

// `value` with `decimals` digits after the point; "inf", "nan" as to_chars writes them.
std::string fixed_text(double value, int decimals);

// The shortest text that reads back as the same float: 7.512, 90, 0.7093.
std::string shortest_text(float value);

// `text` right-aligned in `width` columns (never cut).
std::string right_aligned(std::string_view text, size_t width);

// `text` as a JSON string, quotes included, with every character that needs it escaped.
std::string json_string(std::string_view text);

}  // namespace zirel::plan
