// The runtime: loading a plugin, and using what it registered as a
// program does.
#include "fenra_host/runtime.h"

#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <map>

#include "core/bound_member.h"
#include "core/calls.h"
#include "core/host_classes.h"
#include "core/runtime_state.h"

namespace fenra::host {

RuntimeState& Registry() {
  static RuntimeState state;
  return state;
}

struct Runtime::State {};

Runtime::Runtime() = default;

Runtime& Runtime::Get() {
  static Runtime runtime;
  return runtime;
}

std::string Runtime::DefaultPluginPath() {
  if (const char* path = std::getenv("FENRA_PLUGIN"); path != nullptr && *path != '\0') {
    return path;
  }
#ifdef FENRA_DEFAULT_PLUGIN
  return FENRA_DEFAULT_PLUGIN;
#else
  return "libFenra.so";
#endif
}

bool Runtime::LoadPlugin(const std::string& path, std::string& error) {
  RuntimeState& state = Registry();
  if (state.library != nullptr) {
    error = "a plugin is loaded already";
    return false;
  }
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* reason = dlerror();
    error = "cannot load the plugin " + path + ": " + (reason != nullptr ? reason : "unknown");
    return false;
  }
  auto entry = reinterpret_cast<void (*)(REALresolver)>(dlsym(library, "REALPluginMain"));
  if (entry == nullptr) {
    dlclose(library);
    error = path + " is not a plugin: it has no REALPluginMain";
    return false;
  }
  state.library = library;
  entry(Resolver());
  return true;
}

int64_t Runtime::PluginVersion() const {
  return Registry().pluginVersion;
}

const std::vector<const ClassInfo*>& Runtime::PluginClasses() const {
  return Registry().pluginClasses;
}

const std::vector<const ClassInfo*>& Runtime::Classes() const {
  RuntimeState& state = Registry();
  state.allClasses = state.pluginClasses;
  for (const ClassInfo* cls : HostClasses()) state.allClasses.push_back(cls);
  return state.allClasses;
}

const std::vector<ModuleMethodInfo>& Runtime::ModuleMethods() const {
  return Registry().moduleMethods;
}

const ClassInfo* Runtime::FindClass(std::string_view name) const {
  std::string folded = Fold(name);
  auto found = Registry().byFoldedName.find(folded);
  if (found != Registry().byFoldedName.end()) return found->second;
  for (const ClassInfo* cls : HostClasses()) {
    if (Fold(cls->name) == folded) return cls;
  }
  return nullptr;
}

