// The host services a plugin resolves by name.
#include <cstdint>
#include <cstring>
#include <string_view>

#include "QTML.h"
#include "core/host_classes.h"
#include "core/objects.h"
#include "core/picture_files.h"
#include "core/pixel_world.h"
#include "core/runtime_state.h"

namespace fenra::host {
namespace {

template <class T>
T* As(const void* handle) {
  return ObjectOf<T>(static_cast<REALobject>(const_cast<void*>(handle)));
}

extern "C" {

void SvcRegisterPluginVersion(intptr_t version) {
  RegisterVersion(version);
}
void SvcPluginRegisterClass(REALclassDefinition* definition) {
  RegisterClass(definition);
}
void SvcPluginRegisterMethod(REALmethodDefinition* definition) {
  RegisterModuleMethod(definition);
}

// A plugin class's instance, or a host class's made by its constructor with
// no arguments (a new Movie holds an empty movie); null when there is none.
REALobject SvcPluginNewInstance(const char* className) {
  if (className == nullptr) return nullptr;
  const ClassInfo* cls = Runtime::Get().FindClass(className);
  if (cls == nullptr) return nullptr;
  if (cls->fromPlugin) {
    PluginInstance* instance = NewPluginInstance(*cls);
    return instance != nullptr ? instance->Handle() : nullptr;
  }
  Value made;
  HostError error;
  if (!NewHostObject(*cls, {}, made, error) || !made.object) return nullptr;
  made.object->Retain();  // the one reference the plugin receives
  return made.object->Handle();
}

const char* SvcStringGetCString(REALstring text) {
  HostString* s = HostString::Of(text);
  return s != nullptr ? s->CString() : "";
}

const unsigned char* SvcStringGetPString(REALstring text) {
  HostString* s = HostString::Of(text);
  return s != nullptr ? s->PString() : reinterpret_cast<const unsigned char*>("");
}

REALstring SvcREALBuildString(const char* text, intptr_t length) {
  std::string_view view = text != nullptr && length > 0
                              ? std::string_view(text, static_cast<size_t>(length))
                              : std::string_view();
  return reinterpret_cast<REALstring>((new HostString(view))->Handle());
}

// Strings here are bytes already; encoding 0 keeps them as they are.
REALstring SvcREALConvertString(REALstring text, uint32_t) {
  HostString* s = HostString::Of(text);
  return SvcREALBuildString(s != nullptr ? s->Text().data() : "",
                            s != nullptr ? static_cast<intptr_t>(s->Text().size()) : 0);
}

void SvcREALLockObject(REALobject object) {
  if (HostObject* o = HostObject::Of(object)) o->Retain();
}

void SvcREALUnlockObject(REALobject object) {
  if (HostObject* o = HostObject::Of(object)) o->Release();
}

REALstring SvcREALpathFromFolderItem(REALfolderItem item) {
  FolderItem* f = As<FolderItem>(item);
  if (f == nullptr) return nullptr;
  return SvcREALBuildString(f->Path().data(), static_cast<intptr_t>(f->Path().size()));
}

REALfolderItem SvcFolderItemFromPath(const char* path) {
  if (path == nullptr || *path == '\0') return nullptr;
  return reinterpret_cast<REALfolderItem>((new FolderItem(path))->Handle());
}

void* SvcgetMovieMovie(REALmovie movie) {
  HostMovie* m = As<HostMovie>(movie);
  return m != nullptr ? m->QuickTimeMovie() : nullptr;
}

void SvcREALSetMovieMovie(REALmovie movie, void* qtMovie) {
  if (HostMovie* m = As<HostMovie>(movie)) m->SetQuickTimeMovie(static_cast<::Movie>(qtMovie));
}

void* SvcgetMoviePlayerController(REALmoviePlayer player) {
  MoviePlayer* p = As<MoviePlayer>(player);
  return p != nullptr ? p->Controller() : nullptr;
}

void* SvcREALGetWindowHandle(REALwindow window) {
  Window* w = As<Window>(window);
  return w != nullptr ? w->Port() : nullptr;
}

void SvcGetControlBounds(REALcontrol control, Rect* bounds) {
  if (bounds == nullptr) return;
  Control* c = As<Control>(control);
  *bounds = c != nullptr ? c->bounds : Rect{0, 0, 0, 0};
}

void SvclockPictureDescription(REALpicture picture, REALpictureDescription* description) {
  Picture* p = As<Picture>(picture);
  if (description == nullptr) return;
  *description = p != nullptr ? p->Description() : REALpictureDescription{};
}

void SvcunlockPictureDescription(REALpicture) {}

// Draws the picture scaled into `bounds` of the port behind the device
// context, nearest pixel, converted to the port's depth by the engine.
void SvcdrawPicturePrimitive(void* deviceContext, REALpicture picture, const Rect* bounds,
                             intptr_t) {
  Picture* p = As<Picture>(picture);
  if (p == nullptr || bounds == nullptr) return;
  CGrafPtr port = nullptr;
  {
    HostDrawing quiet;
    port = GetPortFromHDC(deviceContext);
  }
  DrawPictureInPort(*p, port, *bounds);
}

// The GWorld's pixels, whatever their depth, copied to 32 bits.
REALpicture SvcREALBuildPictureFromGWorld(OpaqueGrafPtr* world, RBBoolean) {
  Picture* picture = PictureFromPort(world);
  return picture != nullptr ? reinterpret_cast<REALpicture>(picture->Handle()) : nullptr;
}

// The bitmap's layout is given in REALplugin.h; its length is not, so it
// is trusted to hold the rows its header describes.
REALpicture SvcREALBuildPictureFromDIB(void* bitmap, intptr_t) {
  Picture* picture = PictureFromDIB(static_cast<const uint8_t*>(bitmap), SIZE_MAX);
  return picture != nullptr ? reinterpret_cast<REALpicture>(picture->Handle()) : nullptr;
}

REALmemoryBlock SvcnewMemoryBlock(intptr_t size) {
  if (size < 0) return nullptr;
  return reinterpret_cast<REALmemoryBlock>((new MemoryBlock(static_cast<size_t>(size)))->Handle());
}

void* SvcmemoryBlockGetPtr(REALmemoryBlock block) {
  MemoryBlock* m = As<MemoryBlock>(block);
  return m != nullptr ? m->Bytes().data() : nullptr;
}

intptr_t SvcmemoryBlockGetSize(REALmemoryBlock block) {
  MemoryBlock* m = As<MemoryBlock>(block);
  return m != nullptr ? static_cast<intptr_t>(m->Bytes().size()) : 0;
}

intptr_t SvcRuntimeUBound(REALarray array) {
  IntegerArray* a = As<IntegerArray>(array);
  return a != nullptr ? static_cast<intptr_t>(a->Values().size()) - 1 : -1;
}

RBInteger SvcRuntimeDirectReadIntArray(REALarray array, intptr_t index) {
  IntegerArray* a = As<IntegerArray>(array);
  if (a == nullptr || index < 0 || static_cast<size_t>(index) >= a->Values().size()) return 0;
  return a->Values()[static_cast<size_t>(index)];
}

}  // extern "C"

struct Service {
  const char* name;
  void* address;
};

#define SERVICE(name) \
  { #name, reinterpret_cast < void*>(Svc##name) }
const Service kServices[] = {
    SERVICE(RegisterPluginVersion),
    SERVICE(PluginRegisterClass),
    SERVICE(PluginRegisterMethod),
    SERVICE(PluginNewInstance),
    SERVICE(StringGetCString),
    SERVICE(StringGetPString),
    SERVICE(REALBuildString),
    SERVICE(REALConvertString),
    SERVICE(REALLockObject),
    SERVICE(REALUnlockObject),
    SERVICE(REALpathFromFolderItem),
    SERVICE(FolderItemFromPath),
    SERVICE(getMovieMovie),
    SERVICE(REALSetMovieMovie),
    SERVICE(getMoviePlayerController),
    SERVICE(REALGetWindowHandle),
    SERVICE(GetControlBounds),
    SERVICE(lockPictureDescription),
    SERVICE(unlockPictureDescription),
    SERVICE(drawPicturePrimitive),
    SERVICE(REALBuildPictureFromGWorld),
    SERVICE(REALBuildPictureFromDIB),
    SERVICE(newMemoryBlock),
    SERVICE(memoryBlockGetPtr),
    SERVICE(memoryBlockGetSize),
    SERVICE(RuntimeUBound),
    SERVICE(RuntimeDirectReadIntArray),
};
#undef SERVICE

void* Resolve(const char* name) {
  if (name == nullptr) return nullptr;
  for (const Service& service : kServices) {
    if (std::strcmp(service.name, name) == 0) return service.address;
  }
  return nullptr;
}

}  // namespace

REALresolver Runtime::Resolver() {
  return Resolve;
}

}  // namespace fenra::host
