#include "core/calls.h"

#include <ffi.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "core/objects.h"
#include "core/runtime_state.h"

namespace fenra::host {
namespace {

// One argument's storage, big enough for any wire type and for libffi's
// widened small results.
union Slot {
  int64_t integer;
  double number;
  float single;
  uint8_t boolean;
  uint32_t color;
  void* pointer;
  ffi_arg widened;
};

ffi_type* FfiTypeOf(WireType type) {
  switch (type) {
    case WireType::Void:
      return &ffi_type_void;
    case WireType::Integer:
      return &ffi_type_sint64;
    case WireType::Double:
      return &ffi_type_double;
    case WireType::Single:
      return &ffi_type_float;
    case WireType::Boolean:
      return &ffi_type_uint8;
    case WireType::Color:
      return &ffi_type_uint32;
    case WireType::String:
    case WireType::Object:
      return &ffi_type_pointer;
  }
  return &ffi_type_void;
}

const ClassInfo* ClassNamed(const std::string& name) {
  return Runtime::Get().FindClass(name);
}

// How many steps up from `from` reach `to`; -1 when never.
int Distance(const ClassInfo* from, const ClassInfo& to) {
  int steps = 0;
  for (const ClassInfo* c = from; c != nullptr; c = c->super, ++steps) {
    if (c == &to) return steps;
  }
  return -1;
}

int ObjectCost(const Value& value, const TypeName& type) {
  if (type.isArray) {
    if (value.kind == Value::Kind::Nil) return 1;
    return dynamic_cast<IntegerArray*>(value.object.get()) != nullptr ? 0 : -1;
  }
  const ClassInfo* wanted = ClassNamed(type.name);
  if (wanted == nullptr && Fold(type.name) == "object") {
    return value.kind == Value::Kind::Nil ? 1 : value.kind == Value::Kind::Object ? 2 : -1;
  }
  if (value.kind == Value::Kind::Nil) {
    // A Nil from a declared variable names its class: it chooses as that
    // class would.
    if (value.text.empty() || wanted == nullptr) return 1;
    const ClassInfo* declared = ClassNamed(value.text);
    return declared == nullptr ? 1 : Distance(declared, *wanted);
  }
  if (value.kind != Value::Kind::Object) return -1;
  if (wanted == nullptr) return Fold(value.object->Class().name) == Fold(type.name) ? 0 : -1;
  return Distance(&value.object->Class(), *wanted);
}

// Owns the strings made for one call.
struct CallScratch {
  std::vector<ObjectRef> strings;
};

bool ToSlot(const Value& value, WireType wire, Slot& slot, CallScratch& scratch) {
  switch (wire) {
    case WireType::Integer:
      slot.integer = value.kind == Value::Kind::Double    ? static_cast<int64_t>(value.number)
                     : value.kind == Value::Kind::Boolean ? value.boolean
                                                          : value.integer;
      return true;
    case WireType::Double:
      slot.number =
          value.kind == Value::Kind::Integer ? static_cast<double>(value.integer) : value.number;
      return true;
    case WireType::Single:
      slot.single = static_cast<float>(
          value.kind == Value::Kind::Integer ? static_cast<double>(value.integer) : value.number);
      return true;
    case WireType::Boolean:
      slot.boolean = value.boolean ? 1 : 0;
      return true;
    case WireType::Color:
      slot.color = static_cast<uint32_t>(value.integer);
      return true;
    case WireType::String: {
      ObjectRef text = Adopt(new HostString(value.text));
      slot.pointer = text->Handle();
      scratch.strings.push_back(std::move(text));
      return true;
    }
    case WireType::Object:
      slot.pointer = value.object ? value.object->Handle() : nullptr;
      return true;
    case WireType::Void:
      break;
  }
  return false;
}

}  // namespace

namespace {

// Whether `name` is `lower` but for the case of its ASCII letters.
bool SameFolded(std::string_view name, std::string_view lower) {
  if (name.size() != lower.size()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    char c = name[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != lower[i]) return false;
  }
  return true;
}

}  // namespace

// Runs for every argument of every call: compares in place, without
// making a folded copy of the name.
WireType WireTypeOf(const TypeName& type) {
  struct Named {
    std::string_view name;
    WireType wire;
  };
  static constexpr Named kTypes[] = {
      {"integer", WireType::Integer}, {"int64", WireType::Integer}, {"int32", WireType::Integer},
      {"int16", WireType::Integer},   {"int8", WireType::Integer},  {"uint32", WireType::Integer},
      {"uint16", WireType::Integer},  {"uint8", WireType::Integer}, {"uint64", WireType::Integer},
      {"ptr", WireType::Integer},     {"double", WireType::Double}, {"single", WireType::Single},
      {"boolean", WireType::Boolean}, {"color", WireType::Color},   {"string", WireType::String},
  };
  if (type.name.empty()) return WireType::Void;
  if (type.isArray) return WireType::Object;
  for (const Named& named : kTypes) {
    if (SameFolded(type.name, named.name)) return named.wire;
  }
  return WireType::Object;
}

int ArgumentCost(const Value& value, const TypeName& type) {
  using K = Value::Kind;
  switch (WireTypeOf(type)) {
    case WireType::Integer:
      return value.kind == K::Integer ? 0 : value.kind == K::Double ? 3 : -1;
    case WireType::Double:
      return value.kind == K::Double ? 0 : value.kind == K::Integer ? 1 : -1;
    case WireType::Single:  // narrower than a Double: a Double overload wins
      return value.kind == K::Double ? 1 : value.kind == K::Integer ? 2 : -1;
    case WireType::Boolean:
      return value.kind == K::Boolean ? 0 : -1;
    case WireType::Color:
      return value.kind == K::Color ? 0 : value.kind == K::Integer ? 2 : -1;
    case WireType::String:
      return value.kind == K::String ? 0 : -1;
    case WireType::Object:
      return ObjectCost(value, type);
    case WireType::Void:
      break;
  }
  return -1;
}

namespace {

// The total cost of calling `declaration` with `args`; -1 when it cannot
// take them (too many, a missing one without default, a wrong type).
int CallCost(const Declaration& declaration, const std::vector<Value>& args) {
  const auto& parameters = declaration.parameters;
  if (args.size() > parameters.size()) return -1;
  for (size_t missing = args.size(); missing < parameters.size(); ++missing) {
    if (!parameters[missing].hasDefault) return -1;
  }
  int cost = 0;
  for (size_t a = 0; a < args.size(); ++a) {
    int c = ArgumentCost(args[a], parameters[a].type);
    if (c < 0) return -1;
    cost += c;
  }
  return cost;
}

// Whether two declarations take the same types wherever the argument is
// not Nil. A Nil fits every object type alike, so such a tie goes to the
// first declared: a plugin treats a Nil the same in each of them.
bool DifferOnlyAtNils(const Declaration& a, const Declaration& b, const std::vector<Value>& args) {
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i].kind == Value::Kind::Nil) continue;
    const TypeName& x = a.parameters[i].type;
    const TypeName& y = b.parameters[i].type;
    if (Fold(x.name) != Fold(y.name) || x.isArray != y.isArray) return false;
  }
  return true;
}

}  // namespace