namespace {

const RegisteredClass* PluginClassOf(const Value& target) {
  if (target.kind != Value::Kind::Object) return nullptr;
  auto* instance = dynamic_cast<PluginInstance*>(target.object.get());
  return instance != nullptr ? &instance->Registered() : nullptr;
}

// Where a property was registered: its class and its index there.
struct FoundProperty {
  const RegisteredClass* cls = nullptr;
  size_t index = 0;
};

FoundProperty FindPluginProperty(const RegisteredClass* cls, std::string_view name) {
  for (; cls != nullptr; cls = cls->registeredSuper) {
    for (size_t i = 0; i < cls->properties.size(); ++i) {
      if (SameName(cls->properties[i].name, name)) return {cls, i};
    }
  }
  return {};
}

// Every method of that name through the class and its superclasses, own
// class first.
std::vector<Callable> Candidates(const RegisteredClass* cls, std::string_view name, bool setters) {
  std::vector<Callable> out;
  for (int depth = 0; cls != nullptr; cls = cls->registeredSuper, ++depth) {
    for (size_t i = 0; i < cls->methods.size(); ++i) {
      const MethodInfo& method = cls->methods[i];
      if (!SameName(method.declaration.name, name)) continue;
      if (SameName(method.declaration.name, cls->name)) continue;  // constructors
      REALproc fn =
          setters ? cls->methodRecords[i]->setterFunction : cls->methodRecords[i]->function;
      if (fn != nullptr) out.push_back({&method.declaration, fn, depth});
    }
  }
  return out;
}

void* DataAt(PluginInstance& instance, const RegisteredClass& cls, intptr_t offset) {
  return reinterpret_cast<char*>(instance.Handle()) + cls.definition->dataOffset + offset;
}

// The host's own reading of a property in the class's data.
Value ReadStandard(void* at, const TypeName& type) {
  switch (WireTypeOf(type)) {
    case WireType::Integer:
      return Value::Int(*static_cast<int64_t*>(at));
    case WireType::Double:
      return Value::Dbl(*static_cast<double*>(at));
    case WireType::Single:
      return Value::Dbl(*static_cast<float*>(at));
    case WireType::Boolean:
      return Value::Bool(*static_cast<uint8_t*>(at) != 0);
    case WireType::Color:
      return Value::Colour(*static_cast<uint32_t*>(at));
    case WireType::String: {
      auto* text = HostString::Of(*static_cast<REALstring*>(at));
      return Value::Str(text != nullptr ? std::string(text->Text()) : std::string());
    }
    case WireType::Object:
      return Value::Obj(ObjectRef(HostObject::Of(*static_cast<REALobject*>(at))));
    case WireType::Void:
      break;
  }
  return Value::Nil();
}

// A reference field holds one reference: the new value is locked and the
// old one unlocked.
void WriteReference(void* at, HostObject* value) {
  auto* slot = static_cast<REALobject*>(at);
  if (value != nullptr) value->Retain();
  if (HostObject* old = HostObject::Of(*slot)) old->Release();
  *slot = value != nullptr ? value->Handle() : nullptr;
}

bool WriteStandard(void* at, const TypeName& type, const Value& value, HostError& error) {
  if (ArgumentCost(value, type) < 0) {
    error.message = "cannot assign that value to a " + type.name + " property";
    return false;
  }
  switch (WireTypeOf(type)) {
    case WireType::Integer:
      *static_cast<int64_t*>(at) =
          value.kind == Value::Kind::Double ? static_cast<int64_t>(value.number) : value.integer;
      break;
    case WireType::Double:
      *static_cast<double*>(at) =
          value.kind == Value::Kind::Integer ? static_cast<double>(value.integer) : value.number;
      break;
    case WireType::Single:
      *static_cast<float*>(at) = static_cast<float>(
          value.kind == Value::Kind::Integer ? static_cast<double>(value.integer) : value.number);
      break;
    case WireType::Boolean:
      *static_cast<uint8_t*>(at) = value.boolean ? 1 : 0;
      break;
    case WireType::Color:
      *static_cast<uint32_t*>(at) = static_cast<uint32_t>(value.integer);
      break;
    case WireType::String: {
      ObjectRef text = Adopt(new HostString(value.text));
      WriteReference(at, static_cast<HostObject*>(text.get()));
      break;
    }
    case WireType::Object:
      WriteReference(at, static_cast<HostObject*>(value.object.get()));
      break;
    case WireType::Void:
      break;
  }
  return true;
}

std::string MemberName(const Value& target, std::string_view name) {
  std::string owner = target.kind == Value::Kind::Object ? target.object->Class().name : "Nil";
  return owner + "." + std::string(name);
}

bool NilTarget(const Value& target, std::string_view name, HostError& error) {
  if (target.kind != Value::Kind::Nil) return false;
  error.message = "Nil object: cannot use " + std::string(name);
  return true;
}

}  // namespace

