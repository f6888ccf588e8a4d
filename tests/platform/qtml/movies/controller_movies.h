// Movies for the movie controller tests: solid-colour video frames of
// 64 × 16 (a box wide enough for the bar's slider), 20 units each at time
// scale 600, and a controller over such a movie.
#pragma once

#include <vector>

#include "ImageCompression.h"
#include "MacMemory.h"
#include "movie_test_support.h"
#include "pixel_worlds.h"

namespace controller_test {

using Argb = uint32_t;
constexpr Argb kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u, kBlue = 0xFF0000FFu;
constexpr short kFrameWidth = 64, kFrameHeight = 16;
constexpr TimeValue kFrameDuration = 20;

class ControllerTest : public movie_test::MovieTest {
 protected:
  void TearDown() override {
    for (MovieController mc : controllers_) DisposeMovieController(mc);
    MovieTest::TearDown();
    worlds_.Clear();
    QTMLTest_ClearEvents();
  }

  // A movie of one video track showing the colours in turn.
  Movie ColourMovie(const std::vector<Argb>& colours) {
    Movie movie = NewEmptyMovie();
    AddColours(movie, colours);
    return movie;
  }

  // A video track of the colours, one frame each, added to the movie.
  static Track AddColours(Movie movie, const std::vector<Argb>& colours) {
    Track track = NewMovieTrack(movie, kFrameWidth << 16, kFrameHeight << 16, 0);
    Media media = NewTrackMedia(track, VideoMediaType, 600, nullptr, 0);
    auto desc = reinterpret_cast<ImageDescriptionHandle>(NewHandleClear(sizeof(ImageDescription)));
    (**desc).idSize = sizeof(ImageDescription);
    (**desc).cType = kRawCodecType;
    (**desc).dataRefIndex = 1;
    (**desc).width = kFrameWidth;
    (**desc).height = kFrameHeight;
    (**desc).depth = 32;
    EXPECT_EQ(BeginMediaEdits(media), noErr);
    long size = kFrameWidth * kFrameHeight * 4;
    for (Argb colour : colours) {
      Handle data = NewHandle(size);
      for (long i = 0; i < size; ++i) (*data)[i] = static_cast<char>(colour >> (24 - 8 * (i % 4)));
      EXPECT_EQ(AddMediaSample(media, data, 0, static_cast<unsigned long>(size), kFrameDuration,
                               reinterpret_cast<SampleDescriptionHandle>(desc), 1, 0, nullptr),
                noErr);
      DisposeHandle(data);
    }
    EXPECT_EQ(EndMediaEdits(media), noErr);
    DisposeHandle(reinterpret_cast<Handle>(desc));
    EXPECT_EQ(InsertMediaIntoTrack(track, -1, 0, GetMediaDuration(media), 0x10000), noErr);
    return track;
  }

  // A controller disposed of after the test.
  MovieController Control(Movie movie, const Rect* area = nullptr, long flags = 0) {
    MovieController mc = NewMovieController(movie, area, flags);
    EXPECT_NE(mc, nullptr);
    controllers_.push_back(mc);
    return mc;
  }

  // The colour the movie shows at its present time.
  Argb Showing(Movie movie) {
    GWorldPtr world = worlds_.Make(kFrameWidth, kFrameHeight);
    CGrafPtr port = nullptr;
    GDHandle device = nullptr;
    GetMovieGWorld(movie, &port, &device);
    Rect box;
    GetMovieBox(movie, &box);
    Rect natural{0, 0, kFrameHeight, kFrameWidth};
    SetMovieBox(movie, &natural);
    SetMovieGWorld(movie, world, nullptr);
    MoviesTask(movie, 0);
    SetMovieGWorld(movie, port, device);
    SetMovieBox(movie, &box);
    return PixelAt(world, 1, 1);
  }

  static Rect BoxOf(Movie movie) {
    Rect box;
    GetMovieBox(movie, &box);
    return box;
  }

  TestWorlds worlds_;

 private:
  std::vector<MovieController> controllers_;
};

// A rectangle's sides as {left, top, right, bottom}, for comparing.
inline std::vector<int> Sides(const Rect& r) {
  return {r.left, r.top, r.right, r.bottom};
}

}  // namespace controller_test
