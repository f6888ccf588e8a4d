// The data reference natives the movie classes make: from memory, from a
// media, and their copies, which own everything they point to.
#include "dataref/data_ref.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "MacMemory.h"
#include "Movies.h"
#include "QTML.h"
#include "QTMLTestControls.h"

namespace {

using fenra::DataRefNative;

class DataRef : public ::testing::Test {
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
  static Handle Named(const DataRefNative& native) {
    Handle named = nullptr;
    if (native.reference == nullptr || GetHandleSize(native.reference) != sizeof named) {
      return nullptr;
    }
    std::memcpy(&named, *native.reference, sizeof named);
    return named;
  }
  long handles_ = 0;
};

TEST_F(DataRef, MemoryReferencesNameTheirHandle) {
  Handle data = NewHandle(5);
  {
    std::unique_ptr<DataRefNative> borrowed(fenra::NewMemoryDataRef(data));
    ASSERT_NE(borrowed, nullptr);
    EXPECT_TRUE(borrowed->IsValid());
    EXPECT_EQ(borrowed->err, noErr);
    EXPECT_EQ(borrowed->type, static_cast<OSType>(HandleDataHandlerSubType));
    EXPECT_EQ(Named(*borrowed), data);
    EXPECT_EQ(borrowed->dataHandle, nullptr) << "the caller's handle is not owned";
  }
  EXPECT_EQ(GetHandleSize(data), 5);
  DisposeHandle(data);

  std::unique_ptr<DataRefNative> owned(fenra::NewMemoryDataRef(nullptr));
  ASSERT_NE(owned, nullptr);
  ASSERT_NE(owned->dataHandle, nullptr);
  EXPECT_EQ(GetHandleSize(owned->dataHandle), 0);
  EXPECT_EQ(Named(*owned), owned->dataHandle);
}

TEST_F(DataRef, CopiesOwnWhatTheyNameAndFailCleanly) {
  std::unique_ptr<DataRefNative> owned(fenra::NewMemoryDataRef(nullptr));
  ASSERT_NE(owned, nullptr);
  DataRefNative copy(*owned);
  EXPECT_EQ(copy.err, noErr);
  EXPECT_NE(copy.reference, owned->reference);
  ASSERT_NE(copy.dataHandle, nullptr);
  EXPECT_NE(copy.dataHandle, owned->dataHandle);
  EXPECT_EQ(Named(copy), copy.dataHandle);

  DataRefNative invalid;
  DataRefNative copyOfInvalid(invalid);
  EXPECT_FALSE(copyOfInvalid.IsValid());
  EXPECT_EQ(copyOfInvalid.err, paramErr);

  QTMLTest_FailCall("HandToHand", 2, memFullErr);  // the data handle's copy
  DataRefNative failed(*owned);
  EXPECT_FALSE(failed.IsValid());
  EXPECT_EQ(failed.err, memFullErr);
}

TEST_F(DataRef, URLsKeepTheirZeroAndFilesComeBack) {
  DataRefNative url;
  url.MakeURL("file:///tmp/x.mov");
  ASSERT_TRUE(url.IsValid());
  Handle text = url.CopyURL();
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(GetHandleSize(text), 18);
  EXPECT_STREQ(*text, "file:///tmp/x.mov");
  DisposeHandle(text);
  FSSpec spec{};
  EXPECT_FALSE(url.ResolveFile(&spec));

  DataRefNative empty;
  empty.MakeURL("");
  EXPECT_EQ(empty.err, paramErr);
  EXPECT_FALSE(empty.IsValid());

  char path[] = "/tmp";
  ASSERT_EQ(NativePathNameToFSSpec(path, &spec, 0), noErr);
  DataRefNative file;
  file.MakeFile(&spec);
  ASSERT_TRUE(file.IsValid());
  EXPECT_EQ(file.CopyURL(), nullptr);
  FSSpec back{};
  ASSERT_TRUE(file.ResolveFile(&back));
  EXPECT_EQ(std::memcmp(&back, &spec, sizeof spec), 0);
  file.attributes = dataRefWasNotResolved;  // as a media reports a missing file
  file.err = noErr;
  EXPECT_FALSE(file.ResolveFile(&back));
  EXPECT_EQ(file.err, noErr) << "not even tried";

  DataRefNative noSpec;
  noSpec.MakeFile(nullptr);
  EXPECT_EQ(noSpec.err, paramErr);
}

TEST_F(DataRef, FromAMediasReferences) {
  std::unique_ptr<DataRefNative> none(fenra::NewDataRefFromMedia(nullptr, 1));
  ASSERT_NE(none, nullptr);
  EXPECT_EQ(none->err, invalidMedia);
  EXPECT_FALSE(none->IsValid());

  Movie movie = NewMovie(0);
  Track track = NewMovieTrack(movie, 0, 0, 0x100);
  char url[] = "file:///nowhere/sound.aif";
  Handle ref = nullptr;
  ASSERT_EQ(PtrToHand(url, &ref, sizeof url), noErr);
  Media media = NewTrackMedia(track, SoundMediaType, 44100, ref, URLDataHandlerSubType);
  ASSERT_NE(media, nullptr);
  {
    std::unique_ptr<DataRefNative> fromMedia(fenra::NewDataRefFromMedia(media, 1));
    ASSERT_NE(fromMedia, nullptr);
    EXPECT_EQ(fromMedia->err, noErr);
    EXPECT_EQ(fromMedia->type, static_cast<OSType>(URLDataHandlerSubType));
    EXPECT_EQ(fromMedia->attributes, dataRefWasNotResolved);
    Handle text = fromMedia->CopyURL();
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(*text, url);
    DisposeHandle(text);

    std::unique_ptr<DataRefNative> pastTheEnd(fenra::NewDataRefFromMedia(media, 2));
    EXPECT_EQ(pastTheEnd->err, badDataRefIndex);
    EXPECT_FALSE(pastTheEnd->IsValid());
  }
  DisposeHandle(ref);
  DisposeMovie(movie);
}

}  // namespace
