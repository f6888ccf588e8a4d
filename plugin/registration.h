// Builders for the static registration records that describe a class to
// the host. Records are built once, at load, and never move.
//
// Every glue function goes into a record through a builder that takes it
// as a template argument with its declaration text:
//
//   Method<SamplesCount, "qtSamplesCount(tmRange as FenraTimeRange,fType as string) as integer">()
//
// The builder checks at compile time that the function's C type is exactly
// what the host passes and reads for that declaration (glue_signature.h),
// and puts into the record not the function itself but a thunk of the same
// C type that calls it inside try/catch: no C++ exception reaches the host.
#pragma once

#include <cstdint>
#include <span>
#include <type_traits>

#include "REALplugin.h"
#include "plugin/glue_signature.h"

namespace fenra {

// What a contained glue function leaves behind when an exception escapes
// it, besides answering the neutral value of its result type (0, false,
// nullptr; a null string is the host's empty string).
enum class OnEscape : uint8_t {
  // Members of the FenraObject class tree: the instance's native object,
  // when it has one, reads memFullErr in its err.
  kRecordInNative,
  // Module methods and the procedural classes (no native object): nothing.
  kAnswerOnly,
};

namespace glue {

// Sets memFullErr in the err of the instance's native object, if any.
void RecordEscape(REALobject instance) noexcept;

template <auto F, OnEscape E, class Function = decltype(F)>
struct Contained;

// The thunk: F is a template argument, so it is called directly and, on
// the normal path, inlined; the handler is off that path.
template <auto F, OnEscape E, class R, class... A>
struct Contained<F, E, R (*)(A...)> {
  static R Call(A... args) noexcept {
    try {
      return F(args...);
    } catch (...) {
      if constexpr (E == OnEscape::kRecordInNative) RecordEscape(Instance(args...));
      return R();
    }
  }

 private:
  template <class... Rest>
  static REALobject Instance(REALobject instance, Rest...) {
    return instance;
  }
};
template <auto F, OnEscape E, class R, class... A>
struct Contained<F, E, R (*)(A...) noexcept> : Contained<F, E, R (*)(A...)> {};

// The record's pointer to F's thunk, after checking F's C type against the
// call the host makes of it in `role` with `text`.
template <auto F, Role R, GlueText T, OnEscape E>
REALproc Thunk() {
  RequireMatch<F, R, T>();
  return reinterpret_cast<REALproc>(&Contained<F, E>::Call);
}

// A property accessor: a function, or nullptr for none.
template <auto F, Role R, GlueText T, OnEscape E>
REALproc Accessor() {
  if constexpr (std::is_null_pointer_v<decltype(F)>) {
    return nullptr;
  } else {
    return Thunk<F, R, T, E>();
  }
}

}  // namespace glue

// A property served by the getter and setter given (nullptr for none):
// the getter is `T f(REALobject, intptr_t param)`, the setter
// `void f(REALobject, intptr_t param, T)`, T the C type of `Type`.
template <GlueText Name, GlueText Type, auto Getter, auto Setter,
          OnEscape E = OnEscape::kRecordInNative>
REALproperty Property(intptr_t param) {
  return REALproperty{nullptr,
                      Name.chars,
                      Type.chars,
                      0,
                      glue::Accessor<Getter, glue::Role::kGetter, Type, E>(),
                      glue::Accessor<Setter, glue::Role::kSetter, Type, E>(),
                      param,
                      nullptr,
                      0,
                      nullptr};
}

// A property the host reads and writes itself, at byte offset `offset` of
// the class's own data.
inline REALproperty StandardProperty(const char* name, const char* type, intptr_t offset) {
  return REALproperty{nullptr, name,    type, 0,      REALstandardGetter, REALstandardSetter,
                      offset,  nullptr, 0,    nullptr};
}

// A method or constructor of a class: `R f(REALobject, params...)`.
template <auto F, GlueText Declaration, OnEscape E = OnEscape::kRecordInNative>
REALmethodDefinition Method() {
  return REALmethodDefinition{glue::Thunk<F, glue::Role::kMember, Declaration, E>(), nullptr,
                              Declaration.chars};
}

// A method a script may also assign to: obj.Name(args) = value. The setter
// is `void f(REALobject, params..., value)`, value of the result type.
template <auto Getter, auto Setter, GlueText Declaration, OnEscape E = OnEscape::kRecordInNative>
REALmethodDefinition AssignableMethod() {
  return REALmethodDefinition{glue::Thunk<Getter, glue::Role::kMember, Declaration, E>(),
                              glue::Thunk<Setter, glue::Role::kAssignSetter, Declaration, E>(),
                              Declaration.chars};
}

// A module method: `R f(params...)`, called without an instance.
template <auto F, GlueText Declaration>
REALmethodDefinition ModuleMethod() {
  return REALmethodDefinition{
      glue::Thunk<F, glue::Role::kModuleMethod, Declaration, OnEscape::kAnswerOnly>(), nullptr,
      Declaration.chars};
}

// A class's constructor or destructor: `void f(REALobject)`.
template <auto F, OnEscape E = OnEscape::kRecordInNative>
REALproc InstanceProc() {
  return glue::Thunk<F, glue::Role::kInstanceProc, "", E>();
}

inline REALconstant Constant(const char* declaration) {
  return REALconstant{declaration, 0, 0};
}

struct ClassMembers {
  std::span<REALproperty> properties = {};
  std::span<REALmethodDefinition> methods = {};
  std::span<REALconstant> constants = {};
};

// `constructor` and `destructor` come from InstanceProc (or are null).
inline REALclassDefinition DefineClass(const char* name, const char* superName, intptr_t dataSize,
                                       REALproc constructor, REALproc destructor,
                                       ClassMembers members = {}) {
  REALclassDefinition definition{};
  definition.version = kCurrentREALControlVersion;
  definition.name = name;
  definition.superName = superName;
  definition.dataSize = dataSize;
  definition.constructor = constructor;
  definition.destructor = destructor;
  if (!members.properties.empty()) {
    definition.properties = members.properties.data();
    definition.propertyCount = static_cast<intptr_t>(members.properties.size());
  }
  if (!members.methods.empty()) {
    definition.methods = members.methods.data();
    definition.methodCount = static_cast<intptr_t>(members.methods.size());
  }
  if (!members.constants.empty()) {
    definition.constants = members.constants.data();
    definition.constantCount = static_cast<intptr_t>(members.constants.size());
  }
  return definition;
}

// Does nothing: the constructor of classes whose host constructors make
// the native object, and the destructor of classes that own nothing.
void NoOpInstanceProc(REALobject instance);

}  // namespace fenra
