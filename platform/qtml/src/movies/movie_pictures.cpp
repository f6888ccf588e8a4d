// Pictures of a movie's frames: any time's, and the poster.
#include "memory/memory.h"
#include "movies/movie_calls.h"
#include "movies/movie_drawing.h"
#include "movies/movie_regions.h"
#include "quickdraw/picture.h"
#include "quickdraw/pixels.h"
#include "quickdraw/port.h"

namespace qtml {
namespace {

// The frame at `time` drawn into `world`. The movie keeps its port and
// time, also when drawing runs out of memory.
OSErr DrawFrameInto(MovieRecord& movie, GWorldPtr world, TimeValue time) {
  CGrafPtr savedPort = movie.port;
  GDHandle savedDevice = movie.device;
  TimeValue savedTime = movie.currentTime;
  movie.port = world;
  movie.device = nullptr;
  movie.currentTime = time;
  OSErr err = Guarded<OSErr>(memFullErr, [&] { return DrawMovieFrame(movie); });
  movie.port = savedPort;
  movie.device = savedDevice;
  movie.currentTime = savedTime;
  return err;
}

// The frame at `time` drawn on white into a world of the movie's box,
// recorded as a picture.
OSErr PictureAt(MovieRecord& movie, TimeValue time, PicHandle* picture) {
  *picture = nullptr;
  Rect box = MovieBox(movie);
  if (IsEmpty(box)) return noErr;
  GWorldPtr world = nullptr;
  if (OSErr err = NewWorld(&world, 32, &box, nullptr)) return err;
  Port* port = PortFromGrafPtr(reinterpret_cast<GrafPtr>(world));
  FillPixels(port->pixMap, box, kWhite);
  OSErr err = DrawFrameInto(movie, world, time);
  if (err == noErr) err = PictureOfPort(*port, box, picture);
  DisposeWorld(world);
  return err;
}

}  // namespace
}  // namespace qtml

extern "C" {

QTML_API PicHandle GetMoviePict(Movie theMovie, TimeValue time) try {
  qtml::ApiCall call("GetMoviePict", theMovie, time);
  qtml::MovieRecord* movie = qtml::EnterMovie(call, theMovie);
  if (movie == nullptr) return call.Return<PicHandle>(nullptr);
  PicHandle picture = nullptr;
  qtml::SetMoviesError(qtml::PictureAt(*movie, time, &picture));
  return call.Return(picture);
} catch (...) {
  return qtml::Escaped<PicHandle>();
}

QTML_API PicHandle GetMoviePosterPict(Movie theMovie) try {
  qtml::ApiCall call("GetMoviePosterPict", theMovie);
  qtml::MovieRecord* movie = qtml::EnterMovie(call, theMovie);
  if (movie == nullptr) return call.Return<PicHandle>(nullptr);
  PicHandle picture = nullptr;
  qtml::SetMoviesError(qtml::PictureAt(*movie, movie->posterTime, &picture));
  return call.Return(picture);
} catch (...) {
  return qtml::Escaped<PicHandle>();
}

}  // extern "C"
