// The host classes made from their member tables, and dispatch to them.
#include "core/host_classes.h"

#include <deque>
#include <iostream>
#include <memory>

#include "core/calls.h"
#include "core/runtime_state.h"

namespace fenra::host {
namespace {

// A host class with its table and its members' parsed declarations.
struct HostClass : ClassInfo {
  const HostClassTable* table = nullptr;
  std::vector<Declaration> declarations;  // one per member, in table order
  Declaration constructor;
};

// Classes the plugin sees but scripts do not name.
constexpr HostClassTable kStringClass{"String", nullptr, nullptr, nullptr, {}, {}};
constexpr HostClassTable kIntegerArrayClass{"Integer()", nullptr, nullptr, nullptr, {}, {}};

const HostClassTable* const kNamedTables[] = {
    &kFolderItemClass, &kPictureClass,     &kGraphicsClass,    &kMemoryBlockClass, &kMovieClass,
    &kControlClass,    &kRectControlClass, &kMoviePlayerClass, &kWindowClass,
};

Declaration ParseOrWarn(const char* text) {
  Declaration declaration;
  std::string error;
  if (!Declaration::Parse(text, declaration, error)) {
    std::cerr << "fenra: host member \"" << text << "\": " << error << "\n";
  }
  return declaration;
}

struct HostClassSet {
  std::vector<std::unique_ptr<HostClass>> all;  // named ones first, in kNamedTables order
  std::vector<const ClassInfo*> named;

  HostClassSet() {
    for (const HostClassTable* table : kNamedTables) Add(*table);
    Add(kStringClass);
    Add(kIntegerArrayClass);
    for (size_t i = 0; i < std::size(kNamedTables); ++i) named.push_back(all[i].get());
  }

  void Add(const HostClassTable& table) {
    auto cls = std::make_unique<HostClass>();
    cls->name = table.name;
    cls->table = &table;
    if (table.super != nullptr) cls->super = Find(table.super);
    if (table.constructor != nullptr) {
      cls->constructor = ParseOrWarn(table.constructor);
      cls->methods.push_back({cls->constructor, false});
    }
    for (const HostMember& member : table.members) {
      Declaration declaration = ParseOrWarn(member.declaration);
      if (member.kind == HostMember::kProperty) {
        cls->properties.push_back({declaration.name, declaration.result, member.call != nullptr,
                                   member.assign != nullptr});
      } else {
        cls->methods.push_back({declaration, member.assign != nullptr});
      }
      cls->declarations.push_back(std::move(declaration));
    }
    for (const HostConstant& constant : table.constants) {
      cls->constants.push_back(
          {constant.name, Value::Int(constant.value),
           std::string(constant.name) + " = " + std::to_string(constant.value)});
    }
    all.push_back(std::move(cls));
  }

  const HostClass* Find(std::string_view name) const {
    for (const auto& cls : all) {
      if (Fold(cls->name) == Fold(name)) return cls.get();
    }
    return nullptr;
  }
};

const HostClassSet& Classes() {
  static const HostClassSet set;
  return set;
}

const HostClass* HostClassOf(const ClassInfo* cls) {
  for (const auto& known : Classes().all) {
    if (known.get() == cls) return known.get();
  }
  return nullptr;
}

const HostClass* HostClassOfValue(const Value& target) {
  if (target.kind != Value::Kind::Object) return nullptr;
  return HostClassOf(&target.object->Class());
}

// Converts a value the overload check accepted to its declared type.
Value Prepared(const Value& value, WireType wire) {
  switch (wire) {
    case WireType::Integer:
      return Value::Int(value.kind == Value::Kind::Double ? static_cast<int64_t>(value.number)
                                                          : value.integer);
    case WireType::Double:
    case WireType::Single:
      return Value::Dbl(value.kind == Value::Kind::Integer ? static_cast<double>(value.integer)
                                                           : value.number);
    case WireType::Color:
      return Value::Colour(static_cast<uint32_t>(value.integer));
    default:
      return value;
  }
}

Args PreparedArgs(const Declaration& declaration, const std::vector<Value>& args) {
  Args out;
  for (size_t i = 0; i < declaration.parameters.size(); ++i) {
    const Parameter& parameter = declaration.parameters[i];
    out.push_back(
        Prepared(i < args.size() ? args[i] : DefaultValue(parameter), WireTypeOf(parameter.type)));
  }
  return out;
}

// Argument lists kept from one bound call to the next, one a nesting
// level (a member may call back into the runtime), so that a call makes
// none.
class ArgsLease {
 public:
  ArgsLease() {
    if (depth_ == pool_.size()) pool_.emplace_back();
    args_ = &pool_[depth_++];
  }
  ~ArgsLease() {
    args_->clear();
    --depth_;
  }
  ArgsLease(const ArgsLease&) = delete;
  ArgsLease& operator=(const ArgsLease&) = delete;
  Args& Get() { return *args_; }

