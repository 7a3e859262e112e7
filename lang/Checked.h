// Arithmetic that must not go wrong silently, for every layer: 32-bit integer operations that
// detect overflow, a division that refuses a zero divisor, the conversion of a percentage to a
// 16-bit whole number and a 16-bit counter. Each failure throws ArithmeticFailure, which the
// failure scope of the procedure that owns the work catches and reports.
#pragma once

#include <cmath>
#include <cstdint>

struct ArithmeticFailure {};

inline int32_t CheckedAdd(int32_t a, int32_t b) {
    int32_t result;
    if (__builtin_add_overflow(a, b, &result)) throw ArithmeticFailure{};
    return result;
}

inline int32_t CheckedSub(int32_t a, int32_t b) {
    int32_t result;
    if (__builtin_sub_overflow(a, b, &result)) throw ArithmeticFailure{};
    return result;
}

inline int32_t CheckedMul(int32_t a, int32_t b) {
    int32_t result;
    if (__builtin_mul_overflow(a, b, &result)) throw ArithmeticFailure{};
    return result;
}

inline double CheckedDivide(double dividend, double divisor) {
    if (divisor == 0) throw ArithmeticFailure{};
    return dividend / divisor;
}

// Rounds to the nearest whole number, halves to the even neighbour (2.5 → 2, 3.5 → 4).
inline int16_t ToInt16HalfEven(double value) {
    const double rounded = std::nearbyint(value);  // the default rounding mode is half to even
    if (!(rounded >= INT16_MIN && rounded <= INT16_MAX)) throw ArithmeticFailure{};
    return static_cast<int16_t>(rounded);
}

// The same for 32-bit whole numbers.
inline int32_t ToInt32HalfEven(double value) {
    const double rounded = std::nearbyint(value);
    if (!(rounded >= INT32_MIN && rounded <= INT32_MAX)) throw ArithmeticFailure{};
    return static_cast<int32_t>(rounded);
}

// A time span from two readings of a millisecond counter that wraps at 2^32: correct also
// when the counter passes from its highest to its lowest value in between.
inline int32_t TickSpan(int32_t start, int32_t end) {
    return static_cast<int32_t>(static_cast<uint32_t>(end) - static_cast<uint32_t>(start));
}

// Adds 1 in place; a counter at 32767 fails and keeps its value.
inline void IncrementCounter(int16_t& counter) {
    if (counter == INT16_MAX) throw ArithmeticFailure{};
    ++counter;
}
