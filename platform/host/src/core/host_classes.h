// The host's own classes for scripts (FolderItem, Picture, Graphics,
// MemoryBlock, Movie, controls, Window): each is one static table of
// members implemented in C++, used through the same Get/Set/Call API as
// the plugin's classes.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "core/calls.h"
#include "core/objects.h"
#include "fenra_host/runtime.h"

namespace fenra::host {

using Args = std::vector<Value>;

// A member's work on `self`, an object of the member's class. `args` holds
// one value per declared parameter, defaults filled in, each converted to
// its declared type (Integer, Double, Boolean, String, Color or an object
// or Nil). false with `error` set on misuse.
using MemberCall = bool (*)(HostObject& self, Args& args, Value& out, HostError& error);
using MemberAssign = bool (*)(HostObject& self, Args& args, const Value& value, HostError& error);
// Makes a new object from constructor arguments, prepared as above.
using Maker = bool (*)(Args& args, Value& out, HostError& error);

struct HostMember {
  enum Kind { kProperty, kMethod };
  Kind kind;
  // "Width as integer" for a property; "Child(name as string) as FolderItem"
  // for a method.
  const char* declaration;
  MemberCall call;      // reads the property or calls the method; null: write-only
  MemberAssign assign;  // writes the property, or `obj.Method(args) = value`
};

struct HostConstant {
  const char* name;
  int64_t value;
};

struct HostClassTable {
  const char* name;
  const char* super;        // null for a root class
  const char* constructor;  // its declaration, null when scripts cannot make one
  Maker make;               // with the constructor
  std::span<const HostMember> members;
  std::span<const HostConstant> constants;
};

// The tables, one per class (host_files.cpp, host_pictures.cpp,
// host_values.cpp).
extern const HostClassTable kFolderItemClass;
extern const HostClassTable kPictureClass;
extern const HostClassTable kGraphicsClass;
extern const HostClassTable kMemoryBlockClass;
extern const HostClassTable kMovieClass;
extern const HostClassTable kControlClass;
extern const HostClassTable kRectControlClass;
extern const HostClassTable kMoviePlayerClass;
extern const HostClassTable kWindowClass;

// The ClassInfo made from a table.
const ClassInfo& HostClassOf(const HostClassTable& table);

// Dispatch on host objects; the contracts of Runtime's members of the same
// names.
bool NewHostObject(const ClassInfo& cls, const std::vector<Value>& args, Value& out,
                   HostError& error);
bool GetHostMember(const Value& target, std::string_view name, Value& out, HostError& error);
bool SetHostMember(const Value& target, std::string_view name, const Value& value,
                   HostError& error);
bool CallHostMember(const Value& target, std::string_view name, std::vector<Value>& args,
                    Value& out, HostError& error);
bool AssignHostMember(const Value& target, std::string_view name, std::vector<Value>& args,
                      const Value& value, HostError& error);

// Binding (see Runtime::BindProperty and BindMethod): the readable
// property of a host class, or the method overload `args` choose; false
// when GetHostMember or CallHostMember would do something else.
bool BindHostProperty(const ClassInfo& cls, std::string_view name, MemberCall& call);
bool BindHostMethod(const ClassInfo& cls, std::string_view name, const std::vector<Value>& args,
                    MemberCall& call, const Declaration*& declaration);
// Calls a bound method (`declaration` set, with the wire type of each of
// its parameters in `wires`) or reads a bound property.
bool CallBoundHostMember(MemberCall call, const Declaration* declaration,
                         const std::vector<WireType>& wires, const Value& target,
                         const std::vector<Value>& args, Value& out, HostError& error);

// CallBoundHostMember for a method taking as many Scalars as it declares
// parameters, all of scalar types, and giving one of the type `result` or
// none.
bool CallBoundHostScalars(MemberCall call, const Declaration& declaration,
                          const std::vector<WireType>& wires, WireType result, HostObject& self,
                          const Scalar* args, Scalar& out, HostError& error);

// What a method of scalar parameters and result does, on Scalars of its
// parameters' types: its MemberCall's work without Values, for the
// methods scripts call most in loops. kGraphicsScalarForms pairs each
// with its MemberCall.
using ScalarMemberCall = bool (*)(HostObject& self, const Scalar* args, Scalar& out,
                                  HostError& error);
struct ScalarForm {
  MemberCall call;
  ScalarMemberCall scalar;
};
extern const std::span<const ScalarForm> kGraphicsScalarForms;

// Small helpers for member implementations.
template <class T>
T& As(HostObject& object) {
  return static_cast<T&>(object);
}
// A prepared argument of an object type, when it is a T.
template <class T>
T* ObjectArg(const Value& value) {
  return dynamic_cast<T*>(value.object.get());
}
// "Class.Member: message", for a member's misuse.
// Starts QuickTime and the Movie Toolbox for the host's own movies, once;
// false when they cannot start.
bool MoviesStarted();

bool Misuse(HostError& error, std::string_view member, std::string_view message);

}  // namespace fenra::host
