// Typed reads of single JSON values, with the library raising on a bad type or a missing member.
#include "json_readers.h"

#include <cmath>
#include <limits>
#include <stdexcept>

namespace vesko {
namespace {

using Limits = std::numeric_limits<std::int32_t>;

// Exclusive bounds on a double that truncates into the 32-bit range.
constexpr double kPixelSizeAbove = static_cast<double>(Limits::min()) - 1.0;
constexpr double kPixelSizeBelow = static_cast<double>(Limits::max()) + 1.0;

bool fitsPixelSize(const Json& value) {
    if (value.is_number_unsigned()) {
        return value.get<std::uint64_t>() <= static_cast<std::uint64_t>(Limits::max());
    }
    if (value.is_number_integer()) {
        const auto n = value.get<std::int64_t>();
        return n >= Limits::min() && n <= Limits::max();
    }
    const auto d = value.get<double>();
    return d > kPixelSizeAbove && d < kPixelSizeBelow;  // false for NaN
}

std::string numberText(const Json& value) {
    if (value.is_number_float() && !std::isfinite(value.get<double>())) {
        const double d = value.get<double>();
        return std::isnan(d) ? "nan" : (d > 0 ? "inf" : "-inf");
    }
    return value.dump();
}

}  // namespace

std::string readString(const Json& parent, const char* key) {
    return parent.at(key).get<std::string>();
}

double readNumber(const Json& parent, const char* key) {
    return parent.at(key).get<double>();
}

std::int32_t readPixelSize(const Json& parent, const char* key) {
    const Json& value = parent.at(key);
    // The library's conversion of an out-of-range number is undefined or wraps.
    if (value.is_number() && !fitsPixelSize(value)) {
        throw std::runtime_error(std::string(key) + " " + numberText(value) +
                                 " is out of range for a pixel size");
    }
    return value.get<std::int32_t>();
}

void readVector(const Json& array, ConfigVector& out) {
    for (std::size_t k = 0; k < out.size(); ++k) {
        out[k] = array.at(k).get<double>();
    }
}

void readMatrix(const Json& rows, ConfigMatrix& out) {
    for (std::size_t r = 0; r < out.size(); ++r) {
        readVector(rows.at(r), out[r]);
    }
}

}  // namespace vesko
