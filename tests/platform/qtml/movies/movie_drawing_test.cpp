// MoviesTask drawing a movie's frame into its port: the sample at the
// movie's time, placed by the track's and the movie's matrices and the
// movie box, layered, decoded from its key frame whatever the order of the
// seeks.
#include <cstring>
#include <vector>

#include "ImageCompression.h"
#include "MacMemory.h"
#include "QDOffscreen.h"
#include "movie_test_support.h"
#include "pixel_worlds.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/opt.h>
}

namespace {

using Argb = uint32_t;
constexpr Argb kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u, kBlue = 0xFF0000FFu;

class MovieDrawing : public movie_test::MovieTest {
 protected:
  void TearDown() override {
    MovieTest::TearDown();
    worlds_.Clear();
  }

  GWorldPtr World(short w, short h) { return worlds_.Make(w, h); }
  static Argb At(GWorldPtr world, int x, int y) { return PixelAt(world, x, y); }

  static ImageDescriptionHandle Description(CodecType type, short w, short h, short depth) {
    auto desc = reinterpret_cast<ImageDescriptionHandle>(NewHandleClear(sizeof(ImageDescription)));
    (**desc).idSize = sizeof(ImageDescription);
    (**desc).cType = type;
    (**desc).dataRefIndex = 1;
    (**desc).width = w;
    (**desc).height = h;
    (**desc).depth = depth;
    (**desc).hRes = (**desc).vRes = 72 << 16;
    (**desc).frameCount = 1;
    (**desc).clutID = -1;
    return desc;
  }

  // A video track of w × h solid 32-bit raw frames, one a colour, each
  // `duration` long.
  Track SolidTrack(Movie movie, short w, short h, const std::vector<Argb>& colours,
                   TimeValue duration) {
    Track track = NewMovieTrack(movie, w << 16, h << 16, 0);
    Media media = NewTrackMedia(track, VideoMediaType, 600, nullptr, 0);
    ImageDescriptionHandle desc = Description(kRawCodecType, w, h, 32);
    EXPECT_EQ(BeginMediaEdits(media), noErr);
    for (Argb colour : colours) {
      Handle data = NewHandle(w * h * 4);
      for (long i = 0; i < w * h; ++i) {
        for (int b = 0; b < 4; ++b) (*data)[i * 4 + b] = static_cast<char>(colour >> (24 - 8 * b));
      }
      EXPECT_EQ(AddMediaSample(media, data, 0, static_cast<unsigned long>(w * h * 4), duration,
                               reinterpret_cast<SampleDescriptionHandle>(desc), 1, 0, nullptr),
                noErr);
      DisposeHandle(data);
    }
    EXPECT_EQ(EndMediaEdits(media), noErr);
    DisposeHandle(reinterpret_cast<Handle>(desc));
    EXPECT_EQ(InsertMediaIntoTrack(track, 0, 0, GetMediaDuration(media), 0x10000), noErr);
    return track;
  }

  // A track of `count` MPEG-4 frames of 16 × 16, 60 units each, with a
  // key frame every 4: frame i is a video-range grey of 16 + 20 × i. With
  // `jpeg`, Motion JPEG frames instead, each a key frame, the grey full
  // range.
  static void AddGreys(Movie movie, int count, bool jpeg = false) {
    const AVCodec* codec = avcodec_find_encoder(jpeg ? AV_CODEC_ID_MJPEG : AV_CODEC_ID_MPEG4);
    if (codec == nullptr) {
      ADD_FAILURE() << "no encoder";
      return;
    }
    AVCodecContext* c = avcodec_alloc_context3(codec);
    c->width = 16;
    c->height = 16;
    c->pix_fmt = jpeg ? AV_PIX_FMT_YUVJ420P : AV_PIX_FMT_YUV420P;
    c->time_base = AVRational{1, 600};
    c->gop_size = 4;
    c->max_b_frames = 0;
    c->thread_count = 1;
    // Frames change wholly: keep the encoder from taking each for a new scene.
    av_opt_set_int(c->priv_data, "sc_threshold", 1000000000, 0);
    EXPECT_EQ(avcodec_open2(c, codec, nullptr), 0);
    Track track = NewMovieTrack(movie, 16 << 16, 16 << 16, 0);
    Media media = NewTrackMedia(track, VideoMediaType, 600, nullptr, 0);
    ImageDescriptionHandle desc = Description(jpeg ? 'jpeg' : 'mp4v', 16, 16, 24);
    EXPECT_EQ(BeginMediaEdits(media), noErr);
    AVFrame* frame = av_frame_alloc();
    frame->width = 16;
    frame->height = 16;
    frame->format = c->pix_fmt;
    EXPECT_EQ(av_frame_get_buffer(frame, 0), 0);
    AVPacket* packet = av_packet_alloc();
    for (int i = 0; i < count; ++i) {
      EXPECT_EQ(av_frame_make_writable(frame), 0);
      for (int y = 0; y < 16; ++y)
        std::memset(frame->data[0] + y * frame->linesize[0], 16 + 20 * i, 16);
      for (int p = 1; p < 3; ++p) {
        for (int y = 0; y < 8; ++y) std::memset(frame->data[p] + y * frame->linesize[p], 128, 8);
      }
      frame->pts = i * 60;
      EXPECT_EQ(avcodec_send_frame(c, frame), 0);
      EXPECT_EQ(avcodec_receive_packet(c, packet), 0);
      Handle data = NewHandle(packet->size);
      std::memcpy(*data, packet->data, static_cast<size_t>(packet->size));
      bool key = (packet->flags & AV_PKT_FLAG_KEY) != 0;
      EXPECT_EQ(key, jpeg || i % 4 == 0);
      EXPECT_EQ(AddMediaSample(media, data, 0, static_cast<unsigned long>(packet->size), 60,
                               reinterpret_cast<SampleDescriptionHandle>(desc), 1,
                               key ? 0 : mediaSampleNotSync, nullptr),
                noErr);
      DisposeHandle(data);
      av_packet_unref(packet);
    }
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&c);
    EXPECT_EQ(EndMediaEdits(media), noErr);
    DisposeHandle(reinterpret_cast<Handle>(desc));
    EXPECT_EQ(InsertMediaIntoTrack(track, 0, 0, GetMediaDuration(media), 0x10000), noErr);
  }

