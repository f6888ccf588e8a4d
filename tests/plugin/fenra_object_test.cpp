// FenraObject and FenraProgressCallback as a program sees them: through
// the host runtime with the real plugin loaded.
#include <gtest/gtest.h>

#include "fenra_host/runtime.h"

namespace {

using fenra::host::HostError;
using fenra::host::Runtime;
using fenra::host::Value;

class LoadedPlugin : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    ASSERT_TRUE(Runtime::Get().LoadPlugin(FENRA_PLUGIN_PATH, error)) << error;
  }
  Runtime& runtime() { return Runtime::Get(); }

  Value New(const char* className, std::vector<Value> args = {}) {
    const auto* cls = runtime().FindClass(className);
    EXPECT_NE(cls, nullptr) << className;
    Value out;
    HostError error;
    EXPECT_TRUE(runtime().New(*cls, args, out, error)) << error.message;
    return out;
  }
  Value Get(const Value& object, const char* property) {
    Value out;
    HostError error;
    EXPECT_TRUE(runtime().GetProperty(object, property, out, error)) << error.message;
    return out;
  }
  Value Call(const Value& object, const char* method, std::vector<Value> args) {
    Value out;
    HostError error;
    EXPECT_TRUE(runtime().CallMethod(object, method, args, out, error)) << error.message;
    return out;
  }
};

TEST_F(LoadedPlugin, AnEmptyCallbackHasANativeObjectButIsNotValid) {
  Value callback = New("FenraProgressCallback");
  EXPECT_EQ(Get(callback, "fenraErr").integer, 0);
  EXPECT_FALSE(Get(callback, "isValid").boolean);
  EXPECT_EQ(Get(callback, "objPtr").integer, 0);
  EXPECT_EQ(Get(callback, "qtObjRef").integer, 0);
}

TEST_F(LoadedPlugin, CallbacksWithANilArgumentHaveNoNativeObject) {
  Value fromNil = New("FenraProgressCallback", {Value::Nil()});
  EXPECT_EQ(Get(fromNil, "fenraErr").integer, -108);
  EXPECT_FALSE(Get(fromNil, "isValid").boolean);
  Value fromNilProc = New("FenraProgressCallback", {Value::Nil(), Value::Nil()});
  EXPECT_EQ(Get(fromNilProc, "fenraErr").integer, -108);
  // A copy of an object without a native object has none either.
  Value copy = New("FenraProgressCallback", {fromNil});
  EXPECT_EQ(Get(copy, "fenraErr").integer, -108);
}

TEST_F(LoadedPlugin, ACallbackWithAProcIsValidAndCopiesStayApart) {
  Value block = Value::Obj(runtime().NewMemoryBlock(16));
  Value callback = New("FenraProgressCallback", {block, Value::Nil()});
  EXPECT_TRUE(Get(callback, "isValid").boolean);
  int64_t address = Get(callback, "objPtr").integer;
  EXPECT_NE(address, 0);
  EXPECT_EQ(Get(callback, "qtObjRef").integer, 0);

  Value copy = New("FenraProgressCallback", {callback});
  EXPECT_TRUE(Get(copy, "isValid").boolean);
  EXPECT_NE(Get(copy, "objPtr").integer, address);

  // Initialize replaces the routine only on an instance with a native.
  Value empty = New("FenraProgressCallback");
  Call(empty, "Initialize", {block, Value::Nil()});
  EXPECT_TRUE(Get(empty, "isValid").boolean);
  Value none = New("FenraProgressCallback", {Value::Nil()});
  Call(none, "Initialize", {block, Value::Nil()});
  EXPECT_EQ(Get(none, "fenraErr").integer, -108);
}

TEST_F(LoadedPlugin, RootConstantsAreVisibleThroughEveryClass) {
  Value value;
  ASSERT_TRUE(
      runtime().GetClassConstant(*runtime().FindClass("FenraObject"), "kGMd_addPin", value));
  EXPECT_EQ(value.integer, 33);
  ASSERT_TRUE(
      runtime().GetClassConstant(*runtime().FindClass("FenraObject"), "kGMd_subPin", value));
  EXPECT_EQ(value.integer, 35);
  ASSERT_TRUE(runtime().GetClassConstant(*runtime().FindClass("FenraObject"),
                                         "kLoad_loadBackwardTrackEdits", value));
  EXPECT_EQ(value.integer, 16);
}

TEST_F(LoadedPlugin, TheClassTreeIsRegistered) {
  ASSERT_EQ(runtime().PluginClasses().size(), 46u);
  EXPECT_EQ(runtime().PluginVersion(), 6);
  EXPECT_EQ(runtime().PluginClasses().front()->name, "FenraObject");
  EXPECT_EQ(runtime().PluginClasses().back()->name, "QTMovieExportClass");
  const auto* play = runtime().FindClass("FenraMoviePlay");
  ASSERT_NE(play, nullptr);
  EXPECT_TRUE(play->IsA(*runtime().FindClass("FenraContainer")));
}

}  // namespace
