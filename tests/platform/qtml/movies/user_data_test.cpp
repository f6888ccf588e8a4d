// User data lists: items by type and index, text items, the flattened
// form, the lists of movies, tracks and media, and failures.
#include <cstring>
#include <string>
#include <vector>

#include "leak_check.h"
#include "movies/movie_test_support.h"

namespace {

using movie_test::MovieTest;

class UserDataTest : public MovieTest {
 protected:
  void SetUp() override {
    MovieTest::SetUp();
    leaks_.Start();
    ASSERT_EQ(NewUserData(&ud_), noErr);
  }
  void TearDown() override {
    if (ud_ != nullptr) {
      EXPECT_EQ(DisposeUserData(ud_), noErr);
    }
    MovieTest::TearDown();
    leaks_.Verify();
  }

  static Handle HandleOf(const std::string& bytes) {
    Handle h = nullptr;
    EXPECT_EQ(PtrToHand(bytes.data(), &h, static_cast<long>(bytes.size())), noErr);
    return h;
  }
  static std::string BytesOf(Handle h) {
    return std::string(*h, static_cast<size_t>(GetHandleSize(h)));
  }

  static OSErr Add(UserData ud, OSType type, const std::string& bytes) {
    Handle h = HandleOf(bytes);
    OSErr err = AddUserData(ud, h, type);
    DisposeHandle(h);
    return err;
  }
  // The item's bytes, or "<err>" when it cannot be read.
  static std::string Item(UserData ud, OSType type, long index) {
    Handle h = NewHandle(0);
    OSErr err = GetUserData(ud, h, type, index);
    std::string bytes = err == noErr ? BytesOf(h) : "<" + std::to_string(err) + ">";
    DisposeHandle(h);
    return bytes;
  }
  static OSErr AddText(UserData ud, OSType type, long index, short region, const std::string& s) {
    Handle h = HandleOf(s);
    OSErr err = AddUserDataText(ud, h, type, index, region);
    DisposeHandle(h);
    return err;
  }
  static std::string Text(UserData ud, OSType type, long index, short region) {
    Handle h = NewHandle(0);
    OSErr err = GetUserDataText(ud, h, type, index, region);
    std::string text = err == noErr ? BytesOf(h) : "<" + std::to_string(err) + ">";
    DisposeHandle(h);
    return text;
  }
  static std::string Flattened(UserData ud) {
    Handle h = NewHandle(0);
    EXPECT_EQ(PutUserDataIntoHandle(ud, h), noErr);
    std::string bytes = BytesOf(h);
    DisposeHandle(h);
    return bytes;
  }

