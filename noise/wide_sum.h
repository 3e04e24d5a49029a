// An exact unsigned 128-bit sum, for the squares of second differences of raw counts.
#pragma once

#include <cstdint>

namespace vesko {

// Squared second differences of 16-bit counts outgrow 64 bits over long
// clusters. Kept exact, their sum does not depend on the order it was taken
// in, so every instruction set and every target gives the same figure.
//
// Two 64-bit words with a carry: what every compiler has.
class TwoWordSum {
public:
    void add(std::uint64_t value) noexcept { addWords(0, value); }
    void add(const TwoWordSum& other) noexcept { addWords(other.high_, other.low_); }
    // value * 2^32, for sums kept as high and low 32-bit halves.
    void addShifted32(std::uint64_t value) noexcept { addWords(value >> 32, value << 32); }
    // magnitude^2, exactly: (h 2^32 + l)^2 = h^2 2^64 + 2 h l 2^32 + l^2.
    void addSquare(std::uint64_t magnitude) noexcept {
        const std::uint64_t h = magnitude >> 32;
        const std::uint64_t l = magnitude & 0xFFFF'FFFFu;
        addWords(h * h, l * l);
        addShifted32(h * l);
        addShifted32(h * l);
    }
    void addWords(std::uint64_t high, std::uint64_t low) noexcept {
        low_ += low;
        high_ += high + (low_ < low ? 1u : 0u);
    }
    std::uint64_t high() const noexcept { return high_; }
    std::uint64_t low() const noexcept { return low_; }

private:
    std::uint64_t high_ = 0;
    std::uint64_t low_ = 0;
};

#ifdef __SIZEOF_INT128__
// The compiler's own 128-bit integer: the same value, in fewer instructions.
class NativeWideSum {
public:
    void add(std::uint64_t value) noexcept { value_ += value; }
    void add(const NativeWideSum& other) noexcept { value_ += other.value_; }
    void addShifted32(std::uint64_t value) noexcept { value_ += static_cast<Word>(value) << 32; }
    void addSquare(std::uint64_t magnitude) noexcept { value_ += static_cast<Word>(magnitude) * magnitude; }
    void addWords(std::uint64_t high, std::uint64_t low) noexcept { value_ += (static_cast<Word>(high) << 64) | low; }
    std::uint64_t high() const noexcept { return static_cast<std::uint64_t>(value_ >> 64); }
    std::uint64_t low() const noexcept { return static_cast<std::uint64_t>(value_); }

private:
    __extension__ using Word = unsigned __int128;
    Word value_ = 0;
};
using WideSum = NativeWideSum;
#else
using WideSum = TwoWordSum;
#endif

template <class A, class B>
bool sameSum(const A& a, const B& b) noexcept {
    return a.high() == b.high() && a.low() == b.low();
}

// high * 2^64 + low in double arithmetic: the same rounding on every target.
template <class Sum>
double toDouble(const Sum& sum) noexcept {
    return static_cast<double>(sum.high()) * 0x1p64 + static_cast<double>(sum.low());
}

}  // namespace vesko
