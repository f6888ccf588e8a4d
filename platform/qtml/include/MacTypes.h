/*
 * MacTypes.h: the basic types shared by every QuickTime interface.
 *
 * Widths follow QuickTime's: OSErr is 16 bits, OSStatus, OSType, Fixed,
 * TimeValue and TimeScale 32 bits. Handles and pointers are native
 * pointers. Records keep QuickTime's field order.
 */
#ifndef __MACTYPES__
#define __MACTYPES__

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
#define QTML_EXTERN_C_BEGIN extern "C" {
#define QTML_EXTERN_C_END }
#else
#define QTML_EXTERN_C_BEGIN
#define QTML_EXTERN_C_END
#endif

#define QTML_API __attribute__((visibility("default")))

typedef uint8_t UInt8;
typedef int8_t SInt8;
typedef uint16_t UInt16;
typedef int16_t SInt16;
typedef uint32_t UInt32;
typedef int32_t SInt32;
typedef uint64_t UInt64;
typedef int64_t SInt64;
typedef SInt64 wide;

typedef SInt16 OSErr;
typedef SInt32 OSStatus;
typedef UInt32 FourCharCode;
typedef FourCharCode OSType;
typedef FourCharCode ResType;
typedef UInt8 Boolean;
typedef char* Ptr;
typedef Ptr* Handle;
typedef long Size;
typedef SInt32 Fixed;
typedef Fixed* FixedPtr;
typedef SInt32 Fract;
typedef UInt32 UnsignedFixed;
typedef SInt16 ShortFixed;
typedef SInt8 SignedByte;
typedef UInt8 Byte;
typedef SInt16 ScriptCode;
typedef SInt16 LangCode;
typedef SInt16 RegionCode;
typedef UInt32 TextEncoding;
typedef void* LogicalAddress;
typedef unsigned char Str255[256];
typedef unsigned char Str63[64];
typedef unsigned char Str31[32];
typedef unsigned char* StringPtr;
typedef const unsigned char* ConstStringPtr;
typedef const unsigned char* ConstStr255Param;
typedef const unsigned char* ConstStr63Param;
/* A file's leaf name as the File Manager keeps it: up to 255 bytes, as on
 * Windows, where names are longer than the Mac's 63. */
typedef Str255 StrFileName;
typedef ConstStr255Param ConstStrFileNameParam;
typedef void (*ProcPtr)(void);

#ifndef __cplusplus
#ifndef true
#define true 1
#define false 0
#endif
#endif

#define nil NULL

/* Result codes are typed constants in C++, so that they mix with OSErr
 * values in expressions without enum warnings; in C they are enumerators. */
#ifdef __cplusplus
#define QTML_RESULT_CODE(type, name, value) constexpr type name = (value);
#else
#define QTML_RESULT_CODE(type, name, value) enum { name = (value) };
#endif

QTML_RESULT_CODE(OSErr, noErr, 0)

/* Four-character code from a character literal such as 'moov'. */
#define FOUR_CHAR_CODE(x) ((OSType)(x))

typedef struct Point {
  short v;
  short h;
} Point;

typedef struct Rect {
  short top;
  short left;
  short bottom;
  short right;
} Rect;

typedef struct FixedPoint {
  Fixed x;
  Fixed y;
} FixedPoint;

typedef struct FixedRect {
  Fixed left;
  Fixed top;
  Fixed right;
  Fixed bottom;
} FixedRect;

typedef struct RGBColor {
  unsigned short red;
  unsigned short green;
  unsigned short blue;
} RGBColor;

typedef struct NumVersion {
  UInt8 nonRelRev;
  UInt8 stage;
  UInt8 minorAndBugRev;
  UInt8 majorRev;
} NumVersion;

#endif /* __MACTYPES__ */
