// Member lookups shared by every HostAccess.
#include "script/host_access.h"
#include "script/lexer.h"

namespace fenra::host::script {

namespace {

bool SameName(std::string_view a, std::string_view b) {
  return Fold(a) == Fold(b);
}

}  // namespace

const PropertyInfo* FindProperty(const ClassInfo& cls, std::string_view name) {
  for (const ClassInfo* c = &cls; c != nullptr; c = c->super) {
    for (const PropertyInfo& p : c->properties) {
      if (SameName(p.name, name)) return &p;
    }
  }
  return nullptr;
}

const MethodInfo* FindMethod(const ClassInfo& cls, std::string_view name) {
  for (const ClassInfo* c = &cls; c != nullptr; c = c->super) {
    for (const MethodInfo& m : c->methods) {
      if (SameName(m.declaration.name, name)) return &m;
    }
  }
  return nullptr;
}

const ConstantInfo* FindConstant(const ClassInfo& cls, std::string_view name) {
  for (const ClassInfo* c = &cls; c != nullptr; c = c->super) {
    for (const ConstantInfo& k : c->constants) {
      if (SameName(k.name, name)) return &k;
    }
  }
  return nullptr;
}

}  // namespace fenra::host::script
