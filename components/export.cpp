// FenraExportImage and FenraExportMovie: graphics and movie exporters as
// component services.
#include <cstring>
#include <new>

#include "FixMath.h"
#include "MacMemory.h"
#include "components/compressors.h"
#include "components/discovery.h"
#include "components/exporters.h"
#include "components/service_glue.h"
#include "components/service_settings.h"
#include "movie/container.h"
#include "movie/frame_render.h"
#include "movie/movie.h"
#include "movie/user_data.h"
#include "plugin/bridges.h"
#include "plugin/class_list.h"
#include "plugin/glue.h"
#include "plugin/host_services.h"
#include "plugin/registration.h"
#include "plugin/settings_file.h"
#include "values/time_range.h"

namespace fenra {

int32_t SubtypeAsFlags(OSType subtype) {
  return static_cast<int32_t>(__builtin_bswap32(subtype));
}

OSType FlagsAsSubtype(int32_t flags) {
  return __builtin_bswap32(static_cast<uint32_t>(flags));
}

namespace {

// A new heap string (delete[]) holding the handle's text; null when the
// handle is empty or cannot be read.
char* CopyHandleText(Handle text, int32_t* err) {
  Size size = 0;
  *err = HandleSize(text, &size);
  if (*err != noErr) return nullptr;
  auto* copy = new (std::nothrow) char[size + 1];
  if (copy == nullptr) {
    *err = kNoNativeErr;
    return nullptr;
  }
  std::memcpy(copy, *text, static_cast<size_t>(size));
  copy[size] = '\0';
  return copy;
}

}  // namespace

// ---- ImageExporter ----

void ImageExporter::Reset() {
  extension = 0;
  typeText[0] = '\0';
  if (!IsValid()) return;
  if (settings == nullptr) err = GraphicsExportGetSettingsAsAtomContainer(instance, &settings);
  hasGUI = CallComponentCanDo(instance, kGraphicsExportRequestSettingsSelect) > 0;
  GraphicsExportGetDefaultFileTypeAndCreator(instance, &defaultFileType, &defaultFileCreator);
  GraphicsExportGetOutputFileTypeAndCreator(instance, &fileType, &fileCreator);
  OSType code = 0;
  if (GraphicsExportGetDefaultFileNameExtension(instance, &code) == noErr) extension = code;
  if (preferenceFlags == 0) preferenceFlags = SubtypeAsFlags(Subtype());
}

void ImageExporter::SetFileType(OSType type) {
  if (!IsValid()) return;
  err = GraphicsExportSetOutputFileTypeAndCreator(instance, type, fileCreator);
  if (err == noErr) fileType = type;
}

void ImageExporter::SetFileCreator(OSType creator) {
  if (!IsValid()) return;
  err = GraphicsExportSetOutputFileTypeAndCreator(instance, fileType, creator);
  if (err == noErr) fileCreator = creator;
}

void ImageExporter::SetProgress(const ProgressCallbackNative* callback) {
  ComponentService::SetProgress(callback);
  if (!IsValid()) return;
  if (progress != nullptr) {
    progressAdapter = ImageProgressAdapter;
    progressRecord = ICMProgressProcRecord{progressAdapter, reinterpret_cast<long>(progress)};
    err = GraphicsExportSetProgressProc(instance, &progressRecord);
  } else {
    progressAdapter = nullptr;
    err = GraphicsExportSetProgressProc(instance, nullptr);
  }
}

bool ImageExporter::ShowDialog() {
  if (!IsValid()) return false;
  err = GraphicsExportRequestSettings(instance, nullptr, nullptr);
  if (err != noErr) return false;
  QTAtomContainer chosen = nullptr;
  err = GraphicsExportGetSettingsAsAtomContainer(instance, &chosen);
  if (err == noErr) TakeSettings(chosen);
  return true;
}

void ImageExporter::GetSettingsAsText(char** text) {
  if (text == nullptr) {
    err = kParamErr;
    return;
  }
  *text = nullptr;
  if (!IsValid()) return;
  Handle handle = nullptr;
  err = GraphicsExportGetSettingsAsText(instance, &handle);
  if (err != noErr || handle == nullptr) return;
  *text = CopyHandleText(handle, &err);
  DisposeHandle(handle);
}

void ImageExporter::Read(const std::string& path) {
  if (!IsValid()) return;
  TakeSettings(nullptr);
  SettingsFile file;
  file.ReadFile(path);
  err = file.err;
  if (err == noErr) {
    if (file.TypeCode() != serviceType || file.dataCount == 0) {
      err = kFileTypeErr;
    } else {
      Handle package = nullptr;
      SettingsRecord record;
      err = file.GetRecord(1, &package, &record);
      if (err == noErr && record.flags == preferenceFlags) {
        TakeSettings(reinterpret_cast<QTAtomContainer>(package));
        if (!record.description.empty()) SetDescription(record.description.c_str());
        err = GraphicsExportSetSettingsFromAtomContainer(instance, settings);
        return;
      }
      if (package != nullptr) DisposeHandle(package);
      if (err == noErr) err = kFileTypeErr;
    }
  }
  QTAtomContainer current = nullptr;
  if (GraphicsExportGetSettingsAsAtomContainer(instance, &current) == noErr) {
    TakeSettings(current);
  }
}

bool ImageExporter::OutputBounds(Rect* bounds) const {
  if (!outputBounds.IsValid()) return false;
  const Rect& r = outputBounds.rect;
  *bounds = Rect{0, 0, static_cast<short>(r.bottom - r.top), static_cast<short>(r.right - r.left)};
  return true;
}

unsigned long ImageExporter::Export(GWorldPtr world, const FSSpec* spec, Handle output) {
  if (world == nullptr) {
    err = kParamErr;
    return 0;
  }
  err = GraphicsExportSetInputGWorld(instance, world);
  inputSet = err == noErr;
  if (err != noErr) return 0;
  if ((spec == nullptr && output == nullptr) || !inputSet) {
    err = kParamErr;
    return 0;
  }
  err = spec != nullptr ? GraphicsExportSetOutputFile(instance, spec)
                        : GraphicsExportSetOutputHandle(instance, output);
  if (err != noErr) return 0;
  if (progress == nullptr && defaultCallback) {
    GraphicsExportSetProgressProc(instance, reinterpret_cast<ICMProgressProcRecordPtr>(-1));
  }
  unsigned long size = 0;
  err = GraphicsExportDoExport(instance, &size);
  // The world is about to go: the exporter must not keep it.
  inputSet = false;
  return size;
}

// ---- MovieExporter ----

void MovieExporter::Reset() {
  typeText[0] = '\0';
  if (!IsValid()) return;
  if (settings == nullptr) err = MovieExportGetSettingsAsAtomContainer(instance, &settings);
  ComponentDescription info{};
  if (GetComponentInfo(reinterpret_cast<Component>(instance), &info, nullptr, nullptr, nullptr) ==
      noErr) {
    defaultFileType = fileType = info.componentSubType;
    hasGUI = (info.componentFlags & hasMovieExportUserInterface) != 0;
    if (preferenceFlags == 0) preferenceFlags = SubtypeAsFlags(info.componentSubType);
  }
  defaultFileCreator = fileCreator = kServiceCreator;
}

void MovieExporter::SetProgress(const ProgressCallbackNative* callback) {
  ComponentService::SetProgress(callback);
  if (progress != nullptr) {
    progressAdapter = MovieProgressAdapter;
  } else {
    progressAdapter = nullptr;
    if (IsValid()) err = MovieExportSetProgressProc(instance, nullptr, 0);
  }
}

bool MovieExporter::ShowDialog() {
  if (!IsValid() || !hasGUI) return false;
  Boolean cancelled = false;
  err = MovieExportDoUserDialog(instance, nullptr, nullptr, 0, 0, &cancelled);
  if (err != noErr) return false;
  if (!cancelled) {
    QTAtomContainer chosen = nullptr;
    err = MovieExportGetSettingsAsAtomContainer(instance, &chosen);
    if (err == noErr) TakeSettings(chosen);
  }
  return !cancelled;
}

void MovieExporter::GetSettingsAsText(char** text) {
  if (text == nullptr) return;
  *text = nullptr;
  if (settings == nullptr) return;
  std::string combined;
  bool any = false;
  if (FindRootAtom(settings, kQTSettingsVideo) != 0) {
    MovieCompressor video;
    video.Open();
    ImageDescCompNative desc;
    if (ReadImageSettings(settings, FindRootAtom(settings, kQTSettingsVideo), &desc)) {
      ApplyImageSettings(&video, desc);
    }
    char* part = nullptr;
    video.GetSettingsAsText(&part);
    if (part != nullptr) {
      combined += part;
      any = true;
      delete[] part;
    }
  }
  if (FindRootAtom(settings, kQTSettingsSound) != 0) {
    SoundCompressor sound;
    sound.Open();
    SoundDescNative desc;
    if (ReadSoundSettings(settings, &desc)) sound.SetSoundSettings(desc);
    char* part = nullptr;
    sound.GetSettingsAsText(&part);
    if (part != nullptr) {
      combined += part;
      any = true;
      delete[] part;
    }
  }
  if (!any) return;
  *text = new (std::nothrow) char[combined.size() + 1];
  if (*text == nullptr) {
    err = kNoNativeErr;
    return;
  }
  std::memcpy(*text, combined.c_str(), combined.size() + 1);
}

namespace {

constexpr QTAtomType kDescriptionAtom = 'CSDC';

void Put32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}
uint32_t Get32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

// Adds the 'CSDC' atom describing the exporter's component: type,
// subtype, manufacturer, flags and a mask of 0, big-endian.
OSErr InsertDescriptionAtom(QTAtomContainer settings, ComponentInstance instance) {
  ComponentDescription info{};
  OSErr err =
      GetComponentInfo(reinterpret_cast<Component>(instance), &info, nullptr, nullptr, nullptr);
  if (err != noErr) return err;
  uint8_t data[20] = {};
  Put32(data, info.componentType);
  Put32(data + 4, info.componentSubType);
  Put32(data + 8, info.componentManufacturer);
  Put32(data + 12, info.componentFlags);
  return QTInsertChild(settings, kParentAtomIsContainer, kDescriptionAtom, 0, 1, sizeof data, data,
                       nullptr);
}

void RemoveDescriptionAtom(QTAtomContainer settings) {
  QTAtom atom = FindRootAtom(settings, kDescriptionAtom);
  if (atom != 0) QTRemoveAtom(settings, atom);
}

bool ReadDescriptionAtom(QTAtomContainer settings, ComponentDescription* description) {
  QTAtom atom = FindRootAtom(settings, kDescriptionAtom);
  if (atom == 0) return false;
  uint8_t data[20];
  long size = 0;
  if (QTCopyAtomDataToPtr(settings, atom, false, sizeof data, data, &size) != noErr ||
      size != static_cast<long>(sizeof data)) {
    return false;
  }
  *description = ComponentDescription{Get32(data), Get32(data + 4), Get32(data + 8),
                                      Get32(data + 12), Get32(data + 16)};
  return true;
}

}  // namespace