bool Runtime::New(const ClassInfo& cls, const std::vector<Value>& args, Value& out,
                  HostError& error) {
  if (!cls.fromPlugin) return NewHostObject(cls, args, out, error);
  // A class without constructors of its own has its nearest ancestor's.
  std::vector<Callable> constructors;
  for (auto* c = &static_cast<const RegisteredClass&>(cls); c != nullptr && constructors.empty();
       c = c->registeredSuper) {
    std::string folded = Fold(c->name);
    for (size_t i = 0; i < c->methods.size(); ++i) {
      if (Fold(c->methods[i].declaration.name) == folded) {
        constructors.push_back({&c->methods[i].declaration, c->methodRecords[i]->function});
      }
    }
  }
  int chosen = -1;
  if (!constructors.empty()) {
    chosen = ChooseOverload(constructors, args, cls.name + " constructor", error);
    if (chosen < 0) return false;
  } else if (!args.empty()) {
    error.message = cls.name + " has no constructor that takes arguments";
    return false;
  }
  PluginInstance* instance = NewPluginInstance(cls);
  if (instance == nullptr) {
    error.message = "out of memory for a new " + cls.name;
    return false;
  }
  ObjectRef object = Adopt(instance);
  if (chosen >= 0) {
    std::vector<Value> copy = args;
    Value ignored;
    if (!CallDeclared(constructors[chosen].function, {instance->Handle()},
                      *constructors[chosen].declaration, copy, nullptr, nullptr, ignored, error)) {
      return false;
    }
  }
  out = Value::Obj(std::move(object));
  return true;
}

bool Runtime::GetProperty(const Value& target, std::string_view name, Value& out,
                          HostError& error) {
  if (NilTarget(target, name, error)) return false;
  const RegisteredClass* cls = PluginClassOf(target);
  if (cls == nullptr) return GetHostMember(target, name, out, error);
  FoundProperty found = FindPluginProperty(cls, name);
  if (found.cls == nullptr) {
    // A method without arguments reads like a property.
    std::vector<Value> none;
    if (!Candidates(cls, name, false).empty()) return CallMethod(target, name, none, out, error);
    error.message = "no member " + MemberName(target, name);
    return false;
  }
  const REALproperty& record = *found.cls->propertyRecords[found.index];
  const PropertyInfo& info = found.cls->properties[found.index];
  auto& instance = static_cast<PluginInstance&>(*target.object.get());
  if (record.getter == nullptr) {
    error.message = MemberName(target, name) + " cannot be read";
    return false;
  }
  if (record.getter == REALstandardGetter) {
    out = ReadStandard(DataAt(instance, *found.cls, record.param), info.type);
    return true;
  }
  out = CallGetterDirect(record.getter, instance.Handle(), record.param, WireTypeOf(info.type));
  return true;
}

bool Runtime::SetProperty(const Value& target, std::string_view name, const Value& value,
                          HostError& error) {
  if (NilTarget(target, name, error)) return false;
  const RegisteredClass* cls = PluginClassOf(target);
  if (cls == nullptr) return SetHostMember(target, name, value, error);
  FoundProperty found = FindPluginProperty(cls, name);
  if (found.cls == nullptr) {
    error.message = "no property " + MemberName(target, name);
    return false;
  }
  const REALproperty& record = *found.cls->propertyRecords[found.index];
  const PropertyInfo& info = found.cls->properties[found.index];
  auto& instance = static_cast<PluginInstance&>(*target.object.get());
  if (record.setter == nullptr) {
    error.message = MemberName(target, name) + " is read-only";
    return false;
  }
  if (ArgumentCost(value, info.type) < 0) {
    error.message =
        "cannot assign that value to " + MemberName(target, name) + " (" + info.type.name + ")";
    return false;
  }
  if (record.setter == REALstandardSetter) {
    return WriteStandard(DataAt(instance, *found.cls, record.param), info.type, value, error);
  }
  return CallSetter(record.setter, instance.Handle(), record.param, info.type, value, error);
}

