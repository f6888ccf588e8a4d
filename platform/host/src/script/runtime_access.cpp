// HostAccess over the process's Runtime.
#include "script/host_access.h"
#include "script/lexer.h"

namespace fenra::host::script {

namespace {

bool SameName(std::string_view a, std::string_view b) {
  return Fold(a) == Fold(b);
}

class RuntimeAccess final : public HostAccess {
 public:
  const ClassInfo* FindClass(std::string_view name) override { return rt_.FindClass(name); }

  const ModuleMethodInfo* FindModuleMethod(std::string_view name) override {
    for (const ModuleMethodInfo& m : rt_.ModuleMethods()) {
      if (SameName(m.declaration.name, name)) return &m;
    }
    return nullptr;
  }

  bool New(const ClassInfo& cls, const std::vector<Value>& args, Value& out,
           HostError& error) override {
    return rt_.New(cls, args, out, error);
  }
  bool GetProperty(const Value& target, std::string_view name, Value& out,
                   HostError& error) override {
    return rt_.GetProperty(target, name, out, error);
  }
  bool SetProperty(const Value& target, std::string_view name, const Value& value,
                   HostError& error) override {
    return rt_.SetProperty(target, name, value, error);
  }
  bool CallMethod(const Value& target, std::string_view name, std::vector<Value>& args, Value& out,
                  HostError& error) override {
    return rt_.CallMethod(target, name, args, out, error);
  }
  bool AssignMethod(const Value& target, std::string_view name, std::vector<Value>& args,
                    const Value& value, HostError& error) override {
    return rt_.AssignMethod(target, name, args, value, error);
  }
  bool CallModuleMethod(std::string_view name, std::vector<Value>& args, Value& out,
                        HostError& error) override {
    return rt_.CallModuleMethod(name, args, out, error);
  }
  bool GetClassConstant(const ClassInfo& cls, std::string_view name, Value& out) override {
    return rt_.GetClassConstant(cls, name, out);
  }

  const BoundMember* BindProperty(const ClassInfo& cls, std::string_view name) override {
    return rt_.BindProperty(cls, name);
  }
  const BoundMember* BindMethod(const ClassInfo& cls, std::string_view name,
                                const std::vector<Value>& args) override {
    return rt_.BindMethod(cls, name, args);
  }
  bool GetBound(const BoundMember& member, const Value& target, Value& out,
                HostError& error) override {
    return rt_.GetBound(member, target, out, error);
  }
  bool CallBound(const BoundMember& member, const Value& target, std::vector<Value>& args,
                 Value& out, HostError& error) override {
    return rt_.CallBound(member, target, args, out, error);
  }

  bool ScalarCall(const BoundMember& member, size_t count, Value::Kind& result) override {
    return rt_.ScalarCall(member, count, result);
  }
  bool CallScalar(const BoundMember& member, Object& target, const Scalar* args, size_t count,
                  Scalar& out, HostError& error) override {
    return rt_.CallScalar(member, target, args, count, out, error);
  }

  ObjectRef NewFolderItem(const std::string& nativePath) override {
    return rt_.NewFolderItem(nativePath);
  }
  ObjectRef NewIntegerArray(const std::vector<int64_t>& values) override {
    return rt_.NewIntegerArray(values);
  }

  int64_t PluginVersion() override { return rt_.PluginVersion(); }
  int64_t PluginClassCount() override { return static_cast<int64_t>(rt_.PluginClasses().size()); }
  int64_t ModuleMethodCount() override { return static_cast<int64_t>(rt_.ModuleMethods().size()); }

  const EngineTestControls* TestControls() override { return &Runtime::TestControls(); }
  const HostEventLoop* EventLoop() override { return &Runtime::EventLoop(); }

 private:
  Runtime& rt_ = Runtime::Get();
};

}  // namespace

std::unique_ptr<HostAccess> MakeRuntimeAccess() {
  return std::make_unique<RuntimeAccess>();
}

}  // namespace fenra::host::script
