// The plugin's start-up as a host sees it, through a resolver that
// records every registration.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "REALplugin.h"
#include "plugin/class_list.h"
#include "plugin/host_services.h"

namespace {

struct Recorded {
  std::vector<intptr_t> versions;
  std::vector<REALclassDefinition*> classes;
  std::vector<REALmethodDefinition*> methods;
  std::vector<std::string> calls;
};
Recorded* gRecorded = nullptr;

void RecordVersion(intptr_t version) {
  gRecorded->versions.push_back(version);
  gRecorded->calls.push_back("version");
}
void RecordClass(REALclassDefinition* definition) {
  gRecorded->classes.push_back(definition);
  gRecorded->calls.push_back(std::string("class ") + definition->name);
}
void RecordMethod(REALmethodDefinition* definition) {
  gRecorded->methods.push_back(definition);
  gRecorded->calls.push_back("method");
}

void* RecordingResolver(const char* name) {
  std::string service = name;
  if (service == "RegisterPluginVersion") return reinterpret_cast<void*>(RecordVersion);
  if (service == "PluginRegisterClass") return reinterpret_cast<void*>(RecordClass);
  if (service == "PluginRegisterMethod") return reinterpret_cast<void*>(RecordMethod);
  return nullptr;
}

class RegistrationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gRecorded = &recorded_;
    REALPluginMain(RecordingResolver);
  }
  void TearDown() override {
    fenra::SetHostResolver(nullptr);
    gRecorded = nullptr;
  }
  Recorded recorded_;
};

TEST_F(RegistrationTest, AnnouncesVersionSixBeforeRegistering) {
  ASSERT_EQ(recorded_.versions, std::vector<intptr_t>{6});
  EXPECT_EQ(recorded_.calls.front(), "version");
}

TEST_F(RegistrationTest, RegistersTheClassesInTheirFixedOrder) {
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"FenraObject", ""},
      {"FenraProgressCallback", "FenraObject"},
      {"FenraRect", "FenraObject"},
      {"FenraRegion", "FenraObject"},
      {"FenraTimeRange", "FenraObject"},
      {"FenraGraphicsContext", "FenraObject"},
      {"FenraComponent", "FenraObject"},
      {"FenraCodec", "FenraObject"},
      {"FenraCodecList", "FenraObject"},
      {"FenraComponentList", "FenraObject"},
      {"FenraDataRef", "FenraObject"},
      {"FenraFile", "FenraObject"},
      {"FenraUserData", "FenraObject"},
      {"FenraSampleDesc", "FenraObject"},
      {"FenraImageDesc", "FenraObject"},
      {"FenraImageDescComp", "FenraImageDesc"},
      {"FenraSoundDesc", "FenraObject"},
      {"FenraTextDesc", "FenraObject"},
      {"FenraTimeCodeDesc", "FenraObject"},
      {"FenraContainer", "FenraObject"},
      {"FenraMedia", "FenraContainer"},
      {"FenraTrack", "FenraContainer"},
      {"FenraMovie", "FenraContainer"},
      {"FenraMoviePlay", "FenraMovie"},
      {"FenraNewTrack", "FenraObject"},
      {"FenraNewVideoTrack", "FenraNewTrack"},
      {"FenraNewTextTrack", "FenraNewTrack"},
      {"FenraNewSoundTrack", "FenraNewTrack"},
      {"FenraNewTimeCodeTrack", "FenraNewTrack"},
      {"FenraDisplayMode", "FenraObject"},
      {"FenraComponentService", "FenraObject"},
      {"FenraCompressImage", "FenraComponentService"},
      {"FenraCompressMovie", "FenraComponentService"},
      {"FenraCompressSound", "FenraComponentService"},
      {"FenraExportImage", "FenraComponentService"},
      {"FenraExportMovie", "FenraComponentService"},
      {"FenraVideoOutput", "FenraComponentService"},
      {"FenraVideoOutputImage", "FenraVideoOutput"},
      {"FenraVideoOutputMovie", "FenraVideoOutput"},
      {"QTGlobalInfoClass", ""},
      {"FenraMovieUndo", ""},
      {"QTMovieCreationClass", ""},
      {"QTVideoOutputClass", ""},
      {"FenraEffects", ""},
      {"QTStdCompressionClass", ""},
      {"QTMovieExportClass", ""},
  };
  ASSERT_EQ(recorded_.classes.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    const REALclassDefinition* definition = recorded_.classes[i];
    EXPECT_EQ(definition->name, expected[i].first) << "class " << i + 1;
    EXPECT_EQ(definition->superName ? definition->superName : "", expected[i].second)
        << definition->name;
    EXPECT_EQ(definition->version, 6) << definition->name;
    EXPECT_NE(definition->constructor, nullptr) << definition->name;
    EXPECT_EQ(definition->events, nullptr);
    EXPECT_EQ(definition->eventCount, 0);
  }
}