  // The grey frame i of AddGreys shows as: about (20i) × 255 / 219.
  static double Grey(int i) { return 20.0 * i * 255.0 / 219.0; }

  static void ShowAt(Movie movie, TimeValue t) {
    SetMovieTimeValue(movie, t);
    MoviesTask(movie, 0);
  }

  TestWorlds worlds_;
};

TEST_F(MovieDrawing, TheFrameAtTheMoviesTimeFillsItsBox) {
  Movie movie = NewEmptyMovie();
  SolidTrack(movie, 8, 8, {kRed, kGreen, kBlue}, 10);
  GWorldPtr world = World(16, 16);
  SetMovieGWorld(movie, world, nullptr);
  MoviesTask(movie, 0);
  EXPECT_EQ(GetMoviesError(), noErr);
  EXPECT_EQ(At(world, 0, 0), kRed);
  EXPECT_EQ(At(world, 7, 7), kRed);
  EXPECT_EQ(At(world, 8, 8), 0u) << "outside the movie box nothing is drawn";
  ShowAt(movie, 15);
  EXPECT_EQ(At(world, 3, 3), kGreen);
  ShowAt(movie, 25);
  EXPECT_EQ(At(world, 3, 3), kBlue);

  // A box twice the size, moved: the frame is scaled into it.
  const Rect box{0, 0, 16, 16};
  SetMovieBox(movie, &box);
  ShowAt(movie, 0);
  EXPECT_EQ(At(world, 15, 15), kRed);

  // Without a port, nothing is drawn, and nothing goes wrong.
  SetMovieGWorld(movie, nullptr, nullptr);
  ShowAt(movie, 15);
  EXPECT_EQ(GetMoviesError(), noErr);
  EXPECT_EQ(At(world, 15, 15), kRed);
}

TEST_F(MovieDrawing, FramesComeAtTheGammaLevelRequestedForThePort) {
  Movie movie = NewEmptyMovie();
  SolidTrack(movie, 4, 4, {0xFF808080u}, 10);
  GWorldPtr world = World(4, 4);
  SetMovieGWorld(movie, world, nullptr);
  MoviesTask(movie, 0);
  EXPECT_EQ(At(world, 1, 1), 0xFF808080u);
  // Linear light: 128 / 255 to the power 2.2 is 56 / 255.
  ASSERT_EQ(QTSetPixMapHandleRequestedGammaLevel(GetGWorldPixMap(world), 1 << 16), noErr);
  MoviesTask(movie, 0);
  EXPECT_EQ(At(world, 1, 1), 0xFF383838u);
}