int ChooseOverload(const std::vector<Callable>& candidates, const std::vector<Value>& args,
                   const std::string& what, HostError& error) {
  int best = -1, bestCost = 0;
  bool tied = false;
  for (size_t i = 0; i < candidates.size(); ++i) {
    int cost = CallCost(*candidates[i].declaration, args);
    if (cost < 0) continue;
    bool better = best < 0 || cost < bestCost ||
                  (cost == bestCost && candidates[i].depth < candidates[best].depth);
    if (better) {
      best = static_cast<int>(i);
      bestCost = cost;
      tied = false;
    } else if (cost == bestCost && candidates[i].depth == candidates[best].depth &&
               !DifferOnlyAtNils(*candidates[i].declaration, *candidates[best].declaration, args)) {
      tied = true;
    }
  }
  if (best >= 0 && !tied) return best;
  std::string kinds;
  for (const Value& v : args) kinds += std::string(kinds.empty() ? "" : ", ") + v.KindName();
  error.message = (best < 0 ? "no overload of " : "more than one overload of ") + what +
                  (best < 0 ? " accepts (" : " equally accepts (") + kinds + ")";
  return -1;
}

Value DefaultValue(const Parameter& parameter) {
  std::string text = parameter.defaultText;
  std::string folded = Fold(text);
  if (folded == "true") return Value::Bool(true);
  if (folded == "false") return Value::Bool(false);
  if (folded == "nil") return Value::Nil();
  if (!text.empty() && text.front() == '"') {
    return Value::Str(text.size() >= 2 ? text.substr(1, text.size() - 2) : "");
  }
  WireType wire = WireTypeOf(parameter.type);
  if (folded.starts_with("&h")) {
    return Value::Int(static_cast<int64_t>(std::strtoull(text.c_str() + 2, nullptr, 16)));
  }
  if (wire == WireType::Double || wire == WireType::Single) {
    return Value::Dbl(std::strtod(text.c_str(), nullptr));
  }
  if (wire == WireType::Color) {
    return Value::Colour(static_cast<uint32_t>(std::strtoll(text.c_str(), nullptr, 0)));
  }
  return Value::Int(std::strtoll(text.c_str(), nullptr, 10));
}

