// Handles and pointers of the Memory Manager.
//
// A handle is the address of the first field of a HandleBlock, the master
// pointer. Growing an unlocked block beyond its capacity moves it to a new
// allocation, as QuickTime's may; a locked block never moves. Pointers
// carry their size in a header just before the bytes the caller sees.
#include "memory/memory.h"

#include <cstdlib>
#include <cstring>
#include <unordered_set>

#include "MacMemory.h"

namespace qtml {
namespace {

struct HandleBlock {
  Ptr master;  // first: a Handle is the address of this field
  Size size;
  Size capacity;
  SInt8 state;
};

struct alignas(std::max_align_t) PtrHeader {
  Size size;
};

OSErr gMemError = noErr;

std::unordered_set<const void*>& LiveHandles() {
  static std::unordered_set<const void*> live;
  return live;
}

std::unordered_set<const void*>& LivePtrs() {
  static std::unordered_set<const void*> live;
  return live;
}

// Remembers a new block; false when even that bookkeeping cannot be done.
bool Remember(std::unordered_set<const void*>& live, const void* block) noexcept {
  try {
    live.insert(block);
    return true;
  } catch (...) {
    return false;
  }
}

HandleBlock* BlockOf(Handle h) noexcept {
  if (h == nullptr || LiveHandles().count(h) == 0) return nullptr;
  return reinterpret_cast<HandleBlock*>(h);
}

bool Locked(const HandleBlock& block) {
  return (block.state & kHandleLockedMask) != 0;
}

// Room for at least `size` bytes; new bytes keep whatever was there.
OSErr Reserve(HandleBlock& block, Size size) {
  if (size <= block.capacity && block.master != nullptr) return noErr;
  if (Locked(block) && block.master != nullptr) return memFullErr;
  // Grow by half again so that repeated appends stay linear.
  Size capacity = size < 16 ? 16 : size;
  if (block.master != nullptr && capacity < block.capacity + block.capacity / 2) {
    capacity = block.capacity + block.capacity / 2;
  }
  Ptr bytes = static_cast<Ptr>(AllocateBytes(static_cast<size_t>(capacity)));
  if (bytes == nullptr) return memFullErr;
  if (block.master != nullptr) std::memcpy(bytes, block.master, static_cast<size_t>(block.size));
  FreeBytes(block.master);
  block.master = bytes;
  block.capacity = capacity;
  return noErr;
}

}  // namespace

void* AllocateBytes(size_t size) noexcept {
  if (!AllocationAllowed()) return nullptr;
  return std::malloc(size == 0 ? 1 : size);
}

void* AllocateZeroedBytes(size_t size) noexcept {
  if (!AllocationAllowed()) return nullptr;
  return std::calloc(size == 0 ? 1 : size, 1);
}

void FreeBytes(void* block) noexcept {
  std::free(block);
}

bool IsHandle(Handle h) noexcept {
  return BlockOf(h) != nullptr;
}

OSErr CheckHandle(Handle h) noexcept {
  if (h == nullptr) return nilHandleErr;
  return IsHandle(h) ? noErr : memWZErr;
}

Handle NewHandleBytes(Size size, bool clear, OSErr* err) noexcept {
  *err = noErr;
  if (size < 0) {
    *err = memSCErr;
    return nullptr;
  }
  auto* block = static_cast<HandleBlock*>(AllocateBytes(sizeof(HandleBlock)));
  void* bytes = clear ? AllocateZeroedBytes(static_cast<size_t>(size))
                      : AllocateBytes(static_cast<size_t>(size));
  if (block == nullptr || bytes == nullptr || !Remember(LiveHandles(), block)) {
    FreeBytes(bytes);
    FreeBytes(block);
    *err = memFullErr;
    return nullptr;
  }
  *block = HandleBlock{static_cast<Ptr>(bytes), size, size == 0 ? 1 : size, 0};
  return &block->master;
}

void FreeHandle(Handle h) noexcept {
  HandleBlock* block = BlockOf(h);
  if (block == nullptr) return;
  LiveHandles().erase(block);
  FreeBytes(block->master);
  FreeBytes(block);
}

Size HandleSize(Handle h) noexcept {
  HandleBlock* block = BlockOf(h);
  return block == nullptr ? 0 : block->size;
}

OSErr ResizeHandle(Handle h, Size size) noexcept {
  HandleBlock* block = BlockOf(h);
  if (block == nullptr) return CheckHandle(h);
  if (size < 0) return memSCErr;
  if (block->master == nullptr) return nilHandleErr;  // emptied: ReallocateHandle first
  OSErr err = Reserve(*block, size);
  if (err == noErr) block->size = size;
  return err;
}

OSErr SetHandleBytes(Handle h, const void* data, Size size) noexcept {
  OSErr err = ResizeHandle(h, size);
  if (err == noErr && size > 0) std::memmove(*h, data, static_cast<size_t>(size));
  return err;
}

OSErr InsertHandleBytes(Handle h, Size offset, const void* data, Size size) noexcept {
  Size old = HandleSize(h);
  if (offset < 0 || offset > old || size < 0) return paramErr;
  OSErr err = ResizeHandle(h, old + size);
  if (err != noErr) return err;
  std::memmove(*h + offset + size, *h + offset, static_cast<size_t>(old - offset));
  if (data != nullptr) {
    std::memcpy(*h + offset, data, static_cast<size_t>(size));
  } else {
    std::memset(*h + offset, 0, static_cast<size_t>(size));
  }
  return noErr;
}

OSErr RemoveHandleBytes(Handle h, Size offset, Size size) noexcept {
  Size old = HandleSize(h);
  if (offset < 0 || size < 0 || offset + size > old) return paramErr;
  std::memmove(*h + offset, *h + offset + size, static_cast<size_t>(old - offset - size));
  return ResizeHandle(h, old - size);
}

SInt8 HandleState(Handle h) noexcept {
  HandleBlock* block = BlockOf(h);
  return block == nullptr ? 0 : block->state;
}

void SetHandleState(Handle h, SInt8 state) noexcept {
  HandleBlock* block = BlockOf(h);
  if (block != nullptr) block->state = state;
}

void SetMemError(OSErr err) noexcept {
  gMemError = err;
}

long LiveHandleCount() noexcept {
  return static_cast<long>(LiveHandles().size());
}

long LivePtrCount() noexcept {
  return static_cast<long>(LivePtrs().size());
}

namespace {

Ptr NewPtrBytes(Size size, bool clear) noexcept {
  if (size < 0) {
    SetMemError(memSCErr);
    return nullptr;
  }
  size_t total = sizeof(PtrHeader) + static_cast<size_t>(size);
  void* block = clear ? AllocateZeroedBytes(total) : AllocateBytes(total);
  if (block == nullptr || !Remember(LivePtrs(), block)) {
    FreeBytes(block);
    SetMemError(memFullErr);
    return nullptr;
  }
  static_cast<PtrHeader*>(block)->size = size;
  SetMemError(noErr);
  return reinterpret_cast<Ptr>(static_cast<PtrHeader*>(block) + 1);
}

PtrHeader* HeaderOf(Ptr p) noexcept {
  if (p == nullptr) return nullptr;
  PtrHeader* header = reinterpret_cast<PtrHeader*>(p) - 1;
  return LivePtrs().count(header) == 0 ? nullptr : header;
}

// Handle calls that only read or flip state answer through MemError.
template <typename F>
void WithBlock(Handle h, F&& body) {
  HandleBlock* block = BlockOf(h);
  if (block == nullptr) {
    SetMemError(CheckHandle(h));
    return;
  }
  body(*block);
  SetMemError(noErr);
}

}  // namespace
}  // namespace qtml