void MovieExporter::Write(const std::string& path) {
  if (!IsValid()) return;
  SettingsFile file;
  file.Create(serviceType);
  err = file.err;
  if (err != noErr) return;
  if (path.empty() || settings == nullptr) {
    err = kParamErr;
    return;
  }
  err = InsertDescriptionAtom(settings, instance);
  if (err != noErr) return;
  Size size = 0;
  err = HandleSize(settings, &size);
  if (err == noErr) {
    HLock(settings);
    file.AddRecord(preferenceFlags, description != nullptr ? description : "", *settings, size);
    HUnlock(settings);
    err = file.err;
  }
  RemoveDescriptionAtom(settings);
  if (err != noErr) return;
  file.WriteFile(path);
  err = file.err;
}

void MovieExporter::Read(const std::string& path) {
  if (!IsValid()) return;
  TakeSettings(nullptr);
  SettingsFile file;
  file.ReadFile(path);
  err = file.err;
  bool applied = false;
  if (err == noErr) {
    if (file.TypeCode() != serviceType || file.dataCount == 0) {
      err = kFileTypeErr;
    } else {
      Handle package = nullptr;
      SettingsRecord record;
      err = file.GetRecord(1, &package, &record);
      if (err == noErr && record.flags == preferenceFlags) {
        TakeSettings(reinterpret_cast<QTAtomContainer>(package));
        if (!record.description.empty()) SetDescription(record.description.c_str());
        RemoveDescriptionAtom(settings);
        err = MovieExportSetSettingsFromAtomContainer(instance, settings);
        applied = true;
      } else if (package != nullptr) {
        DisposeHandle(package);
      }
    }
  }
  if (applied) return;
  // Another exporter's settings leave this one's as they are.
  QTAtomContainer current = nullptr;
  if (MovieExportGetSettingsAsAtomContainer(instance, &current) == noErr) TakeSettings(current);
}

