// The engine's own operator new: every allocation made inside an engine
// call, standard containers' included, is subject to the allocation
// faults of the test controls, and a failed one throws std::bad_alloc for
// the call's guard to answer. The library exports none of this (its
// symbols are hidden), so only the engine's own code allocates through it.
// The memory itself comes from the C++ library's nothrow operator new, so
// that the library's operator delete frees it.
#include <cstdlib>
#include <new>

#include "base/api_call.h"

namespace {

// Where the C++ library's nothrow operator new is built on the plain one
// and this replaces the plain one for the whole program (a program that
// links the engine's objects), the library calls back in here: then the
// memory comes from malloc, which is what the library's operator new would
// have used.
thread_local bool tAllocating = false;

template <typename Get, typename Fallback>
void* Allocate(Get get, Fallback fallback) {
  if (tAllocating) {
    void* block = fallback();
    if (block == nullptr) throw std::bad_alloc();
    return block;
  }
  if (qtml::EngineDepth() > 0 && !qtml::AllocationAllowed()) throw std::bad_alloc();
  tAllocating = true;
  void* block = get();
  tAllocating = false;
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

void* Plain(std::size_t size) {
  return std::malloc(size > 0 ? size : 1);
}

void* Aligned(std::size_t size, std::align_val_t alignment) {
  auto align = static_cast<std::size_t>(alignment);
  return std::aligned_alloc(align, (size + align - 1) / align * align);
}

}  // namespace

void* operator new(std::size_t size) {
  return Allocate([&] { return ::operator new(size, std::nothrow); }, [&] { return Plain(size); });
}
void* operator new[](std::size_t size) {
  return Allocate([&] { return ::operator new[](size, std::nothrow); },
                  [&] { return Plain(size); });
}
void* operator new(std::size_t size, std::align_val_t alignment) {
  return Allocate([&] { return ::operator new(size, alignment, std::nothrow); },
                  [&] { return Aligned(size, alignment); });
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
  return Allocate([&] { return ::operator new[](size, alignment, std::nothrow); },
                  [&] { return Aligned(size, alignment); });
}