Value FromWire(WireType type, const void* raw) {
  const Slot& slot = *static_cast<const Slot*>(raw);
  switch (type) {
    case WireType::Void:
      return Value::Nil();
    case WireType::Integer:
      return Value::Int(slot.integer);
    case WireType::Double:
      return Value::Dbl(slot.number);
    case WireType::Single:
      return Value::Dbl(slot.single);
    case WireType::Boolean:
      return Value::Bool((slot.widened & 0xFF) != 0);
    case WireType::Color:
      return Value::Colour(static_cast<uint32_t>(slot.widened));
    case WireType::String: {
      HostString* text = HostString::Of(static_cast<REALstring>(slot.pointer));
      if (text == nullptr) return Value::Str("");
      ObjectRef owned = Adopt(text);
      return Value::Str(std::string(text->Text()));
    }
    case WireType::Object: {
      HostObject* object = HostObject::Of(static_cast<REALobject>(slot.pointer));
      return object != nullptr ? Value::Obj(Adopt(object)) : Value::Nil();
    }
  }
  return Value::Nil();
}

namespace {

// One call's storage: on the stack for the usual few arguments, on the
// heap for more.
template <class T>
class CallArray {
 public:
  explicit CallArray(size_t n)
      : heap_(n > kInline ? n : 0), data_(n > kInline ? heap_.data() : inline_) {}
  T& operator[](size_t i) { return data_[i]; }
  T* data() { return data_; }

 private:
  static constexpr size_t kInline = 12;
  T inline_[kInline];  // written before it is read: left uninitialised
  std::vector<T> heap_;
  T* data_;
};

// Reads a ByRef slot back into the script's value. A string or object the
// plugin put there in place of the one passed carries a reference for us.
Value ReadBack(const TypeName& type, const Slot& slot, void* passed) {
  WireType wire = WireTypeOf(type);
  if ((wire == WireType::String || wire == WireType::Object) && slot.pointer != passed) {
    return FromWire(wire, &slot);
  }
  if (wire == WireType::String) {
    HostString* text = HostString::Of(static_cast<REALstring>(slot.pointer));
    return Value::Str(text != nullptr ? std::string(text->Text()) : std::string());
  }
  if (wire == WireType::Object) {
    return Value::Obj(ObjectRef(HostObject::Of(static_cast<REALobject>(slot.pointer))));
  }
  return FromWire(wire, &slot);
}

// The argument types of a call, in order.
void ArgumentTypes(size_t leading, const Declaration& declaration, const TypeName* trailingType,
                   ffi_type** types) {
  size_t next = 0;
  for (size_t i = 0; i < leading; ++i) types[next++] = &ffi_type_pointer;
  for (const Parameter& parameter : declaration.parameters) {
    types[next++] = parameter.byRef ? &ffi_type_pointer : FfiTypeOf(WireTypeOf(parameter.type));
  }
  if (trailingType != nullptr) types[next++] = FfiTypeOf(WireTypeOf(*trailingType));
}

}  // namespace

struct PreparedCall {
  ffi_cif cif{};
  std::vector<ffi_type*> types;
  std::vector<WireType> parameters;  // how each declared parameter crosses
  WireType result = WireType::Void;
  // Whether CallScalars may call the function directly (see DirectCall).
  bool direct = false;
};

