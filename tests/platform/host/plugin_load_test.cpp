// Loading the real plugin, with and without QuickTime.
#include <gtest/gtest.h>

#include "QTMLTestControls.h"
#include "fenra_host/runtime.h"

namespace {

using fenra::host::Runtime;

// A process holds one plugin: under ctest every test has a process of its
// own; run all at once, the tests after the first load skip.
#define SKIP_WHEN_LOADED() \
  if (Runtime::Get().PluginVersion() != 0) GTEST_SKIP() << "a plugin is loaded already"

TEST(PluginLoad, RegistersTheClassTreeInOrder) {
  SKIP_WHEN_LOADED();
  std::string error;
  ASSERT_TRUE(Runtime::Get().LoadPlugin(FENRA_PLUGIN_PATH, error)) << error;
  const auto& classes = Runtime::Get().PluginClasses();
  ASSERT_EQ(classes.size(), 46u);
  EXPECT_EQ(classes.front()->name, "FenraObject");
  EXPECT_EQ(classes.back()->name, "QTMovieExportClass");
  EXPECT_EQ(Runtime::Get().PluginVersion(), 6);
}

TEST(PluginLoad, WithoutQuickTimeNothingIsRegisteredButTheVersionIsAnnounced) {
  SKIP_WHEN_LOADED();
  QTMLTest_FailCall("InitializeQTML", 0, -2093);
  std::string error;
  ASSERT_TRUE(Runtime::Get().LoadPlugin(FENRA_PLUGIN_PATH, error)) << error;
  QTMLTest_ClearFaults();
  EXPECT_TRUE(Runtime::Get().PluginClasses().empty());
  EXPECT_TRUE(Runtime::Get().ModuleMethods().empty());
  EXPECT_EQ(Runtime::Get().PluginVersion(), 6);
}

TEST(PluginLoad, ABadPathIsAClearError) {
  SKIP_WHEN_LOADED();
  std::string error;
  EXPECT_FALSE(Runtime::Get().LoadPlugin("/nonexistent/libNothing.so", error));
  EXPECT_NE(error.find("cannot load the plugin"), std::string::npos) << error;
}

}  // namespace
