// A fixed comparator network that selects the median (13th smallest) of 25
// values without branches or allocation. It works on plain floats and on the
// four-lane vectors the median filter uses to process four windows at once.
//
// The network is derived at compile time rather than typed in: Batcher's
// odd-even merge sort for 32 inputs, restricted to 25 inputs (the seven
// missing ones act as +infinity, so every comparator that touches them is a
// no-op), then pruned backwards to the comparators whose results can reach the
// middle output. A comparator with only one live output keeps only its min or
// its max. The tests check the result against all 2^25 inputs of zeros and
// ones, which by the 0-1 principle proves it for every input.
#pragma once

#include <array>
#include <cstddef>
#include <utility>

namespace mirtane::median {

enum class Keep { Both, MinOnly, MaxOnly };

struct Comparator {
    int low = 0;   // receives the smaller value
    int high = 0;  // receives the larger value
    Keep keep = Keep::Both;
};

constexpr int kWindowSize = 25;
constexpr int kMiddle = 12;  // index of the 13th smallest

struct Network {
    std::array<Comparator, 256> comparators{};
    std::size_t count = 0;
};

constexpr Network BuildMedianNetwork() {
    constexpr int kPadded = 32;
    std::array<Comparator, 256> sorter{};
    std::size_t sorterCount = 0;
    for (int p = 1; p < kPadded; p *= 2) {
        for (int k = p; k >= 1; k /= 2) {
            for (int j = k % p; j < kPadded - k; j += 2 * k) {
                for (int i = 0; i < k && i < kPadded - j - k; ++i) {
                    const int a = i + j;
                    const int b = i + j + k;
                    if (a / (2 * p) != b / (2 * p)) continue;
                    if (b >= kWindowSize) continue;  // partner is +infinity: never swaps
                    sorter[sorterCount++] = Comparator{a, b, Keep::Both};
                }
            }
        }
    }
    bool live[kWindowSize] = {};
    live[kMiddle] = true;
    std::array<Comparator, 256> kept{};
    std::size_t keptCount = 0;
    for (std::size_t n = sorterCount; n-- > 0;) {
        Comparator c = sorter[n];
        const bool lowLive = live[c.low];
        const bool highLive = live[c.high];
        if (!lowLive && !highLive) continue;
        c.keep = lowLive && highLive ? Keep::Both : (lowLive ? Keep::MinOnly : Keep::MaxOnly);
        live[c.low] = true;
        live[c.high] = true;
        kept[keptCount++] = c;
    }
    Network network;
    for (std::size_t n = 0; n < keptCount; ++n)
        network.comparators[n] = kept[keptCount - 1 - n];
    network.count = keptCount;
    return network;
}

inline constexpr Network kMedianNetwork = BuildMedianNetwork();

// Element-wise minimum and maximum. For floats and for GCC vector types alike
// these compile to the processor's min and max instructions.
template <typename T>
inline T Smaller(T a, T b) {
    return b < a ? b : a;
}
template <typename T>
inline T Larger(T a, T b) {
    return a < b ? b : a;
}

template <typename T, std::size_t I>
inline void Apply(T* v) {
    constexpr Comparator c = kMedianNetwork.comparators[I];
    if constexpr (c.keep == Keep::Both) {
        const T low = Smaller(v[c.low], v[c.high]);
        const T high = Larger(v[c.low], v[c.high]);
        v[c.low] = low;
        v[c.high] = high;
    } else if constexpr (c.keep == Keep::MinOnly) {
        v[c.low] = Smaller(v[c.low], v[c.high]);
    } else {
        v[c.high] = Larger(v[c.low], v[c.high]);
    }
}

template <typename T, std::size_t... I>
inline void ApplyAll(T* v, std::index_sequence<I...>) {
    (Apply<T, I>(v), ...);
}

// Returns the 13th smallest of the 25 values; the window is scrambled. Values
// must not be NaN.
template <typename T>
inline T Median25(T (&window)[kWindowSize]) {
    ApplyAll<T>(window, std::make_index_sequence<kMedianNetwork.count>{});
    return window[kMiddle];
}

}  // namespace mirtane::median
