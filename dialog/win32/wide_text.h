// UTF-8, the program's text everywhere, to and from the UTF-16 that the
// wide Win32 calls take, so that file names in any script show and open.
#pragma once

#include <string>
#include <string_view>

namespace zirel {

std::wstring to_wide(std::string_view utf8);
std::string to_utf8(std::wstring_view wide);

}  // namespace zirel
