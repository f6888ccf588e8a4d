// Editing through a movie controller: what its information flags say can
// be done, the edits through the selection and the scrap, and undo, which
// a second undo undoes.
#include <gtest/gtest.h>

#include "Movies.h"
#include "QTMLTestControls.h"
#include "Scrap.h"
#include "controller_movies.h"

namespace {

using controller_test::ControllerTest;
using controller_test::kBlue;
using controller_test::kGreen;
using controller_test::kRed;

constexpr long kEdits = mcInfoCutAvailable | mcInfoCopyAvailable | mcInfoClearAvailable;

class ControllerEditing : public ControllerTest {
 protected:
  void SetUp() override {
    ControllerTest::SetUp();
    ZeroScrap();
  }
  void TearDown() override {
    ZeroScrap();
    ControllerTest::TearDown();
  }

  static long Info(MovieController mc) {
    long flags = -1;
    EXPECT_EQ(MCGetControllerInfo(mc, &flags), noErr);
    return flags;
  }

  // The colours the movie shows, frame by frame.
  std::vector<controller_test::Argb> Frames(Movie movie) {
    std::vector<controller_test::Argb> colours;
    for (TimeValue t = 0; t < GetMovieDuration(movie); t += controller_test::kFrameDuration) {
      SetMovieTimeValue(movie, t);
      colours.push_back(Showing(movie));
    }
    return colours;
  }

