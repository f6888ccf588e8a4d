/*
 * FixMath.h: fixed-point numbers and their arithmetic.
 *
 * Fixed is a signed 16.16 number (0x00010000 is 1.0); Fract is a signed
 * 2.30 number (0x40000000 is 1.0), for values in [-2, 2). Results that do
 * not fit saturate to the largest value of the right sign: 0x7FFFFFFF
 * (positiveInfinity) or 0x80000000 (negativeInfinity). Unless a call says
 * otherwise, results are rounded to the nearest representable value,
 * halves away from zero.
 */
#ifndef __FIXMATH__
#define __FIXMATH__

#include "MacTypes.h"

QTML_EXTERN_C_BEGIN

#define fixed1 ((Fixed)0x00010000L)
#define fract1 ((Fract)0x40000000L)
#define positiveInfinity ((SInt32)0x7FFFFFFFL)
#define negativeInfinity ((SInt32)0x80000000L)

#define IntToFixed(a) ((Fixed)(a)*fixed1)
#define FixedToInt(a) ((short)(((Fixed)(a) + fixed1 / 2) >> 16))
#define FloatToFixed(a) ((Fixed)((double)(a)*fixed1))
#define FixedToFloat(a) ((double)(a) / fixed1)

/* a × b for two Fixed numbers, or a Fixed and a Fract or integer: the
 * result takes the other operand's format. */
QTML_API Fixed FixMul(Fixed a, Fixed b);
/* a ÷ b. The result is Fixed when both are of one format; a Fract or
 * integer divided by a Fixed keeps a's format. Division by zero gives
 * negativeInfinity when a is negative and positiveInfinity otherwise
 * (so 0/0 is positiveInfinity). */
QTML_API Fixed FixDiv(Fixed a, Fixed b);
/* a × b for two Fract numbers, or a Fract and a Fixed or integer: the
 * result takes the other operand's format. */
QTML_API Fract FracMul(Fract a, Fract b);
/* a ÷ b as a Fract when both are of one format; division by zero as for
 * FixDiv. */
QTML_API Fract FracDiv(Fract a, Fract b);

/* numer ÷ denom as a Fixed. A zero denominator gives 0x7FFFFFFF, or
 * 0x80000001 when numer is negative. */
QTML_API Fixed FixRatio(short numer, short denom);
/* The nearest integer; halves round up (4.5 gives 5, -3.5 gives -3).
 * Values from 32767.5 up do not fit the result and wrap to -32768. */
QTML_API short FixRound(Fixed x);

/* Conversions among long integers, Fixed and Fract. Fix2Long rounds to the
 * nearest integer, halves away from zero; the others saturate when the
 * value is out of the result's range and round when precision is lost. */
QTML_API Fixed Long2Fix(long x);
QTML_API long Fix2Long(Fixed x);
QTML_API Fract Fix2Frac(Fixed x);
QTML_API Fixed Frac2Fix(Fract x);

/* Conversions to and from floating point: exact one way, the best
 * approximation (saturating; NaN gives 0) the other. */
QTML_API double Fix2X(Fixed x);
QTML_API Fixed X2Fix(double x);
QTML_API double Frac2X(Fract x);
QTML_API Fract X2Frac(double x);

QTML_EXTERN_C_END

#endif /* __FIXMATH__ */
