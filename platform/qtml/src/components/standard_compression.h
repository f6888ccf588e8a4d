// The standard compression components ('scdi'): image settings ('imag')
// and sound settings ('soun'), what each keeps, how settings travel as
// atom containers and text, and how the scripted dialog changes them.
// The calls (QuickTimeComponents.h) are in standard_compression_calls.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "QuickTimeComponents.h"
#include "Sound.h"
#include "components/component_registry.h"

namespace qtml {

struct ImageSettings {
  SCSpatialSettings spatial{};
  SCTemporalSettings temporal{};
  SCDataRateSettings dataRate{};
  Fixed width = 0;  // the video size a client asked to keep; 0: none
  Fixed height = 0;
};

struct SoundSettings {
  OSType format = kTwosComplement;
  UnsignedFixed rate = 44100u << 16;
  short sampleSize = 16;
  short channels = 2;
};

// A 32-bit copy of the dialog's test image.
struct TestImage {
  std::vector<uint32_t> pixels;  // big-endian ARGB, rows unpadded
  short width = 0;
  short height = 0;
};

class StandardCompression final : public ComponentImplementation {
 public:
  explicit StandardCompression(bool sound);
  ~StandardCompression() override;
  StandardCompression(const StandardCompression&) = delete;
  StandardCompression& operator=(const StandardCompression&) = delete;

  bool Implements(SInt16 selector) const override;
  OSErr Close() override;

  bool IsSound() const { return sound_; }

  OSErr GetInfo(OSType type, void* info) const;
  OSErr SetInfo(OSType type, const void* info);

  // A new container holding the settings, owned by the caller.
  OSErr SettingsAsContainer(QTAtomContainer* settings) const;
  OSErr SetSettingsFromContainer(QTAtomContainer settings);
  std::string SettingsAsText() const;

  // The dialog, answered from the test controls' queue: noErr,
  // scUserCancelled, or the error that refused the answer.
  OSErr RequestSettings(bool sequence);

  OSErr SetTestImage(PixMapHandle pixmap, const Rect* area, short flags);
  void DefaultSettingsFor(const PixMap& map, bool motion);

  // Compresses the area of the pixel map with `settings` into new handles.
  OSErr CompressImage(PixMapHandle src, const Rect& area, const ImageSettings& settings,
                      ImageDescriptionHandle* desc, Handle* data, bool showProgress);

  OSErr BeginSequence(PixMapHandle src, const Rect& area, ImageDescriptionHandle* desc);
  OSErr SequenceFrame(PixMapHandle src, const Rect* area, Handle* data, long* dataSize,
                      short* notSyncFlag);
  OSErr EndSequence();

  const ImageSettings& Image() const { return image_; }

 private:
  OSErr Progress(short message, Fixed completeness);
  OSErr ApplyAnswer(const std::string& answer, bool sequence);
  OSErr TryTestImage(const ImageSettings& settings);
  OSErr KeepToDataRate(long frameBytes);

  bool sound_;
  ImageSettings image_;
  SoundSettings audio_;
  long preferences_ = 0;
  CodecFlags codecFlags_ = 0;
  ICMProgressProcRecord progress_{};
  TestImage test_;
  // The sequence being compressed.
  ImageSequence sequence_ = 0;
  ImageDescriptionHandle sequenceDesc_ = nullptr;
  Handle sequenceData_ = nullptr;
  Rect sequenceArea_{};
  long sequenceFrames_ = 0;
  CodecQ sequenceSpatial_ = 0;  // the qualities the data rate leaves
  CodecQ sequenceTemporal_ = 0;
};

// Appends the two standard compression components.
void AppendStandardCompressionComponents(std::vector<ComponentEntry>* entries);

// Checks of settings as the dialog and SCSetInfo make them: noErr,
// noCodecErr or paramErr.
OSErr CheckSpatial(const SCSpatialSettings& spatial);
OSErr CheckSound(const SoundSettings& sound);

}  // namespace qtml