using qtml::ApiCall;
using qtml::SetMemError;

extern "C" {

OSErr MemError(void) try {
  ApiCall call("MemError");
  if (OSErr fault = call.Fault()) return call.Return(fault);
  return call.Return(qtml::gMemError);
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

Handle NewHandle(Size byteCount) try {
  ApiCall call("NewHandle", byteCount);
  if (OSErr fault = call.Fault()) {
    SetMemError(fault);
    return call.Return<Handle>(nullptr);
  }
  OSErr err = noErr;
  Handle h = qtml::NewHandleBytes(byteCount, false, &err);
  SetMemError(err);
  return call.Return(h);
} catch (...) {
  return qtml::Escaped<Handle>();
}

Handle NewHandleClear(Size byteCount) try {
  ApiCall call("NewHandleClear", byteCount);
  if (OSErr fault = call.Fault()) {
    SetMemError(fault);
    return call.Return<Handle>(nullptr);
  }
  OSErr err = noErr;
  Handle h = qtml::NewHandleBytes(byteCount, true, &err);
  SetMemError(err);
  return call.Return(h);
} catch (...) {
  return qtml::Escaped<Handle>();
}

void DisposeHandle(Handle h) try {
  ApiCall call("DisposeHandle", h);
  if (OSErr fault = call.Fault()) return SetMemError(fault);
  OSErr err = qtml::CheckHandle(h);
  qtml::FreeHandle(h);
  SetMemError(err);
} catch (...) {
  return qtml::Escaped<void>();
}

Size GetHandleSize(Handle h) try {
  ApiCall call("GetHandleSize", h);
  if (OSErr fault = call.Fault()) {
    SetMemError(fault);
    return call.Return<Size>(0);
  }
  SetMemError(qtml::CheckHandle(h));
  return call.Return(qtml::HandleSize(h));
} catch (...) {
  return qtml::Escaped<Size>();
}

void SetHandleSize(Handle h, Size newSize) try {
  ApiCall call("SetHandleSize", h, newSize);
  if (OSErr fault = call.Fault()) return SetMemError(fault);
  SetMemError(qtml::ResizeHandle(h, newSize));
} catch (...) {
  return qtml::Escaped<void>();
}

void HLock(Handle h) try {
  ApiCall call("HLock", h);
  if (OSErr fault = call.Fault()) return SetMemError(fault);
  qtml::WithBlock(h, [](qtml::HandleBlock& block) { block.state |= kHandleLockedMask; });
} catch (...) {
  return qtml::Escaped<void>();
}

void HUnlock(Handle h) try {
  ApiCall call("HUnlock", h);
  if (OSErr fault = call.Fault()) return SetMemError(fault);
  qtml::WithBlock(h, [](qtml::HandleBlock& block) {
    block.state = static_cast<SInt8>(block.state & ~kHandleLockedMask);
  });
} catch (...) {
  return qtml::Escaped<void>();
}

void HPurge(Handle h) try {
  ApiCall call("HPurge", h);
  if (OSErr fault = call.Fault()) return SetMemError(fault);
  qtml::WithBlock(h, [](qtml::HandleBlock& block) { block.state |= kHandlePurgeableMask; });
} catch (...) {
  return qtml::Escaped<void>();
}

void HNoPurge(Handle h) try {
  ApiCall call("HNoPurge", h);
  if (OSErr fault = call.Fault()) return SetMemError(fault);
  qtml::WithBlock(h, [](qtml::HandleBlock& block) {
    block.state = static_cast<SInt8>(block.state & ~kHandlePurgeableMask);
  });
} catch (...) {
  return qtml::Escaped<void>();
}

SInt8 HGetState(Handle h) try {
  ApiCall call("HGetState", h);
  if (OSErr fault = call.Fault()) {
    SetMemError(fault);
    return call.Return<SInt8>(0);
  }
  SetMemError(qtml::CheckHandle(h));
  return call.Return(qtml::HandleState(h));
} catch (...) {
  return qtml::Escaped<SInt8>();
}

void HSetState(Handle h, SInt8 flags) try {
  ApiCall call("HSetState", h, flags);
  if (OSErr fault = call.Fault()) return SetMemError(fault);
  qtml::WithBlock(h, [flags](qtml::HandleBlock& block) { block.state = flags; });
} catch (...) {
  return qtml::Escaped<void>();
}

void MoveHHi(Handle h) try {
  ApiCall call("MoveHHi", h);
  if (OSErr fault = call.Fault()) return SetMemError(fault);
  // There is no heap to compact: blocks stay where they are.
  qtml::WithBlock(h, [](qtml::HandleBlock&) {});
} catch (...) {
  return qtml::Escaped<void>();
}

void EmptyHandle(Handle h) try {
  ApiCall call("EmptyHandle", h);
  if (OSErr fault = call.Fault()) return SetMemError(fault);
  qtml::HandleBlock* block = qtml::BlockOf(h);
  if (block == nullptr) return SetMemError(qtml::CheckHandle(h));
  if (qtml::Locked(*block)) return SetMemError(memLockedErr);
  qtml::FreeBytes(block->master);
  *block = qtml::HandleBlock{nullptr, 0, 0, block->state};
  SetMemError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

void ReallocateHandle(Handle h, Size byteCount) try {
  ApiCall call("ReallocateHandle", h, byteCount);
  if (OSErr fault = call.Fault()) return SetMemError(fault);
  qtml::HandleBlock* block = qtml::BlockOf(h);
  if (block == nullptr) return SetMemError(qtml::CheckHandle(h));
  if (qtml::Locked(*block)) return SetMemError(memLockedErr);
  if (byteCount < 0) return SetMemError(memSCErr);
  Ptr bytes = static_cast<Ptr>(qtml::AllocateBytes(static_cast<size_t>(byteCount)));
  if (bytes == nullptr) return SetMemError(memFullErr);
  qtml::FreeBytes(block->master);
  *block = qtml::HandleBlock{bytes, byteCount, byteCount == 0 ? 1 : byteCount, block->state};
  SetMemError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

OSErr PtrToHand(const void* srcPtr, Handle* dstHndl, long size) try {
  ApiCall call("PtrToHand", srcPtr, dstHndl, size);
  OSErr err = call.Fault();
  if (err == noErr && (dstHndl == nullptr || size < 0 || (srcPtr == nullptr && size > 0))) {
    err = paramErr;
  }
  Handle h = nullptr;
  if (err == noErr) h = qtml::NewHandleBytes(size, false, &err);
  if (h != nullptr && size > 0) std::memcpy(*h, srcPtr, static_cast<size_t>(size));
  if (dstHndl != nullptr) *dstHndl = h;
  SetMemError(err);
  return call.Return(err);
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr PtrToXHand(const void* srcPtr, Handle dstHndl, long size) try {
  ApiCall call("PtrToXHand", srcPtr, dstHndl, size);
  OSErr err = call.Fault();
  if (err == noErr && (size < 0 || (srcPtr == nullptr && size > 0))) err = paramErr;
  if (err == noErr) err = qtml::SetHandleBytes(dstHndl, srcPtr, size);
  SetMemError(err);
  return call.Return(err);
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr PtrAndHand(const void* ptr1, Handle hand2, long size) try {
  ApiCall call("PtrAndHand", ptr1, hand2, size);
  OSErr err = call.Fault();
  if (err == noErr && (size < 0 || (ptr1 == nullptr && size > 0))) err = paramErr;
  if (err == noErr) err = qtml::CheckHandle(hand2);
  if (err == noErr) {
    Size old = qtml::HandleSize(hand2);
    // The bytes may come from hand2 itself, which can move as it grows.
    const char* source = static_cast<const char*>(ptr1);
    bool inside = source >= *hand2 && source < *hand2 + old;
    Size from = inside ? source - *hand2 : 0;
    err = qtml::ResizeHandle(hand2, old + size);
    if (err == noErr && size > 0) {
      std::memmove(*hand2 + old, inside ? *hand2 + from : source, static_cast<size_t>(size));
    }
  }
  SetMemError(err);
  return call.Return(err);
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr HandToHand(Handle* theHndl) try {
  ApiCall call("HandToHand", theHndl);
  OSErr err = call.Fault();
  if (err == noErr && theHndl == nullptr) err = paramErr;
  if (err == noErr) err = qtml::CheckHandle(*theHndl);
  if (err == noErr) {
    Size size = qtml::HandleSize(*theHndl);
    Handle copy = qtml::NewHandleBytes(size, false, &err);
    if (copy != nullptr) {
      if (size > 0) std::memcpy(*copy, **theHndl, static_cast<size_t>(size));
      *theHndl = copy;
    }
  }
  SetMemError(err);
  return call.Return(err);
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr HandAndHand(Handle hand1, Handle hand2) try {
  ApiCall call("HandAndHand", hand1, hand2);
  OSErr err = call.Fault();
  if (err == noErr) err = qtml::CheckHandle(hand1);
  if (err == noErr) err = qtml::CheckHandle(hand2);
  if (err == noErr) {
    Size size1 = qtml::HandleSize(hand1);
    Size size2 = qtml::HandleSize(hand2);
    err = qtml::ResizeHandle(hand2, size1 + size2);
    // Read hand1 only after the resize: when it is hand2, it has moved.
    if (err == noErr && size1 > 0) {
      std::memmove(*hand2 + size2, *hand1, static_cast<size_t>(size1));
    }
  }
  SetMemError(err);
  return call.Return(err);
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

Ptr NewPtr(Size byteCount) try {
  ApiCall call("NewPtr", byteCount);
  if (OSErr fault = call.Fault()) {
    SetMemError(fault);
    return call.Return<Ptr>(nullptr);
  }
  return call.Return(qtml::NewPtrBytes(byteCount, false));
} catch (...) {
  return qtml::Escaped<Ptr>();
}

Ptr NewPtrClear(Size byteCount) try {
  ApiCall call("NewPtrClear", byteCount);
  if (OSErr fault = call.Fault()) {
    SetMemError(fault);
    return call.Return<Ptr>(nullptr);
  }
  return call.Return(qtml::NewPtrBytes(byteCount, true));
} catch (...) {
  return qtml::Escaped<Ptr>();
}

void DisposePtr(Ptr p) try {
  ApiCall call("DisposePtr", static_cast<const void*>(p));
  if (OSErr fault = call.Fault()) return SetMemError(fault);
  qtml::PtrHeader* header = qtml::HeaderOf(p);
  if (header == nullptr) return SetMemError(p == nullptr ? noErr : memWZErr);
  qtml::LivePtrs().erase(header);
  qtml::FreeBytes(header);
  SetMemError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

Size GetPtrSize(Ptr p) try {
  ApiCall call("GetPtrSize", static_cast<const void*>(p));
  if (OSErr fault = call.Fault()) {
    SetMemError(fault);
    return call.Return<Size>(0);
  }
  qtml::PtrHeader* header = qtml::HeaderOf(p);
  SetMemError(header == nullptr ? memWZErr : noErr);
  return call.Return<Size>(header == nullptr ? 0 : header->size);
} catch (...) {
  return qtml::Escaped<Size>();
}

void BlockMove(const void* srcPtr, void* destPtr, Size byteCount) try {
  ApiCall call("BlockMove", srcPtr, destPtr, byteCount);
  if (call.Fault() != noErr || byteCount <= 0) return;
  std::memmove(destPtr, srcPtr, static_cast<size_t>(byteCount));
} catch (...) {
  return qtml::Escaped<void>();
}

void BlockMoveData(const void* srcPtr, void* destPtr, Size byteCount) try {
  ApiCall call("BlockMoveData", srcPtr, destPtr, byteCount);
  if (call.Fault() != noErr || byteCount <= 0) return;
  std::memmove(destPtr, srcPtr, static_cast<size_t>(byteCount));
} catch (...) {
  return qtml::Escaped<void>();
}

}  // extern "C"
