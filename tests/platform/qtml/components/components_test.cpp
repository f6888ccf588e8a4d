// The Component Manager: matching, information, instances and their
// implementation objects.
#include <gtest/gtest.h>

#include <string>

#include "Components.h"
#include "MacMemory.h"
#include "QTMLTestControls.h"
#include "leak_check.h"
#include "components/component_registry.h"

namespace {

int gOpened = 0;
int gClosed = 0;

class CountingImplementation : public qtml::ComponentImplementation {
 public:
  OSErr Open(ComponentInstance) override {
    ++gOpened;
    return noErr;
  }
  OSErr Close() override {
    ++gClosed;
    return noErr;
  }
};

class RefusingImplementation : public qtml::ComponentImplementation {
 public:
  OSErr Open(ComponentInstance) override { return cantOpenHandler; }
};

qtml::ComponentImplementation* NewCounting() {
  return new CountingImplementation;
}
qtml::ComponentImplementation* NewRefusing() {
  return new RefusingImplementation;
}

class ComponentsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gOpened = gClosed = 0;
    leaks_.Start();
  }
  void TearDown() override {
    QTMLTest_ClearFaults();
    for (Component c : added_) EXPECT_TRUE(qtml::RemoveComponent(c));
    leaks_.Verify();
  }
  Component Add(OSType type, OSType subType, UInt32 flags, qtml::ImplementationFactory create) {
    Component c = qtml::AddComponent(
        {type, subType, 'test', flags, "Test Component", "For tests", 0x00020003, create});
    added_.push_back(c);
    return c;
  }
  static std::string PString(Handle h) { return std::string(*h + 1, (*h)[0]); }
  std::vector<Component> added_;
  LeakCheck leaks_;
};

TEST_F(ComponentsTest, FindsTheEnginesComponentsByDescription) {
  ComponentDescription clocks{'clok', 0, 0, 0, 0};
  EXPECT_EQ(CountComponents(&clocks), 2);
  ComponentDescription handlers{'dhlr', 0, 'appl', 0, 0};
  EXPECT_EQ(CountComponents(&handlers), 4);  // files, handles, pointers and URLs
  ComponentDescription micro{'clok', 'micr', 0, 0, 0};
  Component found = FindNextComponent(nullptr, &micro);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(FindNextComponent(found, &micro), nullptr);
  // The clocks, data handlers and movie controller come first, the rest after.
  Component first = FindNextComponent(nullptr, nullptr);
  ComponentDescription firstDescription{};
  ASSERT_EQ(GetComponentInfo(first, &firstDescription, nullptr, nullptr, nullptr), noErr);
  EXPECT_EQ(firstDescription.componentType, static_cast<OSType>('clok'));
  EXPECT_GT(CountComponents(nullptr), 6);

  ComponentDescription cd{};
  Handle name = NewHandle(0);
  Handle info = NewHandle(0);
  Handle icon = NewHandle(8);
  ASSERT_EQ(GetComponentInfo(found, &cd, name, info, icon), noErr);
  EXPECT_EQ(cd.componentType, static_cast<OSType>('clok'));
  EXPECT_EQ(cd.componentSubType, static_cast<OSType>('micr'));
  EXPECT_EQ(cd.componentManufacturer, static_cast<OSType>('appl'));
  EXPECT_EQ(PString(name), "Microsecond Clock");
  EXPECT_FALSE(PString(info).empty());
  EXPECT_EQ(GetHandleSize(icon), 0);
  DisposeHandle(name);
  DisposeHandle(info);
  DisposeHandle(icon);
}

