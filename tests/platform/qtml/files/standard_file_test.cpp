// The standard file dialogs answer from the queue of scripted answers.
#include <gtest/gtest.h>

#include <string>

#include "Files.h"
#include "Gestalt.h"
#include "ImageCompression.h"
#include "QTML.h"
#include "QTMLTestControls.h"
#include "StandardFile.h"
#include "long_names.h"
#include "scratch_dir_test.h"

namespace {

class StandardFileTest : public ScratchDirTest {
 protected:
  StandardFileTest() : ScratchDirTest("qtml-sf-") {}
  void SetUp() override {
    ScratchDirTest::SetUp();
    Write("clip.mov", "movie");
    Write("still.png", "image");
  }
  void TearDown() override {
    QTMLTest_ClearDialogAnswers();
    ScratchDirTest::TearDown();
  }
  static std::string Name(const FSSpec& spec) {
    return std::string(reinterpret_cast<const char*>(spec.name + 1), spec.name[0]);
  }
};

TEST_F(StandardFileTest, OpenDialogTakesAnswersInOrderAndFiltersByType) {
  const OSType movies[] = {'MooV'};
  QTMLTest_QueueDialogAnswer(Path("clip.mov").c_str());
  QTMLTest_QueueDialogAnswer(Path("still.png").c_str());
  QTMLTest_QueueDialogAnswer(nullptr);
  EXPECT_EQ(QTMLTest_PendingDialogAnswers(), 3);

  StandardFileReply reply{};
  StandardGetFilePreview(nullptr, 1, movies, &reply);
  EXPECT_TRUE(reply.sfGood);
  EXPECT_EQ(reply.sfType, static_cast<OSType>('MooV'));
  EXPECT_EQ(Name(reply.sfFile), "clip.mov");

  // A PNG is not offered by a dialog listing movies only: the answer cancels.
  StandardGetFilePreview(nullptr, 1, movies, &reply);
  EXPECT_FALSE(reply.sfGood);

  StandardGetFile(nullptr, -1, nullptr, &reply);  // the nil answer
  EXPECT_FALSE(reply.sfGood);
  StandardGetFile(nullptr, -1, nullptr, &reply);  // nothing queued
  EXPECT_FALSE(reply.sfGood);
  EXPECT_EQ(QTMLTest_PendingDialogAnswers(), 0);
}

TEST_F(StandardFileTest, OpenDialogRefusesMissingFilesAndSaveDialogTellsReplacing) {
  StandardFileReply reply{};
  QTMLTest_QueueDialogAnswer(Path("gone.mov").c_str());
  StandardGetFile(nullptr, -1, nullptr, &reply);
  EXPECT_FALSE(reply.sfGood);

  QTMLTest_QueueDialogAnswer(Path("new.mov").c_str());
  StandardPutFile(nullptr, nullptr, &reply);
  EXPECT_TRUE(reply.sfGood);
  EXPECT_FALSE(reply.sfReplacing);
  EXPECT_EQ(Name(reply.sfFile), "new.mov");

  QTMLTest_QueueDialogAnswer(Path("clip.mov").c_str());
  StandardPutFile(nullptr, nullptr, &reply);
  EXPECT_TRUE(reply.sfGood);
  EXPECT_TRUE(reply.sfReplacing);
}

TEST_F(StandardFileTest, LongNamesAreChosenWhole) {
  std::string chosen = MixedName(200, ".mov");
  Write(chosen, "movie");
  StandardFileReply reply{};
  QTMLTest_QueueDialogAnswer(Path(chosen).c_str());
  StandardGetFile(nullptr, -1, nullptr, &reply);
  EXPECT_TRUE(reply.sfGood);
  EXPECT_EQ(reply.sfType, static_cast<OSType>('MooV'));
  EXPECT_EQ(Name(reply.sfFile), chosen);

  std::string longest = MixedName(255, ".mov");
  QTMLTest_QueueDialogAnswer(Path(longest).c_str());
  StandardPutFile(nullptr, nullptr, &reply);
  EXPECT_TRUE(reply.sfGood);
  EXPECT_FALSE(reply.sfReplacing);
  EXPECT_EQ(Name(reply.sfFile), longest);

  // A name no spec can hold is no answer the dialog could have given.
  QTMLTest_QueueDialogAnswer(Path(MixedName(256, ".mov")).c_str());
  StandardPutFile(nullptr, nullptr, &reply);
  EXPECT_FALSE(reply.sfGood);
}

TEST(QuickTimeVR, IsNotInstalled) {
  long response = 0;
  EXPECT_EQ(Gestalt(gestaltQTVRMgrAttr, &response), gestaltUndefSelectorErr);
  EXPECT_EQ(QTLoadLibrary("QuickTimeVR.qtx"), nullptr);
}

}  // namespace