 private:
  static thread_local std::deque<Args> pool_;
  static thread_local size_t depth_;
  Args* args_;
};

thread_local std::deque<Args> ArgsLease::pool_;
thread_local size_t ArgsLease::depth_ = 0;

std::string MemberName(const ClassInfo& cls, std::string_view name) {
  return cls.name + "." + std::string(name);
}

// A member found in a class or its superclasses.
struct Found {
  const HostClass* cls = nullptr;
  size_t index = 0;
  const HostMember& Member() const { return cls->table->members[index]; }
  const Declaration& Declared() const { return cls->declarations[index]; }
};

Found FindProperty(const HostClass* cls, std::string_view name) {
  std::string folded = Fold(name);
  for (; cls != nullptr; cls = static_cast<const HostClass*>(cls->super)) {
    for (size_t i = 0; i < cls->declarations.size(); ++i) {
      if (cls->table->members[i].kind == HostMember::kProperty &&
          Fold(cls->declarations[i].name) == folded) {
        return {cls, i};
      }
    }
  }
  return {};
}

// The methods of that name that can do `assigning` or calling, nearest
// class first, with their candidates for overload choice.
std::vector<Found> FindMethods(const HostClass* cls, std::string_view name, bool assigning,
                               std::vector<Callable>& candidates) {
  std::vector<Found> found;
  std::string folded = Fold(name);
  for (int depth = 0; cls != nullptr; cls = static_cast<const HostClass*>(cls->super), ++depth) {
    for (size_t i = 0; i < cls->declarations.size(); ++i) {
      const HostMember& member = cls->table->members[i];
      bool usable = assigning ? member.assign != nullptr : member.call != nullptr;
      if (member.kind == HostMember::kMethod && usable &&
          Fold(cls->declarations[i].name) == folded) {
        found.push_back({cls, i});
        candidates.push_back({&cls->declarations[i], nullptr, depth});
      }
    }
  }
  return found;
}

}  // namespace

const ClassInfo& HostClassOf(const HostClassTable& table) {
  for (const auto& cls : Classes().all) {
    if (cls->table == &table) return *cls;
  }
  std::abort();  // every table is in the set
}

const std::vector<const ClassInfo*>& HostClasses() {
  return Classes().named;
}

bool Misuse(HostError& error, std::string_view member, std::string_view message) {
  error.message = std::string(member) + ": " + std::string(message);
  return false;
}

bool NewHostObject(const ClassInfo& cls, const std::vector<Value>& args, Value& out,
                   HostError& error) {
  const HostClass* host = Classes().Find(cls.name);
  if (host == nullptr || host->table->make == nullptr) {
    error.message = "cannot make a new " + cls.name;
    return false;
  }
  std::vector<Callable> candidates = {{&host->constructor, nullptr, 0}};
  if (ChooseOverload(candidates, args, cls.name + " constructor", error) < 0) return false;
  Args prepared = PreparedArgs(host->constructor, args);
  return host->table->make(prepared, out, error);
}

bool GetHostMember(const Value& target, std::string_view name, Value& out, HostError& error) {
  const HostClass* cls = HostClassOfValue(target);
  if (cls == nullptr) {
    error.message = "no member " + std::string(name);
    return false;
  }
  Found found = FindProperty(cls, name);
  if (found.cls == nullptr) {
    // A method that needs no arguments reads like a property.
    std::vector<Value> none;
    return CallHostMember(target, name, none, out, error);
  }
  if (found.Member().call == nullptr) {
    error.message = MemberName(*cls, name) + " cannot be read";
    return false;
  }
  Args none;
  return found.Member().call(*static_cast<HostObject*>(target.object.get()), none, out, error);
}

bool SetHostMember(const Value& target, std::string_view name, const Value& value,
                   HostError& error) {
  const HostClass* cls = HostClassOfValue(target);
  Found found = cls != nullptr ? FindProperty(cls, name) : Found{};
  if (found.cls == nullptr) {
    error.message = "no property " + (cls != nullptr ? MemberName(*cls, name) : std::string(name));
    return false;
  }
  if (found.Member().assign == nullptr) {
    error.message = MemberName(*cls, name) + " is read-only";
    return false;
  }
  const TypeName& type = found.Declared().result;
  if (ArgumentCost(value, type) < 0) {
    error.message =
        "cannot assign that value to " + MemberName(*cls, name) + " (" + type.name + ")";
    return false;
  }
  Args none;
  return found.Member().assign(*static_cast<HostObject*>(target.object.get()), none,
                               Prepared(value, WireTypeOf(type)), error);
}

bool CallHostMember(const Value& target, std::string_view name, std::vector<Value>& args,
                    Value& out, HostError& error) {
  const HostClass* cls = HostClassOfValue(target);
  if (cls == nullptr) {
    error.message = "no method " + std::string(name);
    return false;
  }
  std::vector<Callable> candidates;
  std::vector<Found> found = FindMethods(cls, name, false, candidates);
  if (found.empty()) {
    if (args.empty() && FindProperty(cls, name).cls != nullptr) {
      return GetHostMember(target, name, out, error);
    }
    error.message = "no member " + MemberName(*cls, name);
    return false;
  }
  int chosen = ChooseOverload(candidates, args, MemberName(*cls, name), error);
  if (chosen < 0) return false;
  Args prepared = PreparedArgs(found[chosen].Declared(), args);
  out = Value::Nil();
  return found[chosen].Member().call(*static_cast<HostObject*>(target.object.get()), prepared, out,
                                     error);
}

bool AssignHostMember(const Value& target, std::string_view name, std::vector<Value>& args,
                      const Value& value, HostError& error) {
  const HostClass* cls = HostClassOfValue(target);
  std::vector<Callable> candidates;
  std::vector<Found> found =
      cls != nullptr ? FindMethods(cls, name, true, candidates) : std::vector<Found>{};
  if (found.empty()) {
    error.message =
        "cannot assign to " + (cls != nullptr ? MemberName(*cls, name) : std::string(name));
    return false;
  }
  int chosen = ChooseOverload(candidates, args, MemberName(*cls, name), error);
  if (chosen < 0) return false;
  const Declaration& declaration = found[chosen].Declared();
  if (ArgumentCost(value, declaration.result) < 0) {
    error.message = "cannot assign that value to " + MemberName(*cls, name) + " (" +
                    declaration.result.name + ")";
    return false;
  }
  Args prepared = PreparedArgs(declaration, args);
  return found[chosen].Member().assign(*static_cast<HostObject*>(target.object.get()), prepared,
                                       Prepared(value, WireTypeOf(declaration.result)), error);
}

bool BindHostProperty(const ClassInfo& cls, std::string_view name, MemberCall& call) {
  Found found = FindProperty(HostClassOf(&cls), name);
  if (found.cls == nullptr || found.Member().call == nullptr) return false;
  call = found.Member().call;
  return true;
}

bool BindHostMethod(const ClassInfo& cls, std::string_view name, const std::vector<Value>& args,
                    MemberCall& call, const Declaration*& declaration) {
  const HostClass* host = HostClassOf(&cls);
  if (host == nullptr) return false;
  std::vector<Callable> candidates;
  std::vector<Found> found = FindMethods(host, name, false, candidates);
  if (found.empty()) return false;
  HostError ignored;
  int chosen = ChooseOverload(candidates, args, MemberName(cls, name), ignored);
  if (chosen < 0) return false;
  call = found[chosen].Member().call;
  declaration = &found[chosen].Declared();
  return true;
}

bool CallBoundHostMember(MemberCall call, const Declaration* declaration,
                         const std::vector<WireType>& wires, const Value& target,
                         const std::vector<Value>& args, Value& out, HostError& error) {
  auto& self = *static_cast<HostObject*>(target.object.get());
  ArgsLease lease;
  Args& prepared = lease.Get();
  if (declaration != nullptr) {
    for (size_t i = 0; i < declaration->parameters.size(); ++i) {
      prepared.push_back(
          Prepared(i < args.size() ? args[i] : DefaultValue(declaration->parameters[i]), wires[i]));
    }
    out = Value::Nil();
  }
  return call(self, prepared, out, error);
}

bool CallBoundHostScalars(MemberCall call, const Declaration& declaration,
                          const std::vector<WireType>& wires, WireType wire, HostObject& self,
                          const Scalar* args, Scalar& out, HostError& error) {
  ArgsLease lease;
  Args& prepared = lease.Get();
  for (size_t i = 0; i < declaration.parameters.size(); ++i) {
    prepared.push_back(Prepared(ValueOf(args[i]), wires[i]));
  }
  Value result;
  if (!call(self, prepared, result, error)) return false;
  out = ScalarOf(Prepared(result, wire));
  // A host method gives what it declares.
  out.kind = Value::Kind::Nil;
  ScalarWire(wire, out.kind);
  return true;
}

// Each object's class.
const ClassInfo& HostString::Class() const {
  static const ClassInfo& cls = HostClassOf(kStringClass);
  return cls;
}
const ClassInfo& IntegerArray::Class() const {
  static const ClassInfo& cls = HostClassOf(kIntegerArrayClass);
  return cls;
}
const ClassInfo& FolderItem::Class() const {
  static const ClassInfo& cls = HostClassOf(kFolderItemClass);
  return cls;
}
const ClassInfo& Picture::Class() const {
  static const ClassInfo& cls = HostClassOf(kPictureClass);
  return cls;
}
const ClassInfo& Graphics::Class() const {
  static const ClassInfo& cls = HostClassOf(kGraphicsClass);
  return cls;
}
const ClassInfo& MemoryBlock::Class() const {
  static const ClassInfo& cls = HostClassOf(kMemoryBlockClass);
  return cls;
}
const ClassInfo& HostMovie::Class() const {
  static const ClassInfo& cls = HostClassOf(kMovieClass);
  return cls;
}
const ClassInfo& Control::Class() const {
  static const ClassInfo& cls = HostClassOf(kRectControlClass);
  return cls;
}
const ClassInfo& MoviePlayer::Class() const {
  static const ClassInfo& cls = HostClassOf(kMoviePlayerClass);
  return cls;
}
const ClassInfo& Window::Class() const {
  static const ClassInfo& cls = HostClassOf(kWindowClass);
  return cls;
}

}  // namespace fenra::host