void MovieExporter::OpenFromFile(const std::string& path) {
  SettingsFile file;
  file.ReadFile(path);
  err = file.err;
  if (err != noErr) return;
  if (file.TypeCode() != serviceType || file.dataCount == 0) {
    err = kFileTypeErr;
    return;
  }
  Handle package = nullptr;
  SettingsRecord record;
  err = file.GetRecord(1, &package, &record);
  if (err != noErr) {
    if (package != nullptr) DisposeHandle(package);
    return;
  }
  TakeSettings(reinterpret_cast<QTAtomContainer>(package));
  preferenceFlags = record.flags;
  if (!record.description.empty()) SetDescription(record.description.c_str());
  ComponentDescription looking{};
  if (!ReadDescriptionAtom(settings, &looking)) {
    err = kFileTypeErr;
    return;
  }
  looking.componentFlagsMask = 0;
  Component found = FindNextComponent(nullptr, &looking);
  if (found == nullptr) {
    err = kParamErr;
    return;
  }
  err = OpenAComponent(found, &instance);
  if (err != noErr) instance = nullptr;
  RemoveDescriptionAtom(settings);
  if (IsValid()) {
    ApplySettings();
    Reset();
  }
}

void MovieExporter::SetSoundSettings(const SoundDescNative& desc) {
  if (!IsValid()) return;
  if (settings == nullptr) {
    err = MovieExportGetSettingsAsAtomContainer(instance, &settings);
    if (err != noErr) return;
  }
  err = WriteSoundSettings(settings, desc);
  if (err == noErr) ApplySettings();
}

void ImageExporter::ApplySettings() {
  if (IsValid() && settings != nullptr) {
    err = GraphicsExportSetSettingsFromAtomContainer(instance, settings);
  }
}

void MovieExporter::ApplySettings() {
  if (IsValid() && settings != nullptr) {
    err = MovieExportSetSettingsFromAtomContainer(instance, settings);
  }
}

void MovieExporter::Export(Movie movie, Track track, const TimeRangeNative* range,
                           REALfolderItem dst) {
  if (!IsValid()) return;
  if ((movie == nullptr && track == nullptr) || dst == nullptr) {
    err = kParamErr;
    return;
  }
  FSSpec spec{};
  if (OSErr e = FolderItemToFSSpec(dst, &spec)) {
    err = e;
    return;
  }
  OSErr result = noErr;
  Movie segment = NewSegmentMovie(movie, track, range, &result);
  if (segment == nullptr) {
    err = invalidMovie;
    return;
  }
  err = result;
  if (err == noErr && GetMovieTrackCount(segment) == 0) err = invalidTrack;
  if (err == noErr) {
    if (progress != nullptr) {
      SetMovieProgressProc(segment, progressAdapter, reinterpret_cast<long>(progress));
    } else if (defaultCallback) {
      SetMovieProgressProc(segment, reinterpret_cast<MovieProgressUPP>(-1), 0);
    }
    OSType type = fileType != 0 ? fileType : defaultFileType;
    OSType creator = fileCreator != 0 ? fileCreator : defaultFileCreator;
    err = ConvertMovieToFile(segment, nullptr, &spec, type, creator, -1, nullptr,
                             createMovieFileDeleteCurFile, instance);
  }
  DisposeMovie(segment);
}

