// The entry guard of every public engine function: it records the call in
// the trace (name and arguments on entry, result on return), answers
// whether a fault has been injected for it, and marks the time spent
// inside the engine, where allocations can be made to fail. Nothing
// thrown inside escapes: each entry's body is a function-try-block whose
// handler answers Escaped (or EscapedError, for calls that answer an
// error), which records the error for MemError and GetMoviesError.
//
//   extern "C" Handle NewHandle(Size size) try {
//     ApiCall call("NewHandle", size);
//     if (OSErr fault = call.Fault()) { SetMemError(fault); return call.Return<Handle>(nullptr); }
//     ...
//     return call.Return(handle);
//   } catch (...) {
//     return qtml::Escaped<Handle>();
//   }
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <type_traits>

#include "MacTypes.h"

namespace qtml {

// Formats a four-character code as 'abcd' in the trace.
struct FourCC {
  OSType code;
};

// Formats a length-prefixed string as "text" in the trace.
struct PString {
  const unsigned char* text;
};

void AppendArgument(std::string& out, const char* text);
void AppendArgument(std::string& out, const void* pointer);
void AppendArgument(std::string& out, FourCC code);
void AppendArgument(std::string& out, PString text);
void AppendArgument(std::string& out, double value);
void AppendArgument(std::string& out, long long value);
void AppendArgument(std::string& out, unsigned long long value);

template <typename T>
void AppendValue(std::string& out, const T& value) {
  if constexpr (std::is_pointer_v<T> && !std::is_same_v<T, const char*> &&
                !std::is_same_v<T, char*>) {
    AppendArgument(out, static_cast<const void*>(value));
  } else if constexpr (std::is_same_v<T, bool>) {
    AppendArgument(out, static_cast<long long>(value));
  } else if constexpr (std::is_floating_point_v<T>) {
    AppendArgument(out, static_cast<double>(value));
  } else if constexpr (std::is_integral_v<T> && std::is_signed_v<T>) {
    AppendArgument(out, static_cast<long long>(value));
  } else if constexpr (std::is_integral_v<T> || std::is_enum_v<T>) {
    AppendArgument(out, static_cast<unsigned long long>(value));
  } else {
    AppendArgument(out, value);
  }
}

bool TraceOn() noexcept;
void TraceLine(const std::string& line) noexcept;
// The error injected for the current call of `name`, or noErr; consumes it.
OSErr TakeFault(const char* name) noexcept;
// False when allocation faults say this allocation must fail.
bool AllocationAllowed() noexcept;
// How deep the current thread is in engine calls; every allocation made
// inside one can be made to fail (operator new included).
int& EngineDepth() noexcept;

// While one lives, allocation faults are held off: for the engine's own
// state that the first call needing it builds (the component table, the
// screen), which must not be left half made by a fault meant for that
// call.
class FaultsSuspended {
 public:
  FaultsSuspended() noexcept;
  ~FaultsSuspended();
  FaultsSuspended(const FaultsSuspended&) = delete;
  FaultsSuspended& operator=(const FaultsSuspended&) = delete;

 private:
  bool was_;
};

// The error the exception being handled stands for (memFullErr for a
// failed allocation, internalQuickTimeError for anything else), recorded
// for MemError and GetMoviesError. Only inside a handler.
OSErr RecordEscape() noexcept;

// An entry's answer when its body threw: the neutral value of its type.
template <typename T>
T Escaped() noexcept {
  RecordEscape();
  if constexpr (!std::is_void_v<T>) return T{};
}
// The answer of an entry whose result is an error code.
template <typename T>
T EscapedError() noexcept {
  return static_cast<T>(RecordEscape());
}

class ApiCall {
 public:
  template <typename... Args>
  explicit ApiCall(const char* name, const Args&... args) noexcept
      : unwinding_(std::uncaught_exceptions()) {
    fault_ = TakeFault(name);
    if (TraceOn()) {
      // A trace line that cannot be built (no memory) is left out.
      try {
        line_ = name;
        line_ += '(';
        [[maybe_unused]] bool first = true;
        ((AppendSeparator(first), AppendValue(line_, args)), ...);
        line_ += ')';
      } catch (...) {
        line_.clear();
      }
    }
    ++EngineDepth();
  }
  ~ApiCall() {
    if (returned_) return;
    --EngineDepth();
    if (!TraceOn() || line_.empty()) return;
    // Left by a throw: the entry's handler answers for it.
    if (std::uncaught_exceptions() > unwinding_) {
      try {
        line_ += " -> escaped";
      } catch (...) {
      }
    }
    TraceLine(line_);
  }
  ApiCall(const ApiCall&) = delete;
  ApiCall& operator=(const ApiCall&) = delete;

  // The injected error for this call, or noErr.
  OSErr Fault() const { return fault_; }

  template <typename T>
  T Return(T result) noexcept {
    if (!returned_) --EngineDepth();
    returned_ = true;
    if (TraceOn() && !line_.empty()) {
      try {
        line_ += " -> ";
        AppendValue(line_, result);
        TraceLine(line_);
      } catch (...) {
      }
    }
    return result;
  }

 private:
  void AppendSeparator(bool& first) {
    if (!first) line_ += ", ";
    first = false;
  }

  std::string line_;
  int unwinding_;  // exceptions in flight when the call began
  OSErr fault_ = noErr;
  bool returned_ = false;
};

}  // namespace qtml
