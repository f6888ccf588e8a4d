// Every member the plugin registers, called with hostile arguments made from
// its declaration: Nil, empty, negative, huge, NaN and infinite values,
// objects of the wrong state, folder items of files that are not there.
// Nothing may crash or trip the sanitizers; host errors and result codes
// are the right answers. The calls come from the registration, so the test
// grows with the classes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "fenra_host/runtime.h"

namespace {

using fenra::host::ClassInfo;
using fenra::host::HostError;
using fenra::host::Runtime;
using fenra::host::TypeName;
using fenra::host::Value;

bool Is(const TypeName& type, const char* name) {
  return strcasecmp(type.name.c_str(), name) == 0;
}

class HostileArguments : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Runtime::Get().PluginVersion() != 0) GTEST_SKIP() << "a plugin is loaded already";
    std::string error;
    ASSERT_TRUE(Runtime::Get().LoadPlugin(FENRA_PLUGIN_PATH, error)) << error;
    dir_ = std::filesystem::temp_directory_path() / ("fenra-hostile-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
    // Anything the calls save goes into the test's own folder.
    chdir(dir_.c_str());
  }
  void TearDown() override {
    chdir("/");
    std::filesystem::remove_all(dir_);
  }

  // The variant-th hostile value for a parameter of the type.
  Value Hostile(const TypeName& type, int variant) {
    Runtime& rt = Runtime::Get();
    if (type.isArray) {
      return variant % 2 == 0 ? Value::Nil() : Value::Obj(rt.NewIntegerArray({}));
    }
    if (Is(type, "integer") || Is(type, "int32") || Is(type, "int64") || Is(type, "uint32") ||
        Is(type, "int16") || Is(type, "uint8") || Is(type, "uint16") || Is(type, "uint64")) {
      const int64_t values[] = {0,
                                -1,
                                std::numeric_limits<int64_t>::max(),
                                std::numeric_limits<int64_t>::min(),
                                int64_t{1} << 40,
                                0x7FFFFFFF};
      return Value::Int(values[variant % 6]);
    }
    if (Is(type, "double") || Is(type, "single")) {
      const double values[] = {std::nan(""),
                               std::numeric_limits<double>::infinity(),
                               -std::numeric_limits<double>::infinity(),
                               -1e308,
                               0,
                               1e300};
      return Value::Dbl(values[variant % 6]);
    }
    if (Is(type, "boolean")) return Value::Bool(variant % 2 == 0);
    if (Is(type, "color")) return Value::Colour(variant % 2 == 0 ? 0 : 0xFFFFFF);
    if (Is(type, "string")) {
      const std::string values[] = {
          "", std::string(70000, 'x'), "\xff\xfe\x00z", "-1", "moov", "../../.."};
      return Value::Str(values[variant % 6]);
    }
    if (Is(type, "folderitem")) {
      switch (variant % 3) {
        case 0:
          return Value::Nil();
        case 1:
          return Value::Obj(rt.NewFolderItem((dir_ / "missing" / "none.mov").string()));
        default:
          return Value::Obj(rt.NewFolderItem(dir_.string()));
      }
    }
    if (Is(type, "memoryblock") && variant % 2 == 1) return Value::Obj(rt.NewMemoryBlock(0));
    if (Is(type, "picture") && variant % 2 == 1) return Value::Obj(rt.NewPicture(1, 1, 32));
    // Any other object: Nil, or a new one of its class made with hostile
    // arguments of its own.
    if (variant % 2 == 1) {
      if (const ClassInfo* cls = rt.FindClass(type.name); cls != nullptr && cls->fromPlugin) {
        return Instance(*cls, variant);
      }
    }
    Value nil = Value::Nil();
    nil.text = type.name;
    return nil;
  }

  // An instance of the class from the first of its constructors that takes
  // these hostile arguments, or Nil.
  Value Instance(const ClassInfo& cls, int variant) {
    if (depth_ > 1) return Value::Nil();
    ++depth_;
    Value made;
    for (const auto& method : cls.methods) {
      if (strcasecmp(method.declaration.name.c_str(), cls.name.c_str()) != 0) continue;
      std::vector<Value> args;
      for (const auto& p : method.declaration.parameters) args.push_back(Hostile(p.type, variant));
      HostError error;
      if (Runtime::Get().New(cls, args, made, error)) break;
    }
    if (made.kind == Value::Kind::Nil) {
      HostError error;
      Runtime::Get().New(cls, {}, made, error);
    }
    --depth_;
    return made;
  }

  std::filesystem::path dir_;
  int depth_ = 0;
  static constexpr int kVariants = 6;
};

// Members that wait for a person (or play until stopped) are not called.
bool Waits(const std::string& name) {
  return name.find("Dialog") != std::string::npos || name.find("Modal") != std::string::npos;
}

TEST_F(HostileArguments, EveryMemberOfEveryClassAndEveryModuleMethod) {
  Runtime& rt = Runtime::Get();
  long calls = 0;
  for (const ClassInfo* cls : rt.PluginClasses()) {
    for (int variant = 0; variant < kVariants; ++variant) {
      Value target = Instance(*cls, variant);
      if (target.kind != Value::Kind::Object) continue;
      for (const auto& property : cls->properties) {
        HostError error;
        Value out;
        if (property.readable) rt.GetProperty(target, property.name, out, error);
        if (property.writable)
          rt.SetProperty(target, property.name, Hostile(property.type, variant), error);
        ++calls;
      }
      for (const auto& method : cls->methods) {
        const auto& declaration = method.declaration;
        if (strcasecmp(declaration.name.c_str(), cls->name.c_str()) == 0) continue;
        if (Waits(declaration.name)) continue;
        SCOPED_TRACE(cls->name + "." + declaration.text);
        std::vector<Value> args;
        for (const auto& p : declaration.parameters) args.push_back(Hostile(p.type, variant));
        HostError error;
        Value out;
        if (method.assignable) {
          std::vector<Value> index(args.begin(), args.end());
          rt.AssignMethod(target, declaration.name, index, Hostile(declaration.result, variant),
                          error);
        }
        rt.CallMethod(target, declaration.name, args, out, error);
        ++calls;
      }
    }
  }
  for (const auto& module : rt.ModuleMethods()) {
    if (Waits(module.declaration.name)) continue;
    for (int variant = 0; variant < kVariants; ++variant) {
      std::vector<Value> args;
      for (const auto& p : module.declaration.parameters) args.push_back(Hostile(p.type, variant));
      HostError error;
      Value out;
      rt.CallModuleMethod(module.declaration.name, args, out, error);
      ++calls;
    }
  }
  EXPECT_GT(calls, 1000);
}

}  // namespace