  UserData ud_ = nullptr;
  LeakCheck leaks_;
};

TEST_F(UserDataTest, ItemsOfATypeAreNumberedFromOneInTheOrderAdded) {
  ASSERT_EQ(Add(ud_, 'abcd', "one"), noErr);
  ASSERT_EQ(Add(ud_, 'wxyz', "other"), noErr);
  ASSERT_EQ(Add(ud_, 'abcd', "two"), noErr);
  ASSERT_EQ(Add(ud_, 'abcd', ""), noErr);
  EXPECT_EQ(CountUserDataType(ud_, 'abcd'), 3);
  EXPECT_EQ(CountUserDataType(ud_, 'wxyz'), 1);
  EXPECT_EQ(CountUserDataType(ud_, 'none'), 0);
  EXPECT_EQ(Item(ud_, 'abcd', 1), "one");
  EXPECT_EQ(Item(ud_, 'abcd', 2), "two");
  EXPECT_EQ(Item(ud_, 'abcd', 3), "");
  EXPECT_EQ(Item(ud_, 'wxyz', 1), "other");
  EXPECT_EQ(Item(ud_, 'abcd', 0), "<-2026>");
  EXPECT_EQ(Item(ud_, 'abcd', 4), "<-2026>");
  EXPECT_EQ(GetMoviesError(), userDataItemNotFound);

  // Removing an item moves the later ones of its type down.
  EXPECT_EQ(RemoveUserData(ud_, 'abcd', 1), noErr);
  EXPECT_EQ(Item(ud_, 'abcd', 1), "two");
  EXPECT_EQ(RemoveUserData(ud_, 'abcd', 3), userDataItemNotFound);
  EXPECT_EQ(CountUserDataType(ud_, 'abcd'), 2);
}

TEST_F(UserDataTest, TypesAreListedInTheOrderOfTheirFirstItem) {
  EXPECT_EQ(GetNextUserDataType(ud_, 0), 0);
  Add(ud_, 'bbbb', "1");
  Add(ud_, 'aaaa', "2");
  Add(ud_, 'bbbb', "3");
  Add(ud_, 'cccc', "4");
  EXPECT_EQ(GetNextUserDataType(ud_, 0), 'bbbb');
  EXPECT_EQ(GetNextUserDataType(ud_, 'bbbb'), 'aaaa');
  EXPECT_EQ(GetNextUserDataType(ud_, 'aaaa'), 'cccc');
  EXPECT_EQ(GetNextUserDataType(ud_, 'cccc'), 0);
  EXPECT_EQ(GetNextUserDataType(ud_, 'zzzz'), 0);
  RemoveUserData(ud_, 'bbbb', 1);  // 'aaaa' now comes first
  EXPECT_EQ(GetNextUserDataType(ud_, 0), 'aaaa');
}

TEST_F(UserDataTest, SetItemReplacesOrAppendsOnePastTheEnd) {
  char bytes[] = "abc";
  EXPECT_EQ(SetUserDataItem(ud_, bytes, 3, 'abcd', 1), noErr);  // the first of its type
  EXPECT_EQ(SetUserDataItem(ud_, bytes, 2, 'abcd', 2), noErr);
  EXPECT_EQ(SetUserDataItem(ud_, bytes + 2, 1, 'abcd', 1), noErr);
  EXPECT_EQ(SetUserDataItem(ud_, bytes, 3, 'abcd', 4), userDataItemNotFound);
  EXPECT_EQ(SetUserDataItem(ud_, bytes, 3, 'abcd', 0), paramErr);
  EXPECT_EQ(Item(ud_, 'abcd', 1), "c");
  EXPECT_EQ(Item(ud_, 'abcd', 2), "ab");
  EXPECT_EQ(CountUserDataType(ud_, 'abcd'), 2);

  char out[4] = {};
  EXPECT_EQ(GetUserDataItem(ud_, out, sizeof out, 'abcd', 2), noErr);
  EXPECT_STREQ(out, "ab");
  EXPECT_EQ(GetUserDataItem(ud_, out, 1, 'abcd', 2), paramErr);  // does not fit
  EXPECT_EQ(GetUserDataItem(ud_, out, 4, 'abcd', 3), userDataItemNotFound);
}

TEST_F(UserDataTest, TextItemsHoldOneTextPerRegionCode) {
  const OSType name = 0xA96E616D;  // '©nam'
  ASSERT_EQ(AddText(ud_, name, 1, 0, "Hello"), noErr);
  ASSERT_EQ(AddText(ud_, name, 1, 2, "Bonjour"), noErr);
  ASSERT_EQ(AddText(ud_, name, 1, 0, "Hi"), noErr);  // replaces region 0's text
  EXPECT_EQ(Text(ud_, name, 1, 0), "Hi");
  EXPECT_EQ(Text(ud_, name, 1, 2), "Bonjour");
  EXPECT_EQ(Text(ud_, name, 1, 3), "<-2026>");
  // Records of a 16-bit length, a 16-bit region code and the text.
  EXPECT_EQ(Item(ud_, name, 1), std::string("\0\7\0\2Bonjour\0\2\0\0Hi", 17));

  EXPECT_EQ(AddText(ud_, name, 3, 0, "far"), userDataItemNotFound);
  EXPECT_EQ(AddText(ud_, name, 2, 0, "Second"), noErr);
  EXPECT_EQ(CountUserDataType(ud_, name), 2);

  // Removing the last text of an item removes the item.
  EXPECT_EQ(RemoveUserDataText(ud_, name, 1, 2), noErr);
  EXPECT_EQ(RemoveUserDataText(ud_, name, 1, 2), userDataItemNotFound);
  EXPECT_EQ(Text(ud_, name, 1, 0), "Hi");
  EXPECT_EQ(RemoveUserDataText(ud_, name, 1, 0), noErr);
  EXPECT_EQ(CountUserDataType(ud_, name), 1);
  EXPECT_EQ(Text(ud_, name, 1, 0), "Second");
}

TEST_F(UserDataTest, TextGoesIntoAnEmptyItemAddedBeforehand) {
  ASSERT_EQ(AddUserData(ud_, nullptr, 'abcd'), noErr);
  ASSERT_EQ(AddText(ud_, 'abcd', 1, 7, "x"), noErr);
  EXPECT_EQ(Item(ud_, 'abcd', 1), std::string("\0\1\0\7x", 5));
  EXPECT_EQ(AddText(ud_, 'abcd', 0, 7, "x"), paramErr);
}

TEST_F(UserDataTest, HandlesHoldTheListAsAtoms) {
  EXPECT_EQ(Flattened(ud_), "");
  Add(ud_, 'abcd', "xy");
  Add(ud_, 'wxyz', "");
  std::string atoms = Flattened(ud_);
  EXPECT_EQ(atoms, std::string("\0\0\0\x0A"
                               "abcdxy"
                               "\0\0\0\x08"
                               "wxyz",
                               18));

  // Back from the bytes, also with the trailing zero some files carry.
  for (const std::string& bytes : {atoms, atoms + std::string(4, '\0')}) {
    Handle h = HandleOf(bytes);
    UserData copy = nullptr;
    ASSERT_EQ(NewUserDataFromHandle(h, &copy), noErr);
    EXPECT_EQ(Flattened(copy), atoms);
    EXPECT_EQ(DisposeUserData(copy), noErr);
    DisposeHandle(h);
  }
}

TEST_F(UserDataTest, BytesThatAreNotWholeAtomsAreRefused) {
  const std::string bad[] = {
      std::string("\0\0\0\x09"
                  "abcdxy",
                  10),  // longer than the bytes
      std::string("\0\0\0\x04"
                  "abcd",
                  8),  // shorter than a header
      std::string("\0\0\0\x08"
                  "abcd"
                  "\0\0",
                  10),
  };
  for (const std::string& bytes : bad) {
    Handle h = HandleOf(bytes);
    UserData copy = reinterpret_cast<UserData>(1);
    EXPECT_EQ(NewUserDataFromHandle(h, &copy), paramErr);
    EXPECT_EQ(copy, nullptr);
    DisposeHandle(h);
  }
  UserData none = nullptr;
  EXPECT_EQ(NewUserDataFromHandle(nullptr, &none), paramErr);
}

TEST_F(UserDataTest, CopyReplacesOrMergesTypes) {
  Add(ud_, 'abcd', "old");
  Add(ud_, 'keep', "k");
  UserData source = nullptr;
  ASSERT_EQ(NewUserData(&source), noErr);
  Add(source, 'abcd', "new");
  EXPECT_EQ(CopyUserData(source, ud_, kQTCopyUserDataMerge), noErr);
  EXPECT_EQ(CountUserDataType(ud_, 'abcd'), 2);
  EXPECT_EQ(CopyUserData(source, ud_, kQTCopyUserDataReplace), noErr);
  EXPECT_EQ(CountUserDataType(ud_, 'abcd'), 1);
  EXPECT_EQ(Item(ud_, 'abcd', 1), "new");
  EXPECT_EQ(Item(ud_, 'keep', 1), "k");
  EXPECT_EQ(CopyUserData(source, ud_, 'what'), paramErr);
  DisposeUserData(source);
}

TEST_F(UserDataTest, OwnersListsLiveWithTheirOwners) {
  Movie movie = NewEmptyMovie();
  Track track = AddTrack(movie, VideoMediaType, 600, {10});
  UserData movieList = GetMovieUserData(movie);
  UserData trackList = GetTrackUserData(track);
  UserData mediaList = GetMediaUserData(GetTrackMedia(track));
  ASSERT_NE(movieList, nullptr);
  ASSERT_NE(trackList, nullptr);
  ASSERT_NE(mediaList, nullptr);
  EXPECT_EQ(GetMovieUserData(movie), movieList);
  EXPECT_NE(movieList, trackList);

  // A change to any of them changes the movie.
  for (UserData list : {movieList, trackList, mediaList}) {
    ClearMovieChanged(movie);
    ASSERT_EQ(Add(list, 'abcd', "x"), noErr);
    EXPECT_TRUE(HasMovieChanged(movie));
  }
  ClearMovieChanged(movie);
  EXPECT_EQ(Item(movieList, 'abcd', 1), "x");
  EXPECT_FALSE(HasMovieChanged(movie));

  // The owner frees its list; once it is gone the reference is refused.
  EXPECT_EQ(DisposeUserData(movieList), paramErr);
  EXPECT_EQ(CountUserDataType(movieList, 'abcd'), 1);
  DisposeMovieTrack(track);
  EXPECT_EQ(CountUserDataType(trackList, 'abcd'), 0);
  EXPECT_EQ(GetMoviesError(), paramErr);
  EXPECT_EQ(Add(mediaList, 'abcd', "x"), paramErr);
  EXPECT_EQ(Item(movieList, 'abcd', 1), "x");
}

TEST_F(UserDataTest, AMovieListOutlivedByItsMovieIsRefused) {
  Movie movie = NewMovie(0);
  UserData list = GetMovieUserData(movie);
  DisposeMovie(movie);
  EXPECT_EQ(Add(list, 'abcd', "x"), paramErr);
  EXPECT_EQ(GetMovieUserData(nullptr), nullptr);
  EXPECT_EQ(GetMoviesError(), invalidMovie);
  EXPECT_EQ(GetTrackUserData(nullptr), nullptr);
  EXPECT_EQ(GetMoviesError(), invalidTrack);
  EXPECT_EQ(GetMediaUserData(nullptr), nullptr);
  EXPECT_EQ(GetMoviesError(), invalidMedia);
}

TEST_F(UserDataTest, UnknownListsAreRefused) {
  UserData gone = nullptr;
  ASSERT_EQ(NewUserData(&gone), noErr);
  ASSERT_EQ(DisposeUserData(gone), noErr);
  long local = 0;
  for (UserData list : {static_cast<UserData>(nullptr), gone, reinterpret_cast<UserData>(&local)}) {
    EXPECT_EQ(CountUserDataType(list, 'abcd'), 0);
    EXPECT_EQ(GetMoviesError(), paramErr);
    EXPECT_EQ(GetNextUserDataType(list, 0), 0);
    EXPECT_EQ(Add(list, 'abcd', "x"), paramErr);
    EXPECT_EQ(DisposeUserData(list), paramErr);
  }
  EXPECT_EQ(NewUserData(nullptr), paramErr);
  Handle none = nullptr;
  EXPECT_EQ(GetUserData(ud_, none, 'abcd', 1), userDataItemNotFound);
  Add(ud_, 'abcd', "x");
  EXPECT_EQ(GetUserData(ud_, none, 'abcd', 1), paramErr);
}

TEST_F(UserDataTest, InjectedFaultsLeaveTheListAsItWas) {
  Add(ud_, 'abcd', "x");
  const std::string before = Flattened(ud_);
  QTMLTest_FailCall("AddUserData", 1, memFullErr);
  EXPECT_EQ(Add(ud_, 'abcd', "y"), memFullErr);
  EXPECT_EQ(GetMoviesError(), memFullErr);
  QTMLTest_FailCall("RemoveUserData", 1, paramErr);
  EXPECT_EQ(RemoveUserData(ud_, 'abcd', 1), paramErr);
  EXPECT_EQ(Flattened(ud_), before);

  // Out of memory: nothing is made and nothing changes.
  Handle text = HandleOf("t");
  Handle atoms = HandleOf(before);
  char byte = 'z';
  QTMLTest_FailAllocations(0);
  UserData made = nullptr;
  EXPECT_EQ(NewUserData(&made), memFullErr);
  EXPECT_EQ(NewUserDataFromHandle(atoms, &made), memFullErr);
  EXPECT_EQ(made, nullptr);
  EXPECT_EQ(AddUserData(ud_, text, 'abcd'), memFullErr);
  EXPECT_EQ(SetUserDataItem(ud_, &byte, 1, 'abcd', 1), memFullErr);
  EXPECT_EQ(AddUserDataText(ud_, text, 'abcd', 2, 0), memFullErr);
  QTMLTest_FailAllocations(-1);
  EXPECT_EQ(Flattened(ud_), before);
  DisposeHandle(text);
  DisposeHandle(atoms);
}

}  // namespace