namespace {

// On the C calling conventions of x86-64 (System V) and AArch64, integer,
// Boolean and colour arguments each fill one integer register, in order,
// whatever their width: a function taking up to kMaxDirectArgs of them
// after the instance can be called as one taking 64-bit integers, its
// narrower parameters reading the low bits, and its narrower results
// masked as FromWire masks them. Elsewhere every call goes through libffi.
#if defined(__x86_64__) || defined(__aarch64__)
constexpr size_t kMaxDirectArgs = 4;
#else
constexpr size_t kMaxDirectArgs = 0;
#endif

bool InIntegerRegister(WireType wire) {
  return wire == WireType::Integer || wire == WireType::Boolean || wire == WireType::Color;
}

bool Direct(size_t leading, const Declaration& declaration, const PreparedCall& prepared) {
  if (leading != 1 || prepared.parameters.size() > kMaxDirectArgs) return false;
  for (size_t i = 0; i < prepared.parameters.size(); ++i) {
    if (declaration.parameters[i].byRef || !InIntegerRegister(prepared.parameters[i])) return false;
  }
  return prepared.result == WireType::Void || prepared.result == WireType::Double ||
         InIntegerRegister(prepared.result);
}

template <class R>
R DirectCall(REALproc function, void* instance, const int64_t* a, size_t count) {
  switch (count) {
    case 0:
      return reinterpret_cast<R (*)(void*)>(function)(instance);
    case 1:
      return reinterpret_cast<R (*)(void*, int64_t)>(function)(instance, a[0]);
    case 2:
      return reinterpret_cast<R (*)(void*, int64_t, int64_t)>(function)(instance, a[0], a[1]);
    case 3:
      return reinterpret_cast<R (*)(void*, int64_t, int64_t, int64_t)>(function)(instance, a[0],
                                                                                 a[1], a[2]);
    default:
      return reinterpret_cast<R (*)(void*, int64_t, int64_t, int64_t, int64_t)>(function)(
          instance, a[0], a[1], a[2], a[3]);
  }
}

}  // namespace

std::shared_ptr<const PreparedCall> PrepareCall(size_t leading, const Declaration& declaration) {
  auto prepared = std::make_shared<PreparedCall>();
  prepared->types.resize(leading + declaration.parameters.size());
  ArgumentTypes(leading, declaration, nullptr, prepared->types.data());
  prepared->result = WireTypeOf(declaration.result);
  for (const Parameter& parameter : declaration.parameters) {
    prepared->parameters.push_back(WireTypeOf(parameter.type));
  }
  if (ffi_prep_cif(&prepared->cif, FFI_DEFAULT_ABI, static_cast<unsigned>(prepared->types.size()),
                   FfiTypeOf(prepared->result), prepared->types.data()) != FFI_OK) {
    return nullptr;
  }
  prepared->direct = Direct(leading, declaration, *prepared);
  return prepared;
}

bool CallDeclared(REALproc function, const std::vector<void*>& leading,
                  const Declaration& declaration, std::vector<Value>& args, const Value* trailing,
                  const TypeName* trailingType, Value& out, HostError& error) {
  return CallDeclared(function, leading.data(), leading.size(), declaration, args, trailing,
                      trailingType, nullptr, out, error);
}

bool CallDeclared(REALproc function, void* const* leading, size_t leadingCount,
                  const Declaration& declaration, std::vector<Value>& args, const Value* trailing,
                  const TypeName* trailingType, const PreparedCall* prepared, Value& out,
                  HostError& error) {
  const auto& parameters = declaration.parameters;
  size_t count = leadingCount + parameters.size() + (trailing ? 1 : 0);
  CallScratch scratch;
  CallArray<Slot> slots(count);
  CallArray<Slot> pointers(parameters.size());  // where ByRef arguments are
  CallArray<void*> values(count);
  CallArray<void*> passed(parameters.size());
  size_t next = 0;
  for (size_t i = 0; i < leadingCount; ++i) {
    slots[next].pointer = leading[i];
    values[next] = &slots[next];
    ++next;
  }
  for (size_t i = 0; i < parameters.size(); ++i) {
    Slot& slot = slots[next];
    Value fallback;
    if (i >= args.size()) fallback = DefaultValue(parameters[i]);
    const Value& value = i < args.size() ? args[i] : fallback;
    WireType wire = prepared != nullptr ? prepared->parameters[i] : WireTypeOf(parameters[i].type);
    if (!ToSlot(value, wire, slot, scratch)) {
      error.message = "cannot pass a value for " + parameters[i].name;
      return false;
    }
    passed[i] = slot.pointer;
    if (parameters[i].byRef) {
      pointers[i].pointer = &slot;
      values[next] = &pointers[i];
    } else {
      values[next] = &slot;
    }
    ++next;
  }
  if (trailing != nullptr) {
    Slot& slot = slots[next];
    if (!ToSlot(*trailing, WireTypeOf(*trailingType), slot, scratch)) {
      error.message = "cannot pass the assigned value";
      return false;
    }
    values[next] = &slot;
    ++next;
  }
  ffi_cif own;
  CallArray<ffi_type*> types(count);
  WireType resultType = prepared != nullptr ? prepared->result : WireTypeOf(declaration.result);
  const ffi_cif* cif = prepared != nullptr ? &prepared->cif : &own;
  if (prepared == nullptr) {
    ArgumentTypes(leadingCount, declaration, trailing != nullptr ? trailingType : nullptr,
                  types.data());
    if (ffi_prep_cif(&own, FFI_DEFAULT_ABI, static_cast<unsigned>(count), FfiTypeOf(resultType),
                     types.data()) != FFI_OK) {
      error.message = "cannot prepare the call";
      return false;
    }
  }
  Slot result{};
  result.widened = 0;
  ffi_call(const_cast<ffi_cif*>(cif), FFI_FN(function), &result, values.data());
  for (size_t i = 0; i < parameters.size() && i < args.size(); ++i) {
    if (parameters[i].byRef) {
      args[i] = ReadBack(parameters[i].type, slots[leadingCount + i], passed[i]);
    }
  }
  out = FromWire(resultType, &result);
  return true;
}

