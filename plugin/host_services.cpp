#include "plugin/host_services.h"

#include <array>
#include <cstddef>
#include <string_view>
#include <type_traits>

namespace fenra {
namespace {

REALresolver gResolver = nullptr;

// Services in the order of the entry-point table.
enum Service : size_t {
  kRegisterPluginVersion,
  kPluginRegisterClass,
  kPluginRegisterMethod,
  kPluginNewInstance,
  kStringGetCString,
  kStringGetPString,
  kREALBuildString,
  kREALConvertString,
  kREALLockObject,
  kREALUnlockObject,
  kREALpathFromFolderItem,
  kFolderItemFromPath,
  kgetMovieMovie,
  kREALSetMovieMovie,
  kgetMoviePlayerController,
  kREALGetWindowHandle,
  kGetControlBounds,
  klockPictureDescription,
  kunlockPictureDescription,
  kdrawPicturePrimitive,
  kREALBuildPictureFromGWorld,
  kREALBuildPictureFromDIB,
  knewMemoryBlock,
  kmemoryBlockGetPtr,
  kmemoryBlockGetSize,
  kRuntimeUBound,
  kRuntimeDirectReadIntArray,
  kServiceCount
};

constexpr std::array<const char*, kServiceCount> kServiceNames = {
    "RegisterPluginVersion",
    "PluginRegisterClass",
    "PluginRegisterMethod",
    "PluginNewInstance",
    "StringGetCString",
    "StringGetPString",
    "REALBuildString",
    "REALConvertString",
    "REALLockObject",
    "REALUnlockObject",
    "REALpathFromFolderItem",
    "FolderItemFromPath",
    "getMovieMovie",
    "REALSetMovieMovie",
    "getMoviePlayerController",
    "REALGetWindowHandle",
    "GetControlBounds",
    "lockPictureDescription",
    "unlockPictureDescription",
    "drawPicturePrimitive",
    "REALBuildPictureFromGWorld",
    "REALBuildPictureFromDIB",
    "newMemoryBlock",
    "memoryBlockGetPtr",
    "memoryBlockGetSize",
    "RuntimeUBound",
    "RuntimeDirectReadIntArray",
};

std::array<void*, kServiceCount> gEntries{};

void* Lookup(Service service) {
  if (gEntries[service] == nullptr && gResolver != nullptr) {
    gEntries[service] = gResolver(kServiceNames[service]);
  }
  return gEntries[service];
}

// The service's address as its own type, or null while unresolved.
template <typename Proc>
Proc Entry(Service service) {
  return reinterpret_cast<Proc>(Lookup(service));
}

// Calls the service when the host offers it; otherwise yields Result's zero.
template <typename Proc, typename... Args>
auto Call(Service service, Args... args) {
  using Result = decltype(Entry<Proc>(service)(args...));
  if (Proc proc = Entry<Proc>(service)) return proc(args...);
  if constexpr (!std::is_void_v<Result>) return Result{};
}

}  // namespace

void SetHostResolver(REALresolver resolver) {
  gResolver = resolver;
  gEntries.fill(nullptr);
}

REALresolver HostResolver() {
  return gResolver;
}

namespace host {

bool Has(const char* serviceName) {
  for (size_t i = 0; i < kServiceCount; ++i) {
    if (std::string_view(kServiceNames[i]) == serviceName) {
      return Lookup(static_cast<Service>(i)) != nullptr;
    }
  }
  return gResolver != nullptr && gResolver(serviceName) != nullptr;
}

void RegisterPluginVersion(intptr_t version) {
  Call<RegisterPluginVersionProc>(kRegisterPluginVersion, version);
}
void PluginRegisterClass(REALclassDefinition* definition) {
  Call<PluginRegisterClassProc>(kPluginRegisterClass, definition);
}
void PluginRegisterMethod(REALmethodDefinition* definition) {
  Call<PluginRegisterMethodProc>(kPluginRegisterMethod, definition);
}
REALobject PluginNewInstance(const char* className) {
  return Call<PluginNewInstanceProc>(kPluginNewInstance, className);
}
const char* StringGetCString(REALstring text) {
  return Call<StringGetCStringProc>(kStringGetCString, text);
}
const unsigned char* StringGetPString(REALstring text) {
  return Call<StringGetPStringProc>(kStringGetPString, text);
}
REALstring REALBuildString(const char* text, intptr_t length) {
  return Call<REALBuildStringProc>(kREALBuildString, text, length);
}
REALstring REALConvertString(REALstring text, uint32_t encoding) {
  return Call<REALConvertStringProc>(kREALConvertString, text, encoding);
}
void REALLockObject(REALobject object) {
  Call<REALLockObjectProc>(kREALLockObject, object);
}
void REALUnlockObject(REALobject object) {
  Call<REALUnlockObjectProc>(kREALUnlockObject, object);
}
REALstring REALpathFromFolderItem(REALfolderItem item) {
  return Call<REALpathFromFolderItemProc>(kREALpathFromFolderItem, item);
}
REALfolderItem FolderItemFromPath(const char* path) {
  return Call<FolderItemFromPathProc>(kFolderItemFromPath, path);
}
void* getMovieMovie(REALmovie movie) {
  return Call<getMovieMovieProc>(kgetMovieMovie, movie);
}
void REALSetMovieMovie(REALmovie movie, void* qtMovie) {
  Call<REALSetMovieMovieProc>(kREALSetMovieMovie, movie, qtMovie);
}
void* getMoviePlayerController(REALmoviePlayer player) {
  return Call<getMoviePlayerControllerProc>(kgetMoviePlayerController, player);
}
void* REALGetWindowHandle(REALwindow window) {
  return Call<REALGetWindowHandleProc>(kREALGetWindowHandle, window);
}
void GetControlBounds(REALcontrol control, struct Rect* bounds) {
  Call<GetControlBoundsProc>(kGetControlBounds, control, bounds);
}
void lockPictureDescription(REALpicture picture, REALpictureDescription* description) {
  Call<lockPictureDescriptionProc>(klockPictureDescription, picture, description);
}
void unlockPictureDescription(REALpicture picture) {
  Call<unlockPictureDescriptionProc>(kunlockPictureDescription, picture);
}
void drawPicturePrimitive(void* deviceContext, REALpicture picture, const struct Rect* bounds,
                          intptr_t flags) {
  Call<drawPicturePrimitiveProc>(kdrawPicturePrimitive, deviceContext, picture, bounds, flags);
}
REALpicture REALBuildPictureFromGWorld(struct OpaqueGrafPtr* world, RBBoolean flag) {
  return Call<REALBuildPictureFromGWorldProc>(kREALBuildPictureFromGWorld, world, flag);
}
REALpicture REALBuildPictureFromDIB(void* bitmap, intptr_t flag) {
  return Call<REALBuildPictureFromDIBProc>(kREALBuildPictureFromDIB, bitmap, flag);
}
REALmemoryBlock newMemoryBlock(intptr_t size) {
  return Call<newMemoryBlockProc>(knewMemoryBlock, size);
}
void* memoryBlockGetPtr(REALmemoryBlock block) {
  return Call<memoryBlockGetPtrProc>(kmemoryBlockGetPtr, block);
}
intptr_t memoryBlockGetSize(REALmemoryBlock block) {
  return Call<memoryBlockGetSizeProc>(kmemoryBlockGetSize, block);
}
intptr_t RuntimeUBound(REALarray array) {
  return Call<RuntimeUBoundProc>(kRuntimeUBound, array);
}
RBInteger RuntimeDirectReadIntArray(REALarray array, intptr_t index) {
  return Call<RuntimeDirectReadIntArrayProc>(kRuntimeDirectReadIntArray, array, index);
}

}  // namespace host
}  // namespace fenra
