// Builders for the static registration records that describe a class to
// the host. Records are built once, at load, and never move.
#pragma once

#include <cstdint>
#include <span>

#include "REALplugin.h"

namespace fenra {

// A plugin function as it sits in a record.
template <typename Function>
REALproc Proc(Function* function) {
  return reinterpret_cast<REALproc>(function);
}

// Asks the host to read or write a property itself at a byte offset.
inline const REALproc kStandardAccessor = REALstandardGetter;

inline REALproperty Property(const char* name, const char* type, REALproc getter, REALproc setter,
                             intptr_t param) {
  return REALproperty{nullptr, name, type, 0, getter, setter, param, nullptr, 0, nullptr};
}

inline REALmethodDefinition Method(REALproc function, const char* declaration) {
  return REALmethodDefinition{function, nullptr, declaration};
}

// A method a script may also assign to: obj.Name(args) = value.
inline REALmethodDefinition AssignableMethod(REALproc function, REALproc setter,
                                             const char* declaration) {
  return REALmethodDefinition{function, setter, declaration};
}

inline REALconstant Constant(const char* declaration) {
  return REALconstant{declaration, 0, 0};
}

struct ClassMembers {
  std::span<REALproperty> properties = {};
  std::span<REALmethodDefinition> methods = {};
  std::span<REALconstant> constants = {};
};

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
