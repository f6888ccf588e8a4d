// A HostAccess with no plugin behind it, and helpers that run script text
// through the interpreter, against it or against a stand-in host.
#pragma once

#include <sstream>
#include <string>

#include "script/host_access.h"
#include "script/interpreter.h"

namespace fenra::host::script::testing {

class EmptyHost : public HostAccess {
 public:
  const ClassInfo* FindClass(std::string_view) override { return nullptr; }
  const ModuleMethodInfo* FindModuleMethod(std::string_view) override { return nullptr; }
  bool New(const ClassInfo&, const std::vector<Value>&, Value&, HostError& e) override {
    return Refuse(e);
  }
  bool GetProperty(const Value&, std::string_view, Value&, HostError& e) override {
    return Refuse(e);
  }
  bool SetProperty(const Value&, std::string_view, const Value&, HostError& e) override {
    return Refuse(e);
  }
  bool CallMethod(const Value&, std::string_view, std::vector<Value>&, Value&,
                  HostError& e) override {
    return Refuse(e);
  }
  bool AssignMethod(const Value&, std::string_view, std::vector<Value>&, const Value&,
                    HostError& e) override {
    return Refuse(e);
  }
  bool CallModuleMethod(std::string_view, std::vector<Value>&, Value&, HostError& e) override {
    return Refuse(e);
  }
  bool GetClassConstant(const ClassInfo&, std::string_view, Value&) override { return false; }
  ObjectRef NewFolderItem(const std::string&) override { return {}; }
  ObjectRef NewIntegerArray(const std::vector<int64_t>&) override { return {}; }
  int64_t PluginVersion() override { return 0; }
  int64_t PluginClassCount() override { return 0; }
  int64_t ModuleMethodCount() override { return 0; }
  const EngineTestControls* TestControls() override { return nullptr; }

 private:
  static bool Refuse(HostError& e) {
    e.message = "no host in this test";
    return false;
  }
};

// What a script printed and how it ended.
struct Outcome {
  int status = 0;
  std::string out;
  std::string err;
};

inline Outcome RunText(const std::string& source, HostAccess* host = nullptr) {
  EmptyHost empty;
  std::ostringstream out, err;
  Outcome o;
  {
    Interpreter interpreter(host != nullptr ? *host : empty, out, "test.bas", {"a1", "a 2"});
    o.status = interpreter.Run("test.bas", source, err);
  }
  o.out = out.str();
  o.err = err.str();
  return o;
}

// The printed output of a script that must run without error.
inline std::string Output(const std::string& source, HostAccess* host = nullptr) {
  Outcome o = RunText(source, host);
  return o.status == 0 ? o.out : "status " + std::to_string(o.status) + ": " + o.err;
}

// The error message of a script that must fail.
inline std::string Error(const std::string& source, HostAccess* host = nullptr) {
  Outcome o = RunText(source, host);
  return o.status != 0 ? o.err : "no error; printed: " + o.out;
}

}  // namespace fenra::host::script::testing
