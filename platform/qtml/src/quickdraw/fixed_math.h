// The fixed-point arithmetic behind FixMath.h, for engine code that must
// not go through the traced public calls (per-pixel and per-matrix work).
#pragma once

#include <cstdint>

#include "MacTypes.h"

namespace qtml {

using Wide = __int128;

constexpr int kFixedBits = 16;
constexpr int kFractBits = 30;
constexpr SInt32 kPositiveInfinity = 0x7FFFFFFF;
constexpr SInt32 kNegativeInfinity = INT32_MIN;

// The 32-bit value nearest to `value`, saturating.
constexpr SInt32 Saturate(Wide value) {
  if (value > kPositiveInfinity) return kPositiveInfinity;
  if (value < kNegativeInfinity) return kNegativeInfinity;
  return static_cast<SInt32>(value);
}

// numerator ÷ denominator rounded to the nearest integer, halves away from
// zero; denominator must not be 0.
constexpr Wide DivideRounded(Wide numerator, Wide denominator) {
  bool negative = (numerator < 0) != (denominator < 0);
  Wide n = numerator < 0 ? -numerator : numerator;
  Wide d = denominator < 0 ? -denominator : denominator;
  Wide q = (n + d / 2) / d;
  return negative ? -q : q;
}

// value ÷ 2^bits, rounded as DivideRounded.
constexpr Wide ShiftRounded(Wide value, int bits) {
  return DivideRounded(value, static_cast<Wide>(1) << bits);
}

// a × b ÷ 2^bits: FixMul with bits 16, FracMul with bits 30.
constexpr SInt32 MultiplyShifted(SInt32 a, SInt32 b, int bits) {
  return Saturate(ShiftRounded(static_cast<Wide>(a) * b, bits));
}

// a × 2^bits ÷ b, with the infinities for a zero divisor.
constexpr SInt32 DivideShifted(SInt32 a, SInt32 b, int bits) {
  if (b == 0) return a < 0 ? kNegativeInfinity : kPositiveInfinity;
  return Saturate(DivideRounded(static_cast<Wide>(a) << bits, b));
}

constexpr Fixed MulFixed(Fixed a, Fixed b) {
  return MultiplyShifted(a, b, kFixedBits);
}
constexpr Fixed DivFixed(Fixed a, Fixed b) {
  return DivideShifted(a, b, kFixedBits);
}
constexpr Fixed FixedFromLong(long long x) {
  return Saturate(static_cast<Wide>(x) << kFixedBits);
}

// The Fixed (bits 16) or Fract (bits 30) nearest to x, saturating; NaN
// gives 0.
SInt32 FromDouble(double x, int bits);
inline double ToDouble(SInt32 x, int bits) {
  return static_cast<double>(x) / static_cast<double>(1LL << bits);
}

}  // namespace qtml
