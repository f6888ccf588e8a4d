// Movies built in memory for the toolbox tests: tracks whose samples have
// known durations and bytes (sample i holds bytes of value i + 1).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Movies.h"
#include "QTML.h"
#include "QTMLTestControls.h"

namespace movie_test {

class MovieTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(InitializeQTML(0), noErr);
    ASSERT_EQ(EnterMovies(), noErr);
    QTMLTest_SetClock(0);
  }
  void TearDown() override {
    QTMLTest_ClearFaults();
    QTMLTest_SetClock(-1);
    for (Movie m : movies_) DisposeMovie(m);
  }

  // A new movie, disposed of after the test.
  Movie Keep(Movie m) {
    movies_.push_back(m);
    return m;
  }
  Movie NewEmptyMovie(TimeScale scale = 600) {
    Movie m = Keep(NewMovie(newMovieActive));
    SetMovieTimeScale(m, scale);
    return m;
  }

  // A description handle of the media's kind (owned by the caller).
  static SampleDescriptionHandle NewDescription(OSType mediaType, OSType format) {
    Size size = mediaType == VideoMediaType ? static_cast<Size>(sizeof(ImageDescription))
                                            : static_cast<Size>(sizeof(SampleDescription));
    Handle h = NewHandleClear(size);
    auto desc = reinterpret_cast<SampleDescriptionHandle>(h);
    (**desc).descSize = static_cast<SInt32>(size);
    (**desc).dataFormat = format;
    (**desc).dataRefIndex = 1;
    return desc;
  }

  // Adds samples of the durations to the media; sample i is `bytes` bytes
  // of value first + i + 1. Sync unless listed in notSync.
  static void AddSamples(Media media, const std::vector<TimeValue>& durations, long bytes = 4,
                         int first = 0, const std::vector<int>& notSync = {}) {
    OSType type = 0;
    GetMediaHandlerDescription(media, &type, nullptr, nullptr);
    SampleDescriptionHandle desc = NewDescription(type, 'raw ');
    ASSERT_EQ(BeginMediaEdits(media), noErr);
    for (size_t i = 0; i < durations.size(); ++i) {
      Handle data = NewHandle(bytes);
      memset(*data, static_cast<int>(first + i + 1), static_cast<size_t>(bytes));
      bool sync = std::find(notSync.begin(), notSync.end(), static_cast<int>(i)) == notSync.end();
      ASSERT_EQ(AddMediaSample(media, data, 0, static_cast<unsigned long>(bytes), durations[i],
                               desc, 1, sync ? 0 : mediaSampleNotSync, nullptr),
                noErr);
      DisposeHandle(data);
    }
    ASSERT_EQ(EndMediaEdits(media), noErr);
    DisposeHandle(reinterpret_cast<Handle>(desc));
  }

  // A track of the type with one sample per duration, the whole media
  // inserted at the track's start.
  static Track AddTrack(Movie movie, OSType type, TimeScale mediaScale,
                        const std::vector<TimeValue>& durations, long bytes = 4, int first = 0,
                        const std::vector<int>& notSync = {}) {
    bool visual = type == VideoMediaType || type == TextMediaType;
    Track track =
        NewMovieTrack(movie, visual ? 320 << 16 : 0, visual ? 240 << 16 : 0, visual ? 0 : 0x100);
    EXPECT_NE(track, nullptr);
    Media media = NewTrackMedia(track, type, mediaScale, nullptr, 0);
    EXPECT_NE(media, nullptr);
    AddSamples(media, durations, bytes, first, notSync);
    EXPECT_EQ(InsertMediaIntoTrack(track, 0, 0, GetMediaDuration(media), 0x10000), noErr);
    return track;
  }

  // The value of the bytes of the sample the track shows at movie time t,
  // or 0 in empty time.
  static int ValueAt(Track track, TimeValue t) {
    TimeValue mediaTime = TrackTimeToMediaTime(t, track);
    if (mediaTime < 0) return 0;
    Handle data = NewHandle(0);
    long size = 0;
    OSErr err = GetMediaSample(GetTrackMedia(track), data, 0, &size, mediaTime, nullptr, nullptr,
                               nullptr, nullptr, 1, nullptr, nullptr);
    int value = err == noErr && size > 0 ? static_cast<unsigned char>(**data) : -1;
    DisposeHandle(data);
    return value;
  }

  // The values the track shows at every step of `step` movie units.
  static std::vector<int> Values(Track track, TimeValue step) {
    std::vector<int> values;
    for (TimeValue t = 0; t < GetTrackDuration(track); t += step)
      values.push_back(ValueAt(track, t));
    return values;
  }

 private:
  std::vector<Movie> movies_;
};

}  // namespace movie_test