bool Runtime::CallMethod(const Value& target, std::string_view name, std::vector<Value>& args,
                         Value& out, HostError& error) {
  if (NilTarget(target, name, error)) return false;
  const RegisteredClass* cls = PluginClassOf(target);
  if (cls == nullptr) return CallHostMember(target, name, args, out, error);
  std::vector<Callable> candidates = Candidates(cls, name, false);
  if (candidates.empty()) {
    if (args.empty() && FindPluginProperty(cls, name).cls != nullptr) {
      return GetProperty(target, name, out, error);
    }
    error.message = "no method " + MemberName(target, name);
    return false;
  }
  int chosen = ChooseOverload(candidates, args, MemberName(target, name), error);
  if (chosen < 0) return false;
  return CallDeclared(candidates[chosen].function, {target.object->Handle()},
                      *candidates[chosen].declaration, args, nullptr, nullptr, out, error);
}

bool Runtime::AssignMethod(const Value& target, std::string_view name, std::vector<Value>& args,
                           const Value& value, HostError& error) {
  if (NilTarget(target, name, error)) return false;
  const RegisteredClass* cls = PluginClassOf(target);
  if (cls == nullptr) return AssignHostMember(target, name, args, value, error);
  std::vector<Callable> candidates = Candidates(cls, name, true);
  if (candidates.empty()) {
    error.message = "cannot assign to " + MemberName(target, name);
    return false;
  }
  int chosen = ChooseOverload(candidates, args, MemberName(target, name), error);
  if (chosen < 0) return false;
  const Declaration& declaration = *candidates[chosen].declaration;
  if (ArgumentCost(value, declaration.result) < 0) {
    error.message = "cannot assign that value to " + MemberName(target, name) + " (" +
                    declaration.result.name + ")";
    return false;
  }
  // The setter takes the value last and returns nothing.
  Declaration setter = declaration;
  setter.result = TypeName{};
  Value ignored;
  return CallDeclared(candidates[chosen].function, {target.object->Handle()}, setter, args, &value,
                      &declaration.result, ignored, error);
}

bool Runtime::CallModuleMethod(std::string_view name, std::vector<Value>& args, Value& out,
                               HostError& error) {
  RuntimeState& state = Registry();
  std::vector<Callable> candidates;
  std::string folded = Fold(name);
  for (size_t i = 0; i < state.moduleMethods.size(); ++i) {
    if (Fold(state.moduleMethods[i].declaration.name) == folded) {
      candidates.push_back({&state.moduleMethods[i].declaration, state.moduleRecords[i]->function});
    }
  }
  if (candidates.empty()) {
    error.message = "no module method " + std::string(name);
    return false;
  }
  int chosen = ChooseOverload(candidates, args, std::string(name), error);
  if (chosen < 0) return false;
  return CallDeclared(candidates[chosen].function, {}, *candidates[chosen].declaration, args,
                      nullptr, nullptr, out, error);
}

bool Runtime::GetClassConstant(const ClassInfo& cls, std::string_view name, Value& out) const {
  std::string folded = Fold(name);
  for (const ClassInfo* c = &cls; c != nullptr; c = c->super) {
    for (const ConstantInfo& constant : c->constants) {
      if (Fold(constant.name) == folded) {
        out = constant.value;
        return true;
      }
    }
  }
  return false;
}

