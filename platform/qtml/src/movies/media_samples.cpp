// Samples: adding them to a media (their bytes into the store of the
// description's data reference), reading them back, numbering them, and
// the media's sample descriptions.
#include <algorithm>
#include <climits>
#include <cstring>

#include "base/byte_order.h"
#include "data/data_refs.h"
#include "memory/memory.h"
#include "movies/movie_calls.h"
#include "movies/movie_edit_list.h"
#include "movies/sample_descriptions.h"

namespace qtml {
namespace {

constexpr size_t kDescriptionHeader = 16;  // bytes, its data reference index last

// The description's index in the media, added when it is new; 0 with
// *err for a handle that is not a description.
UInt32 DescriptionIndexFor(MediaRecord& media, SampleDescriptionHandle desc, OSErr* err) {
  auto handle = reinterpret_cast<Handle>(desc);
  if (handle == nullptr || CheckHandle(handle) != noErr ||
      HandleSize(handle) < static_cast<Size>(sizeof(SampleDescription))) {
    *err = paramErr;
    return 0;
  }
  std::vector<uint8_t> bytes = DescriptionToFileBytes(media.type, handle);
  if (bytes.size() < kDescriptionHeader) {
    *err = invalidSampleDescription;
    return 0;
  }
  if (DescriptionDataRefIndex(bytes) == 0) SetDescriptionDataRefIndex(bytes, 1);
  // Time code media hold time code samples alone: a description without a
  // format describes them.
  if (media.type == TimeCodeMediaType && ReadBE32(&bytes[4]) == 0) {
    WriteBE32(&bytes[4], TimeCodeMediaType);
  }
  if (DescriptionDataRefIndex(bytes) > media.dataRefs.size()) {
    *err = badDataRefIndex;
    return 0;
  }
  auto& all = media.descriptions;
  auto found = std::find(all.begin(), all.end(), bytes);
  if (found != all.end()) return static_cast<UInt32>(found - all.begin() + 1);
  all.push_back(std::move(bytes));
  return static_cast<UInt32>(all.size());
}

// The packing of a description's sound frames when packets hold several
// (compressed sound); none otherwise.
SamplePacking CompressedPacking(const MediaRecord& media, UInt32 description) {
  SamplePacking packing;
  if (media.type != SoundMediaType ||
      !SoundPackingOf(media.descriptions[description - 1], &packing) || packing.frames < 2) {
    return {};
  }
  return packing;
}

// Appends numberOfSamples samples stored back to back in size bytes from
// offset on: equal shares of the bytes, the last taking what is left; or,
// for compressed sound, frames in packets as the description packs them.
OSErr AppendSamples(MediaRecord& media, SInt64 offset, unsigned long size,
                    TimeValue durationPerSample, UInt32 description, long numberOfSamples,
                    short sampleFlags, TimeValue* sampleTime) {
  TimeValue start = MediaDuration(media);
  SampleRunSpec run;
  run.offset = offset;
  run.duration = durationPerSample;
  run.sync = (sampleFlags & mediaSampleNotSync) == 0;
  run.description = description;
  run.packing = CompressedPacking(media, description);
  if (run.packing.packed()) {
    run.count = static_cast<uint64_t>(numberOfSamples);
    run.size = 1;
    media.samples.Append(run);
  } else {
    UInt32 each = static_cast<UInt32>(size / numberOfSamples);
    run.count = static_cast<uint64_t>(numberOfSamples) - 1;
    run.size = each;
    media.samples.Append(run);
    run.offset += static_cast<SInt64>(each) * (numberOfSamples - 1);
    run.count = 1;
    run.size = static_cast<UInt32>(size - static_cast<unsigned long>(each) * (numberOfSamples - 1));
    media.samples.Append(run);
  }
  if (sampleTime != nullptr) *sampleTime = start;
  media.modificationTime = MacSecondsNow();
  if (media.track != nullptr && media.track->movie != nullptr) media.track->movie->changed = true;
  return noErr;
}

OSErr CheckSampleArguments(TimeValue durationPerSample, long numberOfSamples) {
  return durationPerSample <= 0 || numberOfSamples <= 0 ? paramErr : noErr;
}

// Copies description `index` into descH as a native handle would hold it.
OSErr CopyDescription(MediaRecord& media, long index, SampleDescriptionHandle descH) {
  if (index < 1 || index > static_cast<long>(media.descriptions.size())) {
    return invalidSampleDescIndex;
  }
  auto out = reinterpret_cast<Handle>(descH);
  if (CheckHandle(out) != noErr) return paramErr;
  Handle native = DescriptionFromFileBytes(media.type, media.descriptions[index - 1]);
  if (native == nullptr) return memFullErr;
  OSErr err = SetHandleBytes(out, *native, HandleSize(native));
  FreeHandle(native);
  return err;
}

// Reads a sample's bytes into the handle (resized to fit).
OSErr ReadSample(MediaRecord& media, const SampleEntry& sample, Handle dataOut,
                 long maxSizeToGrow) {
  if (maxSizeToGrow > 0 && static_cast<long>(sample.size) > maxSizeToGrow) {
    return maxSizeToGrowTooSmall;
  }
  OSErr err = noErr;
  DataStore* store = DescriptionStore(media, sample.descriptionIndex, false, &err);
  if (store == nullptr) return err;
  if (CheckHandle(dataOut) != noErr) return paramErr;
  if ((err = ResizeHandle(dataOut, static_cast<Size>(sample.size))) != noErr) return err;
  if (sample.size > 0 && !store->Read(sample.offset, *dataOut, sample.size)) {
    return StoreError(*store, ioErr);
  }
  return noErr;
}

}  // namespace

OSErr AddSampleBytes(MediaRecord& media, const void* bytes, unsigned long size,
                     TimeValue durationPerSample, SampleDescriptionHandle description,
                     long numberOfSamples, short sampleFlags, TimeValue* sampleTime) {
  if (OSErr err = CheckSampleArguments(durationPerSample, numberOfSamples)) return err;
  return Guarded<OSErr>(memFullErr, [&] {
    OSErr inner = noErr;
    UInt32 index = DescriptionIndexFor(media, description, &inner);
    if (index == 0) return inner;
    DataStore* store = DescriptionStore(media, index, true, &inner);
    if (store == nullptr) return inner;
    SInt64 offset = store->Append(bytes, static_cast<SInt64>(size));
    if (offset < 0) return StoreError(*store, dataNotOpenForWrite);
    return AppendSamples(media, offset, size, durationPerSample, index, numberOfSamples,
                         sampleFlags, sampleTime);
  });
}

}  // namespace qtml

