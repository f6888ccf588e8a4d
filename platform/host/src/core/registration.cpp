// What a plugin hands the host: its version, its classes and its module
// methods. Records are kept as given; the host writes each class's data
// offset into its record.
#include <cctype>
#include <cstdlib>
#include <iostream>

#include "core/calls.h"
#include "core/runtime_state.h"

namespace fenra::host {
namespace {

constexpr size_t kInstanceHeader = 16;  // reserved words before the first class's data

size_t AlignUp(size_t value) {
  return (value + 7) & ~size_t{7};
}

// A constant's declaration: name, blanks or tabs, '=', blanks or tabs, then
// a number or a quoted text.
bool ParseConstant(const char* text, ConstantInfo& out) {
  if (text == nullptr) return false;
  std::string_view all(text);
  size_t equals = all.find('=');
  if (equals == std::string_view::npos) return false;
  auto trim = [](std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
  };
  std::string_view name = trim(all.substr(0, equals));
  std::string_view value = trim(all.substr(equals + 1));
  if (name.empty() || value.empty()) return false;
  out.name = std::string(name);
  out.declaration = text;
  if (value.front() == '"') {
    size_t close = value.find('"', 1);
    out.value = Value::Str(std::string(
        value.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1)));
    return true;
  }
  std::string number(value);
  char* end = nullptr;
  long long integer = std::strtoll(number.c_str(), &end, 10);
  if (end != nullptr && *end == '\0') {
    out.value = Value::Int(integer);
    return true;
  }
  double real = std::strtod(number.c_str(), &end);
  if (end == nullptr || *end != '\0') return false;
  out.value = Value::Dbl(real);
  return true;
}

void Warn(const std::string& text) {
  std::cerr << "fenra: " << text << "\n";
}

void AddProperties(RegisteredClass& cls) {
  for (intptr_t i = 0; i < cls.definition->propertyCount; ++i) {
    const REALproperty& record = cls.definition->properties[i];
    PropertyInfo info;
    info.name = record.name != nullptr ? record.name : "";
    info.type.name = record.type != nullptr ? record.type : "";
    info.readable = record.getter != nullptr;
    info.writable = record.setter != nullptr;
    cls.properties.push_back(std::move(info));
    cls.propertyRecords.push_back(&record);
  }
}

void AddMethods(RegisteredClass& cls) {
  for (intptr_t i = 0; i < cls.definition->methodCount; ++i) {
    const REALmethodDefinition& record = cls.definition->methods[i];
    MethodInfo info;
    std::string error;
    if (record.declaration == nullptr ||
        !Declaration::Parse(record.declaration, info.declaration, error)) {
      Warn(cls.name + ": cannot read the declaration \"" +
           (record.declaration ? record.declaration : "") + "\": " + error);
      continue;
    }
    info.assignable = record.setterFunction != nullptr;
    cls.methods.push_back(std::move(info));
    cls.methodRecords.push_back(&record);
  }
}

void AddConstants(RegisteredClass& cls) {
  for (intptr_t i = 0; i < cls.definition->constantCount; ++i) {
    ConstantInfo info;
    if (ParseConstant(cls.definition->constants[i].declaration, info)) {
      cls.constants.push_back(std::move(info));
    } else {
      Warn(cls.name + ": cannot read the constant \"" +
           (cls.definition->constants[i].declaration ?: "") + "\"");
    }
  }
}

}  // namespace

std::string Fold(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && std::tolower(static_cast<unsigned char>(a[i])) !=
                            std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

void RegisterVersion(intptr_t version) {
  Registry().pluginVersion = version;
}

void RegisterClass(REALclassDefinition* definition) {
  if (definition == nullptr || definition->name == nullptr) return;
  RuntimeState& state = Registry();
  auto cls = std::make_unique<RegisteredClass>();
  cls->name = definition->name;
  cls->fromPlugin = true;
  cls->definition = definition;
  cls->ownDataSize = definition->dataSize;
  size_t offset = kInstanceHeader;
  if (definition->superName != nullptr) {
    auto found = state.byFoldedName.find(Fold(definition->superName));
    if (found == state.byFoldedName.end() || !found->second->fromPlugin) {
      Warn(cls->name + ": superclass " + definition->superName + " is not registered");
      return;
    }
    cls->registeredSuper = static_cast<const RegisteredClass*>(found->second);
    cls->super = cls->registeredSuper;
    offset = AlignUp(cls->registeredSuper->instanceSize);
  }
  definition->dataOffset = static_cast<intptr_t>(offset);
  cls->instanceSize = offset + static_cast<size_t>(definition->dataSize);
  AddProperties(*cls);
  AddMethods(*cls);
  AddConstants(*cls);
  state.byFoldedName[Fold(cls->name)] = cls.get();
  state.pluginClasses.push_back(cls.get());
  state.owned.push_back(std::move(cls));
}

void RegisterModuleMethod(REALmethodDefinition* definition) {
  if (definition == nullptr) return;
  ModuleMethodInfo info;
  std::string error;
  if (definition->declaration == nullptr ||
      !Declaration::Parse(definition->declaration, info.declaration, error)) {
    Warn("cannot read the module method \"" + std::string(definition->declaration ?: "") +
         "\": " + error);
    return;
  }
  Registry().moduleMethods.push_back(std::move(info));
  Registry().moduleRecords.push_back(definition);
}

PluginInstance::PluginInstance(const RegisteredClass& cls)
    : HostObject(cls.instanceSize), cls_(cls) {}

void PluginInstance::Construct() {
  std::vector<const RegisteredClass*> chain;
  for (const RegisteredClass* c = &cls_; c != nullptr; c = c->registeredSuper) chain.push_back(c);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if (REALproc constructor = (*it)->definition->constructor) {
      reinterpret_cast<void (*)(REALobject)>(constructor)(Handle());
    }
  }
}

void PluginInstance::Finalize() {
  for (const RegisteredClass* c = &cls_; c != nullptr; c = c->registeredSuper) {
    if (REALproc destructor = c->definition->destructor) {
      reinterpret_cast<void (*)(REALobject)>(destructor)(Handle());
    }
  }
  // The references the standard accessor's fields still hold are the
  // host's to drop.
  for (const RegisteredClass* c = &cls_; c != nullptr; c = c->registeredSuper) {
    for (size_t i = 0; i < c->properties.size(); ++i) {
      const REALproperty& record = *c->propertyRecords[i];
      WireType wire = WireTypeOf(c->properties[i].type);
      bool standard = record.getter == REALstandardGetter || record.setter == REALstandardSetter;
      if (!standard || (wire != WireType::String && wire != WireType::Object)) continue;
      auto* field = reinterpret_cast<REALobject*>(reinterpret_cast<char*>(Handle()) +
                                                  c->definition->dataOffset + record.param);
      REALobject held = *field;
      *field = nullptr;
      if (HostObject* object = HostObject::Of(held)) object->Release();
    }
  }
}

PluginInstance* NewPluginInstance(const ClassInfo& cls) {
  if (!cls.fromPlugin) return nullptr;
  auto* instance = new (std::nothrow) PluginInstance(static_cast<const RegisteredClass&>(cls));
  if (instance != nullptr) instance->Construct();
  return instance;
}

}  // namespace fenra::host
