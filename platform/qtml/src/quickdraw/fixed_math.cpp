// Fixed-point arithmetic: FixMath.h over fixed_math.h. These calls report
// no errors, so an injected fault makes them answer 0.
#include "FixMath.h"

#include <cmath>

#include "base/api_call.h"
#include "quickdraw/fixed_math.h"

namespace qtml {

SInt32 FromDouble(double x, int bits) {
  if (std::isnan(x)) return 0;
  double scaled = std::ldexp(x, bits);
  // Compared before converting, so that huge values cannot overflow.
  if (scaled >= 2147483647.5) return kPositiveInfinity;
  if (scaled <= -2147483648.5) return kNegativeInfinity;
  return static_cast<SInt32>(std::llround(scaled));
}

}  // namespace qtml

using qtml::ApiCall;

extern "C" {

Fixed FixMul(Fixed a, Fixed b) try {
  ApiCall call("FixMul", a, b);
  if (call.Fault()) return call.Return<Fixed>(0);
  return call.Return(qtml::MulFixed(a, b));
} catch (...) {
  return qtml::Escaped<Fixed>();
}

Fixed FixDiv(Fixed a, Fixed b) try {
  ApiCall call("FixDiv", a, b);
  if (call.Fault()) return call.Return<Fixed>(0);
  return call.Return(qtml::DivFixed(a, b));
} catch (...) {
  return qtml::Escaped<Fixed>();
}

Fract FracMul(Fract a, Fract b) try {
  ApiCall call("FracMul", a, b);
  if (call.Fault()) return call.Return<Fract>(0);
  return call.Return(qtml::MultiplyShifted(a, b, qtml::kFractBits));
} catch (...) {
  return qtml::Escaped<Fract>();
}

Fract FracDiv(Fract a, Fract b) try {
  ApiCall call("FracDiv", a, b);
  if (call.Fault()) return call.Return<Fract>(0);
  return call.Return(qtml::DivideShifted(a, b, qtml::kFractBits));
} catch (...) {
  return qtml::Escaped<Fract>();
}

Fixed FixRatio(short numer, short denom) try {
  ApiCall call("FixRatio", numer, denom);
  if (call.Fault()) return call.Return<Fixed>(0);
  // Unlike FixDiv, a negative numerator over zero gives the negated
  // maximum rather than the minimum.
  if (denom == 0) {
    Fixed infinity = numer < 0 ? -qtml::kPositiveInfinity : qtml::kPositiveInfinity;
    return call.Return(infinity);
  }
  return call.Return(qtml::DivFixed(numer, denom));
} catch (...) {
  return qtml::Escaped<Fixed>();
}

short FixRound(Fixed x) try {
  ApiCall call("FixRound", x);
  if (call.Fault()) return call.Return<short>(0);
  long long rounded = (static_cast<long long>(x) + 0x8000) >> qtml::kFixedBits;
  return call.Return(static_cast<short>(rounded));
} catch (...) {
  return qtml::Escaped<short>();
}

Fixed Long2Fix(long x) try {
  ApiCall call("Long2Fix", x);
  if (call.Fault()) return call.Return<Fixed>(0);
  return call.Return(qtml::FixedFromLong(x));
} catch (...) {
  return qtml::Escaped<Fixed>();
}

long Fix2Long(Fixed x) try {
  ApiCall call("Fix2Long", x);
  if (call.Fault()) return call.Return<long>(0);
  return call.Return(static_cast<long>(qtml::ShiftRounded(x, qtml::kFixedBits)));
} catch (...) {
  return qtml::Escaped<long>();
}

Fract Fix2Frac(Fixed x) try {
  ApiCall call("Fix2Frac", x);
  if (call.Fault()) return call.Return<Fract>(0);
  return call.Return(
      qtml::Saturate(static_cast<qtml::Wide>(x) << (qtml::kFractBits - qtml::kFixedBits)));
} catch (...) {
  return qtml::Escaped<Fract>();
}

Fixed Frac2Fix(Fract x) try {
  ApiCall call("Frac2Fix", x);
  if (call.Fault()) return call.Return<Fixed>(0);
  return call.Return(
      static_cast<Fixed>(qtml::ShiftRounded(x, qtml::kFractBits - qtml::kFixedBits)));
} catch (...) {
  return qtml::Escaped<Fixed>();
}

double Fix2X(Fixed x) try {
  ApiCall call("Fix2X", x);
  if (call.Fault()) return call.Return(0.0);
  return call.Return(qtml::ToDouble(x, qtml::kFixedBits));
} catch (...) {
  return qtml::Escaped<double>();
}

Fixed X2Fix(double x) try {
  ApiCall call("X2Fix", x);
  if (call.Fault()) return call.Return<Fixed>(0);
  return call.Return(qtml::FromDouble(x, qtml::kFixedBits));
} catch (...) {
  return qtml::Escaped<Fixed>();
}

double Frac2X(Fract x) try {
  ApiCall call("Frac2X", x);
  if (call.Fault()) return call.Return(0.0);
  return call.Return(qtml::ToDouble(x, qtml::kFractBits));
} catch (...) {
  return qtml::Escaped<double>();
}

Fract X2Frac(double x) try {
  ApiCall call("X2Frac", x);
  if (call.Fault()) return call.Return<Fract>(0);
  return call.Return(qtml::FromDouble(x, qtml::kFractBits));
} catch (...) {
  return qtml::Escaped<Fract>();
}

}  // extern "C"
