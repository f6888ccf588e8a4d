// Calling plugin functions by their declarations: arguments converted from
// script values, overloads chosen, results converted back.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "fenra_host/runtime.h"

namespace fenra::host {

// How a declared type crosses the C boundary.
enum class WireType { Void, Integer, Double, Single, Boolean, Color, String, Object };
WireType WireTypeOf(const TypeName& type);

// A candidate: the declaration and the function behind it. depth counts
// the steps from the object's class up to the class declaring it, so that
// a subclass's method hides an equally good one of its superclass.
struct Callable {
  const Declaration* declaration;
  REALproc function;
  int depth = 0;
};

// The cost of passing `value` for a parameter of `type`; -1 when it cannot.
int ArgumentCost(const Value& value, const TypeName& type);

// The best candidate for `args` (defaults fill what is missing): the
// lowest total conversion cost, then the nearest class, then, among
// candidates that differ only where a Nil is passed, the first. -1 with
// `error` set when none accepts the arguments or two are equally good.
int ChooseOverload(const std::vector<Callable>& candidates, const std::vector<Value>& args,
                   const std::string& what, HostError& error);

// Calls `function` with `leading` pointer arguments (the instance, a
// property's param) first, then the declared parameters from `args`, then
// `trailing` (an assigned value). ByRef arguments are written back.
bool CallDeclared(REALproc function, const std::vector<void*>& leading,
                  const Declaration& declaration, std::vector<Value>& args, const Value* trailing,
                  const TypeName* trailingType, Value& out, HostError& error);

// How a call of a declaration with some leading pointers crosses the C
// boundary, worked out once for a call made again and again.
struct PreparedCall;
std::shared_ptr<const PreparedCall> PrepareCall(size_t leading, const Declaration& declaration);

// CallDeclared with the leading pointers in an array and, when given, the
// call prepared for them (without a trailing value).
bool CallDeclared(REALproc function, void* const* leading, size_t leadingCount,
                  const Declaration& declaration, std::vector<Value>& args, const Value* trailing,
                  const TypeName* trailingType, const PreparedCall* prepared, Value& out,
                  HostError& error);

// Calls a getter `T f(instance, param)` of a property whose type crosses
// as `type`, directly: what a bound property does.
Value CallGetterDirect(REALproc getter, REALobject instance, intptr_t param, WireType type);

// Scalars (see Scalar): whether a wire type crosses as one, and as which
// kind.
bool ScalarWire(WireType wire, Value::Kind& kind);
Scalar ScalarOf(const Value& value);
// A Scalar converted to a parameter of a scalar wire type, as an argument
// the overload choice accepted is converted (a Double truncated into an
// Integer ...).
Scalar ScalarForWire(const Scalar& value, WireType wire);
Value ValueOf(const Scalar& scalar);

// CallGetterDirect for a getter of a type that crosses as a Scalar.
void CallGetterScalar(REALproc getter, REALobject instance, intptr_t param, WireType type,
                      Scalar& out);

// Scalar calls take at most this many arguments.
constexpr size_t kMaxScalarArgs = 8;
// Whether a prepared call of `declaration` (with one leading pointer, the
// instance) can take `count` Scalars and give one back: every parameter
// given, none ByRef, each of a scalar wire type, and a scalar result or
// none (`result` Nil then).
bool TakesScalars(const PreparedCall& prepared, const Declaration& declaration, size_t count,
                  Value::Kind& result);
// Calls such a prepared call, each argument converted to its parameter's
// type as CallDeclared converts it.
void CallScalars(REALproc function, void* instance, const PreparedCall& prepared,
                 const Scalar* args, Scalar& out);

// Calls a property setter `void f(instance, param, T)` (getters go by
// CallGetterDirect).
bool CallSetter(REALproc setter, REALobject instance, intptr_t param, const TypeName& type,
                const Value& value, HostError& error);

// The value of a declared default (numbers, true, false, quoted text, nil).
Value DefaultValue(const Parameter& parameter);

// Script value of what a plugin function returned as `type`; objects and
// strings returned carry one reference, which this takes over.
Value FromWire(WireType type, const void* slot);

}  // namespace fenra::host
