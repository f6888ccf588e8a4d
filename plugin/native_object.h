// The base of every native object: the plugin-side half of a host instance
// of the FenraObject class tree.
#pragma once

#include <cstdint>

namespace fenra {

// Result codes the plugin reports itself.
enum : int32_t {
  kNoErr = 0,
  kParamErr = -50,      // a missing or bad argument
  kNoNativeErr = -108,  // no native object, or no memory
};

// No virtual destructor: the clean-up of a native object is chosen by the
// host class being destroyed, and the freeing is plain operator delete.
// Derived classes are final, so deleting one through its own type is exact.
class NativeObject {
 public:
  // Whether the object holds something usable.
  virtual bool IsValid() const = 0;
  // The platform reference the object wraps (a Movie, an RgnHandle, the
  // address of a Rect ...); 0 when it wraps none.
  virtual intptr_t GetRef() const { return 0; }

  int32_t err = kNoErr;  // result of the last operation

 protected:
  NativeObject() = default;
  NativeObject(const NativeObject&) = default;
  NativeObject& operator=(const NativeObject&) = default;
  ~NativeObject() = default;
};

}  // namespace fenra
