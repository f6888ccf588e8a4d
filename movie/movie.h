// FenraMovie: one QuickTime movie, opened from a file, a URL, a data
// reference, a host movie or a movie player, or made empty.
#pragma once

#include "Files.h"
#include "Movies.h"
#include "movie/container.h"

namespace fenra {

class MovieNative final : public ContainerNative {
 public:
  MovieNative() = default;
  MovieNative(const MovieNative&) = delete;
  MovieNative& operator=(const MovieNative&) = delete;
  // Disposes of the movie when it owns it, closes the movie file, frees
  // the file spec.
  ~MovieNative();

  bool IsValid() const override { return movie != nullptr; }
  intptr_t GetRef() const override { return reinterpret_cast<intptr_t>(movie); }
  uint32_t GetCreationTime() const override;
  uint32_t GetModificationTime() const override;
  bool HasVideo() override;
  bool HasSound() override;
  int32_t GetTimeValue(int32_t selector) override;
  int16_t GetVolume() override;
  void SetVolume(int16_t volume) override;
  void GetDataSize(const TimeRangeNative* range, wide* size) override;
  void LoadIntoRam(const TimeRangeNative* range, long flags) override;
  void SetDisplayProperties(GraphicsContextNative* context) override;
  NativeObject* NewUserData() override;

  // Seeks by kSeek_* code; `mediaType` (or none) limits the steps to the
  // media of that type.
  void Seek(int32_t code, const OSType* mediaType);
  // Tells the remembered controller, if any, that the movie changed.
  void NotifyController();

  FSSpec* fileSpec = nullptr;  // owned copy; set for movies of a file
  short fileRef = 0;           // open movie file, 0: none
  short resId = 0;             // the movie resource the movie came from
  bool inMemory = false;       // new media data goes into handles
  bool ownsMovie = false;
  MovieController controller = nullptr;  // borrowed
  Movie movie = nullptr;
};

// The MovieNative of a FenraMovie instance, or null.
MovieNative* MovieNativeOf(REALobject instance);
// Gives a FenraMovie instance a native that wraps `movie` without owning
// it; a null movie attaches nothing.
void WrapMovie(REALobject instance, Movie movie);
// An independent copy of the movie (through a handle), or null.
Movie CopyMovie(Movie movie);

}  // namespace fenra