TEST_F(ComponentsTest, FlagsMatchUnderTheMask) {
  Component plain = Add('tst1', 'a   ', 0x1, nullptr);
  Component flagged = Add('tst1', 'b   ', 0x3, nullptr);
  ComponentDescription both{'tst1', 0, 0, 0x1, 0x1};
  EXPECT_EQ(CountComponents(&both), 2);
  ComponentDescription second{'tst1', 0, 0, 0x2, 0x2};
  EXPECT_EQ(FindNextComponent(nullptr, &second), flagged);
  ComponentDescription unmasked{'tst1', 0, 0, 0x2, 0};
  EXPECT_EQ(FindNextComponent(nullptr, &unmasked), plain);
  ComponentDescription other{'tst1', 0, 'appl', 0, 0};
  EXPECT_EQ(CountComponents(&other), 0);
}

TEST_F(ComponentsTest, InstancesRunTheirImplementation) {
  Component c = Add('tst2', 'cntg', 0, &NewCounting);
  ComponentInstance instance = nullptr;
  ASSERT_EQ(OpenAComponent(c, &instance), noErr);
  EXPECT_EQ(gOpened, 1);
  EXPECT_EQ(CountComponentInstances(c), 1);
  EXPECT_NE(dynamic_cast<CountingImplementation*>(qtml::ImplementationOf(instance)), nullptr);
  EXPECT_EQ(GetComponentVersion(instance), 0x00020003);
  EXPECT_EQ(GetComponentInstanceError(instance), noErr);
  SetComponentInstanceError(instance, paramErr);
  EXPECT_EQ(GetComponentInstanceError(instance), paramErr);
  // An instance stands for its component in the information calls.
  ComponentDescription cd{};
  EXPECT_EQ(GetComponentInfo(reinterpret_cast<Component>(instance), &cd, nullptr, nullptr, nullptr),
            noErr);
  EXPECT_EQ(cd.componentSubType, static_cast<OSType>('cntg'));
  EXPECT_FALSE(qtml::RemoveComponent(c));  // still open

  ComponentInstance byDefault = OpenDefaultComponent('tst2', 0);
  ASSERT_NE(byDefault, nullptr);
  EXPECT_EQ(CloseComponent(byDefault), noErr);
  EXPECT_EQ(CloseComponent(instance), noErr);
  EXPECT_EQ(gClosed, 2);
  EXPECT_EQ(CountComponentInstances(c), 0);
  EXPECT_EQ(CloseComponent(instance), invalidComponentID);
  EXPECT_EQ(GetComponentVersion(instance), badComponentInstance);
  EXPECT_EQ(qtml::ImplementationOf(instance), nullptr);
}

TEST_F(ComponentsTest, OpeningFailuresLeaveNoInstance) {
  Component refusing = Add('tst3', 'rfse', 0, &NewRefusing);
  ComponentInstance instance = reinterpret_cast<ComponentInstance>(1);
  EXPECT_EQ(OpenAComponent(refusing, &instance), cantOpenHandler);
  EXPECT_EQ(instance, nullptr);
  EXPECT_EQ(CountComponentInstances(refusing), 0);
  EXPECT_EQ(OpenDefaultComponent('none', 0), nullptr);
  EXPECT_EQ(OpenADefaultComponent('none', 0, &instance), invalidComponentID);
  int bogus = 0;
  EXPECT_EQ(OpenAComponent(reinterpret_cast<Component>(&bogus), &instance), invalidComponentID);
  ComponentDescription cd{};
  EXPECT_EQ(GetComponentInfo(reinterpret_cast<Component>(&bogus), &cd, nullptr, nullptr, nullptr),
            invalidComponentID);

  ComponentDescription micro{'clok', 'micr', 0, 0, 0};
  Component clock = FindNextComponent(nullptr, &micro);
  QTMLTest_FailAllocations(0);
  EXPECT_EQ(OpenAComponent(clock, &instance), memFullErr);
  EXPECT_EQ(CountComponentInstances(clock), 0);
  QTMLTest_ClearFaults();
  QTMLTest_FailCall("OpenAComponent", 1, cantOpenHandler);
  EXPECT_EQ(OpenAComponent(clock, &instance), cantOpenHandler);
}

}  // namespace
