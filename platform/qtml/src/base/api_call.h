// The entry guard of every public engine function: it records the call in
// the trace (name and arguments on entry, result on return) and answers
// whether a fault has been injected for it.
//
//   extern "C" Handle NewHandle(Size size) {
//     ApiCall call("NewHandle", size);
//     if (OSErr fault = call.Fault()) { SetMemError(fault); return call.Return<Handle>(nullptr); }
//     ...
//     return call.Return(handle);
//   }
#pragma once

#include <cstdint>
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

class ApiCall {
 public:
  template <typename... Args>
  explicit ApiCall(const char* name, const Args&... args) noexcept : name_(name) {
    fault_ = TakeFault(name);
    if (!TraceOn()) return;
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
  ~ApiCall() {
    if (!returned_ && TraceOn() && !line_.empty()) TraceLine(line_);
  }
  ApiCall(const ApiCall&) = delete;
  ApiCall& operator=(const ApiCall&) = delete;

  // The injected error for this call, or noErr.
  OSErr Fault() const { return fault_; }

  template <typename T>
  T Return(T result) noexcept {
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

  const char* name_;
  std::string line_;
  OSErr fault_ = noErr;
  bool returned_ = false;
};

}  // namespace qtml
