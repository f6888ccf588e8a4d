// The standard compression calls (SC...): each finds its component's
// implementation through its selector, and compression goes through the
// Image Compression Manager's sequences, as in QuickTime: a still image
// is a sequence of one key frame, so that the depth setting counts.
#include <algorithm>
#include <cstring>

#include "ImageCompression.h"
#include "Movies.h"
#include "QuickTimeComponents.h"
#include "base/api_call.h"
#include "components/component_selectors.h"
#include "components/progress_line.h"
#include "components/standard_compression.h"
#include "memory/memory.h"
#include "movies/atom_container.h"
#include "quickdraw/pixels.h"

namespace qtml {
namespace {

constexpr char kProgressLabel[] = "Compressing";

bool IsDefaultProgress(const ICMProgressProcRecord& progress) {
  return progress.progressProc == reinterpret_cast<ICMProgressUPP>(-1);
}

// The component's implementation when the instance answers the call.
StandardCompression* Enter(ComponentInstance ci, SInt16 selector, ComponentResult* result) {
  return dynamic_cast<StandardCompression*>(EnterSelector(ci, selector, result));
}

// A new empty handle for the ICM to fill.
Handle NewEmptyHandle(OSErr* err) {
  return NewHandleBytes(0, false, err);
}

}  // namespace

OSErr StandardCompression::Progress(short message, Fixed completeness) {
  if (IsDefaultProgress(progress_)) {
    if (message != codecProgressOpen) {
      DrawProgressBar(kProgressLabel, completeness / 65536.0, message == codecProgressClose);
    }
    return noErr;
  }
  if (progress_.progressProc == nullptr) return noErr;
  return progress_.progressProc(message, completeness, progress_.progressRefCon);
}

OSErr StandardCompression::CompressImage(PixMapHandle src, const Rect& area,
                                         const ImageSettings& settings,
                                         ImageDescriptionHandle* desc, Handle* data,
                                         bool showProgress) {
  *desc = nullptr;
  *data = nullptr;
  if (showProgress && (Progress(codecProgressOpen, 0) != noErr ||
                       Progress(codecProgressUpdatePercent, 0) != noErr)) {
    if (showProgress) Progress(codecProgressClose, 0);
    return codecAbortErr;
  }
  const SCSpatialSettings& spatial = settings.spatial;
  long bufferSize = 0;
  OSErr err = GetMaxCompressionSize(src, &area, spatial.depth, spatial.spatialQuality,
                                    spatial.codecType, spatial.codec, &bufferSize);
  Handle buffer = err == noErr ? NewHandleBytes(bufferSize, false, &err) : nullptr;
  Handle description = err == noErr ? NewEmptyHandle(&err) : nullptr;
  auto descHandle = reinterpret_cast<ImageDescriptionHandle>(description);
  ImageSequence sequence = 0;
  long size = 0;
  if (err == noErr) {
    err = CompressSequenceBegin(&sequence, src, nullptr, &area, nullptr, spatial.depth,
                                spatial.codecType, spatial.codec, spatial.spatialQuality, 0, 0,
                                nullptr, codecFlags_, descHandle);
  }
  if (err == noErr) {
    err = CompressSequenceFrame(sequence, src, &area, codecFlags_ | codecFlagForceKeyFrame, *buffer,
                                &size, nullptr, nullptr);
  }
  if (sequence != 0) CDSequenceEnd(sequence);
  if (err == noErr) err = ResizeHandle(buffer, size);
  if (err == noErr) (**descHandle).dataSize = static_cast<SInt32>(size);
  if (showProgress && err == noErr && Progress(codecProgressUpdatePercent, 0x10000) != noErr) {
    err = codecAbortErr;
  }
  if (showProgress) Progress(codecProgressClose, 0x10000);
  if (err != noErr) {
    FreeHandle(buffer);
    FreeHandle(description);
    return err;
  }
  *desc = descHandle;
  *data = buffer;
  return noErr;
}

OSErr StandardCompression::BeginSequence(PixMapHandle src, const Rect& area,
                                         ImageDescriptionHandle* desc) {
  if (sequence_ != 0) EndSequence();
  const SCSpatialSettings& spatial = image_.spatial;
  long bufferSize = 0;
  OSErr err = GetMaxCompressionSize(src, &area, spatial.depth, spatial.spatialQuality,
                                    spatial.codecType, spatial.codec, &bufferSize);
  Handle data = err == noErr ? NewHandleBytes(bufferSize, false, &err) : nullptr;
  Handle description = err == noErr ? NewEmptyHandle(&err) : nullptr;
  ImageSequence sequence = 0;
  if (err == noErr) {
    err = CompressSequenceBegin(
        &sequence, src, nullptr, &area, nullptr, spatial.depth, spatial.codecType, spatial.codec,
        spatial.spatialQuality, image_.temporal.temporalQuality, image_.temporal.keyFrameRate,
        nullptr, codecFlags_, reinterpret_cast<ImageDescriptionHandle>(description));
  }
  if (err != noErr) {
    FreeHandle(data);
    FreeHandle(description);
    return err;
  }
  sequence_ = sequence;
  sequenceDesc_ = reinterpret_cast<ImageDescriptionHandle>(description);
  sequenceData_ = data;
  sequenceArea_ = area;
  sequenceFrames_ = 0;
  sequenceSpatial_ = spatial.spatialQuality;
  sequenceTemporal_ = image_.temporal.temporalQuality;
  if (desc != nullptr) *desc = sequenceDesc_;
  if (IsDefaultProgress(progress_)) DrawProgressCount(kProgressLabel, 0, "frames", false);
  return noErr;
}

OSErr StandardCompression::SequenceFrame(PixMapHandle src, const Rect* area, Handle* data,
                                         long* dataSize, short* notSyncFlag) {
  if (sequence_ == 0) return paramErr;
  long bufferSize = 0;
  const SCSpatialSettings& spatial = image_.spatial;
  OSErr err = GetMaxCompressionSize(src, &sequenceArea_, spatial.depth, spatial.spatialQuality,
                                    spatial.codecType, spatial.codec, &bufferSize);
  if (err == noErr) err = ResizeHandle(sequenceData_, bufferSize);
  long size = 0;
  UInt8 similarity = 0;
  if (err == noErr) {
    err = CompressSequenceFrame(sequence_, src, area != nullptr ? area : &sequenceArea_,
                                codecFlags_, *sequenceData_, &size, &similarity, nullptr);
  }
  if (err == noErr) err = ResizeHandle(sequenceData_, size);
  if (err == noErr) err = KeepToDataRate(size);
  if (err != noErr) return err;
  *data = sequenceData_;
  *dataSize = size;
  if (notSyncFlag != nullptr) *notSyncFlag = similarity != 0 ? mediaSampleNotSync : 0;
  ++sequenceFrames_;
  if (IsDefaultProgress(progress_)) {
    DrawProgressCount(kProgressLabel, sequenceFrames_, "frames", false);
  }
  return noErr;
}

namespace {

// A quality one step towards `goal`, never past it.
CodecQ StepTowards(CodecQ quality, CodecQ goal) {
  constexpr CodecQ kStep = 0x80;
  if (quality > goal) return quality - std::min(kStep, quality - goal);
  return quality + std::min(kStep, goal - quality);
}

}  // namespace

OSErr StandardCompression::KeepToDataRate(long frameBytes) {
  const SCDataRateSettings& rate = image_.dataRate;
  if (rate.dataRate <= 0 || rate.frameDuration <= 0) return noErr;
  long long budget = static_cast<long long>(rate.dataRate) * rate.frameDuration / 1000;
  CodecQ spatialTop = image_.spatial.spatialQuality;
  CodecQ temporalTop = image_.temporal.temporalQuality;
  CodecQ spatial = sequenceSpatial_;
  CodecQ temporal = sequenceTemporal_;
  if (frameBytes > budget) {
    spatial = StepTowards(spatial, std::min(rate.minSpatialQuality, spatialTop));
    temporal = StepTowards(temporal, std::min(rate.minTemporalQuality, temporalTop));
  } else if (frameBytes < budget / 2) {
    spatial = StepTowards(spatial, spatialTop);
    temporal = StepTowards(temporal, temporalTop);
  }
  if (spatial == sequenceSpatial_ && temporal == sequenceTemporal_) return noErr;
  OSErr err = SetCSequenceQuality(sequence_, spatial, temporal);
  if (err != noErr) return err;
  sequenceSpatial_ = spatial;
  sequenceTemporal_ = temporal;
  return noErr;
}

OSErr StandardCompression::EndSequence() {
  if (sequence_ == 0) return paramErr;
  OSErr err = CDSequenceEnd(sequence_);
  FreeHandle(reinterpret_cast<Handle>(sequenceDesc_));
  FreeHandle(sequenceData_);
  sequence_ = 0;
  sequenceDesc_ = nullptr;
  sequenceData_ = nullptr;
  if (IsDefaultProgress(progress_)) {
    DrawProgressCount(kProgressLabel, sequenceFrames_, "frames", true);
  }
  return err;
}

}  // namespace qtml