namespace {

// Bound members, one a class, member and argument kinds, kept for the
// runtime's life; a null entry remembers that nothing could be bound.
std::map<std::string, std::unique_ptr<BoundMember>>& BoundMembers() {
  static std::map<std::string, std::unique_ptr<BoundMember>> members;
  return members;
}

// The key of a binding: the class, the member's folded name and, for a
// method, the kind (and class) of each argument. False when an argument
// is a Nil, whose declared class may choose differently from call to call.
bool BindingKey(const ClassInfo& cls, std::string_view name, const std::vector<Value>* args,
                std::string& key) {
  key = std::to_string(reinterpret_cast<uintptr_t>(&cls)) + (args ? "(" : ".") + Fold(name);
  if (args == nullptr) return true;
  for (const Value& arg : *args) {
    if (arg.kind == Value::Kind::Nil) return false;
    key += "," + std::to_string(static_cast<int>(arg.kind));
    if (arg.kind == Value::Kind::Object) {
      key += ":" + std::to_string(reinterpret_cast<uintptr_t>(&arg.object->Class()));
    }
  }
  return true;
}

std::unique_ptr<BoundMember> BindPluginProperty(const RegisteredClass& cls, std::string_view name) {
  FoundProperty found = FindPluginProperty(&cls, name);
  if (found.cls == nullptr) return nullptr;
  const REALproperty& record = *found.cls->propertyRecords[found.index];
  if (record.getter == nullptr) return nullptr;
  auto bound = std::make_unique<BoundMember>();
  bound->type = found.cls->properties[found.index].type;
  bound->wire = WireTypeOf(bound->type);
  if (record.getter == REALstandardGetter) {
    bound->kind = BoundMember::Kind::StandardField;
    bound->offset = static_cast<size_t>(found.cls->definition->dataOffset + record.param);
  } else {
    bound->kind = BoundMember::Kind::PluginGetter;
    bound->function = record.getter;
    bound->param = record.param;
  }
  return bound;
}

std::unique_ptr<BoundMember> BindPluginMethod(const RegisteredClass& cls, std::string_view name,
                                              const std::vector<Value>& args) {
  std::vector<Callable> candidates = Candidates(&cls, name, false);
  if (candidates.empty()) return nullptr;
  HostError ignored;
  int chosen = ChooseOverload(candidates, args, cls.name, ignored);
  if (chosen < 0) return nullptr;
  auto bound = std::make_unique<BoundMember>();
  bound->kind = BoundMember::Kind::PluginMethod;
  bound->function = candidates[chosen].function;
  bound->declaration = candidates[chosen].declaration;
  bound->prepared = PrepareCall(1, *bound->declaration);
  if (bound->prepared == nullptr) return nullptr;
  return bound;
}

std::unique_ptr<BoundMember> BindHostCall(const ClassInfo& cls, std::string_view name,
                                          const std::vector<Value>* args) {
  auto bound = std::make_unique<BoundMember>();
  bool found = args == nullptr ? BindHostProperty(cls, name, bound->call)
                               : BindHostMethod(cls, name, *args, bound->call, bound->declaration);
  if (!found) return nullptr;
  if (bound->declaration != nullptr) {
    for (const Parameter& parameter : bound->declaration->parameters) {
      bound->wires.push_back(WireTypeOf(parameter.type));
    }
    bound->result = WireTypeOf(bound->declaration->result);
    for (const ScalarForm& form : kGraphicsScalarForms) {
      if (form.call == bound->call) bound->scalar = form.scalar;
    }
  }
  return bound;
}

const BoundMember* Bind(const ClassInfo& cls, std::string_view name,
                        const std::vector<Value>* args) {
  std::string key;
  if (!BindingKey(cls, name, args, key)) return nullptr;
  auto [at, added] = BoundMembers().try_emplace(key);
  if (!added) return at->second.get();
  if (!cls.fromPlugin) {
    at->second = BindHostCall(cls, name, args);
  } else if (args == nullptr) {
    at->second = BindPluginProperty(static_cast<const RegisteredClass&>(cls), name);
  } else {
    at->second = BindPluginMethod(static_cast<const RegisteredClass&>(cls), name, *args);
  }
  return at->second.get();
}

}  // namespace

const BoundMember* Runtime::BindProperty(const ClassInfo& cls, std::string_view name) {
  return Bind(cls, name, nullptr);
}

const BoundMember* Runtime::BindMethod(const ClassInfo& cls, std::string_view name,
                                       const std::vector<Value>& args) {
  return Bind(cls, name, &args);
}

bool Runtime::GetBound(const BoundMember& member, const Value& target, Value& out,
                       HostError& error) {
  std::vector<Value> none;
  return CallBound(member, target, none, out, error);
}