// Calls a getter of the given wire type and keeps its result as it came.
Slot CallGetterIntoSlot(REALproc getter, REALobject instance, intptr_t param, WireType type) {
  Slot result{};
  switch (type) {
    case WireType::Integer:
      result.integer = reinterpret_cast<int64_t (*)(REALobject, intptr_t)>(getter)(instance, param);
      break;
    case WireType::Double:
      result.number = reinterpret_cast<double (*)(REALobject, intptr_t)>(getter)(instance, param);
      break;
    case WireType::Single:
      result.single = reinterpret_cast<float (*)(REALobject, intptr_t)>(getter)(instance, param);
      break;
    case WireType::Boolean:
      result.widened = reinterpret_cast<uint8_t (*)(REALobject, intptr_t)>(getter)(instance, param);
      break;
    case WireType::Color:
      result.widened =
          reinterpret_cast<uint32_t (*)(REALobject, intptr_t)>(getter)(instance, param);
      break;
    case WireType::String:
    case WireType::Object:
      result.pointer = reinterpret_cast<void* (*)(REALobject, intptr_t)>(getter)(instance, param);
      break;
    case WireType::Void:
      break;
  }
  return result;
}

Value CallGetterDirect(REALproc getter, REALobject instance, intptr_t param, WireType type) {
  Slot result = CallGetterIntoSlot(getter, instance, param, type);
  return FromWire(type, &result);
}

bool ScalarWire(WireType wire, Value::Kind& kind) {
  switch (wire) {
    case WireType::Integer:
      kind = Value::Kind::Integer;
      return true;
    case WireType::Double:
    case WireType::Single:
      kind = Value::Kind::Double;
      return true;
    case WireType::Boolean:
      kind = Value::Kind::Boolean;
      return true;
    case WireType::Color:
      kind = Value::Kind::Color;
      return true;
    default:
      return false;
  }
}

Scalar ScalarOf(const Value& value) {
  Scalar out{};
  out.kind = value.kind;
  out.integer = value.integer;
  out.number = value.number;
  out.boolean = value.boolean;
  return out;
}

Scalar ScalarForWire(const Scalar& value, WireType wire) {
  Scalar out = value;
  switch (wire) {
    case WireType::Integer:
      out.kind = Value::Kind::Integer;
      if (value.kind == Value::Kind::Double) out.integer = static_cast<int64_t>(value.number);
      break;
    case WireType::Double:
    case WireType::Single:
      out.kind = Value::Kind::Double;
      if (value.kind == Value::Kind::Integer) out.number = static_cast<double>(value.integer);
      break;
    case WireType::Color:
      out.kind = Value::Kind::Color;
      out.integer = static_cast<uint32_t>(value.integer);
      break;
    default:
      break;
  }
  return out;
}

Value ValueOf(const Scalar& scalar) {
  switch (scalar.kind) {
    case Value::Kind::Integer:
      return Value::Int(scalar.integer);
    case Value::Kind::Double:
      return Value::Dbl(scalar.number);
    case Value::Kind::Boolean:
      return Value::Bool(scalar.boolean);
    case Value::Kind::Color:
      return Value::Colour(static_cast<uint32_t>(scalar.integer));
    default:
      return Value::Nil();
  }
}