  static std::pair<TimeValue, TimeValue> Selection(Movie movie) {
    TimeValue start = 0, length = 0;
    GetMovieSelection(movie, &start, &length);
    return {start, length};
  }
};

TEST_F(ControllerEditing, TheFlagsSayWhatCanBeDoneNow) {
  Movie movie = ColourMovie({kRed, kGreen});
  MovieController mc = Control(movie);
  EXPECT_EQ(Info(mc), 0) << "editing is off at first";
  EXPECT_EQ(MCEnableEditing(mc, true), noErr);
  EXPECT_EQ(Info(mc), mcInfoEditingEnabled | kEdits) << "no scrap movie, nothing to undo";
  ASSERT_EQ(PutMovieOnScrap(movie, 0), noErr);
  EXPECT_EQ(Info(mc), mcInfoEditingEnabled | kEdits | mcInfoPasteAvailable);
  SetMovieSelection(movie, 0, 20);
  ASSERT_EQ(MCClear(mc), noErr);
  EXPECT_EQ(Info(mc), mcInfoEditingEnabled | kEdits | mcInfoPasteAvailable | mcInfoUndoAvailable);

  // What is not editing shows whether editing is on or not.
  MCEnableEditing(mc, false);
  StartMovie(movie);
  MCDoAction(mc, mcActionSetLooping, reinterpret_cast<void*>(1));
  EXPECT_EQ(Info(mc), mcInfoIsPlaying | mcInfoIsLooping);
  MCDoAction(mc, mcActionSetLoopIsPalindrome, reinterpret_cast<void*>(1));
  EXPECT_EQ(Info(mc), mcInfoIsPlaying | mcInfoIsLooping | mcInfoIsInPalindrome);
  AddTrack(movie, SoundMediaType, 600, {40});
  EXPECT_EQ(Info(mc) & mcInfoHasSound, mcInfoHasSound);
  EXPECT_EQ(MCGetControllerInfo(mc, nullptr), paramErr);

  // An empty movie has nothing to cut, copy or clear.
  MovieController empty = Control(NewEmptyMovie());
  MCEnableEditing(empty, true);
  EXPECT_EQ(Info(empty), mcInfoEditingEnabled | mcInfoPasteAvailable);
}

TEST_F(ControllerEditing, CutCopyAndClearTakeTheSelectionAndUndoGivesItBack) {
  Movie movie = ColourMovie({kRed, kGreen, kBlue});
  MovieController mc = Control(movie);
  MCEnableEditing(mc, true);
  EXPECT_EQ(MCCopy(mc), nullptr) << "an empty selection copies nothing";
  EXPECT_EQ(MCCut(mc), nullptr);
  EXPECT_EQ(MCClear(mc), noErr);
  EXPECT_EQ(Info(mc) & mcInfoUndoAvailable, 0) << "nothing happened to undo";

  SetMovieSelection(movie, 20, 20);
  Movie copied = MCCopy(mc);
  ASSERT_NE(copied, nullptr);
  EXPECT_EQ(Frames(copied), (std::vector<controller_test::Argb>{kGreen}));
  EXPECT_EQ(GetMovieDuration(movie), 60) << "copying leaves the movie";
  EXPECT_EQ(Info(mc) & mcInfoUndoAvailable, 0) << "and has nothing to undo";
  DisposeMovie(copied);

  Movie cut = MCCut(mc);
  ASSERT_NE(cut, nullptr);
  EXPECT_EQ(Frames(cut), (std::vector<controller_test::Argb>{kGreen}));
  DisposeMovie(cut);
  EXPECT_EQ(Frames(movie), (std::vector<controller_test::Argb>{kRed, kBlue}));
  EXPECT_EQ(Selection(movie), std::make_pair(TimeValue{20}, TimeValue{0}));

  EXPECT_EQ(MCUndo(mc), noErr);
  EXPECT_EQ(Frames(movie), (std::vector<controller_test::Argb>{kRed, kGreen, kBlue}));
  EXPECT_EQ(Selection(movie), std::make_pair(TimeValue{20}, TimeValue{20}));
  EXPECT_EQ(MCUndo(mc), noErr) << "a second undo undoes the undo";
  EXPECT_EQ(Frames(movie), (std::vector<controller_test::Argb>{kRed, kBlue}));
  EXPECT_EQ(MCUndo(mc), noErr);
  EXPECT_EQ(Frames(movie), (std::vector<controller_test::Argb>{kRed, kGreen, kBlue}));

  SetMovieSelection(movie, 0, 40);
  EXPECT_EQ(MCClear(mc), noErr);
  EXPECT_EQ(Frames(movie), (std::vector<controller_test::Argb>{kBlue}));
  EXPECT_EQ(MCUndo(mc), noErr);
  EXPECT_EQ(Frames(movie), (std::vector<controller_test::Argb>{kRed, kGreen, kBlue}));
}

TEST_F(ControllerEditing, PasteTakesTheScrapsMovieIntoAnotherMovie) {
  Movie source = ColourMovie({kRed, kGreen});
  Movie target = ColourMovie({kBlue, kBlue});
  MovieController from = Control(source);
  MovieController into = Control(target);
  MCEnableEditing(from, true);
  MCEnableEditing(into, true);
  EXPECT_EQ(MCPaste(into, nullptr), noMovieFound) << "the scrap is empty";

  SetMovieSelection(source, 20, 20);
  Movie cut = MCCut(from);
  ASSERT_EQ(PutMovieOnScrap(cut, 0), noErr);
  DisposeMovie(cut);
  SetMovieSelection(target, 20, 0);
  EXPECT_EQ(MCPaste(into, nullptr), noErr);
  EXPECT_EQ(Frames(target), (std::vector<controller_test::Argb>{kBlue, kGreen, kBlue}));
  EXPECT_EQ(Selection(target), std::make_pair(TimeValue{20}, TimeValue{20})) << "what was pasted";
  EXPECT_EQ(Info(into) & mcInfoPasteAvailable, mcInfoPasteAvailable) << "the scrap keeps its movie";
  EXPECT_EQ(MCUndo(into), noErr);
  EXPECT_EQ(Frames(target), (std::vector<controller_test::Argb>{kBlue, kBlue}));

  // A movie given is pasted as it is; pasting over a selection replaces it.
  Movie red = ColourMovie({kRed});
  SetMovieSelection(target, 0, 20);
  EXPECT_EQ(MCPaste(into, red), noErr);
  EXPECT_EQ(Frames(target), (std::vector<controller_test::Argb>{kRed, kBlue}));
  EXPECT_EQ(GetMovieDuration(red), 20) << "the movie given stays as it was";
}

TEST_F(ControllerEditing, UndoTakesAwayTracksAPasteAddedAndRedoBringsThemBack) {
  Movie target = NewEmptyMovie();
  MovieController mc = Control(target);
  MCEnableEditing(mc, true);
  Movie green = ColourMovie({kGreen});
  ASSERT_EQ(MCPaste(mc, green), noErr);
  ASSERT_EQ(GetMovieTrackCount(target), 1);
  Track added = GetMovieIndTrack(target, 1);
  EXPECT_EQ(MCUndo(mc), noErr);
  EXPECT_EQ(GetMovieTrackCount(target), 0);
  EXPECT_EQ(GetMovieDuration(target), 0);
  EXPECT_EQ(GetTrackMovie(added), nullptr) << "the track is gone from the movie";
  EXPECT_EQ(MCUndo(mc), noErr);
  ASSERT_EQ(GetMovieTrackCount(target), 1);
  Track back = GetMovieIndTrack(target, 1);
  EXPECT_EQ(GetTrackMovie(back), target);
  EXPECT_EQ(Frames(target), (std::vector<controller_test::Argb>{kGreen}));
}

TEST_F(ControllerEditing, AnUndoWhoseTrackWasDisposedOfIsForgotten) {
  Movie movie = ColourMovie({kRed, kGreen});
  MovieController mc = Control(movie);
  MCEnableEditing(mc, true);
  SetMovieSelection(movie, 0, 20);
  ASSERT_EQ(MCClear(mc), noErr);
  DisposeMovieTrack(GetMovieIndTrack(movie, 1));
  EXPECT_EQ(MCUndo(mc), invalidTrack);
  EXPECT_EQ(Info(mc) & mcInfoUndoAvailable, 0);
  EXPECT_EQ(MCUndo(mc), noErr) << "nothing left to undo";
}

TEST_F(ControllerEditing, WithEditingOffNothingIsEdited) {
  Movie movie = ColourMovie({kRed, kGreen});
  MovieController mc = Control(movie);
  SetMovieSelection(movie, 0, 20);
  ASSERT_EQ(PutMovieOnScrap(movie, 0), noErr);
  EXPECT_EQ(MCCopy(mc), nullptr);
  EXPECT_EQ(MCCut(mc), nullptr);
  EXPECT_EQ(MCClear(mc), featureUnsupported);
  EXPECT_EQ(MCPaste(mc, nullptr), featureUnsupported);
  EXPECT_EQ(MCUndo(mc), featureUnsupported);
  EXPECT_EQ(GetMovieDuration(movie), 40);
  EXPECT_EQ(MCIsEditingEnabled(mc), 0);
}

TEST_F(ControllerEditing, AnEditThatRunsOutOfMemoryChangesNothingAndKeepsTheUndo) {
  Movie movie = ColourMovie({kRed, kGreen, kBlue});
  MovieController mc = Control(movie);
  MCEnableEditing(mc, true);
  SetMovieSelection(movie, 0, 20);
  ASSERT_EQ(MCClear(mc), noErr);
  SetMovieSelection(movie, 0, 20);
  QTMLTest_FailAllocations(0);
  EXPECT_EQ(MCClear(mc), memFullErr);
  EXPECT_EQ(MCUndo(mc), memFullErr);
  QTMLTest_FailAllocations(-1);
  EXPECT_EQ(Frames(movie), (std::vector<controller_test::Argb>{kGreen, kBlue}));
  EXPECT_EQ(MCUndo(mc), noErr) << "the first clear is still the one undone";
  EXPECT_EQ(Frames(movie), (std::vector<controller_test::Argb>{kRed, kGreen, kBlue}));
}

}  // namespace
