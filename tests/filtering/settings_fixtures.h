// The settings file as the defaults write it, for the tests of the records and of the form.
#pragma once

#include <string>

namespace zirel::test {

inline const std::string DEFAULT_FILE =
    "   5.00000   5.00000   5.00000  90.00000  90.00000  90.00000\r\n"
    "   0.70930  40.00000\r\n"
    "    0   0.00000   0.00000   1.00000\r\n"
    "    1    1\r\n";

}  // namespace zirel::test
