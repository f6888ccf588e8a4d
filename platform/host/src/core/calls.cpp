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
  std::vector<Slot> slots;
  std::vector<Slot*> byRefTargets;
};

bool ToSlot(const Value& value, const TypeName& type, Slot& slot, CallScratch& scratch) {
  switch (WireTypeOf(type)) {
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

WireType WireTypeOf(const TypeName& type) {
  if (type.name.empty()) return WireType::Void;
  if (type.isArray) return WireType::Object;
  std::string name = Fold(type.name);
  if (name == "integer" || name == "int64" || name == "int32" || name == "int16" ||
      name == "int8" || name == "uint32" || name == "uint16" || name == "uint8" ||
      name == "uint64" || name == "ptr") {
    return WireType::Integer;
  }
  if (name == "double") return WireType::Double;
  if (name == "single") return WireType::Single;
  if (name == "boolean") return WireType::Boolean;
  if (name == "color") return WireType::Color;
  if (name == "string") return WireType::String;
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
      return Value::Str(text->Text());
    }
    case WireType::Object: {
      HostObject* object = HostObject::Of(static_cast<REALobject>(slot.pointer));
      return object != nullptr ? Value::Obj(Adopt(object)) : Value::Nil();
    }
  }
  return Value::Nil();
}

namespace {

bool Invoke(REALproc function, std::vector<ffi_type*>& types, std::vector<void*>& values,
            WireType resultType, Slot& result, HostError& error) {
  ffi_cif cif;
  if (ffi_prep_cif(&cif, FFI_DEFAULT_ABI, static_cast<unsigned>(types.size()),
                   FfiTypeOf(resultType), types.data()) != FFI_OK) {
    error.message = "cannot prepare the call";
    return false;
  }
  result.widened = 0;
  ffi_call(&cif, FFI_FN(function), &result, values.data());
  return true;
}

// Reads a ByRef slot back into the script's value. A string or object the
// plugin put there in place of the one passed carries a reference for us.
Value ReadBack(const TypeName& type, const Slot& slot, void* passed) {
  WireType wire = WireTypeOf(type);
  if ((wire == WireType::String || wire == WireType::Object) && slot.pointer != passed) {
    return FromWire(wire, &slot);
  }
  if (wire == WireType::String) {
    HostString* text = HostString::Of(static_cast<REALstring>(slot.pointer));
    return Value::Str(text != nullptr ? text->Text() : "");
  }
  if (wire == WireType::Object) {
    return Value::Obj(ObjectRef(HostObject::Of(static_cast<REALobject>(slot.pointer))));
  }
  return FromWire(wire, &slot);
}

}  // namespace

bool CallDeclared(REALproc function, const std::vector<void*>& leading,
                  const Declaration& declaration, std::vector<Value>& args, const Value* trailing,
                  const TypeName* trailingType, Value& out, HostError& error) {
  const auto& parameters = declaration.parameters;
  size_t count = leading.size() + parameters.size() + (trailing ? 1 : 0);
  CallScratch scratch;
  scratch.slots.resize(count * 2);  // values, then the pointers of ByRef ones
  std::vector<ffi_type*> types;
  std::vector<void*> values;
  size_t next = 0;
  for (void* pointer : leading) {
    scratch.slots[next].pointer = pointer;
    types.push_back(&ffi_type_pointer);
    values.push_back(&scratch.slots[next++]);
  }
  std::vector<void*> passed(parameters.size(), nullptr);
  std::vector<Value> full = args;
  for (size_t i = full.size(); i < parameters.size(); ++i)
    full.push_back(DefaultValue(parameters[i]));
  for (size_t i = 0; i < parameters.size(); ++i) {
    Slot& slot = scratch.slots[next++];
    if (!ToSlot(full[i], parameters[i].type, slot, scratch)) {
      error.message = "cannot pass a value for " + parameters[i].name;
      return false;
    }
    passed[i] = slot.pointer;
    if (parameters[i].byRef) {
      Slot& pointer = scratch.slots[count + i];
      pointer.pointer = &slot;
      types.push_back(&ffi_type_pointer);
      values.push_back(&pointer);
    } else {
      types.push_back(FfiTypeOf(WireTypeOf(parameters[i].type)));
      values.push_back(&slot);
    }
  }
  if (trailing != nullptr) {
    Slot& slot = scratch.slots[next++];
    if (!ToSlot(*trailing, *trailingType, slot, scratch)) {
      error.message = "cannot pass the assigned value";
      return false;
    }
    types.push_back(FfiTypeOf(WireTypeOf(*trailingType)));
    values.push_back(&slot);
  }
  Slot result{};
  WireType resultType = WireTypeOf(declaration.result);
  if (!Invoke(function, types, values, resultType, result, error)) return false;
  for (size_t i = 0; i < parameters.size() && i < args.size(); ++i) {
    if (parameters[i].byRef) {
      args[i] = ReadBack(parameters[i].type, scratch.slots[leading.size() + i], passed[i]);
    }
  }
  out = FromWire(resultType, &result);
  return true;
}

bool CallGetter(REALproc getter, REALobject instance, intptr_t param, const TypeName& type,
                Value& out) {
  Declaration getterDeclaration;
  getterDeclaration.result = type;
  std::vector<Value> none;
  HostError error;
  return CallDeclared(getter, {instance, reinterpret_cast<void*>(param)}, getterDeclaration, none,
                      nullptr, nullptr, out, error);
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