TEST_F(MovieDrawing, TrackClipsFollowTheTrackAndMeetTheMoviesClip) {
  Movie movie = NewEmptyMovie();
  Track track = SolidTrack(movie, 8, 8, {kRed}, 10);
  RgnHandle corner = NewRgn();
  SetRectRgn(corner, 0, 0, 4, 4);
  SetTrackClipRgn(track, corner);
  DisposeRgn(corner);
  // The clip is the track's: it moves with the track.
  MatrixRecord moved;
  SetIdentityMatrix(&moved);
  TranslateMatrix(&moved, 4 << 16, 4 << 16);
  SetTrackMatrix(track, &moved);
  GWorldPtr world = World(12, 12);
  SetMovieGWorld(movie, world, nullptr);
  MoviesTask(movie, 0);
  EXPECT_EQ(At(world, 5, 5), kRed);
  EXPECT_EQ(At(world, 7, 7), kRed);
  EXPECT_EQ(At(world, 9, 9), 0u) << "outside the track's clip";
  EXPECT_EQ(At(world, 2, 2), 0u);
  // The movie's clip (display coordinates) cuts it further.
  RgnHandle left = NewRgn();
  SetRectRgn(left, 0, 0, 6, 12);
  SetMovieClipRgn(movie, left);
  DisposeRgn(left);
  GWorldPtr again = World(12, 12);
  SetMovieGWorld(movie, again, nullptr);
  MoviesTask(movie, 0);
  EXPECT_EQ(At(again, 5, 5), kRed);
  EXPECT_EQ(At(again, 7, 7), 0u);
}

TEST_F(MovieDrawing, AMovieNeverShowsTheFramesOfOneThatWent) {
  // Movies made alike, one after the other: the second's store may come
  // where the first's was, but its frames are its own.
  for (Argb colour : {kRed, kBlue, kGreen}) {
    Movie movie = NewMovie(newMovieActive);
    SolidTrack(movie, 8, 8, {colour}, 10);
    GWorldPtr world = World(8, 8);
    SetMovieGWorld(movie, world, nullptr);
    MoviesTask(movie, 0);
    EXPECT_EQ(At(world, 4, 4), colour);
    DisposeMovie(movie);
  }
}

TEST_F(MovieDrawing, LowerLayersShowInFrontAndDisabledTracksNotAtAll) {
  Movie movie = NewEmptyMovie();
  Track back = SolidTrack(movie, 8, 8, {kRed}, 30);
  Track front = SolidTrack(movie, 8, 8, {kBlue}, 30);
  MatrixRecord moved;
  SetIdentityMatrix(&moved);
  TranslateMatrix(&moved, 4 << 16, 4 << 16);
  SetTrackMatrix(front, &moved);
  SetTrackLayer(front, -1);
  SetTrackLayer(back, 0);
  GWorldPtr world = World(12, 12);
  SetMovieGWorld(movie, world, nullptr);
  MoviesTask(movie, 0);
  EXPECT_EQ(At(world, 1, 1), kRed);
  EXPECT_EQ(At(world, 5, 5), kBlue) << "the lower layer is in front";
  EXPECT_EQ(At(world, 11, 11), kBlue);

  // The other way round, the red track covers the overlap.
  SetTrackLayer(back, -2);
  MoviesTask(movie, 0);
  EXPECT_EQ(At(world, 5, 5), kRed);

  SetTrackEnabled(back, false);
  GWorldPtr clean = World(12, 12);
  SetMovieGWorld(movie, clean, nullptr);
  MoviesTask(movie, 0);
  EXPECT_EQ(At(clean, 1, 1), 0u);
  EXPECT_EQ(At(clean, 5, 5), kBlue);
}

TEST_F(MovieDrawing, TemporalFramesDecodeFromTheirKeyFrameInAnyOrderOfSeeks) {
  Movie movie = NewEmptyMovie();
  AddGreys(movie, 10);
  GWorldPtr world = World(16, 16);
  SetMovieGWorld(movie, world, nullptr);
  for (int i : {6, 2, 3, 9, 0, 7, 5}) {
    ShowAt(movie, i * 60 + 30);
    ASSERT_EQ(GetMoviesError(), noErr) << i;
    double shown = At(world, 8, 8) & 0xFF;
    EXPECT_NEAR(shown, Grey(i), 6.0) << "frame " << i;
  }
}

TEST_F(MovieDrawing, FramesShownInTurnComeInTurnFromADecoderThatWorksAhead) {
  // The decoder keeps frames on the way (its threads give each one after
  // later ones are fed): every frame forwards, the last again, then back
  // to the first.
  Movie movie = NewEmptyMovie();
  AddGreys(movie, 12);
  GWorldPtr world = World(16, 16);
  SetMovieGWorld(movie, world, nullptr);
  for (int i : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 11, 0, 1}) {
    ShowAt(movie, i * 60);
    ASSERT_EQ(GetMoviesError(), noErr) << i;
    EXPECT_NEAR(At(world, 8, 8) & 0xFF, Grey(i), 6.0) << "frame " << i;
  }
}

