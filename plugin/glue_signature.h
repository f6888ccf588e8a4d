// What the host passes a glue function and what it reads back, worked out
// at compile time from a member's declaration text, and whether a glue
// function's C type is exactly that.
//
// The host reads a declaration such as
//   "Item(udType as string,index as integer=1) as string"
// and calls the function through a C call built from it: each declared
// type travels as one C type (see WireOf), a ByRef parameter as a pointer
// to its slot. A function whose C type differs reads garbage or corrupts
// the stack, and the host cannot tell; these checks make it a build error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>

#include "REALplugin.h"

namespace fenra {

// A text given as a template argument ("FenraRect(w as integer)"): the
// characters themselves, with their terminating NUL, so the record can
// point at them for the life of the process.
template <std::size_t N>
struct GlueText {
  char chars[N];

  consteval GlueText(const char (&text)[N]) {
    for (std::size_t i = 0; i < N; ++i) chars[i] = text[i];
  }
  constexpr std::string_view View() const { return {chars, N - 1}; }
};

namespace glue {

// How a value crosses the call, one C type each (the host's wire mapping).
enum class Wire : uint8_t {
  kVoid,         // no value: a declaration without "as type"
  kInteger,      // RBInteger: integer, int64 ... uint8, ptr
  kDouble,       // double
  kSingle,       // float
  kBoolean,      // RBBoolean
  kColor,        // RBColor
  kString,       // REALstring
  kArray,        // REALarray: "x() as t" or "as t()"
  kFolderItem,   // REALfolderItem
  kPicture,      // REALpicture
  kMovie,        // REALmovie
  kMoviePlayer,  // REALmoviePlayer
  kWindow,       // REALwindow
  kControl,      // REALcontrol
  kMemoryBlock,  // REALmemoryBlock
  kObject,       // REALobject: every other type (plugin classes, object, variant ...)
  kSelector,     // intptr_t: a property's param, as the record gives it
};

// One value of a call: its wire type, and whether it goes by reference.
struct Slot {
  Wire wire = Wire::kVoid;
  bool byRef = false;
};

template <Wire W>
struct WireType;
template <>
struct WireType<Wire::kVoid> : std::type_identity<void> {};
template <>
struct WireType<Wire::kInteger> : std::type_identity<RBInteger> {};
template <>
struct WireType<Wire::kDouble> : std::type_identity<double> {};
template <>
struct WireType<Wire::kSingle> : std::type_identity<float> {};
template <>
struct WireType<Wire::kBoolean> : std::type_identity<RBBoolean> {};
template <>
struct WireType<Wire::kColor> : std::type_identity<RBColor> {};
template <>
struct WireType<Wire::kString> : std::type_identity<REALstring> {};
template <>
struct WireType<Wire::kArray> : std::type_identity<REALarray> {};
template <>
struct WireType<Wire::kFolderItem> : std::type_identity<REALfolderItem> {};
template <>
struct WireType<Wire::kPicture> : std::type_identity<REALpicture> {};
template <>
struct WireType<Wire::kMovie> : std::type_identity<REALmovie> {};
template <>
struct WireType<Wire::kMoviePlayer> : std::type_identity<REALmoviePlayer> {};
template <>
struct WireType<Wire::kWindow> : std::type_identity<REALwindow> {};
template <>
struct WireType<Wire::kControl> : std::type_identity<REALcontrol> {};
template <>
struct WireType<Wire::kMemoryBlock> : std::type_identity<REALmemoryBlock> {};
template <>
struct WireType<Wire::kObject> : std::type_identity<REALobject> {};
template <>
struct WireType<Wire::kSelector> : std::type_identity<intptr_t> {};

// The C type a slot is passed or returned as.
template <Slot S>
using SlotType = std::conditional_t<S.byRef, std::add_pointer_t<typename WireType<S.wire>::type>,
                                    typename WireType<S.wire>::type>;

constexpr char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr bool SameFolded(std::string_view text, std::string_view lower) {
  if (text.size() != lower.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (Lower(text[i]) != lower[i]) return false;
  }
  return true;
}

// The wire of a type name, compared without regard to case; "" is none.
constexpr Wire WireOf(std::string_view name, bool isArray) {
  if (name.empty()) return Wire::kVoid;
  if (isArray) return Wire::kArray;
  constexpr std::string_view kIntegers[] = {"integer", "int64",  "int32",  "int16", "int8",
                                            "uint64",  "uint32", "uint16", "uint8", "ptr"};
  for (std::string_view integer : kIntegers) {
    if (SameFolded(name, integer)) return Wire::kInteger;
  }
  constexpr std::pair<std::string_view, Wire> kNamed[] = {
      {"double", Wire::kDouble},   {"single", Wire::kSingle},   {"boolean", Wire::kBoolean},
      {"color", Wire::kColor},     {"string", Wire::kString},   {"folderitem", Wire::kFolderItem},
      {"picture", Wire::kPicture}, {"movie", Wire::kMovie},     {"movieplayer", Wire::kMoviePlayer},
      {"window", Wire::kWindow},   {"control", Wire::kControl}, {"memoryblock", Wire::kMemoryBlock},
  };
  for (const auto& [named, wire] : kNamed) {
    if (SameFolded(name, named)) return wire;
  }
  return Wire::kObject;
}

// The most parameters a declaration may have here; a longer one is
// reported as unreadable.
inline constexpr int kMaxParameters = 16;

// A declaration as the host reads it: the slots of its parameters and of
// its result.
struct Declared {
  bool readable = false;
  int count = 0;
  Slot parameters[kMaxParameters] = {};
  Slot result = {};
};

// Reads declarations with the host's grammar: blanks are the C locale's,
// words are letters, digits, '_' and '.', keywords match in any case and
// end at a blank.
class DeclarationReader {
 public:
  constexpr explicit DeclarationReader(std::string_view text) : text_(text) {}

