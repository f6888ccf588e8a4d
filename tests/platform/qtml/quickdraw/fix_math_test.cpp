// Fixed-point arithmetic: rounding, saturation, signs and mixed formats.
#include <gtest/gtest.h>

#include <cmath>

#include "FixMath.h"
#include "ImageCompression.h"
#include "QTMLTestControls.h"

namespace {

constexpr Fixed kHalf = 0x8000;
constexpr Fixed kMax = 0x7FFFFFFF;
constexpr Fixed kMin = INT32_MIN;

TEST(FixMathTest, FixMulRoundsHalvesAwayFromZeroAndSaturates) {
  EXPECT_EQ(FixMul(0x18000, 0x20000), 0x30000);  // 1.5 × 2
  EXPECT_EQ(FixMul(-0x18000, 0x20000), -0x30000);
  EXPECT_EQ(FixMul(1, kHalf), 1);  // half of the smallest step
  EXPECT_EQ(FixMul(-1, kHalf), -1);
  EXPECT_EQ(FixMul(1, kHalf - 1), 0);
  EXPECT_EQ(FixMul(0x7FFF0000, 0x20000), kMax);
  EXPECT_EQ(FixMul(0x7FFF0000, -0x20000), kMin);
  EXPECT_EQ(FixMul(-0x7FFF0000, -0x20000), kMax);
  // The other operand's format carries through: integer × Fixed is an
  // integer, Fract × Fixed a Fract.
  EXPECT_EQ(FixMul(7, 0x18000), 11);  // 10.5 rounds up
  EXPECT_EQ(FixMul(fract1 / 2, 0x30000), fract1 / 2 * 3);
}

TEST(FixMathTest, FixDivRoundsAndGivesTheSignedMaximumForZero) {
  EXPECT_EQ(FixDiv(0x30000, 0x20000), 0x18000);
  EXPECT_EQ(FixDiv(1, 3), 0x5555);  // integers in, Fixed out: 21845.33
  EXPECT_EQ(FixDiv(2, 3), 0xAAAB);  // 43690.67
  EXPECT_EQ(FixDiv(-2, 3), -0xAAAB);
  EXPECT_EQ(FixDiv(2, -3), -0xAAAB);
  EXPECT_EQ(FixDiv(0x10000, 0), kMax);
  EXPECT_EQ(FixDiv(-1, 0), kMin);
  EXPECT_EQ(FixDiv(0, 0), kMax);
  EXPECT_EQ(FixDiv(0x7FFF0000, kHalf), kMax);
  EXPECT_EQ(FixDiv(-0x7FFF0000, kHalf), kMin);
}

TEST(FixMathTest, FractProductsAndQuotients) {
  EXPECT_EQ(FracMul(fract1, fract1), fract1);
  EXPECT_EQ(FracMul(fract1 / 2, -fract1), -fract1 / 2);
  EXPECT_EQ(FracMul(0x60000000, 0x60000000), kMax);  // 1.5² does not fit
  EXPECT_EQ(FracMul(-0x60000000, 0x60000000), kMin);
  EXPECT_EQ(FracMul(0x30000, fract1 / 4), 0xC000);  // Fixed × Fract is Fixed
  EXPECT_EQ(FracDiv(fract1 / 2, fract1), fract1 / 2);
  EXPECT_EQ(FracDiv(1, 3), 0x15555555);
  EXPECT_EQ(FracDiv(-1, 0), kMin);
  EXPECT_EQ(FracDiv(fract1, fract1 / 2 - 1), kMax);  // 2 does not fit
}

TEST(FixMathTest, FixRatioAndFixRound) {
  EXPECT_EQ(FixRatio(1, 2), kHalf);
  EXPECT_EQ(FixRatio(-1, 3), -0x5555);
  EXPECT_EQ(FixRatio(32767, 1), 0x7FFF0000);
  EXPECT_EQ(FixRatio(-32768, -1), kMax);
  EXPECT_EQ(FixRatio(5, 0), kMax);
  EXPECT_EQ(FixRatio(-5, 0), static_cast<Fixed>(0x80000001));

  EXPECT_EQ(FixRound(0x48000), 5);    // 4.5 rounds up
  EXPECT_EQ(FixRound(-0x38000), -3);  // and so does -3.5
  EXPECT_EQ(FixRound(0x47FFF), 4);
  EXPECT_EQ(FixRound(-0x38001), -4);
  EXPECT_EQ(FixRound(0x7FFF7FFF), 32767);
}

TEST(FixMathTest, LongConversionsRoundAwayFromZeroAndSaturate) {
  EXPECT_EQ(Fix2Long(0x28000), 3);
  EXPECT_EQ(Fix2Long(-0x28000), -3);
  EXPECT_EQ(Fix2Long(0x27FFF), 2);
  EXPECT_EQ(Fix2Long(-0x27FFF), -2);
  EXPECT_EQ(Fix2Long(kMax), 32768);
  EXPECT_EQ(Long2Fix(-3), -0x30000);
  EXPECT_EQ(Long2Fix(32767), 0x7FFF0000);
  EXPECT_EQ(Long2Fix(32768), kMax);
  EXPECT_EQ(Long2Fix(-32768), kMin);
  EXPECT_EQ(Long2Fix(-32769), kMin);
}

TEST(FixMathTest, FixedAndFractConvertWithinTheFractRange) {
  EXPECT_EQ(Fix2Frac(fixed1), fract1);
  EXPECT_EQ(Fix2Frac(0x1FFFF), 0x7FFFC000);
  EXPECT_EQ(Fix2Frac(0x20000), kMax);   // 2.0 does not fit
  EXPECT_EQ(Fix2Frac(-0x20000), kMin);  // -2.0 does, exactly
  EXPECT_EQ(Fix2Frac(-0x20001), kMin);
  EXPECT_EQ(Frac2Fix(fract1), fixed1);
  EXPECT_EQ(Frac2Fix(0x2000), 1);  // half a Fixed step
  EXPECT_EQ(Frac2Fix(-0x2000), -1);
  EXPECT_EQ(Frac2Fix(0x1FFF), 0);
}

TEST(FixMathTest, FloatingPointConversions) {
  EXPECT_EQ(Fix2X(0x18000), 1.5);
  EXPECT_EQ(Fix2X(kMin), -32768.0);
  EXPECT_EQ(Frac2X(-fract1 / 4), -0.25);
  EXPECT_EQ(X2Fix(1.5), 0x18000);
  EXPECT_EQ(X2Fix(-1.5), -0x18000);
  EXPECT_EQ(X2Fix(1.0 / 131072), 1);  // half a step rounds away from zero
  EXPECT_EQ(X2Fix(-1.0 / 131072), -1);
  EXPECT_EQ(X2Fix(-32768.0), kMin);
  EXPECT_EQ(X2Fix(32767.99999), kMax);
  EXPECT_EQ(X2Fix(40000.0), kMax);
  EXPECT_EQ(X2Fix(-1e300), kMin);
  EXPECT_EQ(X2Fix(std::nan("")), 0);
  EXPECT_EQ(X2Frac(0.5), fract1 / 2);
  EXPECT_EQ(X2Frac(2.0), kMax);
  EXPECT_EQ(X2Frac(-2.0), kMin);
}

TEST(FixMathTest, FixMulDivKeepsTheWholeProduct) {
  EXPECT_EQ(FixMulDiv(0x30000, 0x20000, 0x40000), 0x18000);
  EXPECT_EQ(FixMulDiv(0x7FFF0000, 0x7FFF0000, 0x7FFF0000), 0x7FFF0000);
  EXPECT_EQ(FixMulDiv(1, 1, 3), 0);
  EXPECT_EQ(FixMulDiv(2, 1, 3), 1);
  EXPECT_EQ(FixMulDiv(-1, fixed1, 0), kMin);
  EXPECT_EQ(FixMulDiv(0x7FFF0000, 4, 1), kMax);
}

TEST(FixMathTest, AnInjectedFaultAnswersZeroAndTheCallIsTraced) {
  QTMLTest_ClearTrace();
  QTMLTest_SetTrace(true);
  QTMLTest_FailCall("FixMul", 1, paramErr);
  EXPECT_EQ(FixMul(fixed1, fixed1), 0);
  EXPECT_EQ(FixMul(fixed1, fixed1), fixed1);
  QTMLTest_SetTrace(false);
  EXPECT_EQ(std::string(QTMLTest_TraceText()),
            "FixMul(65536, 65536) -> 0\nFixMul(65536, 65536) -> 65536\n");
  QTMLTest_ClearTrace();
  QTMLTest_ClearFaults();
}

}  // namespace
