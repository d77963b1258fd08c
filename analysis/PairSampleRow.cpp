#include "analysis/PairSampleRow.h"

#include <algorithm>
#include <cmath>

// The one header beyond the standard library in analysis/: the SSE2
// intrinsics are part of every x86-64 compiler and of i686 with -msse2 (which
// the float rules require), they perform the same IEEE single-precision
// operations as the plain loop, and other processors take the plain loop.
#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define MIRTANE_PAIR_SAMPLES_SSE2 1
#endif

namespace mirtane {

namespace {

void ComputeOne(const PairSampleInputs& in, std::size_t rowStart, std::int32_t x,
                const PairSampleOutputs& out) {
    const float* p = in.primary;
    const float* q = in.secondary;
    const std::size_t k = rowStart + static_cast<std::size_t>(x);
    const float pX = p[k + 1] - p[k - 1];
    const float pY = p[k - in.stride] - p[k + in.stride];
    const float qX = q[k + 1] - q[k - 1];
    const float qY = q[k - in.stride] - q[k + in.stride];
    const float dot = qX * pX + qY * pY;
    const float u = (p[k] - in.primaryMinimum) * in.primaryInverseSpread;
    const float v = (q[k] - in.secondaryMinimum) * in.secondaryInverseSpread;
    const std::size_t i = static_cast<std::size_t>(x);
    out.keep[i] = u != 0.0f && v != 0.0f && dot > 0.0f ? 1 : 0;
    const float normP = std::sqrt(pX * pX + pY * pY);
    const float normQ = std::sqrt(qX * qX + qY * qY);
    const float normProduct = normP * normQ;
    out.value[i] = std::sqrt(normProduct) * (dot / normProduct) * (std::min(u, v) / std::max(u, v));
    out.column[i] = (p[k] - in.black) / in.levelRange;
    out.row[i] = 1.0f - (normP * in.ratio) / (normQ + normP);
}

}  // namespace

void ComputePairSampleRowScalar(const PairSampleInputs& in, std::size_t rowStart,
                                std::int32_t first, std::int32_t last,
                                const PairSampleOutputs& out) {
    for (std::int32_t x = first; x <= last; ++x) {
        ComputeOne(in, rowStart, x, out);
    }
}

#if defined(MIRTANE_PAIR_SAMPLES_SSE2)

void ComputePairSampleRow(const PairSampleInputs& in, std::size_t rowStart, std::int32_t first,
                          std::int32_t last, const PairSampleOutputs& out) {
    const __m128 zero = _mm_setzero_ps();
    const __m128 one = _mm_set1_ps(1.0f);
    const __m128 minP = _mm_set1_ps(in.primaryMinimum);
    const __m128 invP = _mm_set1_ps(in.primaryInverseSpread);
    const __m128 minQ = _mm_set1_ps(in.secondaryMinimum);
    const __m128 invQ = _mm_set1_ps(in.secondaryInverseSpread);
    const __m128 black = _mm_set1_ps(in.black);
    const __m128 levelRange = _mm_set1_ps(in.levelRange);
    const __m128 ratio = _mm_set1_ps(in.ratio);
    std::int32_t x = first;
    for (; x + 3 <= last; x += 4) {
        const float* p = in.primary + rowStart + static_cast<std::size_t>(x);
        const float* q = in.secondary + rowStart + static_cast<std::size_t>(x);
        const __m128 pC = _mm_loadu_ps(p);
        const __m128 qC = _mm_loadu_ps(q);
        const __m128 pX = _mm_sub_ps(_mm_loadu_ps(p + 1), _mm_loadu_ps(p - 1));
        const __m128 pY = _mm_sub_ps(_mm_loadu_ps(p - in.stride), _mm_loadu_ps(p + in.stride));
        const __m128 qX = _mm_sub_ps(_mm_loadu_ps(q + 1), _mm_loadu_ps(q - 1));
        const __m128 qY = _mm_sub_ps(_mm_loadu_ps(q - in.stride), _mm_loadu_ps(q + in.stride));
        const __m128 dot = _mm_add_ps(_mm_mul_ps(qX, pX), _mm_mul_ps(qY, pY));
        const __m128 u = _mm_mul_ps(_mm_sub_ps(pC, minP), invP);
        const __m128 v = _mm_mul_ps(_mm_sub_ps(qC, minQ), invQ);
        // cmpneq is true for NaN, like the scalar !=; cmpgt is false for NaN.
        const __m128 keep = _mm_and_ps(_mm_and_ps(_mm_cmpneq_ps(u, zero), _mm_cmpneq_ps(v, zero)),
                                       _mm_cmpgt_ps(dot, zero));
        const __m128 normP = _mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(pX, pX), _mm_mul_ps(pY, pY)));
        const __m128 normQ = _mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(qX, qX), _mm_mul_ps(qY, qY)));
        const __m128 normProduct = _mm_mul_ps(normP, normQ);
        // std::min(u, v) is (v < u ? v : u) and std::max(u, v) is (u < v ? v : u):
        // minps/maxps with v first return the same operand in every case.
        const __m128 agreement = _mm_div_ps(_mm_min_ps(v, u), _mm_max_ps(v, u));
        const __m128 value = _mm_mul_ps(
            _mm_mul_ps(_mm_sqrt_ps(normProduct), _mm_div_ps(dot, normProduct)), agreement);
        const __m128 column = _mm_div_ps(_mm_sub_ps(pC, black), levelRange);
        const __m128 row =
            _mm_sub_ps(one, _mm_div_ps(_mm_mul_ps(normP, ratio), _mm_add_ps(normQ, normP)));
        const std::size_t i = static_cast<std::size_t>(x);
        _mm_storeu_ps(out.value + i, value);
        _mm_storeu_ps(out.column + i, column);
        _mm_storeu_ps(out.row + i, row);
        const int mask = _mm_movemask_ps(keep);
        for (int lane = 0; lane < 4; ++lane) {
            out.keep[i + static_cast<std::size_t>(lane)] =
                static_cast<std::uint8_t>((mask >> lane) & 1);
        }
    }
    for (; x <= last; ++x) {
        ComputeOne(in, rowStart, x, out);
    }
}

#else

void ComputePairSampleRow(const PairSampleInputs& in, std::size_t rowStart, std::int32_t first,
                          std::int32_t last, const PairSampleOutputs& out) {
    ComputePairSampleRowScalar(in, rowStart, first, last, out);
}

#endif

}  // namespace mirtane
