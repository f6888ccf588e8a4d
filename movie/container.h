// Containers: what movies, tracks and media share — creation and
// modification times, video and sound, time values, volume, data sizes,
// loading into memory, display properties and user data — and the track
// and media natives reached from a movie.
#pragma once

#include "Movies.h"
#include "plugin/host_services.h"
#include "plugin/native_object.h"

namespace fenra {

class GraphicsContextNative;
class TimeRangeNative;

// Time values a container answers by selector.
enum TimeSelector : int32_t {
  kTimeDuration = 0,
  kTimeScale = 1,
  kTimeCurrent = 2,
  kTimePosterOrOffset = 3,  // a movie's poster time, a track's offset
};

class ContainerNative : public NativeObject {
 public:
  // Seconds since midnight, January 1, 1904; 0 without a reference.
  virtual uint32_t GetCreationTime() const = 0;
  virtual uint32_t GetModificationTime() const = 0;
  // Whether the container carries the visual ('eyes') or audio ('ears')
  // media characteristic.
  virtual bool HasVideo() = 0;
  virtual bool HasSound() = 0;
  // A time value by selector; 0 for other selectors or no reference.
  virtual int32_t GetTimeValue(int32_t selector) = 0;
  // Volume, 8.8 fixed point (media: the sound balance).
  virtual int16_t GetVolume() = 0;
  virtual void SetVolume(int16_t volume) = 0;
  // The bytes of sample data in the range (none: the whole duration);
  // *size is zeroed first; err updated.
  virtual void GetDataSize(const TimeRangeNative* range, wide* size) = 0;
  // Loads or unloads the range's data (none: the whole duration).
  virtual void LoadIntoRam(const TimeRangeNative* range, long flags) = 0;
  // Applies how the container is drawn (none: the defaults).
  virtual void SetDisplayProperties(GraphicsContextNative* context) = 0;
  // A user data native (owned by the caller) over the container's user
  // data, which QuickTime keeps owning; null when there is none.
  virtual NativeObject* NewUserData() = 0;

 protected:
  ContainerNative() = default;
  ContainerNative(const ContainerNative&) = default;
  ~ContainerNative() = default;

  // The range a data size or load covers: the given one, or the whole
  // duration.
  void RangeOf(const TimeRangeNative* range, TimeValue* start, TimeValue* length);
  // The range to load into memory, as RangeOf; false (err paramErr) for a
  // range given with no length.
  bool LoadRangeOf(const TimeRangeNative* range, TimeValue* start, TimeValue* length);
};

// One track of a movie. Borrows the track: the movie owns it.
class TrackNative final : public ContainerNative {
 public:
  bool IsValid() const override { return track != nullptr; }
  intptr_t GetRef() const override { return reinterpret_cast<intptr_t>(track); }
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

  // Stores the track, its ID and its media type; a null track changes
  // nothing.
  void Attach(Track source);

  Track track = nullptr;
  int32_t trackID = 0;
  OSType mediaType = 0;
};

// The media of one track. Borrows the media and its handler.
class MediaNative final : public ContainerNative {
 public:
  bool IsValid() const override { return media != nullptr; }
  intptr_t GetRef() const override { return reinterpret_cast<intptr_t>(media); }
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

  // Fills the fields from the track's media.
  void FillFrom(Track track);

  Media media = nullptr;
  MediaHandler handler = nullptr;
  OSType mediaType = 0;

 private:
  bool HasCharacteristic(OSType characteristic);
};

// A user data native borrowing the list (QuickTime keeps owning it), or
// null for none.
NativeObject* UserDataOver(UserData list);

// Whether a container has the media characteristic: the first track of
// the movie that has it.
bool MovieHasCharacteristic(Movie movie, OSType characteristic);

// The media type of a track's media; 0 for no track or one without media.
OSType TrackMediaType(Track track);

// Gives `to` a track of its own for each sound track of `from`, holding
// the same sound over the same time; the first error.
OSErr CopySoundTracks(Movie from, Movie to);

// The movie's track at a script's index (from 0), or nil for an index
// that is not one of its tracks; the index is checked against the count
// before the platform sees it.
Track MovieTrackAt(Movie movie, int64_t index);

// The display properties shared by movies and tracks: a matrix and a
// clip region set through the given setters; err = the result.
int32_t ApplyDisplayProperties(GraphicsContextNative* context,
                               void (*setMatrix)(void* target, const MatrixRecord* matrix),
                               void (*setClip)(void* target, RgnHandle clip), void* target);

// The media of a FenraMedia object (or the media of a FenraTrack's track),
// or nullptr when the object is nil, of another class, or has no native.
Media MediaOfObject(REALobject object);
// The track of a FenraTrack object, or nullptr.
Track TrackOfObject(REALobject object);
// The native of a FenraTrack instance, or null (also for other classes).
TrackNative* TrackNativeOf(REALobject object);
// A new FenraTrack for a script, attached to the track (not valid for a
// null one).
REALobject NewTrackObject(Track track);

}  // namespace fenra