using qtml::ApiCall;
using qtml::FourCC;
using qtml::Guarded;

// Every call: the trace and fault, then the component, then the work.
#define SC_ENTER(selector)                                                    \
  if (OSErr fault = call.Fault()) return call.Return<ComponentResult>(fault); \
  ComponentResult result = noErr;                                             \
  qtml::StandardCompression* sc = qtml::Enter(ci, selector, &result);         \
  if (sc == nullptr) return call.Return(result);

extern "C" {

ComponentResult SCGetInfo(ComponentInstance ci, OSType infoType, void* info) try {
  ApiCall call("SCGetInfo", ci, FourCC{infoType}, info);
  SC_ENTER(kSCGetInfoSelect)
  return call.Return<ComponentResult>(sc->GetInfo(infoType, info));
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

ComponentResult SCSetInfo(ComponentInstance ci, OSType infoType, void* info) try {
  ApiCall call("SCSetInfo", ci, FourCC{infoType}, info);
  SC_ENTER(kSCSetInfoSelect)
  return call.Return<ComponentResult>(sc->SetInfo(infoType, info));
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

ComponentResult SCGetSettingsAsAtomContainer(ComponentInstance ci, QTAtomContainer* settings) try {
  ApiCall call("SCGetSettingsAsAtomContainer", ci, settings);
  if (settings != nullptr) *settings = nullptr;
  SC_ENTER(kSCGetSettingsAsAtomContainerSelect)
  if (settings == nullptr) return call.Return<ComponentResult>(paramErr);
  return call.Return<ComponentResult>(
      Guarded<OSErr>(memFullErr, [&] { return sc->SettingsAsContainer(settings); }));
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

ComponentResult SCSetSettingsFromAtomContainer(ComponentInstance ci, QTAtomContainer settings) try {
  ApiCall call("SCSetSettingsFromAtomContainer", ci, settings);
  SC_ENTER(kSCSetSettingsFromAtomContainerSelect)
  if (settings == nullptr) return call.Return<ComponentResult>(paramErr);
  return call.Return<ComponentResult>(
      Guarded<OSErr>(memFullErr, [&] { return sc->SetSettingsFromContainer(settings); }));
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

ComponentResult SCGetSettingsAsText(ComponentInstance ci, Handle* text) try {
  ApiCall call("SCGetSettingsAsText", ci, text);
  if (text != nullptr) *text = nullptr;
  SC_ENTER(kSCGetSettingsAsTextSelect)
  if (text == nullptr) return call.Return<ComponentResult>(paramErr);
  return call.Return<ComponentResult>(Guarded<OSErr>(memFullErr, [&] {
    std::string words = sc->SettingsAsText();
    OSErr err = noErr;
    Handle h = qtml::NewHandleBytes(static_cast<Size>(words.size()), false, &err);
    if (h == nullptr) return err != noErr ? err : OSErr{memFullErr};
    std::memcpy(*h, words.data(), words.size());
    *text = h;
    return OSErr{noErr};
  }));
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

ComponentResult SCRequestImageSettings(ComponentInstance ci) try {
  ApiCall call("SCRequestImageSettings", ci);
  SC_ENTER(kSCRequestImageSettingsSelect)
  return call.Return<ComponentResult>(
      Guarded<OSErr>(memFullErr, [&] { return sc->RequestSettings(false); }));
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

ComponentResult SCRequestSequenceSettings(ComponentInstance ci) try {
  ApiCall call("SCRequestSequenceSettings", ci);
  SC_ENTER(kSCRequestSequenceSettingsSelect)
  return call.Return<ComponentResult>(
      Guarded<OSErr>(memFullErr, [&] { return sc->RequestSettings(true); }));
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

ComponentResult SCSetTestImagePixMap(ComponentInstance ci, PixMapHandle testPixMap,
                                     const Rect* testRect, short testFlags) try {
  ApiCall call("SCSetTestImagePixMap", ci, testPixMap, testRect, testFlags);
  SC_ENTER(kSCSetTestImagePixMapSelect)
  return call.Return<ComponentResult>(Guarded<OSErr>(
      memFullErr, [&] { return sc->SetTestImage(testPixMap, testRect, testFlags); }));
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

ComponentResult SCDefaultPixMapSettings(ComponentInstance ci, PixMapHandle src,
                                        Boolean motion) try {
  ApiCall call("SCDefaultPixMapSettings", ci, src, motion);
  SC_ENTER(kSCDefaultPixMapSettingsSelect)
  if (src == nullptr || *src == nullptr) return call.Return<ComponentResult>(paramErr);
  sc->DefaultSettingsFor(**src, motion != 0);
  return call.Return<ComponentResult>(noErr);
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

ComponentResult SCPositionRect(ComponentInstance ci, Rect* rp, Point* where) try {
  ApiCall call("SCPositionRect", ci, rp, where);
  SC_ENTER(kSCPositionRectSelect)
  if (rp == nullptr) return call.Return<ComponentResult>(paramErr);
  GDHandle screen = GetMainDevice();
  if (screen == nullptr) return call.Return<ComponentResult>(paramErr);
  const Rect& area = (**screen).gdRect;
  int width = rp->right - rp->left;
  int height = rp->bottom - rp->top;
  int left = area.left + (area.right - area.left - width) / 2;
  int top = area.top + (area.bottom - area.top - height) / 2;
  *rp = Rect{static_cast<short>(top), static_cast<short>(left), static_cast<short>(top + height),
             static_cast<short>(left + width)};
  if (where != nullptr) *where = Point{rp->top, rp->left};
  return call.Return<ComponentResult>(noErr);
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

ComponentResult SCCompressImage(ComponentInstance ci, PixMapHandle src, const Rect* srcRect,
                                ImageDescriptionHandle* desc, Handle* data) try {
  ApiCall call("SCCompressImage", ci, src, srcRect, desc, data);
  if (desc != nullptr) *desc = nullptr;
  if (data != nullptr) *data = nullptr;
  SC_ENTER(kSCCompressImageSelect)
  if (src == nullptr || *src == nullptr || desc == nullptr || data == nullptr) {
    return call.Return<ComponentResult>(paramErr);
  }
  Rect area = srcRect != nullptr ? *srcRect : (**src).bounds;
  return call.Return<ComponentResult>(Guarded<OSErr>(
      memFullErr, [&] { return sc->CompressImage(src, area, sc->Image(), desc, data, true); }));
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

ComponentResult SCCompressSequenceBegin(ComponentInstance ci, PixMapHandle src, const Rect* srcRect,
                                        ImageDescriptionHandle* desc) try {
  ApiCall call("SCCompressSequenceBegin", ci, src, srcRect, desc);
  if (desc != nullptr) *desc = nullptr;
  SC_ENTER(kSCCompressSequenceBeginSelect)
  if (src == nullptr || *src == nullptr) return call.Return<ComponentResult>(paramErr);
  Rect area = srcRect != nullptr ? *srcRect : (**src).bounds;
  return call.Return<ComponentResult>(
      Guarded<OSErr>(memFullErr, [&] { return sc->BeginSequence(src, area, desc); }));
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

ComponentResult SCCompressSequenceFrame(ComponentInstance ci, PixMapHandle src, const Rect* srcRect,
                                        Handle* data, long* dataSize, short* notSyncFlag) try {
  ApiCall call("SCCompressSequenceFrame", ci, src, srcRect, data, dataSize, notSyncFlag);
  if (data != nullptr) *data = nullptr;
  if (dataSize != nullptr) *dataSize = 0;
  if (notSyncFlag != nullptr) *notSyncFlag = 0;
  SC_ENTER(kSCCompressSequenceFrameSelect)
  if (src == nullptr || *src == nullptr || data == nullptr || dataSize == nullptr) {
    return call.Return<ComponentResult>(paramErr);
  }
  return call.Return<ComponentResult>(Guarded<OSErr>(
      memFullErr, [&] { return sc->SequenceFrame(src, srcRect, data, dataSize, notSyncFlag); }));
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

ComponentResult SCCompressSequenceEnd(ComponentInstance ci) try {
  ApiCall call("SCCompressSequenceEnd", ci);
  SC_ENTER(kSCCompressSequenceEndSelect)
  return call.Return<ComponentResult>(sc->EndSequence());
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

}  // extern "C"