using qtml::ApiCall;
using qtml::EnterMedia;
using qtml::MediaRecord;
using qtml::SetMoviesError;

extern "C" {

QTML_API OSErr BeginMediaEdits(Media theMedia) try {
  ApiCall call("BeginMediaEdits", theMedia);
  MediaRecord* media = EnterMedia(call, theMedia);
  if (media == nullptr) return call.Return(GetMoviesError());
  media->editing = true;
  return call.Return(qtml::Result(noErr));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API OSErr EndMediaEdits(Media theMedia) try {
  ApiCall call("EndMediaEdits", theMedia);
  MediaRecord* media = EnterMedia(call, theMedia);
  if (media == nullptr) return call.Return(GetMoviesError());
  media->editing = false;
  return call.Return(qtml::Result(noErr));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API OSErr AddMediaSample(Media theMedia, Handle dataIn, long inOffset, unsigned long size,
                              TimeValue durationPerSample,
                              SampleDescriptionHandle sampleDescriptionH, long numberOfSamples,
                              short sampleFlags, TimeValue* sampleTime) try {
  ApiCall call("AddMediaSample", theMedia, dataIn, inOffset, size, durationPerSample,
               sampleDescriptionH, numberOfSamples, sampleFlags);
  MediaRecord* media = EnterMedia(call, theMedia);
  if (media == nullptr) return call.Return(GetMoviesError());
  OSErr err = qtml::CheckSampleArguments(durationPerSample, numberOfSamples);
  if (err == noErr &&
      (qtml::CheckHandle(dataIn) != noErr || inOffset < 0 ||
       static_cast<SInt64>(inOffset) + static_cast<SInt64>(size) > qtml::HandleSize(dataIn))) {
    err = paramErr;
  }
  if (err != noErr) return call.Return(qtml::Result(err));
  err = qtml::AddSampleBytes(*media, *dataIn + inOffset, size, durationPerSample,
                             sampleDescriptionH, numberOfSamples, sampleFlags, sampleTime);
  return call.Return(qtml::Result(err));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API OSErr AddMediaSampleReference(Media theMedia, long dataOffset, unsigned long size,
                                       TimeValue durationPerSample,
                                       SampleDescriptionHandle sampleDescriptionH,
                                       long numberOfSamples, short sampleFlags,
                                       TimeValue* sampleTime) try {
  ApiCall call("AddMediaSampleReference", theMedia, dataOffset, size, durationPerSample,
               sampleDescriptionH, numberOfSamples, sampleFlags);
  MediaRecord* media = EnterMedia(call, theMedia);
  if (media == nullptr) return call.Return(GetMoviesError());
  OSErr err = qtml::CheckSampleArguments(durationPerSample, numberOfSamples);
  if (err == noErr && dataOffset < 0) err = paramErr;
  if (err != noErr) return call.Return(qtml::Result(err));
  err = qtml::Guarded<OSErr>(memFullErr, [&] {
    OSErr inner = noErr;
    UInt32 description = qtml::DescriptionIndexFor(*media, sampleDescriptionH, &inner);
    if (description == 0) return inner;
    return qtml::AppendSamples(*media, dataOffset, size, durationPerSample, description,
                               numberOfSamples, sampleFlags, sampleTime);
  });
  return call.Return(qtml::Result(err));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API long GetMediaSampleCount(Media theMedia) try {
  ApiCall call("GetMediaSampleCount", theMedia);
  MediaRecord* media = EnterMedia(call, theMedia);
  if (media == nullptr) return call.Return<long>(0);
  SetMoviesError(noErr);
  return call.Return(static_cast<long>(std::min<uint64_t>(media->samples.Count(), LONG_MAX)));
} catch (...) {
  return qtml::Escaped<long>();
}

QTML_API long GetMediaSampleDescriptionCount(Media theMedia) try {
  ApiCall call("GetMediaSampleDescriptionCount", theMedia);
  MediaRecord* media = EnterMedia(call, theMedia);
  if (media == nullptr) return call.Return<long>(0);
  SetMoviesError(noErr);
  return call.Return(static_cast<long>(media->descriptions.size()));
} catch (...) {
  return qtml::Escaped<long>();
}

QTML_API void GetMediaSampleDescription(Media theMedia, long index,
                                        SampleDescriptionHandle descH) try {
  ApiCall call("GetMediaSampleDescription", theMedia, index, descH);
  MediaRecord* media = EnterMedia(call, theMedia);
  if (media == nullptr) return;
  SetMoviesError(qtml::Guarded<OSErr>(memFullErr,
                                      [&] { return qtml::CopyDescription(*media, index, descH); }));
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API OSErr GetMediaSample(Media theMedia, Handle dataOut, long maxSizeToGrow, long* size,
                              TimeValue time, TimeValue* sampleTime, TimeValue* durationPerSample,
                              SampleDescriptionHandle sampleDescriptionH,
                              long* sampleDescriptionIndex, long maxNumberOfSamples,
                              long* numberOfSamples, short* sampleFlags) try {
  ApiCall call("GetMediaSample", theMedia, dataOut, maxSizeToGrow, time, maxNumberOfSamples);
  (void)maxNumberOfSamples;  // one sample a call
  MediaRecord* media = EnterMedia(call, theMedia);
  if (media == nullptr) return call.Return(GetMoviesError());
  qtml::SamplePosition at = qtml::SampleAt(*media, time);
  if (at.index < 0) return call.Return(qtml::Result(invalidTime));
  // Sound frames packed several to a packet come a packet at a time.
  qtml::SampleTable::Packet packet = media->samples.PacketOf(static_cast<uint64_t>(at.index));
  const qtml::SampleEntry sample = media->samples.At(packet.first);
  OSErr err = qtml::Guarded<OSErr>(memFullErr, [&] {
    OSErr inner = noErr;
    if (dataOut != nullptr) inner = qtml::ReadSample(*media, sample, dataOut, maxSizeToGrow);
    if (inner == noErr && sampleDescriptionH != nullptr) {
      inner = qtml::CopyDescription(*media, sample.descriptionIndex, sampleDescriptionH);
    }
    return inner;
  });
  if (err == noErr) {
    if (size != nullptr) *size = static_cast<long>(sample.size);
    if (sampleTime != nullptr) *sampleTime = qtml::Clamp(media->samples.StartOf(packet.first));
    if (durationPerSample != nullptr) *durationPerSample = sample.duration;
    if (sampleDescriptionIndex != nullptr) *sampleDescriptionIndex = sample.descriptionIndex;
    if (numberOfSamples != nullptr) *numberOfSamples = static_cast<long>(packet.count);
    if (sampleFlags != nullptr) *sampleFlags = sample.sync ? 0 : mediaSampleNotSync;
  }
  return call.Return(qtml::Result(err));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API OSErr GetMediaSampleReferences(Media theMedia, TimeValue time, TimeValue* sampleTime,
                                        SampleDescriptionHandle sampleDescriptionH,
                                        long* sampleDescriptionIndex, long maxNumberOfEntries,
                                        long* actualNumberofEntries,
                                        SampleReferencePtr sampleRefs) try {
  ApiCall call("GetMediaSampleReferences", theMedia, time, maxNumberOfEntries);
  MediaRecord* media = EnterMedia(call, theMedia);
  if (media == nullptr) return call.Return(GetMoviesError());
  if (maxNumberOfEntries < 0 || (maxNumberOfEntries > 0 && sampleRefs == nullptr)) {
    return call.Return(qtml::Result(paramErr));
  }
  qtml::SamplePosition at = qtml::SampleAt(*media, time);
  if (at.index < 0) return call.Return(qtml::Result(invalidTime));
  qtml::SampleTable::Walker walk(media->samples, static_cast<uint64_t>(at.index));
  UInt32 description = walk.description();
  long count = 0;
  // Every record answered shares the first sample's description.
  while (count < maxNumberOfEntries && walk.description() == description) {
    qtml::SampleEntry sample = walk.entry();
    sampleRefs[count++] = {static_cast<long>(sample.offset), static_cast<long>(sample.size),
                           sample.duration, 1,
                           static_cast<short>(sample.sync ? 0 : mediaSampleNotSync)};
    if (!walk.Next()) break;
  }
  OSErr err = noErr;
  if (sampleDescriptionH != nullptr) {
    err = qtml::Guarded<OSErr>(
        memFullErr, [&] { return qtml::CopyDescription(*media, description, sampleDescriptionH); });
  }
  if (sampleTime != nullptr) *sampleTime = at.start;
  if (sampleDescriptionIndex != nullptr) *sampleDescriptionIndex = description;
  if (actualNumberofEntries != nullptr) *actualNumberofEntries = count;
  return call.Return(qtml::Result(err));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API void SampleNumToMediaTime(Media theMedia, long logicalSampleNum, TimeValue* sampleTime,
                                   TimeValue* sampleDuration) try {
  ApiCall call("SampleNumToMediaTime", theMedia, logicalSampleNum);
  MediaRecord* media = EnterMedia(call, theMedia);
  if (sampleTime != nullptr) *sampleTime = -1;
  if (sampleDuration != nullptr) *sampleDuration = 0;
  if (media == nullptr) return;
  if (logicalSampleNum < 1 || static_cast<uint64_t>(logicalSampleNum) > media->samples.Count()) {
    return SetMoviesError(invalidSampleNum);
  }
  qtml::SampleTable::Walker sample(media->samples, static_cast<uint64_t>(logicalSampleNum) - 1);
  if (sampleTime != nullptr) *sampleTime = qtml::Clamp(sample.start());
  if (sampleDuration != nullptr) *sampleDuration = sample.duration();
  SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API void MediaTimeToSampleNum(Media theMedia, TimeValue time, long* sampleNum,
                                   TimeValue* sampleTime, TimeValue* sampleDuration) try {
  ApiCall call("MediaTimeToSampleNum", theMedia, time);
  MediaRecord* media = EnterMedia(call, theMedia);
  if (sampleNum != nullptr) *sampleNum = 0;
  if (sampleTime != nullptr) *sampleTime = -1;
  if (sampleDuration != nullptr) *sampleDuration = 0;
  if (media == nullptr) return;
  qtml::SamplePosition at = qtml::SampleAt(*media, time);
  if (at.index < 0) return SetMoviesError(invalidTime);
  if (sampleNum != nullptr) *sampleNum = at.index + 1;
  if (sampleTime != nullptr) *sampleTime = at.start;
  if (sampleDuration != nullptr) {
    *sampleDuration = media->samples.At(static_cast<uint64_t>(at.index)).duration;
  }
  SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

}  // extern "C"
