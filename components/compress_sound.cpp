// FenraCompressSound: the standard sound compressor, writing a track's
// sound as an AIFF file with its settings.
#include <new>

#include "components/compressors.h"
#include "components/exporters.h"
#include "components/service_glue.h"
#include "components/service_settings.h"
#include "movie/container.h"
#include "plugin/bridges.h"
#include "plugin/class_list.h"
#include "plugin/glue.h"
#include "plugin/registration.h"
#include "values/time_range.h"

namespace fenra {

void SoundCompressor::Reset() {
  typeText[0] = '\0';
  if (!IsValid()) return;
  defaultFileType = fileType = serviceType;
  if (settings == nullptr) err = SCGetSettingsAsAtomContainer(instance, &settings);
  defaultFileCreator = fileCreator = kServiceCreator;
}

bool SoundCompressor::GetSoundSettings(SoundDescNative* desc) {
  return IsValid() && ReadSoundSettings(settings, desc);
}

void SoundCompressor::SetSoundSettings(const SoundDescNative& desc) {
  if (!IsValid()) return;
  if (settings == nullptr) {
    err = SCGetSettingsAsAtomContainer(instance, &settings);
    if (err != noErr) return;
  }
  err = WriteSoundSettings(settings, desc);
  if (err == noErr) err = SCSetSettingsFromAtomContainer(instance, settings);
}

namespace {

void DestroySoundCompressor(REALobject instance) {
  DestroyNative<SoundCompressor>(instance);
}

void NewSound(REALobject instance) {
  auto* native = new (std::nothrow) SoundCompressor;
  if (native == nullptr) return;
  native->Open();
  SetNative(instance, native);
}

void NewSoundCopy(REALobject instance, REALobject other) {
  if (other == nullptr) return;
  auto* source = ServiceAs<SoundCompressor>(other);
  if (source == nullptr) return;
  auto* native = new (std::nothrow) SoundCompressor;
  if (native == nullptr) return;
  native->OpenCopyOf(*source);
  native->Reset();
  native->SetPreferenceFlags(0);
  SetNative(instance, native);
}

void NewSoundFromFile(REALobject instance, REALfolderItem file) {
  if (file == nullptr) {
    NewSound(instance);
    return;
  }
  auto* native = new (std::nothrow) SoundCompressor;
  if (native == nullptr) return;
  native->Open();
  if (native->IsValid()) {
    native->Read(FolderItemPath(file));
    int32_t read = native->err;
    native->Reset();
    if (read != noErr) native->err = read;
  }
  SetNative(instance, native);
}

REALobject GetSoundSettings(REALobject instance, intptr_t) {
  auto* native = ServiceAs<SoundCompressor>(instance);
  if (native == nullptr || !native->IsValid()) return nullptr;
  auto* desc = new (std::nothrow) SoundDescNative;
  if (desc == nullptr) return nullptr;
  REALobject object = native->GetSoundSettings(desc) ? NewInstanceOf("FenraSoundDesc") : nullptr;
  if (object == nullptr) {
    delete desc;
    return nullptr;
  }
  AttachNative(object, desc, false);
  return object;
}

void SetSoundSettings(REALobject instance, intptr_t, REALobject value) {
  auto* native = ServiceAs<SoundCompressor>(instance);
  if (native == nullptr || !native->IsValid() || value == nullptr) return;
  auto* desc = dynamic_cast<SoundDescNative*>(GetNativeObject(value));
  if (desc == nullptr || !desc->IsValid()) {
    native->err = kParamErr;
    return;
  }
  native->SetSoundSettings(*desc);
}

constexpr OSType kAIFFType = 'AIFF';

void CompressTrackSound(REALobject instance, REALobject trackObject, REALobject range,
                        REALfolderItem dst) {
  auto* native = ServiceAs<SoundCompressor>(instance);
  if (native == nullptr || !native->IsValid()) return;
  Track track = trackObject != nullptr ? TrackOfObject(trackObject) : nullptr;
  if (track == nullptr || TrackMediaType(track) != SoundMediaType) {
    native->err = invalidTrack;
    return;
  }
  if (dst == nullptr) {
    native->err = kParamErr;
    return;
  }
  ComponentDescription looking{MovieExportType, kAIFFType, SoundMediaType, 0, 0};
  Component found = FindNextComponent(nullptr, &looking);
  if (found == nullptr) {
    native->err = cantFindHandler;
    return;
  }
  auto* exporter = new (std::nothrow) MovieExporter;
  if (exporter == nullptr) {
    native->err = kNoNativeErr;
    return;
  }
  exporter->err = OpenAComponent(found, &exporter->instance);
  if (exporter->err != noErr) exporter->instance = nullptr;
  exporter->Reset();
  if (!exporter->IsValid()) {
    native->err = exporter->err != noErr ? exporter->err : kParamErr;
    delete exporter;
    return;
  }
  if (native->progress != nullptr) {
    exporter->SetProgress(native->progress);
  } else {
    exporter->SetDefaultCallback(native->defaultCallback);
  }
  SoundDescNative sound;
  if (native->GetSoundSettings(&sound)) exporter->SetSoundSettings(sound);
  native->err = exporter->err;
  if (native->err == noErr) {
    const TimeRangeNative* r = range != nullptr ? GetNative<TimeRangeNative>(range) : nullptr;
    exporter->Export(nullptr, track, r, dst);
    native->err = exporter->err;
  }
  delete exporter;
}

REALproperty gProperties[] = {
    Property<"soundSettings", "FenraSoundDesc", GetSoundSettings, SetSoundSettings>(0),
    Property<"dlgIsMovableModal", "boolean", GetPreferenceFlag, SetPreferenceFlag>(
        scUseMovableModal),
};

REALmethodDefinition gMethods[] = {
    Method<NewSound, "FenraCompressSound()">(),
    Method<NewSoundCopy, "FenraCompressSound(compressor as FenraCompressSound)">(),
    Method<NewSoundFromFile, "FenraCompressSound(fSettings as folderitem)">(),
    Method<CompressTrackSound,
           "DoService(tk as FenraTrack,tmSel as FenraTimeRange,dst as folderitem)">(),
};

}  // namespace

REALclassDefinition gFenraCompressSoundClass = DefineClass(
    "FenraCompressSound", "FenraComponentService", 0, InstanceProc<NoOpInstanceProc>(),
    InstanceProc<DestroySoundCompressor>(), {.properties = gProperties, .methods = gMethods});

}  // namespace fenra