  constexpr Declared Read() {
    Declared out;
    if (Word().empty()) return out;
    if (Take('(') && !Take(')')) {
      do {
        if (out.count == kMaxParameters || !Parameter(out.parameters[out.count])) return out;
        ++out.count;
      } while (Take(','));
      if (!Take(')')) return out;
    }
    if (TakeKeyword("as") && !Type(out.result)) return out;
    out.readable = AtEnd();
    return out;
  }

 private:
  static constexpr bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
  }
  static constexpr bool IsWordChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '.';
  }

  constexpr void SkipBlanks() {
    while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
  }
  constexpr bool AtEnd() {
    SkipBlanks();
    return pos_ >= text_.size();
  }
  constexpr bool Take(char c) {
    SkipBlanks();
    if (pos_ >= text_.size() || text_[pos_] != c) return false;
    ++pos_;
    return true;
  }
  constexpr std::string_view Word() {
    SkipBlanks();
    std::size_t start = pos_;
    while (pos_ < text_.size() && IsWordChar(text_[pos_])) ++pos_;
    return text_.substr(start, pos_ - start);
  }
  constexpr bool TakeKeyword(std::string_view keyword) {
    SkipBlanks();
    if (text_.size() - pos_ <= keyword.size()) return false;
    if (!SameFolded(text_.substr(pos_, keyword.size()), keyword)) return false;
    if (!IsBlank(text_[pos_ + keyword.size()])) return false;
    pos_ += keyword.size();
    return true;
  }
  // A type name, then "()" for an array.
  constexpr bool Type(Slot& slot, bool isArray = false) {
    std::string_view name = Word();
    if (name.empty()) return false;
    if (Take('(')) {
      if (!Take(')')) return false;
      isArray = true;
    }
    slot.wire = WireOf(name, isArray);
    return true;
  }
  // [ByRef|ByVal|Optional ...] name[()] as type[()] [= default]
  constexpr bool Parameter(Slot& slot) {
    for (bool more = true; more;) {
      if (TakeKeyword("byref")) {
        slot.byRef = true;
      } else {
        more = TakeKeyword("byval") || TakeKeyword("optional");
      }
    }
    if (Word().empty()) return false;
    bool arrayName = false;
    if (Take('(')) {
      if (!Take(')')) return false;
      arrayName = true;
    }
    if (!TakeKeyword("as") || !Type(slot, arrayName)) return false;
    if (Take('=')) SkipDefault();
    return true;
  }
  // A default value: up to the next ',' or ')' outside quotes.
  constexpr void SkipDefault() {
    bool quoted = false;
    while (pos_ < text_.size() && (quoted || (text_[pos_] != ',' && text_[pos_] != ')'))) {
      if (text_[pos_] == '"') quoted = !quoted;
      ++pos_;
    }
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

constexpr Declared ReadDeclaration(std::string_view text) {
  return DeclarationReader(text).Read();
}

// The host's ways of calling a glue function.
enum class Role : uint8_t {
  kMember,        // R f(REALobject, params...): methods and constructors
  kModuleMethod,  // R f(params...)
  kAssignSetter,  // void f(REALobject, params..., result-type value)
  kGetter,        // T f(REALobject, intptr_t), T the property's type
  kSetter,        // void f(REALobject, intptr_t, T)
  kInstanceProc,  // void f(REALobject): constructors and destructors of records
};

// Every value of one call of a function in a role, in order, and its result.
struct Call {
  bool readable = false;
  int count = 0;
  Slot parameters[kMaxParameters + 2] = {};
  Slot result = {};
};

constexpr Call Append(Call call, Slot slot) {
  call.parameters[call.count++] = slot;
  return call;
}

// A property's type is one name, as the host takes it: no array syntax.
constexpr Call PropertyCall(std::string_view type, bool getter) {
  Call call;
  Slot value{WireOf(type, false), false};
  call.readable = value.wire != Wire::kVoid;
  call = Append(Append(call, {Wire::kObject, false}), {Wire::kSelector, false});
  if (getter) {
    call.result = value;
  } else {
    call = Append(call, value);
  }
  return call;
}

// The call the host makes of a function in `role` registered with `text`
// (a declaration, or a property's type).
constexpr Call CallFor(Role role, std::string_view text) {
  if (role == Role::kGetter || role == Role::kSetter)
    return PropertyCall(text, role == Role::kGetter);
  Call call;
  if (role == Role::kInstanceProc) {
    call.readable = true;
    return Append(call, {Wire::kObject, false});
  }
  Declared declared = ReadDeclaration(text);
  call.readable = declared.readable;
  if (role != Role::kModuleMethod) call = Append(call, {Wire::kObject, false});
  for (int i = 0; i < declared.count; ++i) call = Append(call, declared.parameters[i]);
  if (role == Role::kAssignSetter) {
    // The assigned value comes last, of the declared result type.
    call.readable = call.readable && declared.result.wire != Wire::kVoid;
    return Append(call, {declared.result.wire, false});
  }
  call.result = declared.result;
  return call;
}

// What a glue function's C type is made of.
template <class Function>
struct Signature;
template <class R, class... A>
struct Signature<R (*)(A...)> {
  using Result = R;
  using Parameters = std::tuple<A...>;
  static constexpr int kArity = static_cast<int>(sizeof...(A));
};
template <class R, class... A>
struct Signature<R (*)(A...) noexcept> : Signature<R (*)(A...)> {};

// What is wrong between a function and the call the host makes of it.
enum class Problem : uint8_t {
  kNone,
  kUnreadable,     // the host cannot read the declaration (or type)
  kArity,          // a different number of parameters
  kParameterType,  // parameter `index` (from 0) is not the C type passed
  kResultType,     // the result is not the C type the host reads
};

struct Verdict {
  Problem problem = Problem::kNone;
  int index = -1;
};

template <class Parameters, Call C, std::size_t... I>
constexpr int FirstMismatch(std::index_sequence<I...>) {
  int first = -1;
  ((first < 0 && !std::is_same_v<std::tuple_element_t<I, Parameters>, SlotType<C.parameters[I]>>
        ? void(first = static_cast<int>(I))
        : void()),
   ...);
  return first;
}

// Whether function type `Function` is exactly what the host calls in
// `role` with `text`, and if not, the first thing that differs.
template <class Function, Role R, GlueText T>
constexpr Verdict Check() {
  using S = Signature<Function>;
  constexpr Call call = CallFor(R, T.View());
  if constexpr (!call.readable) {
    return {Problem::kUnreadable};
  } else if constexpr (S::kArity != call.count) {
    return {Problem::kArity};
  } else {
    constexpr int mismatch = FirstMismatch<typename S::Parameters, call>(
        std::make_index_sequence<static_cast<std::size_t>(call.count)>{});
    if (mismatch >= 0) return {Problem::kParameterType, mismatch};
    if (!std::is_same_v<typename S::Result, SlotType<call.result>>) return {Problem::kResultType};
    return {};
  }
}

template <auto F, Role R, GlueText T>
constexpr bool Matches() {
  return Check<decltype(F), R, T>().problem == Problem::kNone;
}

// Compile errors that name what differs: the instantiation notes show the
// parameter's position (from 1, the instance counted) and both C types.
template <int Position, class HostPasses, class FunctionTakes>
struct GlueParameterMismatch {
  static_assert(std::is_same_v<HostPasses, FunctionTakes>,
                "this parameter of the glue function is not the C type the host passes for its "
                "declared type (see HostPasses and FunctionTakes)");
};
template <class HostReads, class FunctionReturns>
struct GlueResultMismatch {
  static_assert(std::is_same_v<HostReads, FunctionReturns>,
                "the glue function's result is not the C type the host reads for the declared "
                "result (see HostReads and FunctionReturns)");
};

// Fails the build, with a message naming the problem, unless F is what the
// host calls in role R with text T; the notes name F and T.
template <auto F, Role R, GlueText T>
constexpr void RequireMatch() {
  using S = Signature<decltype(F)>;
  constexpr Verdict verdict = Check<decltype(F), R, T>();
  static_assert(verdict.problem != Problem::kUnreadable,
                "the host cannot read this declaration (or property type), or it has more "
                "parameters than the plugin allows, or an assignable method has no result type");
  static_assert(verdict.problem != Problem::kArity,
                "the glue function takes a different number of parameters than the host passes "
                "for this declaration (members and setters also take the instance first, property "
                "accessors then the selector)");
  if constexpr (verdict.problem == Problem::kParameterType) {
    constexpr Call call = CallFor(R, T.View());
    [[maybe_unused]] GlueParameterMismatch<
        verdict.index + 1, SlotType<call.parameters[verdict.index]>,
        std::tuple_element_t<static_cast<std::size_t>(verdict.index), typename S::Parameters>>
        report;
  }
  if constexpr (verdict.problem == Problem::kResultType) {
    constexpr Call call = CallFor(R, T.View());
    [[maybe_unused]] GlueResultMismatch<SlotType<call.result>, typename S::Result> report;
  }
}

}  // namespace glue
}  // namespace fenra
