// The host entry-point table: every host service the plugin uses, looked
// up by name through the resolver given to REALPluginMain.
//
// Each service resolves on first use and caches the address. While the
// resolver gives null for a name, calls of that service do nothing and
// yield 0 (or null).
#pragma once

#include "REALplugin.h"

struct Rect;

namespace fenra {

// Stores the resolver; every later service is obtained through it.
void SetHostResolver(REALresolver resolver);
REALresolver HostResolver();

namespace host {

void RegisterPluginVersion(intptr_t version);
void PluginRegisterClass(REALclassDefinition* definition);
void PluginRegisterMethod(REALmethodDefinition* definition);
// True when the host offers the service of this name (resolving it now).
bool Has(const char* serviceName);

REALobject PluginNewInstance(const char* className);
const char* StringGetCString(REALstring text);
const unsigned char* StringGetPString(REALstring text);
REALstring REALBuildString(const char* text, intptr_t length);
REALstring REALConvertString(REALstring text, uint32_t encoding);
void REALLockObject(REALobject object);
void REALUnlockObject(REALobject object);
REALstring REALpathFromFolderItem(REALfolderItem item);
REALfolderItem FolderItemFromPath(const char* path);
void* getMovieMovie(REALmovie movie);
void REALSetMovieMovie(REALmovie movie, void* qtMovie);
void* getMoviePlayerController(REALmoviePlayer player);
void* REALGetWindowHandle(REALwindow window);
void GetControlBounds(REALcontrol control, struct Rect* bounds);
void lockPictureDescription(REALpicture picture, REALpictureDescription* description);
void unlockPictureDescription(REALpicture picture);
void drawPicturePrimitive(void* deviceContext, REALpicture picture, const struct Rect* bounds,
                          intptr_t flags);
REALpicture REALBuildPictureFromGWorld(struct OpaqueGrafPtr* world, RBBoolean flag);
REALpicture REALBuildPictureFromDIB(void* bitmap, intptr_t flag);
REALmemoryBlock newMemoryBlock(intptr_t size);
void* memoryBlockGetPtr(REALmemoryBlock block);
intptr_t memoryBlockGetSize(REALmemoryBlock block);
intptr_t RuntimeUBound(REALarray array);
RBInteger RuntimeDirectReadIntArray(REALarray array, intptr_t index);

}  // namespace host
}  // namespace fenra
