// What a script reaches of the host: classes, members and module methods of
// the loaded plugin and the host's own classes. In production this is the
// process's Runtime; language tests substitute a small stand-in.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "fenra_host/runtime.h"

namespace fenra::host::script {

class HostAccess {
 public:
  virtual ~HostAccess() = default;

  // Null when no class of that name (case-insensitive) is known.
  virtual const ClassInfo* FindClass(std::string_view name) = 0;
  // The first module method of that name (case-insensitive), or null.
  virtual const ModuleMethodInfo* FindModuleMethod(std::string_view name) = 0;

  // These follow Runtime's contracts: false with `error` on a host error;
  // ByRef entries of `args` are written back.
  virtual bool New(const ClassInfo& cls, const std::vector<Value>& args, Value& out,
                   HostError& error) = 0;
  virtual bool GetProperty(const Value& target, std::string_view name, Value& out,
                           HostError& error) = 0;
  virtual bool SetProperty(const Value& target, std::string_view name, const Value& value,
                           HostError& error) = 0;
  virtual bool CallMethod(const Value& target, std::string_view name, std::vector<Value>& args,
                          Value& out, HostError& error) = 0;
  virtual bool AssignMethod(const Value& target, std::string_view name, std::vector<Value>& args,
                            const Value& value, HostError& error) = 0;
  virtual bool CallModuleMethod(std::string_view name, std::vector<Value>& args, Value& out,
                                HostError& error) = 0;
  virtual bool GetClassConstant(const ClassInfo& cls, std::string_view name, Value& out) = 0;

  // Members bound once for a call site, as Runtime binds them; a host that
  // binds none answers null, and the site uses the members by name.
  virtual const BoundMember* BindProperty(const ClassInfo&, std::string_view) { return nullptr; }
  virtual const BoundMember* BindMethod(const ClassInfo&, std::string_view,
                                        const std::vector<Value>&) {
    return nullptr;
  }
  virtual bool GetBound(const BoundMember&, const Value&, Value&, HostError& error) {
    error.message = "this host binds no members";
    return false;
  }
  virtual bool CallBound(const BoundMember&, const Value&, std::vector<Value>&, Value&,
                         HostError& error) {
    error.message = "this host binds no members";
    return false;
  }

  // Calls by Scalars, as Runtime makes them; a host without them says no
  // member can be called so.
  virtual bool ScalarCall(const BoundMember&, size_t, Value::Kind&) { return false; }
  virtual bool CallScalar(const BoundMember&, Object&, const Scalar*, size_t, Scalar&,
                          HostError& error) {
    error.message = "this host makes no scalar calls";
    return false;
  }

  // Host values made as the host's services make them; null on failure.
  virtual ObjectRef NewFolderItem(const std::string& nativePath) = 0;
  virtual ObjectRef NewIntegerArray(const std::vector<int64_t>& values) = 0;

  // What the plugin registered, for the Runtime module of scripts.
  virtual int64_t PluginVersion() = 0;
  virtual int64_t PluginClassCount() = 0;
  virtual int64_t ModuleMethodCount() = 0;

  // The engine's test controls, for the QTMLTest module of scripts; null
  // when this host has no engine behind it.
  virtual const EngineTestControls* TestControls() = 0;
  // The host's event loop, for the App and Keyboard modules; null when
  // this host has none.
  virtual const HostEventLoop* EventLoop() { return nullptr; }
};

// The process's Runtime behind the HostAccess interface.
std::unique_ptr<HostAccess> MakeRuntimeAccess();

// Member lookups through a class and its superclasses, by folded name.
const PropertyInfo* FindProperty(const ClassInfo& cls, std::string_view name);
const MethodInfo* FindMethod(const ClassInfo& cls, std::string_view name);
const ConstantInfo* FindConstant(const ClassInfo& cls, std::string_view name);

}  // namespace fenra::host::script
