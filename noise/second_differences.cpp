// The Allan variance's inner loop: bound by arithmetic, so as many lanes as the processor has.
#include "second_differences.h"

#include <bit>

#if defined(__SSE2__) || defined(_M_X64)
#define HEADVANE_SSE2 1
#include <emmintrin.h>
#endif
#if defined(__GNUC__) && defined(__x86_64__)
#define HEADVANE_AVX2 1  // compiled for AVX2 on its own, taken only when the processor has it
#include <immintrin.h>
#endif

namespace vesko {

namespace {

// Exact int64 to double for |d| < 2^51 by way of the mantissa: an integer add
// and a subtraction, which SIMD has for 64-bit lanes, unlike the conversion.
constexpr std::int64_t kMagicBits = 0x4338'0000'0000'0000;  // the bits of 2^52 + 2^51
constexpr double kMagic = 6755399441055744.0;               // 2^52 + 2^51

double squaredOne(const std::int64_t* theta, std::size_t m, std::size_t k) noexcept {
    const double x = std::bit_cast<double>(theta[k + 2 * m] - 2 * theta[k + m] + theta[k] + kMagicBits) - kMagic;
    return x * x;
}

double scalarTail(const std::int64_t* theta, std::size_t m, std::size_t k, std::size_t to, double total) noexcept {
    for (; k < to; ++k) total += squaredOne(theta, m, k);
    return total;
}

#ifdef HEADVANE_SSE2
__m128d squaredPair(const std::int64_t* t, std::size_t m) noexcept {
    const auto load = [](const std::int64_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
    const __m128i x1 = load(t + m);
    const __m128i d = _mm_add_epi64(_mm_sub_epi64(load(t + 2 * m), _mm_add_epi64(x1, x1)), load(t));
    const __m128d x = _mm_sub_pd(_mm_castsi128_pd(_mm_add_epi64(d, _mm_set1_epi64x(kMagicBits))), _mm_set1_pd(kMagic));
    return _mm_mul_pd(x, x);
}

double squaredSse2(const std::int64_t* theta, std::size_t m, std::size_t from, std::size_t to) noexcept {
    __m128d a = _mm_setzero_pd();
    __m128d b = _mm_setzero_pd();
    std::size_t k = from;
    for (; k + 4 <= to; k += 4) {
        a = _mm_add_pd(a, squaredPair(theta + k, m));
        b = _mm_add_pd(b, squaredPair(theta + k + 2, m));
    }
    alignas(16) double lanes[2];
    _mm_store_pd(lanes, _mm_add_pd(a, b));
    return scalarTail(theta, m, k, to, lanes[0] + lanes[1]);
}
#endif

#ifdef HEADVANE_AVX2
__attribute__((target("avx2"))) __m256d squaredQuad(const std::int64_t* t, std::size_t m) noexcept {
    const __m256i x0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(t));
    const __m256i x1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(t + m));
    const __m256i x2 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(t + 2 * m));
    const __m256i d = _mm256_add_epi64(_mm256_sub_epi64(x2, _mm256_add_epi64(x1, x1)), x0);
    const __m256d x =
        _mm256_sub_pd(_mm256_castsi256_pd(_mm256_add_epi64(d, _mm256_set1_epi64x(kMagicBits))), _mm256_set1_pd(kMagic));
    return _mm256_mul_pd(x, x);
}

__attribute__((target("avx2"))) double squaredAvx2(const std::int64_t* theta, std::size_t m, std::size_t from,
                                                   std::size_t to) noexcept {
    __m256d a = _mm256_setzero_pd();
    __m256d b = _mm256_setzero_pd();
    std::size_t k = from;
    for (; k + 8 <= to; k += 8) {
        a = _mm256_add_pd(a, squaredQuad(theta + k, m));
        b = _mm256_add_pd(b, squaredQuad(theta + k + 4, m));
    }
    alignas(32) double lanes[4];
    _mm256_store_pd(lanes, _mm256_add_pd(a, b));
    return scalarTail(theta, m, k, to, (lanes[0] + lanes[1]) + (lanes[2] + lanes[3]));
}

bool hasAvx2() noexcept {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif

}  // namespace

double squaredSecondDifferences(const std::int64_t* theta, std::size_t m, std::size_t from, std::size_t to) {
#ifdef HEADVANE_AVX2
    if (hasAvx2()) return squaredAvx2(theta, m, from, to);
#endif
#ifdef HEADVANE_SSE2
    return squaredSse2(theta, m, from, to);
#else
    return scalarTail(theta, m, from, to, 0.0);
#endif
}

}  // namespace vesko
