// The three standard compressors: images, movies and sound.
#pragma once

#include <string>

#include "components/service.h"
#include "movie/sample_desc.h"

namespace fenra {

class MovieNative;
class TimeRangeNative;
class TrackNative;

// Still images ('CMPI'), on the 'scdi' 'imag' component.
class ImageCompressor final : public CompressionService {
 public:
  ImageCompressor() : CompressionService(kImageCompressorType, kDefaultFlags) {}
  ~ImageCompressor() = default;

  void Reset() override;
  // The base's copy, and the platform progress function installed (or
  // removed) on the component.
  void SetProgress(const ProgressCallbackNative* callback) override;

  // Compresses the world's pixels (sourceRect when it lies inside them)
  // into new handles owned by the caller: *data, and *desc when desc is
  // not null. err = the result; *data is null on failure.
  void CompressToHandle(GWorldPtr world, Handle* data, ImageDescriptionHandle* desc);
  // Compresses the world's pixels into a picture file at `spec`.
  void CompressToPictureFile(GWorldPtr world, const FSSpec& spec);

  static constexpr int32_t kDefaultFlags = scShowBestDepth | scListEveryCodec | scUseMovableModal;
};

// Video sequences ('CMPM'), on the 'scdi' 'imag' component.
class MovieCompressor final : public CompressionService {
 public:
  MovieCompressor() : CompressionService(kMovieCompressorType, kDefaultFlags) {}
  ~MovieCompressor() = default;

  void Reset() override;
  void SetPreferenceFlags(int32_t flags) override;

  // Compresses `movie` (borrowed; its matrix and world are changed) into
  // a new movie file at `spec`; on failure or escape the file is deleted.
  void CompressMovie(Movie movie, const FSSpec& spec);

  static constexpr int32_t kDefaultFlags =
      scUseMovableModal | scShowBestDepth | scAllowZeroFrameRate | scListEveryCodec;
};

// Sound ('CMPS'), on the 'scdi' 'soun' component.
class SoundCompressor final : public CompressionService {
 public:
  SoundCompressor() : CompressionService(kSoundCompressorType, kDefaultFlags) {}
  ~SoundCompressor() = default;

  void Reset() override;

  // The sound settings as a description; false without them.
  bool GetSoundSettings(SoundDescNative* desc);
  // Writes the description into the settings and applies them.
  void SetSoundSettings(const SoundDescNative& desc);

  static constexpr int32_t kDefaultFlags = scUseMovableModal;
};

// Writes the description's settings into a compressor's settings and
// applies them: the image description setter shared by the image and
// movie compressors.
void ApplyImageSettings(CompressionService* compressor, const ImageDescBase& desc);

// A new temporary movie (owned by the caller) holding the range (none or
// not valid: all) of the movie or of the track; err receives
// the result (invalidMovie when it cannot be made).
Movie NewSegmentMovie(Movie movie, Track track, const TimeRangeNative* range, OSErr* err);

}  // namespace fenra