TEST_F(MovieDrawing, KeyFramesShownInTurnComeFromAThreadDecodingAhead) {
  // Motion JPEG decodes on a thread of the decoder's, a frame ahead.
  Movie movie = NewEmptyMovie();
  AddGreys(movie, 8, true);
  GWorldPtr world = World(16, 16);
  SetMovieGWorld(movie, world, nullptr);
  for (int i : {0, 1, 2, 3, 4, 5, 6, 7, 7, 2, 3, 0, 6}) {
    ShowAt(movie, i * 60 + 10);
    ASSERT_EQ(GetMoviesError(), noErr) << i;
    EXPECT_NEAR(At(world, 8, 8) & 0xFF, 16 + 20 * i, 4.0) << "frame " << i;
  }
  // A damaged frame says so, and the next good one shows again.
  Media media = GetTrackMedia(GetMovieIndTrack(movie, 1));
  auto desc = reinterpret_cast<SampleDescriptionHandle>(NewHandle(0));
  GetMediaSampleDescription(media, 1, desc);
  Handle junk = NewHandleClear(64);
  ASSERT_EQ(BeginMediaEdits(media), noErr);
  TimeValue junkTime = 0;
  ASSERT_EQ(AddMediaSample(media, junk, 0, 64, 60, desc, 1, 0, &junkTime), noErr);
  ASSERT_EQ(EndMediaEdits(media), noErr);
  DisposeHandle(junk);
  DisposeHandle(reinterpret_cast<Handle>(desc));
  Track track = GetMovieIndTrack(movie, 1);
  ASSERT_EQ(InsertMediaIntoTrack(track, 8 * 60, junkTime, 60, 0x10000), noErr);
  ShowAt(movie, 8 * 60 + 10);
  EXPECT_NE(GetMoviesError(), noErr);
  ShowAt(movie, 5 * 60 + 10);
  ASSERT_EQ(GetMoviesError(), noErr);
  EXPECT_NEAR(At(world, 8, 8) & 0xFF, 16 + 20 * 5, 4.0);
}

TEST_F(MovieDrawing, AFrameConvertedStraightIntoItsPortLandsAsOneDrawnThroughAClip) {
  Movie movie = NewEmptyMovie();
  AddGreys(movie, 4);
  GWorldPtr world = World(24, 24);
  SetMovieGWorld(movie, world, nullptr);
  const Rect moved{2, 3, 18, 19};  // the frame's own size, 3 across and 2 down
  SetMovieBox(movie, &moved);
  ShowAt(movie, 3 * 60);
  ASSERT_EQ(GetMoviesError(), noErr);
  EXPECT_EQ(At(world, 2, 1), 0u);
  const Argb straight = At(world, 3, 2);
  EXPECT_EQ(At(world, 18, 17), straight);
  EXPECT_NEAR(straight & 0xFF, Grey(3), 6.0);
  EXPECT_EQ(straight >> 24, 0xFFu) << "opaque";
  EXPECT_EQ(At(world, 18, 2), straight);
  EXPECT_EQ(At(world, 3, 17), straight);
  EXPECT_EQ(At(world, 19, 2), 0u);
  EXPECT_EQ(At(world, 3, 18), 0u);

  // A clip keeps the frame from going straight to the port: drawn the
  // general way, it lands the same inside the clip and leaves the rest.
  GWorldPtr clipped = World(24, 24);
  SetMovieGWorld(movie, clipped, nullptr);
  RgnHandle clip = NewRgn();
  const Rect inside{4, 5, 12, 13};
  RectRgn(clip, &inside);
  SetMovieClipRgn(movie, clip);
  DisposeRgn(clip);
  ShowAt(movie, 3 * 60);
  ASSERT_EQ(GetMoviesError(), noErr);
  EXPECT_EQ(At(clipped, 5, 4), straight);
  EXPECT_EQ(At(clipped, 12, 11), straight);
  EXPECT_EQ(At(clipped, 4, 4), 0u);
  EXPECT_EQ(At(clipped, 13, 11), 0u);
}

TEST_F(MovieDrawing, AFrameWithoutADecoderDrawsNothingAndSaysSo) {
  Movie movie = NewEmptyMovie();
  Track track = NewMovieTrack(movie, 8 << 16, 8 << 16, 0);
  Media media = NewTrackMedia(track, VideoMediaType, 600, nullptr, 0);
  ImageDescriptionHandle desc = Description('zzzz', 8, 8, 24);
  Handle data = NewHandleClear(32);
  ASSERT_EQ(AddMediaSample(media, data, 0, 32, 10, reinterpret_cast<SampleDescriptionHandle>(desc),
                           1, 0, nullptr),
            noErr);
  DisposeHandle(data);
  DisposeHandle(reinterpret_cast<Handle>(desc));
  ASSERT_EQ(InsertMediaIntoTrack(track, 0, 0, GetMediaDuration(media), 0x10000), noErr);
  GWorldPtr world = World(8, 8);
  SetMovieGWorld(movie, world, nullptr);
  MoviesTask(movie, 0);
  EXPECT_EQ(GetMoviesError(), noCodecErr);
  EXPECT_EQ(At(world, 4, 4), 0u);
}

}  // namespace
