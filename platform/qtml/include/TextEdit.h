/*
 * TextEdit.h: text styles as QuickTime's text descriptions carry them, and
 * the justification values.
 */
#ifndef __TEXTEDIT__
#define __TEXTEDIT__

#include "MacTypes.h"

QTML_EXTERN_C_BEGIN

/* Face bits of a Style. */
enum {
  normal = 0,
  bold = 1,
  italic = 2,
  underline = 4,
  outline = 8,
  shadow = 0x10,
  condense = 0x20,
  extend = 0x40
};
typedef unsigned char Style;
/* A face in a style record: a 16-bit field on this platform. */
typedef SInt16 StyleField;

/* Justification of text. */
enum { teFlushDefault = 0, teCenter = 1, teFlushRight = -1, teFlushLeft = -2 };

/* One style run of a styled text: 20 bytes. */
#pragma pack(push, 2)
typedef struct ScrpSTElement {
  SInt32 scrpStartChar; /* first character of the run */
  SInt16 scrpHeight;    /* line height */
  SInt16 scrpAscent;
  SInt16 scrpFont; /* font number */
  StyleField scrpFace;
  SInt16 scrpSize; /* points */
  RGBColor scrpColor;
} ScrpSTElement;
#pragma pack(pop)

QTML_EXTERN_C_END

#endif /* __TEXTEDIT__ */
