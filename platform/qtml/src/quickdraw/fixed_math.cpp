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

Fixed FixMul(Fixed a, Fixed b) {
  ApiCall call("FixMul", a, b);
  if (call.Fault()) return call.Return<Fixed>(0);
  return call.Return(qtml::MulFixed(a, b));
}

Fixed FixDiv(Fixed a, Fixed b) {
  ApiCall call("FixDiv", a, b);
  if (call.Fault()) return call.Return<Fixed>(0);
  return call.Return(qtml::DivFixed(a, b));
}

Fract FracMul(Fract a, Fract b) {
  ApiCall call("FracMul", a, b);
  if (call.Fault()) return call.Return<Fract>(0);
  return call.Return(qtml::MultiplyShifted(a, b, qtml::kFractBits));
}

Fract FracDiv(Fract a, Fract b) {
  ApiCall call("FracDiv", a, b);
  if (call.Fault()) return call.Return<Fract>(0);
  return call.Return(qtml::DivideShifted(a, b, qtml::kFractBits));
}

Fixed FixRatio(short numer, short denom) {
  ApiCall call("FixRatio", numer, denom);
  if (call.Fault()) return call.Return<Fixed>(0);
  // Unlike FixDiv, a negative numerator over zero gives the negated
  // maximum rather than the minimum.
  if (denom == 0) {
    Fixed infinity = numer < 0 ? -qtml::kPositiveInfinity : qtml::kPositiveInfinity;
    return call.Return(infinity);
  }
  return call.Return(qtml::DivFixed(numer, denom));
}

short FixRound(Fixed x) {
  ApiCall call("FixRound", x);
  if (call.Fault()) return call.Return<short>(0);
  long long rounded = (static_cast<long long>(x) + 0x8000) >> qtml::kFixedBits;
  return call.Return(static_cast<short>(rounded));
}

Fixed Long2Fix(long x) {
  ApiCall call("Long2Fix", x);
  if (call.Fault()) return call.Return<Fixed>(0);
  return call.Return(qtml::FixedFromLong(x));
}

long Fix2Long(Fixed x) {
  ApiCall call("Fix2Long", x);
  if (call.Fault()) return call.Return<long>(0);
  return call.Return(static_cast<long>(qtml::ShiftRounded(x, qtml::kFixedBits)));
}

Fract Fix2Frac(Fixed x) {
  ApiCall call("Fix2Frac", x);
  if (call.Fault()) return call.Return<Fract>(0);
  return call.Return(
      qtml::Saturate(static_cast<qtml::Wide>(x) << (qtml::kFractBits - qtml::kFixedBits)));
}

Fixed Frac2Fix(Fract x) {
  ApiCall call("Frac2Fix", x);
  if (call.Fault()) return call.Return<Fixed>(0);
  return call.Return(
      static_cast<Fixed>(qtml::ShiftRounded(x, qtml::kFractBits - qtml::kFixedBits)));
}

double Fix2X(Fixed x) {
  ApiCall call("Fix2X", x);
  if (call.Fault()) return call.Return(0.0);
  return call.Return(qtml::ToDouble(x, qtml::kFixedBits));
}

Fixed X2Fix(double x) {
  ApiCall call("X2Fix", x);
  if (call.Fault()) return call.Return<Fixed>(0);
  return call.Return(qtml::FromDouble(x, qtml::kFixedBits));
}

double Frac2X(Fract x) {
  ApiCall call("Frac2X", x);
  if (call.Fault()) return call.Return(0.0);
  return call.Return(qtml::ToDouble(x, qtml::kFractBits));
}

Fract X2Frac(double x) {
  ApiCall call("X2Frac", x);
  if (call.Fault()) return call.Return<Fract>(0);
  return call.Return(qtml::FromDouble(x, qtml::kFractBits));
}

}  // extern "C"
