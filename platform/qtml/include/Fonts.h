/*
 * Fonts.h: font numbers and names. The engine knows QuickDraw's classic
 * fonts: 0 "System", 1 the application font (Geneva), 2 "New York",
 * 3 "Geneva", 4 "Monaco", 20 "Times", 21 "Helvetica", 22 "Courier".
 */
#ifndef __FONTS__
#define __FONTS__

#include "MacTypes.h"

QTML_EXTERN_C_BEGIN

enum {
  systemFont = 0,
  applFont = 1,
  kFontIDNewYork = 2,
  kFontIDGeneva = 3,
  kFontIDMonaco = 4,
  kFontIDTimes = 20,
  kFontIDHelvetica = 21,
  kFontIDCourier = 22
};

/* The font's name as a Pascal string; empty for a number not known. */
QTML_API void GetFontName(short familyID, Str255 name);
/* The number of the font named (case-insensitively); 0 when not known. */
QTML_API void GetFNum(ConstStr255Param name, short* familyID);

QTML_EXTERN_C_END

#endif /* __FONTS__ */
