// The engine's one allocator, and the Memory Manager's handles as the rest
// of the engine uses them (untraced, without touching MemError).
#pragma once

#include <cstddef>
#include <new>
#include <utility>

#include "MacErrors.h"
#include "MacTypes.h"
#include "base/api_call.h"

namespace qtml {

// Every allocation of the engine goes through these, so that allocation
// faults reach all of them. nullptr when the allocation fails or a fault
// says it must.
void* AllocateBytes(size_t size) noexcept;
void* AllocateZeroedBytes(size_t size) noexcept;
void FreeBytes(void* block) noexcept;

// A new T, or nullptr under an allocation fault or when memory is short,
// the memory of T's own members included.
template <typename T, typename... Args>
T* NewObject(Args&&... args) noexcept {
  if (!AllocationAllowed()) return nullptr;
  try {
    return new T(std::forward<Args>(args)...);
  } catch (...) {
    return nullptr;
  }
}

// Runs body and answers its result, or `failure` if it throws (the engine
// uses standard containers inside; nothing escapes a public entry).
template <typename T, typename F>
T Guarded(T failure, F&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return failure;
  }
}

template <typename F>
void GuardedVoid(F&& body) noexcept {
  try {
    body();
  } catch (...) {
  }
}

// Handles. A handle not made by the engine (or disposed of) is told apart
// from a live one: calls on it answer nilHandleErr (nil) or memWZErr.
bool IsHandle(Handle h) noexcept;
OSErr CheckHandle(Handle h) noexcept;
// A new handle of `size` bytes (zeroed when `clear`), or nullptr with *err.
Handle NewHandleBytes(Size size, bool clear, OSErr* err) noexcept;
void FreeHandle(Handle h) noexcept;
Size HandleSize(Handle h) noexcept;  // 0 for a handle that is not live
// Resizes, keeping the first bytes; new bytes are not cleared.
OSErr ResizeHandle(Handle h, Size size) noexcept;
// Replaces the contents with a copy of `size` bytes from `data`.
OSErr SetHandleBytes(Handle h, const void* data, Size size) noexcept;
// Inserts `size` bytes at `offset` (data nullptr: zeroes).
OSErr InsertHandleBytes(Handle h, Size offset, const void* data, Size size) noexcept;
OSErr RemoveHandleBytes(Handle h, Size offset, Size size) noexcept;
SInt8 HandleState(Handle h) noexcept;
void SetHandleState(Handle h, SInt8 state) noexcept;

void SetMemError(OSErr err) noexcept;

// Live blocks, for leak checks in tests.
long LiveHandleCount() noexcept;
long LivePtrCount() noexcept;

}  // namespace qtml