bool Runtime::CallBound(const BoundMember& member, const Value& target, std::vector<Value>& args,
                        Value& out, HostError& error) {
  Object& object = *target.object.get();
  switch (member.kind) {
    case BoundMember::Kind::StandardField:
      out = ReadStandard(reinterpret_cast<char*>(object.Handle()) + member.offset, member.type);
      return true;
    case BoundMember::Kind::PluginGetter:
      out = CallGetterDirect(member.function, object.Handle(), member.param, member.wire);
      return true;
    case BoundMember::Kind::PluginMethod: {
      void* instance = object.Handle();
      return CallDeclared(member.function, &instance, 1, *member.declaration, args, nullptr,
                          nullptr, member.prepared.get(), out, error);
    }
    case BoundMember::Kind::HostCall:
      return CallBoundHostMember(member.call, member.declaration, member.wires, target, args, out,
                                 error);
  }
  return false;
}

bool Runtime::ScalarCall(const BoundMember& member, size_t count, Value::Kind& result) const {
  switch (member.kind) {
    case BoundMember::Kind::StandardField:
    case BoundMember::Kind::PluginGetter:
      return count == 0 && ScalarWire(member.wire, result);
    case BoundMember::Kind::PluginMethod:
      return member.prepared != nullptr &&
             TakesScalars(*member.prepared, *member.declaration, count, result);
    case BoundMember::Kind::HostCall: {
      // Host properties say nothing of their type: they go by Values.
      if (member.declaration == nullptr) return false;
      const auto& parameters = member.declaration->parameters;
      if (count != parameters.size() || count > kMaxScalarArgs) return false;
      Value::Kind kind;
      for (size_t i = 0; i < count; ++i) {
        if (parameters[i].byRef || !ScalarWire(member.wires[i], kind)) return false;
      }
      result = Value::Kind::Nil;
      return member.result == WireType::Void || ScalarWire(member.result, result);
    }
  }
  return false;
}

bool Runtime::CallScalar(const BoundMember& member, Object& target, const Scalar* args,
                         size_t count, Scalar& out, HostError& error) {
  switch (member.kind) {
    case BoundMember::Kind::StandardField:
      out = ScalarOf(
          ReadStandard(reinterpret_cast<char*>(target.Handle()) + member.offset, member.type));
      return true;
    case BoundMember::Kind::PluginGetter:
      CallGetterScalar(member.function, target.Handle(), member.param, member.wire, out);
      return true;
    case BoundMember::Kind::PluginMethod:
      CallScalars(member.function, target.Handle(), *member.prepared, args, out);
      return true;
    case BoundMember::Kind::HostCall: {
      auto& self = static_cast<HostObject&>(target);
      if (member.scalar == nullptr) {
        return CallBoundHostScalars(member.call, *member.declaration, member.wires, member.result,
                                    self, args, out, error);
      }
      // Arguments of their parameters' kinds, as usual, pass as they are.
      Value::Kind kind = Value::Kind::Nil;
      for (size_t i = 0; i < count; ++i) {
        if (!ScalarWire(member.wires[i], kind) || args[i].kind != kind) {
          Scalar declared[kMaxScalarArgs];
          for (size_t j = 0; j < count; ++j) declared[j] = ScalarForWire(args[j], member.wires[j]);
          return member.scalar(self, declared, out, error);
        }
      }
      return member.scalar(self, args, out, error);
    }
  }
  return false;
}

ObjectRef Runtime::NewFolderItem(const std::string& nativePath) {
  return Adopt(new FolderItem(nativePath));
}
ObjectRef Runtime::NewPicture(int width, int height, int depth) {
  return Adopt(new Picture(width, height, depth));
}
ObjectRef Runtime::NewMemoryBlock(int64_t size) {
  return Adopt(new MemoryBlock(static_cast<size_t>(size < 0 ? 0 : size)));
}
ObjectRef Runtime::NewIntegerArray(const std::vector<int64_t>& values) {
  return Adopt(new IntegerArray(values));
}
ObjectRef Runtime::NewWindow(int width, int height) {
  return Adopt(new Window(width, height));
}

}  // namespace fenra::host
