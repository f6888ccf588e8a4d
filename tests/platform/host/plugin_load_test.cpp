// Loading the real plugin, with and without QuickTime. Each test runs in a
// process of its own, so each loads the plugin afresh.
#include <gtest/gtest.h>

#include "QTMLTestControls.h"
#include "fenra_host/runtime.h"

namespace {

using fenra::host::Runtime;

TEST(PluginLoad, RegistersTheClassTreeInOrder) {
  std::string error;
  ASSERT_TRUE(Runtime::Get().LoadPlugin(FENRA_PLUGIN_PATH, error)) << error;
  const auto& classes = Runtime::Get().PluginClasses();
  ASSERT_EQ(classes.size(), 46u);
  EXPECT_EQ(classes.front()->name, "FenraObject");
  EXPECT_EQ(classes.back()->name, "QTMovieExportClass");
  EXPECT_EQ(Runtime::Get().PluginVersion(), 6);
}

TEST(PluginLoad, WithoutQuickTimeNothingIsRegisteredButTheVersionIsAnnounced) {
  QTMLTest_FailCall("InitializeQTML", 0, -2093);
  std::string error;
  ASSERT_TRUE(Runtime::Get().LoadPlugin(FENRA_PLUGIN_PATH, error)) << error;
  QTMLTest_ClearFaults();
  EXPECT_TRUE(Runtime::Get().PluginClasses().empty());
  EXPECT_TRUE(Runtime::Get().ModuleMethods().empty());
  EXPECT_EQ(Runtime::Get().PluginVersion(), 6);
}

TEST(PluginLoad, ABadPathIsAClearError) {
  std::string error;
  EXPECT_FALSE(Runtime::Get().LoadPlugin("/nonexistent/libNothing.so", error));
  EXPECT_NE(error.find("cannot load the plugin"), std::string::npos) << error;
}

}  // namespace
