#pragma once
// Number texts of the US English conventions, formed by our own code: the runtime's named
// locales are not available everywhere the collector runs (mingw's runtime throws for them).

#include <cstdint>
#include <string>

namespace Gathrix {

// Decimal digits with "," between groups of three: 1234567 gives "1,234,567".
std::wstring GroupDigits(std::uint64_t value);

// General notation with `digits` significant digits as printf's "%g" forms it: no trailing zeros,
// "." as decimal point, exponent form (at least two exponent digits) below 0.0001 or from
// 10^digits on. A value that is not finite gives "0".
std::wstring SignificantDigits(double value, int digits);

} // namespace Gathrix
