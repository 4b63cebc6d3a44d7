// Adopting the decimal-comma locale that the ctest fixture "decimal_comma_locale"
// offers (see tests/CMakeLists.txt, qv_add_locale_test).
#pragma once

#include <clocale>
#include <cstdio>
#include <locale>
#include <string>

namespace qv::test {

// Adopts the environment's locale for the C library and the C++ global locale,
// as a desktop program does, and tells whether it formats reals with a comma.
// Tests assert on the result so that a missing locale fails instead of passing.
inline bool AdoptDecimalCommaLocale()
{
    if (std::setlocale(LC_ALL, "") == nullptr)
        return false;
    try {
        std::locale::global(std::locale(""));
    } catch (const std::exception&) {
        return false;
    }
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", 1.5);
    return std::string(text) == "1,5";
}

}  // namespace qv::test