namespace {

// What a slot holds as a Scalar, as FromWire reads it; written field by
// field, as callers read it.
void ScalarFromSlot(WireType type, const Slot& slot, Scalar& out) {
  out.kind = Value::Kind::Nil;
  out.integer = 0;
  out.number = 0;
  out.boolean = false;
  switch (type) {
    case WireType::Integer:
      out.kind = Value::Kind::Integer;
      out.integer = slot.integer;
      break;
    case WireType::Double:
      out.kind = Value::Kind::Double;
      out.number = slot.number;
      break;
    case WireType::Single:
      out.kind = Value::Kind::Double;
      out.number = slot.single;
      break;
    case WireType::Boolean:
      out.kind = Value::Kind::Boolean;
      out.boolean = (slot.widened & 0xFF) != 0;
      break;
    case WireType::Color:
      out.kind = Value::Kind::Color;
      out.integer = static_cast<uint32_t>(slot.widened);
      break;
    default:
      break;
  }
}

// A Scalar into a slot of a scalar wire type, as ToSlot converts a Value.
void ScalarToSlot(const Scalar& value, WireType wire, Slot& slot) {
  switch (wire) {
    case WireType::Integer:
      slot.integer = value.kind == Value::Kind::Double    ? static_cast<int64_t>(value.number)
                     : value.kind == Value::Kind::Boolean ? value.boolean
                                                          : value.integer;
      break;
    case WireType::Double:
      slot.number =
          value.kind == Value::Kind::Integer ? static_cast<double>(value.integer) : value.number;
      break;
    case WireType::Single:
      slot.single = static_cast<float>(
          value.kind == Value::Kind::Integer ? static_cast<double>(value.integer) : value.number);
      break;
    case WireType::Boolean:
      slot.boolean = value.boolean ? 1 : 0;
      break;
    case WireType::Color:
      slot.color = static_cast<uint32_t>(value.integer);
      break;
    default:
      slot.integer = 0;
      break;
  }
}

}  // namespace

void CallGetterScalar(REALproc getter, REALobject instance, intptr_t param, WireType type,
                      Scalar& out) {
  Slot result{};
  Value::Kind kind;
  if (ScalarWire(type, kind)) result = CallGetterIntoSlot(getter, instance, param, type);
  ScalarFromSlot(type, result, out);
}

bool TakesScalars(const PreparedCall& prepared, const Declaration& declaration, size_t count,
                  Value::Kind& result) {
  if (count != declaration.parameters.size() || count > kMaxScalarArgs) return false;
  Value::Kind kind;
  for (size_t i = 0; i < count; ++i) {
    if (declaration.parameters[i].byRef || !ScalarWire(prepared.parameters[i], kind)) return false;
  }
  result = Value::Kind::Nil;
  return prepared.result == WireType::Void || ScalarWire(prepared.result, result);
}

void CallScalars(REALproc function, void* instance, const PreparedCall& prepared,
                 const Scalar* args, Scalar& out) {
  size_t count = prepared.parameters.size();
  if (prepared.direct) {
    int64_t direct[kMaxScalarArgs];
    for (size_t i = 0; i < count; ++i) {
      Slot slot;
      slot.integer = 0;
      ScalarToSlot(args[i], prepared.parameters[i], slot);
      WireType wire = prepared.parameters[i];
      direct[i] = wire == WireType::Boolean ? slot.boolean
                  : wire == WireType::Color ? slot.color
                                            : slot.integer;
    }
    Slot result;
    switch (prepared.result) {
      case WireType::Void:
        DirectCall<void>(function, instance, direct, count);
        result.integer = 0;
        break;
      case WireType::Double:
        result.number = DirectCall<double>(function, instance, direct, count);
        break;
      default:
        result.integer = DirectCall<int64_t>(function, instance, direct, count);
        break;
    }
    ScalarFromSlot(prepared.result, result, out);
    return;
  }
  Slot slots[kMaxScalarArgs + 1];
  void* values[kMaxScalarArgs + 1];
  slots[0].pointer = instance;
  values[0] = &slots[0];
  for (size_t i = 0; i < count; ++i) {
    ScalarToSlot(args[i], prepared.parameters[i], slots[i + 1]);
    values[i + 1] = &slots[i + 1];
  }
  Slot result{};
  result.widened = 0;
  ffi_call(const_cast<ffi_cif*>(&prepared.cif), FFI_FN(function), &result, values);
  ScalarFromSlot(prepared.result, result, out);
}

bool CallSetter(REALproc setter, REALobject instance, intptr_t param, const TypeName& type,
                const Value& value, HostError& error) {
  Declaration setterDeclaration;
  std::vector<Value> none;
  Value ignored;
  return CallDeclared(setter, {instance, reinterpret_cast<void*>(param)}, setterDeclaration, none,
                      &value, &type, ignored, error);
}

}  // namespace fenra::host
