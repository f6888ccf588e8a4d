// The discovery natives over the engine's real component table.
#include "components/discovery.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "QTML.h"
#include "QTMLTestControls.h"

namespace {

using fenra::CodecListNative;
using fenra::CodecNative;
using fenra::ComponentListNative;
using fenra::ComponentNative;

class Discovery : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(InitializeQTML(0), noErr);
    ASSERT_EQ(EnterMovies(), noErr);
    handles_ = QTMLTest_LiveHandleCount();
  }
  void TearDown() override {
    QTMLTest_ClearFaults();
    EXPECT_EQ(QTMLTest_LiveHandleCount(), handles_) << "handles leaked";
  }
  static Component Find(OSType type, OSType subType) {
    ComponentDescription cd{type, subType, 0, 0, 0};
    return FindNextComponent(nullptr, &cd);
  }
  // A list filled for the description, as the list constructors make it.
  static void Fill(ComponentListNative& list, ComponentDescription looking) {
    list.Create();
    list.Fill(looking);
  }
  long handles_ = 0;
};

TEST_F(Discovery, AComponentIsFilledFromItsDescriptionAndName) {
  ComponentNative native;
  native.Fill(Find('imdc', 'jpeg'));
  EXPECT_EQ(native.err, 0);
  ASSERT_TRUE(native.IsValid());
  ASSERT_NE(native.name, nullptr);
  EXPECT_STREQ(native.name.get(), "Photo - JPEG");  // no length byte
  EXPECT_STREQ(native.typeText, "imdc");
  EXPECT_STREQ(native.subtypeText, "jpeg");
  EXPECT_STREQ(native.manufacturerText, "appl");
  EXPECT_NE(native.description.componentFlags, 0u);

  ComponentNative copy(native);
  native.Fill(nullptr);
  EXPECT_EQ(native.err, fenra::kParamErr);
  EXPECT_FALSE(native.IsValid());
  EXPECT_STREQ(native.typeText, "");
  EXPECT_EQ(native.name, nullptr);
  EXPECT_STREQ(copy.name.get(), "Photo - JPEG");  // the copy is independent

  QTMLTest_FailCall("GetComponentInfo", 1, invalidComponentID);
  ComponentNative failed;
  failed.Fill(Find('imdc', 'jpeg'));
  EXPECT_EQ(failed.err, invalidComponentID);
  EXPECT_STREQ(failed.typeText, "");
}

TEST_F(Discovery, SelectorsNameTheEightKinds) {
  ComponentDescription cd;
  ASSERT_TRUE(fenra::DescriptionForSelector(2, &cd));
  EXPECT_EQ(cd.componentType, static_cast<OSType>('grex'));
  EXPECT_EQ(cd.componentFlagsMask, 1u);
  ASSERT_TRUE(fenra::DescriptionForSelector(8, &cd));
  EXPECT_EQ(cd.componentType, static_cast<OSType>('sdec'));
  EXPECT_FALSE(fenra::DescriptionForSelector(0, &cd));
  EXPECT_FALSE(fenra::DescriptionForSelector(9, &cd));
  EXPECT_EQ(cd.componentType, 0u);
}

TEST_F(Discovery, ListsHoldTheirComponentsInSearchOrder) {
  ComponentDescription exporters;
  fenra::DescriptionForSelector(2, &exporters);
  ComponentListNative list;
  Fill(list, exporters);
  ASSERT_TRUE(list.IsValid());
  ASSERT_EQ(list.Count(), CountComponents(&exporters));
  Component expected = nullptr;
  for (short i = 0; i < list.Count(); ++i) {
    expected = FindNextComponent(expected, &exporters);
    EXPECT_EQ(list.Item(i), expected);
    ComponentNative item;
    item.Fill(list.Item(i));
    EXPECT_STRNE(item.subtypeText, "base");  // the base exporter is left out
  }
  EXPECT_EQ(list.Item(list.Count()), nullptr);
  EXPECT_EQ(list.Item(-1), nullptr);

  ComponentListNative copy;
  copy.CopyFrom(list);
  EXPECT_EQ(copy.err, 0);
  EXPECT_NE(copy.container, list.container);
  EXPECT_EQ(copy.Count(), list.Count());
}

TEST_F(Discovery, AnEmptySubtypeIsFourSpacesNotAny) {
  ComponentListNative spaces;
  Fill(spaces, ComponentDescription{'eat ', '    ', 0, 0, 0});
  EXPECT_EQ(spaces.Count(), 0);
  ComponentListNative any;
  Fill(any, ComponentDescription{'eat ', 0, 0, 0, 0});
  EXPECT_GT(any.Count(), 0);
}

TEST_F(Discovery, CodecsReadTheirInformation) {
  CodecNative jpeg;
  jpeg.Load('jpeg', nullptr);
  EXPECT_EQ(jpeg.err, 0);
  ASSERT_TRUE(jpeg.IsValid());
  EXPECT_STREQ(jpeg.name, "Photo - JPEG");
  EXPECT_TRUE(jpeg.Has(jpeg.info.formatFlags, codecInfoDepth24));
  EXPECT_FALSE(jpeg.Has(jpeg.info.formatFlags, codecInfoDepth24 | codecInfoDoesLossless));

  CodecNative missing;
  missing.Load('zzzz', nullptr);
  EXPECT_EQ(missing.err, noCodecErr);
  EXPECT_FALSE(missing.IsValid());
  EXPECT_FALSE(missing.Has(missing.info.formatFlags, 0));
}

TEST_F(Discovery, TheCodecListOwnsItsNameList) {
  {
    CodecListNative list;
    list.Load();
    EXPECT_EQ(list.err, 0);
    ASSERT_TRUE(list.IsValid());
    EXPECT_GT(list.Count(), 0);
  }
  // Leaving the scope disposed of the list and its name handles (TearDown).
  CodecListNative failed;
  QTMLTest_FailCall("GetCodecNameList", 1, memFullErr);
  failed.Load();
  EXPECT_EQ(failed.err, memFullErr);
  EXPECT_FALSE(failed.IsValid());
  EXPECT_EQ(failed.Count(), 0);
}

}  // namespace
