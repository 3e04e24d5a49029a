// Fixed-point decimal by std::to_chars, which rounds as printf does; printf itself for infinities and NaN.
#include "fixed_decimal.h"

#include <array>
#include <charconv>
#include <cmath>

#include "printf_string.h"

namespace vesko {

void appendFixed(std::string& text, double value, int precision, Sign sign, int width) {
    std::array<char, 64> digits;
    const auto [end, error] = std::to_chars(digits.data(), digits.data() + digits.size(), value,
                                            std::chars_format::fixed, precision);
    if (!std::isfinite(value) || error != std::errc()) {
        // Spelled as the C library spells them ("inf", "-nan"), or too long for the buffer.
        text += sign == Sign::plusOrMinus ? printfString("%+*.*f", width, precision, value)
                                          : printfString("%*.*f", width, precision, value);
        return;
    }
    const bool plus = sign == Sign::plusOrMinus && digits[0] != '-';
    const auto length = static_cast<int>(end - digits.data()) + (plus ? 1 : 0);
    if (width > length) text.append(static_cast<std::size_t>(width - length), ' ');
    if (plus) text += '+';
    text.append(digits.data(), end);
}

}  // namespace vesko
