/*
 * Endian.h: converting 16- and 32-bit values between the machine's byte
 * order (little-endian on this platform) and big-endian, the order of
 * movie files, atom data and resources.
 */
#ifndef __ENDIAN__
#define __ENDIAN__

#include "MacTypes.h"

static inline UInt16 Endian16_Swap(UInt16 value) {
  return (UInt16)((value << 8) | (value >> 8));
}
static inline UInt32 Endian32_Swap(UInt32 value) {
  return (value << 24) | ((value << 8) & 0x00FF0000u) | ((value >> 8) & 0x0000FF00u) |
         (value >> 24);
}

#define EndianU16_BtoN(value) Endian16_Swap((UInt16)(value))
#define EndianU16_NtoB(value) Endian16_Swap((UInt16)(value))
#define EndianU32_BtoN(value) Endian32_Swap((UInt32)(value))
#define EndianU32_NtoB(value) Endian32_Swap((UInt32)(value))
#define EndianS16_BtoN(value) ((SInt16)Endian16_Swap((UInt16)(value)))
#define EndianS16_NtoB(value) ((SInt16)Endian16_Swap((UInt16)(value)))
#define EndianS32_BtoN(value) ((SInt32)Endian32_Swap((UInt32)(value)))
#define EndianS32_NtoB(value) ((SInt32)Endian32_Swap((UInt32)(value)))

#endif /* __ENDIAN__ */