TEST_F(RegistrationTest, EveryClassHasADestructorButFenraRect) {
  for (const REALclassDefinition* definition : recorded_.classes) {
    bool isRect = std::string(definition->name) == "FenraRect";
    EXPECT_EQ(definition->destructor == nullptr, isRect) << definition->name;
  }
}

TEST_F(RegistrationTest, ModuleMethodsFollowAllClasses) {
  size_t lastClass = 0, firstMethod = recorded_.calls.size();
  for (size_t i = 0; i < recorded_.calls.size(); ++i) {
    if (recorded_.calls[i].starts_with("class")) lastClass = i;
    if (recorded_.calls[i] == "method" && firstMethod == recorded_.calls.size()) firstMethod = i;
  }
  EXPECT_LT(lastClass, firstMethod);
}

TEST_F(RegistrationTest, RootClassCarriesOnePointerAndTheFixedDataSizes) {
  EXPECT_EQ(fenra::gFenraObjectClass.dataSize, static_cast<intptr_t>(sizeof(void*)));
  // A 64-bit Integer each, then the source world or the hilite colour.
  EXPECT_EQ(fenra::gFenraNewVideoTrackClass.dataSize, 16);
  EXPECT_EQ(fenra::gFenraNewTextTrackClass.dataSize, 16);
  EXPECT_EQ(fenra::gFenraRectClass.dataSize, 0);
  for (const REALclassDefinition* definition : recorded_.classes) {
    if (definition->superName == nullptr) {
      EXPECT_GT(definition->dataSize, 0) << definition->name;
    }
  }
}

TEST_F(RegistrationTest, RootConstantsKeepTheirDeclarationTexts) {
  const REALclassDefinition& root = fenra::gFenraObjectClass;
  ASSERT_EQ(root.constantCount, 26);
  EXPECT_STREQ(root.constants[0].declaration, "kTime_Duration = \t\t\t\t0");
  bool foundAddPin = false, foundSubPin = false;
  for (intptr_t i = 0; i < root.constantCount; ++i) {
    std::string text = root.constants[i].declaration;
    foundAddPin |= text.starts_with("kGMd_addPin") && text.ends_with("33");
    foundSubPin |= text.starts_with("kGMd_subPin") && text.ends_with("35");
    EXPECT_EQ(root.constants[i].reserved1, 0);
  }
  EXPECT_TRUE(foundAddPin);
  EXPECT_TRUE(foundSubPin);
}

TEST(Resolution, UnresolvedServicesYieldZeroAndDoNothing) {
  fenra::SetHostResolver([](const char*) -> void* { return nullptr; });
  EXPECT_EQ(fenra::host::PluginNewInstance("FenraRect"), nullptr);
  EXPECT_EQ(fenra::host::memoryBlockGetSize(nullptr), 0);
  fenra::host::REALLockObject(nullptr);
  EXPECT_FALSE(fenra::host::Has("StringGetCString"));
  fenra::SetHostResolver(nullptr);
}

}  // namespace