namespace {

// ---- Glue shared by both exporters ----

// A new exporter of the component type's default component of `subtype`.
template <typename Exporter>
void OpenExporter(REALobject instance, OSType componentType, OSType subtype) {
  auto* native = new (std::nothrow) Exporter;
  if (native == nullptr) return;
  native->err = OpenADefaultComponent(componentType, subtype, &native->instance);
  if (native->err != noErr) native->instance = nullptr;
  native->Reset();
  SetNative(instance, native);
}

// A copy of another exporter: the same component, with its settings.
template <typename Exporter>
void CopyExporter(REALobject instance, REALobject other) {
  if (other == nullptr) return;
  auto* source = ServiceAs<Exporter>(other);
  if (source == nullptr) return;
  auto* native = new (std::nothrow) Exporter;
  if (native == nullptr) return;
  native->OpenSameComponent(source->instance);
  if (native->err != noErr) native->instance = nullptr;
  native->CopySettings(source->settings);
  native->ApplySettings();
  native->Reset();
  SetNative(instance, native);
}

// An exporter of the component a FenraComponent stands for; kParamErr for
// one that stands for none.
template <typename Exporter>
void OpenExporterOfComponent(REALobject instance, REALobject component) {
  auto* native = new (std::nothrow) Exporter;
  if (native == nullptr) return;
  auto* source = GetNative<ComponentNative>(component);
  if (source == nullptr || !source->IsValid()) {
    native->err = kParamErr;
  } else {
    native->err = OpenAComponent(source->component, &native->instance);
    if (native->err != noErr) native->instance = nullptr;
  }
  native->Reset();
  SetNative(instance, native);
}

// ---- Glue: FenraExportImage ----

void DestroyImageExporter(REALobject instance) {
  DestroyNative<ImageExporter>(instance);
}

void OpenImageExporter(REALobject instance, OSType subtype) {
  OpenExporter<ImageExporter>(instance, GraphicsExporterComponentType, subtype);
}

constexpr OSType kDefaultImageExporter = 'JPEG';

void NewImageExporter(REALobject instance) {
  OpenImageExporter(instance, kDefaultImageExporter);
}

void NewImageExporterById(REALobject instance, REALstring id) {
  OpenImageExporter(instance, id != nullptr ? StringToOSType(id) : kDefaultImageExporter);
}

void NewImageExporterCopy(REALobject instance, REALobject other) {
  CopyExporter<ImageExporter>(instance, other);
}

void NewImageExporterFromComponent(REALobject instance, REALobject component) {
  if (component == nullptr) {
    NewImageExporter(instance);
    return;
  }
  OpenExporterOfComponent<ImageExporter>(instance, component);
}

void NewImageExporterFromFile(REALobject instance, REALfolderItem file) {
  if (file == nullptr) {
    NewImageExporter(instance);
    return;
  }
  auto* native = new (std::nothrow) ImageExporter;
  if (native == nullptr) return;
  SetNative(instance, native);
  SettingsFile settingsFile;
  settingsFile.ReadFile(FolderItemPath(file));
  native->err = settingsFile.err;
  if (native->err != noErr) return;
  if (settingsFile.TypeCode() != kImageExporterType || settingsFile.dataCount == 0) {
    native->err = kFileTypeErr;
    return;
  }
  Handle package = nullptr;
  SettingsRecord record;
  native->err = settingsFile.GetRecord(1, &package, &record);
  if (native->err != noErr) {
    if (package != nullptr) DisposeHandle(package);
    return;
  }
  native->TakeSettings(reinterpret_cast<QTAtomContainer>(package));
  native->preferenceFlags = record.flags;
  if (!record.description.empty()) native->SetDescription(record.description.c_str());
  if (record.flags == 0) {
    native->err = kFileTypeErr;
    return;
  }
  native->err = OpenADefaultComponent(GraphicsExporterComponentType, FlagsAsSubtype(record.flags),
                                      &native->instance);
  if (native->err != noErr) {
    native->instance = nullptr;
    return;
  }
  native->err = GraphicsExportSetSettingsFromAtomContainer(native->instance, native->settings);
  native->Reset();
}

ImageExporter* ValidImageExporter(REALobject instance) {
  auto* native = ServiceAs<ImageExporter>(instance);
  return native != nullptr && native->IsValid() ? native : nullptr;
}

REALstring GetFileExtension(REALobject instance, intptr_t) {
  ImageExporter* native = ValidImageExporter(instance);
  if (native == nullptr) return MakeHostString();
  char text[5] = {};
  OSTypeToCString(native->extension, text);
  for (char& c : text) {
    if (c == ' ') c = '\0';
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return MakeHostString(text);
}

RBInteger GetOutputSize(REALobject instance, intptr_t) {
  ImageExporter* native = ValidImageExporter(instance);
  if (native == nullptr) return 0;
  unsigned long size = 0;
  native->err = GraphicsExportGetTargetDataSize(native->instance, &size);
  return native->err == noErr ? static_cast<RBInteger>(size) : 0;
}

void SetOutputSize(REALobject instance, intptr_t, RBInteger size) {
  ImageExporter* native = ValidImageExporter(instance);
  if (native == nullptr) return;
  native->err = GraphicsExportSetTargetDataSize(native->instance, static_cast<unsigned long>(size));
}

RBBoolean GetAllowRecompress(REALobject instance, intptr_t) {
  ImageExporter* native = ValidImageExporter(instance);
  if (native == nullptr) return false;
  Boolean dontRecompress = false;
  native->err = GraphicsExportGetDontRecompress(native->instance, &dontRecompress);
  return !dontRecompress;
}

void SetAllowRecompress(REALobject instance, intptr_t, RBBoolean allow) {
  ImageExporter* native = ValidImageExporter(instance);
  if (native == nullptr) return;
  native->err = GraphicsExportSetDontRecompress(native->instance, !allow);
}

bool CanDo(ImageExporter* native, short selector) {
  return native != nullptr && CallComponentCanDo(native->instance, selector) > 0;
}

RBBoolean GetExif(REALobject instance, intptr_t) {
  ImageExporter* native = ValidImageExporter(instance);
  if (!CanDo(native, kGraphicsExportGetExifEnabledSelect)) return false;
  Boolean on = false;
  native->err = GraphicsExportGetExifEnabled(native->instance, &on);
  return on != 0;
}

void SetExif(REALobject instance, intptr_t, RBBoolean on) {
  ImageExporter* native = ValidImageExporter(instance);
  if (!CanDo(native, kGraphicsExportSetExifEnabledSelect)) return;
  native->err = GraphicsExportSetExifEnabled(native->instance, on != 0);
}

RBBoolean GetThumbnail(REALobject instance, intptr_t) {
  ImageExporter* native = ValidImageExporter(instance);
  if (!CanDo(native, kGraphicsExportGetThumbnailEnabledSelect)) return false;
  Boolean on = false;
  long width = 0, height = 0;
  native->err = GraphicsExportGetThumbnailEnabled(native->instance, &on, &width, &height);
  return on != 0;
}

void SetThumbnail(REALobject instance, intptr_t, RBBoolean on) {
  ImageExporter* native = ValidImageExporter(instance);
  if (!CanDo(native, kGraphicsExportSetThumbnailEnabledSelect)) return;
  native->err = GraphicsExportSetThumbnailEnabled(native->instance, on != 0, 0, 0);
}

REALobject GetMetaData(REALobject instance, intptr_t) {
  ImageExporter* native = ValidImageExporter(instance);
  if (!CanDo(native, kGraphicsExportGetMetaDataSelect)) return nullptr;
  UserData list = nullptr;
  if (NewUserData(&list) != noErr || list == nullptr) return nullptr;
  native->err = GraphicsExportGetMetaData(native->instance, list);
  REALobject object = NewUserDataObject(list, true);
  DisposeUserData(list);
  return object;
}

void SetMetaData(REALobject instance, intptr_t, REALobject value) {
  ImageExporter* native = ValidImageExporter(instance);
  if (value == nullptr || !CanDo(native, kGraphicsExportSetMetaDataSelect)) return;
  UserData list = UserDataOf(value);
  if (list == nullptr) {
    native->err = kParamErr;
    return;
  }
  native->err = GraphicsExportSetMetaData(native->instance, list);
}

REALobject GetExportImageSettings(REALobject instance, intptr_t) {
  ImageExporter* native = ValidImageExporter(instance);
  if (native == nullptr) return nullptr;
  auto* desc = new (std::nothrow) ImageDescNative;
  if (desc != nullptr) desc->MakeDefault();
  if (desc == nullptr || desc->Image() == nullptr) {
    delete desc;
    native->err = kNoNativeErr;
    return nullptr;
  }
  ImageDescription* image = desc->Image();
  image->cType = 'cvid';
  CodecQ quality = 0;
  if (GraphicsExportGetCompressionQuality(native->instance, &quality) == noErr) {
    image->spatialQuality = quality;
  }
  Fixed h = 0, v = 0;
  if (GraphicsExportGetResolution(native->instance, &h, &v) == noErr) {
    image->hRes = h;
    image->vRes = v;
  }
  long depth = 0;
  if (GraphicsExportGetDepth(native->instance, &depth) == noErr && depth > 0) {
    image->depth = static_cast<SInt16>(depth);
  }
  const Rect& r = native->outputBounds.rect;
  image->width = static_cast<SInt16>(r.right - r.left);
  image->height = static_cast<SInt16>(r.bottom - r.top);
  REALobject object = NewInstanceOf("FenraImageDesc");
  if (object == nullptr) {
    delete desc;
    return nullptr;
  }
  AttachNative(object, desc, false);
  return object;
}

void SetExportImageSettings(REALobject instance, intptr_t, REALobject value) {
  ImageExporter* native = ValidImageExporter(instance);
  if (native == nullptr || value == nullptr) return;
  auto* desc = dynamic_cast<ImageDescNative*>(GetNativeObject(value));
  if (desc == nullptr || !desc->IsValid()) {
    native->err = kParamErr;
    return;
  }
  const ImageDescription* image = desc->Image();
  native->err = GraphicsExportSetCompressionQuality(native->instance, image->spatialQuality);
  OSErr depth = GraphicsExportSetDepth(native->instance, image->depth);
  OSErr resolution = GraphicsExportSetResolution(native->instance, image->hRes, image->vRes);
  if (native->err == noErr) native->err = depth != noErr ? depth : resolution;
  Rect& r = native->outputBounds.rect;
  r.right = static_cast<short>(r.left + image->width);
  r.bottom = static_cast<short>(r.top + image->height);
}

ImageExporter* ExporterWithDestination(REALobject instance, REALfolderItem dst, FSSpec* spec) {
  ImageExporter* native = ValidImageExporter(instance);
  if (native == nullptr) return nullptr;
  if (dst == nullptr) {
    native->err = kParamErr;
    return nullptr;
  }
  if (OSErr err = FolderItemToFSSpec(dst, spec)) {
    native->err = err;
    return nullptr;
  }
  return native;
}

// The picture in a new world (owned by the caller) at the output size or
// its own.
GWorldPtr PictureInWorld(ImageExporter* native, REALpicture picture) {
  Rect bounds{};
  GWorldPtr world = nullptr;
  bool sized = native->OutputBounds(&bounds);
  native->err = PictureToGWorld(picture, &world, sized ? &bounds : nullptr);
  return native->err == noErr ? world : nullptr;
}

void DisposeWorld(GWorldPtr world) {
  if (world == nullptr) return;
  UnlockPixels(GetGWorldPixMap(world));
  DisposeGWorld(world);
}

void ExportPictureToFile(REALobject instance, REALpicture picture, REALfolderItem dst) {
  FSSpec spec{};
  ImageExporter* native = ExporterWithDestination(instance, dst, &spec);
  if (native == nullptr || picture == nullptr) return;
  GWorldPtr world = PictureInWorld(native, picture);
  if (world == nullptr) return;
  native->Export(world, &spec, nullptr);
  DisposeWorld(world);
}

void ExportPictureToBuffer(REALobject instance, REALpicture picture, REALmemoryBlock* buffer) {
  ImageExporter* native = ValidImageExporter(instance);
  if (native == nullptr || picture == nullptr) return;
  GWorldPtr world = PictureInWorld(native, picture);
  if (world == nullptr) return;
  Handle output = NewHandle(0);
  if (output == nullptr) {
    native->err = kNoNativeErr;
  } else {
    unsigned long size = native->Export(world, nullptr, output);
    if (native->err == noErr && size != 0) {
      REALmemoryBlock block = host::newMemoryBlock(static_cast<intptr_t>(size));
      if (block == nullptr) {
        native->err = kNoNativeErr;
      } else {
        std::memcpy(host::memoryBlockGetPtr(block), *output, size);
        if (buffer != nullptr) *buffer = block;
      }
    }
    DisposeHandle(output);
  }
  DisposeWorld(world);
}

// The image file drawn by its importer into a new frame buffer.
FrameBuffer* ImportForExport(ImageExporter* native, const FSSpec& source) {
  ComponentInstance importer = nullptr;
  native->err = GetGraphicsImporterForFile(&source, &importer);
  if (native->err != noErr || importer == nullptr) {
    if (native->err == noErr) native->err = kParamErr;
    return nullptr;
  }
  Rect bounds{};
  if (!native->OutputBounds(&bounds)) {
    native->err = static_cast<OSErr>(GraphicsImportGetNaturalBounds(importer, &bounds));
  }
  FrameBuffer* buffer = nullptr;
  if (native->err == noErr) {
    buffer = new (std::nothrow) FrameBuffer(bounds);
    if (buffer == nullptr) {
      native->err = kNoNativeErr;
    } else if (!buffer->IsValid()) {
      native->err = buffer->err;
    } else {
      native->err = static_cast<OSErr>(GraphicsImportSetBoundsRect(importer, &bounds));
      if (native->err == noErr) {
        native->err = static_cast<OSErr>(GraphicsImportSetGWorld(importer, buffer->world, nullptr));
      }
      if (native->err == noErr) native->err = static_cast<OSErr>(GraphicsImportDraw(importer));
    }
    if (native->err != noErr) {
      delete buffer;
      buffer = nullptr;
    }
  }
  CloseComponent(importer);
  return buffer;
}

void ExportFileToFile(REALobject instance, REALfolderItem src, REALfolderItem dst) {
  FSSpec spec{};
  ImageExporter* native = ExporterWithDestination(instance, dst, &spec);
  if (native == nullptr || src == nullptr) return;
  FSSpec source{};
  native->err = FolderItemToFSSpec(src, &source);
  if (native->err != noErr) return;
  FrameBuffer* buffer = ImportForExport(native, source);
  if (buffer == nullptr) return;
  native->Export(buffer->world, &spec, nullptr);
  delete buffer;
}

void ExportFrameToFile(REALobject instance, REALobject movieObject, RBInteger time,
                       REALfolderItem dst) {
  FSSpec spec{};
  ImageExporter* native = ExporterWithDestination(instance, dst, &spec);
  if (native == nullptr || movieObject == nullptr) return;
  MovieNative* movie = MovieNativeOf(movieObject);
  if (movie == nullptr || movie->movie == nullptr) {
    if (movie != nullptr) movie->err = invalidMovie;
    native->err = invalidMovie;
    return;
  }
  SetMovieTimeValue(movie->movie, static_cast<TimeValue>(time));
  OSErr err = noErr;
  FrameBuffer* frame = RenderMovieFrame(movie->movie, nullptr, &err);
  movie->err = err;
  native->err = err;
  if (frame == nullptr) return;
  Rect bounds{};
  if (native->OutputBounds(&bounds)) {
    auto* scaled = new (std::nothrow) FrameBuffer(bounds);
    if (scaled == nullptr || !scaled->IsValid()) {
      native->err = scaled != nullptr ? scaled->err : kNoNativeErr;
      delete scaled;
      delete frame;
      return;
    }
    CopyBits(GetPortBitMapForCopyBits(frame->world), GetPortBitMapForCopyBits(scaled->world),
             &frame->bounds, &scaled->bounds, srcCopy, nullptr);
    delete frame;
    frame = scaled;
  }
  native->Export(frame->world, &spec, nullptr);
  delete frame;
}

REALproperty gImageProperties[] = {
    Property<"fileExtension", "string", GetFileExtension, nullptr>(0),
    Property<"outputSize", "integer", GetOutputSize, SetOutputSize>(0),
    Property<"allowRecompress", "boolean", GetAllowRecompress, SetAllowRecompress>(0),
    Property<"exportAsExif", "boolean", GetExif, SetExif>(0),
    Property<"createThumbnail", "boolean", GetThumbnail, SetThumbnail>(0),
    Property<"metaData", "FenraUserData", GetMetaData, SetMetaData>(0),
    Property<"imageSettings", "FenraImageDesc", GetExportImageSettings, SetExportImageSettings>(0),
};

REALmethodDefinition gImageMethods[] = {
    Method<NewImageExporter, "FenraExportImage()">(),
    Method<NewImageExporterCopy, "FenraExportImage(exporter as FenraExportImage)">(),
    Method<NewImageExporterById, "FenraExportImage(exporterID as string)">(),
    Method<NewImageExporterFromComponent, "FenraExportImage(component as FenraComponent)">(),
    Method<NewImageExporterFromFile, "FenraExportImage(fSettings as folderitem)">(),
    Method<ExportFileToFile, "DoService(src as folderitem,dst as folderitem)">(),
    Method<ExportPictureToFile, "DoService(p as picture,dst as folderitem)">(),
    Method<ExportPictureToBuffer, "DoService(p as picture,byref buffer as memoryblock)">(),
    Method<ExportFrameToFile, "DoService(m as FenraMovie,tm as integer,dst as folderitem)">(),
};

REALconstant gImageConstants[] = {
    Constant("kExpImgID_JPEG = \"JPEG\""),      Constant("kExpImgID_BMP = \"BMPf\""),
    Constant("kExpImgID_PNG = \"PNGf\""),       Constant("kExpImgID_MacPaint = \"PNTG\""),
    Constant("kExpImgID_Photoshop = \"8BPS\""), Constant("kExpImgID_Targa = \"TPIC\""),
    Constant("kExpImgID_TIFF = \"TIFF\""),      Constant("kExpImgID_SiliconGraphics = \".SGI\""),
};

// ---- Glue: FenraExportMovie ----

void DestroyMovieExporter(REALobject instance) {
  DestroyNative<MovieExporter>(instance);
}

void OpenMovieExporter(REALobject instance, OSType subtype) {
  OpenExporter<MovieExporter>(instance, MovieExportType, subtype);
}

constexpr OSType kDefaultMovieExporter = 'VfW ';

void NewMovieExporter(REALobject instance) {
  OpenMovieExporter(instance, kDefaultMovieExporter);
}

void NewMovieExporterById(REALobject instance, REALstring id) {
  OpenMovieExporter(instance, id != nullptr ? StringToOSType(id) : kDefaultMovieExporter);
}

void NewMovieExporterCopy(REALobject instance, REALobject other) {
  CopyExporter<MovieExporter>(instance, other);
}

void NewMovieExporterFromComponent(REALobject instance, REALobject component) {
  if (component == nullptr) {
    NewMovieExporter(instance);
    return;
  }
  OpenExporterOfComponent<MovieExporter>(instance, component);
}

void NewMovieExporterFromFile(REALobject instance, REALfolderItem file) {
  if (file == nullptr) {
    NewMovieExporter(instance);
    return;
  }
  auto* native = new (std::nothrow) MovieExporter;
  if (native == nullptr) return;
  native->OpenFromFile(FolderItemPath(file));
  SetNative(instance, native);
}

MovieExporter* ValidMovieExporter(REALobject instance) {
  auto* native = ServiceAs<MovieExporter>(instance);
  return native != nullptr && native->IsValid() ? native : nullptr;
}

REALobject GetVideoSettings(REALobject instance, intptr_t) {
  MovieExporter* native = ValidMovieExporter(instance);
  if (native == nullptr) return nullptr;
  QTAtom video = FindRootAtom(native->settings, kQTSettingsVideo);
  if (video == 0) return nullptr;
  auto* desc = new (std::nothrow) ImageDescCompNative;
  if (desc == nullptr) return nullptr;
  REALobject object = ReadImageSettings(native->settings, video, desc)
                          ? NewInstanceOf("FenraImageDescComp")
                          : nullptr;
  if (object == nullptr) {
    delete desc;
    return nullptr;
  }
  AttachNative(object, desc, false);
  return object;
}

void SetVideoSettings(REALobject instance, intptr_t, REALobject value) {
  MovieExporter* native = ValidMovieExporter(instance);
  if (native == nullptr || value == nullptr) return;
  QTAtom video = FindRootAtom(native->settings, kQTSettingsVideo);
  if (video == 0) return;
  auto* desc = dynamic_cast<ImageDescCompNative*>(GetNativeObject(value));
  if (desc == nullptr || !desc->IsValid()) {
    native->err = kParamErr;
    return;
  }
  native->err = WriteImageSettings(native->settings, video, *desc);
  if (native->err == noErr) native->ApplySettings();
}

REALobject GetExporterSound(REALobject instance, intptr_t) {
  MovieExporter* native = ValidMovieExporter(instance);
  if (native == nullptr) return nullptr;
  auto* desc = new (std::nothrow) SoundDescNative;
  if (desc == nullptr) return nullptr;
  REALobject object =
      ReadSoundSettings(native->settings, desc) ? NewInstanceOf("FenraSoundDesc") : nullptr;
  if (object == nullptr) {
    delete desc;
    return nullptr;
  }
  AttachNative(object, desc, false);
  return object;
}

void SetExporterSound(REALobject instance, intptr_t, REALobject value) {
  MovieExporter* native = ValidMovieExporter(instance);
  if (native == nullptr || value == nullptr) return;
  if (FindRootAtom(native->settings, kQTSettingsSound) == 0) return;
  auto* desc = dynamic_cast<SoundDescNative*>(GetNativeObject(value));
  if (desc == nullptr || !desc->IsValid()) {
    native->err = kParamErr;
    return;
  }
  native->SetSoundSettings(*desc);
}

RBBoolean GetFastStart(REALobject instance, intptr_t) {
  MovieExporter* native = ValidMovieExporter(instance);
  return native != nullptr &&
         FindRootAtom(native->settings, kQTSettingsMovieExportSaveForInternet) != 0;
}

void SetFastStart(REALobject instance, intptr_t, RBBoolean on) {
  MovieExporter* native = ValidMovieExporter(instance);
  if (native == nullptr || native->settings == nullptr) return;
  QTAtom fast = FindRootAtom(native->settings, kQTSettingsMovieExportSaveForInternet);
  if (on) {
    if (fast != 0) return;
    native->err = QTInsertChild(native->settings, kParentAtomIsContainer,
                                kQTSettingsMovieExportSaveForInternet, 0, 1, 0, nullptr, nullptr);
  } else {
    native->err = fast != 0 ? QTRemoveAtom(native->settings, fast) : noErr;
  }
  if (native->err == noErr) native->ApplySettings();
}

void ExportMovie(REALobject instance, REALobject movieObject, REALobject range,
                 REALfolderItem dst) {
  MovieExporter* native = ValidMovieExporter(instance);
  if (native == nullptr) return;
  MovieNative* movie = movieObject != nullptr ? MovieNativeOf(movieObject) : nullptr;
  if (movie == nullptr || movie->movie == nullptr || dst == nullptr) {
    native->err = kParamErr;
    return;
  }
  const TimeRangeNative* r = range != nullptr ? GetNative<TimeRangeNative>(range) : nullptr;
  native->Export(movie->movie, nullptr, r, dst);
}

void ExportTrack(REALobject instance, REALobject trackObject, REALobject range,
                 REALfolderItem dst) {
  MovieExporter* native = ValidMovieExporter(instance);
  if (native == nullptr) return;
  Track track = trackObject != nullptr ? TrackOfObject(trackObject) : nullptr;
  if (track == nullptr || dst == nullptr) {
    native->err = kParamErr;
    return;
  }
  const TimeRangeNative* r = range != nullptr ? GetNative<TimeRangeNative>(range) : nullptr;
  native->Export(nullptr, track, r, dst);
}

REALproperty gMovieProperties[] = {
    Property<"videoSettings", "FenraImageDescComp", GetVideoSettings, SetVideoSettings>(0),
    Property<"soundSettings", "FenraSoundDesc", GetExporterSound, SetExporterSound>(0),
    Property<"fastForInternet", "boolean", GetFastStart, SetFastStart>(0),
};

REALmethodDefinition gMovieMethods[] = {
    Method<NewMovieExporter, "FenraExportMovie()">(),
    Method<NewMovieExporterCopy, "FenraExportMovie(exporter as FenraExportMovie)">(),
    Method<NewMovieExporterById, "FenraExportMovie(exporterID as string)">(),
    Method<NewMovieExporterFromComponent, "FenraExportMovie(component as FenraComponent)">(),
    Method<NewMovieExporterFromFile, "FenraExportMovie(fSettings as folderitem)">(),
    Method<ExportMovie, "DoService(m as FenraMovie,tmSel as FenraTimeRange,dst as folderitem)">(),
    Method<ExportTrack, "DoService(tk as FenraTrack,tmSel as FenraTimeRange,dst as folderitem)">(),
};

REALconstant gMovieConstants[] = {
    Constant("kExpMovID_AVI = \"VfW \""),  Constant("kExpMovID_MPG4 = \"mpg4\""),
    Constant("kExpMovID_AIFF = \"AIFF\""), Constant("kExpMovID_AIFC = \"AIFC\""),
    Constant("kExpMovID_WAVE = \"WAVE\""),
};

}  // namespace

REALclassDefinition gFenraExportImageClass = DefineClass(
    "FenraExportImage", "FenraComponentService", 0, InstanceProc<NoOpInstanceProc>(),
    InstanceProc<DestroyImageExporter>(),
    {.properties = gImageProperties, .methods = gImageMethods, .constants = gImageConstants});

REALclassDefinition gFenraExportMovieClass = DefineClass(
    "FenraExportMovie", "FenraComponentService", 0, InstanceProc<NoOpInstanceProc>(),
    InstanceProc<DestroyMovieExporter>(),
    {.properties = gMovieProperties, .methods = gMovieMethods, .constants = gMovieConstants});

}  // namespace fenra
