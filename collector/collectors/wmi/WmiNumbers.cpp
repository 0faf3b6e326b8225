#include "collector/collectors/wmi/WmiNumbers.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace Gathrix {

std::wstring GroupDigits(std::uint64_t value) {
    const std::wstring digits = std::to_wstring(value);
    std::wstring grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped += L',';
        grouped += digits[i];
    }
    return grouped;
}

std::wstring SignificantDigits(double value, int digits) {
    if (!std::isfinite(value))
        return L"0";
    if (value == 0.0)
        return L"0";
    if (digits < 1)
        digits = 1;
    std::wstring text = value < 0 ? L"-" : L"";
    // The rounded digits and the decimal exponent, as "%e" gives them; only digits and the
    // exponent's value are taken from it, so neither the runtime's decimal point nor its number
    // of exponent digits shows.
    char buffer[64];
    std::snprintf(buffer, sizeof(buffer), "%.*e", digits - 1, std::fabs(value));
    std::string mantissa;
    const char* cursor = buffer;
    for (; *cursor && *cursor != 'e' && *cursor != 'E'; ++cursor) {
        if (*cursor >= '0' && *cursor <= '9')
            mantissa += *cursor;
    }
    const long exponent = *cursor ? std::strtol(cursor + 1, nullptr, 10) : 0;

    auto withoutTrailingZeros = [](std::string fraction) {
        while (!fraction.empty() && fraction.back() == '0')
            fraction.pop_back();
        return fraction;
    };
    std::string result;
    if (exponent < -4 || exponent >= digits) {
        const std::string fraction = withoutTrailingZeros(mantissa.substr(1));
        result = mantissa.substr(0, 1) + (fraction.empty() ? "" : "." + fraction) + "e" + (exponent < 0 ? "-" : "+");
        const long magnitude = exponent < 0 ? -exponent : exponent;
        result += (magnitude < 10 ? "0" : "") + std::to_string(magnitude);
    } else if (exponent >= 0) {
        const std::string fraction = withoutTrailingZeros(mantissa.substr(static_cast<std::size_t>(exponent) + 1));
        result = mantissa.substr(0, static_cast<std::size_t>(exponent) + 1) + (fraction.empty() ? "" : "." + fraction);
    } else {
        const std::string fraction =
            withoutTrailingZeros(std::string(static_cast<std::size_t>(-exponent - 1), '0') + mantissa);
        result = "0" + (fraction.empty() ? std::string() : "." + fraction);
    }
    text.append(result.begin(), result.end());
    return text;
}

} // namespace Gathrix
