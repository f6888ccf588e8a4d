// A fixture for tests that use the runtime's classes as a script does:
// make instances, read and write properties, call methods. Each call that
// must work records a failure with the runtime's message when it does not.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fenra_host/runtime.h"

namespace fenra::host {

class RuntimeCallsTest : public ::testing::Test {
 protected:
  Runtime& rt() { return Runtime::Get(); }
  // The class registered as `name`, which must exist.
  const ClassInfo& Class(const char* name) { return *rt().FindClass(name); }
  // The class name of an object, "Nil" for anything else.
  static std::string cls(const Value& v) {
    return v.kind == Value::Kind::Object ? v.object->Class().name : "Nil";
  }

  Value New(const char* className, std::vector<Value> args = {}) {
    Value out;
    HostError error;
    EXPECT_TRUE(rt().New(Class(className), args, out, error)) << error.message;
    return out;
  }
  Value Get(const Value& target, const char* name) {
    Value out;
    HostError error;
    EXPECT_TRUE(rt().GetProperty(target, name, out, error))
        << cls(target) << "." << name << ": " << error.message;
    return out;
  }
  void Set(const Value& target, const char* name, const Value& value) {
    HostError error;
    EXPECT_TRUE(rt().SetProperty(target, name, value, error)) << error.message;
  }
  Value Call(const Value& target, const char* name, std::vector<Value> args = {}) {
    Value out;
    HostError error;
    EXPECT_TRUE(rt().CallMethod(target, name, args, out, error)) << error.message;
    return out;
  }
  // The message of a call that must fail.
  std::string CallFails(const Value& target, const char* name, std::vector<Value> args) {
    Value out;
    HostError error;
    EXPECT_FALSE(rt().CallMethod(target, name, args, out, error));
    return error.message;
  }
};

}  // namespace fenra::host
