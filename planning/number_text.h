// Numbers and strings as the planning reports write them: std::to_chars, so no locale
// can turn a decimal point into a comma.
#pragma once

#include <string>
#include <string_view>

namespace zirel::planning {

// `value` with `decimals` digits after the point; "inf", "nan" as to_chars writes them.
std::string fixed_text(double value, int decimals);

// `value` rounded to `decimals` digits, trailing zeros dropped: 0.7, 12, 0.6123.
std::string trimmed_text(double value, int decimals);

// The shortest text that reads back as the same float: 7.512, 90, 0.7093.
std::string shortest_text(float value);

// `text` right-aligned in `width` columns (never cut).
std::string right_aligned(std::string_view text, size_t width);

// `text` with every byte that is not part of well-formed UTF-8 (a file name
// in another encoding, say) replaced by U+FFFD, so that a JSON report or an
// SVG picture stays readable by any parser.
std::string well_formed_utf8(std::string_view text);

// `text` as a JSON string, quotes included, with every character that needs
// it escaped and ill-formed UTF-8 replaced.
std::string json_string(std::string_view text);

}  // namespace zirel::planning
