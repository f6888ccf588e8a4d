/*
 * MacMemory.h: the Memory Manager. A Handle points to a master pointer
 * that points to the block; an unlocked block may move when it grows, so
 * callers must not keep *handle across a call that can resize it.
 * Every call sets the result that MemError() answers.
 */
#ifndef __MACMEMORY__
#define __MACMEMORY__

#include "MacErrors.h"
#include "MacTypes.h"

QTML_EXTERN_C_BEGIN

/* Handle state bits, as HGetState answers them. */
enum {
  kHandleIsResourceBit = 5,
  kHandlePurgeableBit = 6,
  kHandleLockedBit = 7,
  kHandleIsResourceMask = 0x20,
  kHandlePurgeableMask = 0x40,
  kHandleLockedMask = 0x80
};

/* The result of the last Memory Manager call. */
QTML_API OSErr MemError(void);

/* A new relocatable block of byteCount bytes, or nil (MemError says why).
 * The caller owns it and releases it with DisposeHandle. */
QTML_API Handle NewHandle(Size byteCount);
QTML_API Handle NewHandleClear(Size byteCount);
QTML_API void DisposeHandle(Handle h);
QTML_API Size GetHandleSize(Handle h);
/* Resizes h, keeping its first bytes. An unlocked block may move; a locked
 * block only changes size in place and answers memFullErr otherwise. */
QTML_API void SetHandleSize(Handle h, Size newSize);
QTML_API void HLock(Handle h);
QTML_API void HUnlock(Handle h);
QTML_API void HPurge(Handle h);
QTML_API void HNoPurge(Handle h);
QTML_API SInt8 HGetState(Handle h);
QTML_API void HSetState(Handle h, SInt8 flags);
QTML_API void MoveHHi(Handle h);
/* Empties h without disposing of it: the master pointer becomes nil. */
QTML_API void EmptyHandle(Handle h);
/* Gives an emptied handle a block of byteCount bytes again. */
QTML_API void ReallocateHandle(Handle h, Size byteCount);

/* A new handle holding a copy of size bytes at srcPtr. */
QTML_API OSErr PtrToHand(const void* srcPtr, Handle* dstHndl, long size);
/* Replaces the contents of an existing handle with a copy of size bytes. */
QTML_API OSErr PtrToXHand(const void* srcPtr, Handle dstHndl, long size);
/* Appends size bytes at ptr1 to hand2. */
QTML_API OSErr PtrAndHand(const void* ptr1, Handle hand2, long size);
/* Replaces *theHndl with a new handle holding a copy of its contents; the
 * original stays owned by the caller. */
QTML_API OSErr HandToHand(Handle* theHndl);
/* Appends the contents of hand1 to hand2. */
QTML_API OSErr HandAndHand(Handle hand1, Handle hand2);

/* A new non-relocatable block, or nil. Released with DisposePtr. */
QTML_API Ptr NewPtr(Size byteCount);
QTML_API Ptr NewPtrClear(Size byteCount);
QTML_API void DisposePtr(Ptr p);
QTML_API Size GetPtrSize(Ptr p);

/* Copies byteCount bytes; the areas may overlap. */
QTML_API void BlockMove(const void* srcPtr, void* destPtr, Size byteCount);
QTML_API void BlockMoveData(const void* srcPtr, void* destPtr, Size byteCount);

QTML_EXTERN_C_END

#endif /* __MACMEMORY__ */
