// The Allan variance's inner loop: exact integer squares, as many lanes as the processor has.
#include "second_differences.h"

#include <algorithm>

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

std::uint64_t magnitude(std::int64_t d) noexcept {
    return d < 0 ? 0 - static_cast<std::uint64_t>(d) : static_cast<std::uint64_t>(d);
}

// The three stretches of running sums a second difference takes: at k, k + m and k + 2m.
struct Stretches {
    const std::int64_t* at0;
    const std::int64_t* atM;
    const std::int64_t* at2M;
};

void addScalar(Stretches t, std::size_t from, std::size_t to, WideSum& total) noexcept {
    for (std::size_t k = from; k < to; ++k) total.addSquare(magnitude(t.at2M[k] - 2 * t.atM[k] + t.at0[k]));
}

// The lanes square differences below 2^26 in size as 32 x 32 -> 64-bit
// products (below 2^52) and add them in 64-bit lanes, which take 2^11 of them
// before they are handed on to the wide sum; a wider difference goes to the
// scalar loop. Sums of white noise reach 2^26 only over clusters of some 10^12
// samples.
constexpr std::int64_t kLaneLimit = std::int64_t{1} << 26;
constexpr std::size_t kSquaresPerLane = std::size_t{1} << 11;

template <std::size_t Lanes>
void handOn(const std::uint64_t (&lanes)[Lanes], WideSum& total) noexcept {
    for (const std::uint64_t lane : lanes) total.add(lane);
}

#ifdef HEADVANE_SSE2
__m128i loadPair(const std::int64_t* p) noexcept { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

// |theta[k+2m] - 2 theta[k+m] + theta[k]| for k and k + 1. SSE2 has neither
// a 64-bit comparison nor a signed product: the sign comes from the high 32
// bits, and the magnitude is squared unsigned.
__m128i magnitudePair(Stretches t, std::size_t k) noexcept {
    const __m128i x1 = loadPair(t.atM + k);
    const __m128i d = _mm_add_epi64(_mm_sub_epi64(loadPair(t.at2M + k), _mm_add_epi64(x1, x1)), loadPair(t.at0 + k));
    const __m128i sign = _mm_shuffle_epi32(_mm_srai_epi32(d, 31), _MM_SHUFFLE(3, 3, 1, 1));
    return _mm_sub_epi64(_mm_xor_si128(d, sign), sign);
}

void addSse2(Stretches t, std::size_t from, std::size_t to, WideSum& total) noexcept {
    const __m128i wideBits = _mm_set1_epi64x(~(kLaneLimit - 1));
    std::size_t k = from;
    while (k + 4 <= to) {
        __m128i a = _mm_setzero_si128();
        __m128i b = _mm_setzero_si128();
        for (const std::size_t stop = std::min(to, k + 4 * kSquaresPerLane); k + 4 <= stop; k += 4) {
            const __m128i d0 = magnitudePair(t, k);
            const __m128i d1 = magnitudePair(t, k + 2);
            const __m128i wide = _mm_and_si128(_mm_or_si128(d0, d1), wideBits);
            if (_mm_movemask_epi8(_mm_cmpeq_epi32(wide, _mm_setzero_si128())) != 0xFFFF) {
                addScalar(t, k, k + 4, total);
                continue;
            }
            a = _mm_add_epi64(a, _mm_mul_epu32(d0, d0));
            b = _mm_add_epi64(b, _mm_mul_epu32(d1, d1));
        }
        alignas(16) std::uint64_t lanes[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes), a);
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes + 2), b);
        handOn(lanes, total);
    }
    addScalar(t, k, to, total);
}
#endif

#ifdef HEADVANE_AVX2
__attribute__((target("avx2"))) inline __m256i loadQuad(const std::int64_t* p) noexcept {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

// theta[k+2m] - 2 theta[k+m] + theta[k] for k .. k + 3.
__attribute__((target("avx2"))) inline __m256i differencesQuad(Stretches t, std::size_t k) noexcept {
    const __m256i x1 = loadQuad(t.atM + k);
    return _mm256_add_epi64(_mm256_sub_epi64(loadQuad(t.at2M + k), _mm256_add_epi64(x1, x1)), loadQuad(t.at0 + k));
}

__attribute__((target("avx2"))) void addAvx2(Stretches t, std::size_t from, std::size_t to,
                                             WideSum& total) noexcept {
    // -2^26 <= d < 2^26 exactly when d + 2^26 has no bit from 2^27 up.
    const __m256i offset = _mm256_set1_epi64x(kLaneLimit);
    const __m256i wideBits = _mm256_set1_epi64x(~(2 * kLaneLimit - 1));
    std::size_t k = from;
    while (k + 8 <= to) {
        __m256i a = _mm256_setzero_si256();
        __m256i b = _mm256_setzero_si256();
        for (const std::size_t stop = std::min(to, k + 8 * kSquaresPerLane); k + 8 <= stop; k += 8) {
            const __m256i d0 = differencesQuad(t, k);
            const __m256i d1 = differencesQuad(t, k + 4);
            const __m256i shifted = _mm256_or_si256(_mm256_add_epi64(d0, offset), _mm256_add_epi64(d1, offset));
            if (!_mm256_testz_si256(shifted, wideBits)) {
                addScalar(t, k, k + 8, total);
                continue;
            }
            a = _mm256_add_epi64(a, _mm256_mul_epi32(d0, d0));
            b = _mm256_add_epi64(b, _mm256_mul_epi32(d1, d1));
        }
        alignas(32) std::uint64_t lanes[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), a);
        _mm256_store_si256(reinterpret_cast<__m256i*>(lanes + 4), b);
        handOn(lanes, total);
    }
    addScalar(t, k, to, total);
}

bool hasAvx2() noexcept {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif

using PathLoop = void (*)(Stretches, std::size_t, std::size_t, WideSum&) noexcept;

PathLoop loopOf(LanePath path) noexcept {
    switch (path) {
#ifdef HEADVANE_AVX2
        case LanePath::avx2: return addAvx2;
#endif
#ifdef HEADVANE_SSE2
        case LanePath::sse2: return addSse2;
#endif
        default: return addScalar;
    }
}

}  // namespace

std::vector<LanePath> availableLanePaths() {
    std::vector<LanePath> paths{LanePath::scalar};
#ifdef HEADVANE_SSE2
    paths.push_back(LanePath::sse2);
#endif
#ifdef HEADVANE_AVX2
    if (hasAvx2()) paths.push_back(LanePath::avx2);
#endif
    return paths;
}

namespace {

LanePath widestPath() {
    static const LanePath widest = availableLanePaths().back();
    return widest;
}

}  // namespace

WideSum squaredSecondDifferences(LanePath path, const std::int64_t* theta, std::size_t m, std::size_t from,
                                 std::size_t to) {
    WideSum total;
    loopOf(path)({theta, theta + m, theta + 2 * m}, from, to, total);
    return total;
}

WideSum squaredSecondDifferences(const std::int64_t* theta, std::size_t m, std::size_t from, std::size_t to) {
    return squaredSecondDifferences(widestPath(), theta, m, from, to);
}

WideSum squaredSecondDifferences(const std::int64_t* at0, const std::int64_t* atM, const std::int64_t* at2M,
                                 std::size_t count) {
    WideSum total;
    loopOf(widestPath())({at0, atM, at2M}, 0, count, total);
    return total;
}

}  // namespace vesko
