// UserDataNative: where stores land when the index runs past the items,
// copies independent of a movie's list, and user data files.
#include "movie/user_data.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "MacMemory.h"
#include "Movies.h"
#include "QTML.h"
#include "QTMLTestControls.h"
#include "plugin/settings_file.h"

namespace {

using fenra::UserDataNative;

class UserDataNativeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(InitializeQTML(0), noErr);
    ASSERT_EQ(EnterMovies(), noErr);
    list.NewList();
    ASSERT_TRUE(list.IsValid());
    dir =
        std::filesystem::temp_directory_path() / ("fenra_user_data_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
  }
  void TearDown() override {
    QTMLTest_ClearFaults();
    std::filesystem::remove_all(dir);
  }

  void Set(UserDataNative& ud, OSType type, long index, const std::string& text) {
    ud.SetItem(text.data(), static_cast<long>(text.size()), type, index);
  }
  static std::string Item(UserDataNative& ud, OSType type, long index) {
    Handle h = ud.ItemBytes(type, index);
    if (h == nullptr) return "<none>";
    std::string bytes(*h, static_cast<size_t>(GetHandleSize(h)));
    DisposeHandle(h);
    return bytes;
  }
  std::string PathOf(const char* name) const { return (dir / name).string(); }

  UserDataNative list;
  std::filesystem::path dir;
};

TEST_F(UserDataNativeTest, StoresPastTheEndLandAfterTheLastItem) {
  Set(list, 'abcd', 5, "a");  // no item of the type: item 1
  EXPECT_EQ(list.err, noErr);
  EXPECT_EQ(CountUserDataType(list.udta, 'abcd'), 1);
  Set(list, 'abcd', 2, "b");
  Set(list, 'abcd', 9, "c");  // two items: an empty one is added, then filled
  EXPECT_EQ(CountUserDataType(list.udta, 'abcd'), 3);
  EXPECT_EQ(Item(list, 'abcd', 3), "c");
  Set(list, 'abcd', 1, "A");
  EXPECT_EQ(Item(list, 'abcd', 1), "A");
  EXPECT_EQ(list.ItemCount(), 3);

  // Nothing, not even an error, for no bytes or a negative index.
  list.err = 7;
  Set(list, 'abcd', 1, "");
  Set(list, 'abcd', -1, "x");
  EXPECT_EQ(list.err, 7);
  EXPECT_EQ(list.ItemCount(), 3);
}

TEST_F(UserDataNativeTest, TextFollowsTheSameIndexRules) {
  list.AddText("one", 'text', 0, 4);
  list.AddText("two", 'text', 0, 4);
  EXPECT_EQ(list.err, noErr);
  EXPECT_EQ(CountUserDataType(list.udta, 'text'), 2);
  list.AddText("", 'text', 0, 1);
  EXPECT_EQ(list.err, paramErr);
  list.AddText("x", 'text', 0, -1);
  EXPECT_EQ(list.err, paramErr);

  // When the empty item cannot be added, its error is reported.
  QTMLTest_FailCall("AddUserData", 1, memFullErr);
  list.AddText("three", 'text', 0, 3);
  EXPECT_EQ(list.err, memFullErr);
  EXPECT_EQ(CountUserDataType(list.udta, 'text'), 2);
}

TEST_F(UserDataNativeTest, ACopyOfAMovieListIsIndependent) {
  Movie movie = NewMovie(0);
  {
    UserDataNative wrapper(GetMovieUserData(movie), false);
    Set(wrapper, 'name', 1, "movie");
    UserDataNative copy(wrapper);
    EXPECT_TRUE(copy.owned);
    EXPECT_NE(copy.udta, wrapper.udta);
    Set(copy, 'name', 1, "copy");
    Set(copy, 'more', 1, "x");
    EXPECT_EQ(Item(wrapper, 'name', 1), "movie");
  }  // the wrapper and the copy go; the movie's list stays
  UserData movieList = GetMovieUserData(movie);
  EXPECT_EQ(CountUserDataType(movieList, 'name'), 1);
  EXPECT_EQ(CountUserDataType(movieList, 'more'), 0);
  DisposeMovie(movie);

  UserDataNative none;
  UserDataNative copyOfNone(none);
  EXPECT_FALSE(copyOfNone.IsValid());
  EXPECT_EQ(copyOfNone.err, noErr);
}

TEST_F(UserDataNativeTest, AFileHoldsTheFlattenedListAsItsOneRecord) {
  Set(list, 'name', 1, "Fenra");
  list.Save(PathOf("list.udat"));
  ASSERT_EQ(list.err, noErr);

  fenra::SettingsFile file;
  file.ReadFile(PathOf("list.udat"));
  ASSERT_EQ(file.err, noErr);
  EXPECT_EQ(file.TypeCode(), static_cast<OSType>('UDAT'));
  EXPECT_EQ(file.dataCount, 1);
  Handle package = nullptr;
  fenra::SettingsRecord record;
  ASSERT_EQ(file.GetRecord(1, &package, &record), noErr);
  EXPECT_EQ(record.flags, 0);
  EXPECT_EQ(record.description, "");
  EXPECT_EQ(std::string(*package, static_cast<size_t>(GetHandleSize(package))),
            std::string("\0\0\0\x0D"
                        "nameFenra",
                        13));
  DisposeHandle(package);

  UserDataNative loaded;
  loaded.Load(PathOf("list.udat"));
  EXPECT_EQ(loaded.err, noErr);
  EXPECT_TRUE(loaded.owned);
  EXPECT_EQ(Item(loaded, 'name', 1), "Fenra");
}

TEST_F(UserDataNativeTest, FilesOfAnotherKindOrWithoutRecordsGiveNoList) {
  fenra::SettingsFile other;
  other.Create('CMPM');
  other.AddRecord(0x36, "settings", "abc", 3);
  other.WriteFile(PathOf("compressor.set"));
  ASSERT_EQ(other.err, noErr);
  UserDataNative loaded;
  loaded.Load(PathOf("compressor.set"));
  EXPECT_EQ(loaded.err, fenra::kFileTypeErr);
  EXPECT_FALSE(loaded.IsValid());

  fenra::SettingsFile empty;
  empty.Create('UDAT');
  empty.WriteFile(PathOf("empty.udat"));
  loaded.Load(PathOf("empty.udat"));
  EXPECT_EQ(loaded.err, noErr);
  EXPECT_FALSE(loaded.IsValid());

  loaded.Load(PathOf("missing.udat"));
  EXPECT_EQ(loaded.err, fenra::kFileOpenErr);

  UserDataNative none;
  none.Save(PathOf("none.udat"));
  EXPECT_EQ(none.err, paramErr);
  EXPECT_FALSE(std::filesystem::exists(PathOf("none.udat")));
}

}  // namespace
