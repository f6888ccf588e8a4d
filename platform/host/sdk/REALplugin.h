/*
 * REALplugin.h: the binary interface between the host runtime and a plugin.
 *
 * A plugin exports one function, REALPluginMain, which the host calls once
 * with a resolver. Every host service is then obtained by name through the
 * resolver. The plugin hands the host static registration records; the
 * host keeps pointers into them for the life of the process.
 *
 * Every word of a record is pointer-sized (64 bits here). The host's
 * Integer is 64-bit.
 *
 * Calling conventions (all C):
 *   constructor, destructor     void f(REALobject instance)
 *   property getter             T f(REALobject instance, intptr_t param)
 *   property setter             void f(REALobject instance, intptr_t param, T value)
 *   method                      R f(REALobject instance, args...)
 *   assignable method setter    void f(REALobject instance, args..., T value)
 *   module method               R f(args...)
 * where each declared type is passed as:
 *   Integer                     RBInteger
 *   Double                      double
 *   Single                      float
 *   Boolean                     RBBoolean
 *   Color                       RBColor
 *   String                      REALstring
 *   any object or array type    a pointer to the host object (REALobject)
 * A ByRef parameter is passed as a pointer to a slot of its type
 * (RBInteger*, double*, REALstring*, REALobject* ...); the host reads the
 * slot back after the call.
 *
 * References. Every host object (strings included) is counted;
 * REALLockObject adds one reference and REALUnlockObject drops one.
 *   - Objects and strings the host hands the plugin (arguments, values
 *     given to setters, ByRef slots on entry) are lent for the call: the
 *     plugin locks one to keep it afterwards.
 *   - Objects and strings that cross the other way carry one reference for
 *     the receiver: the results of REALBuildString, REALConvertString,
 *     REALpathFromFolderItem, FolderItemFromPath, PluginNewInstance,
 *     REALBuildPictureFromGWorld, REALBuildPictureFromDIB and
 *     newMemoryBlock belong to the plugin; what a getter, method or module
 *     method returns, and what it stores into a ByRef slot in place of the
 *     value it was given, belongs to the host. A plugin returning an object
 *     it also keeps locks it first; it never unlocks the value it replaced
 *     in a ByRef slot (that one is still the host's).
 *   - A String or object field served by the host standard accessor holds
 *     one reference: the host's setter locks the new value and unlocks the
 *     old one, and after the destructors have run the host unlocks whatever
 *     such a field still holds. A plugin function that stores into such a
 *     field stores a reference it owns and unlocks the value it replaces; a
 *     destructor that unlocks such a field itself sets it to null.
 *
 * Instances. An instance of a plugin class is zero-filled when made; each
 * class's own data lies at the dataOffset the host wrote into its record
 * (8-byte aligned, after its ancestors' data). The host's standard
 * accessor stores Integer as int64_t, Boolean as one byte, Double as 8
 * bytes, Single as 4, Color as RBColor and String or object types as a
 * REALstring or REALobject.
 */
#ifndef REALPLUGIN_H
#define REALPLUGIN_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int64_t RBInteger;
typedef uint8_t RBBoolean;
typedef uint32_t RBColor; /* 0x00RRGGBB */

typedef struct REALobjectStruct* REALobject;
typedef struct REALstringStruct* REALstring;
typedef struct REALfolderItemStruct* REALfolderItem;
typedef struct REALpictureStruct* REALpicture;
typedef struct REALmovieStruct* REALmovie;
typedef struct REALmoviePlayerStruct* REALmoviePlayer;
typedef struct REALwindowStruct* REALwindow;
typedef struct REALcontrolStruct* REALcontrol;
typedef struct REALmemoryBlockStruct* REALmemoryBlock;
typedef struct REALarrayStruct* REALarray;

typedef void (*REALproc)(void);

#define kCurrentREALControlVersion 6

/* A getter or setter of this value asks the host to read or write the
   property itself, at byte offset param of the class's own data. */
#define REALstandardGetter ((REALproc)(intptr_t)-1)
#define REALstandardSetter ((REALproc)(intptr_t)-1)

/* A host string, as the plugin may read it directly: the text of buffer
   begins at buffer + 1 and is length bytes long (not NUL-terminated for
   this view's purposes; the host keeps a NUL after it all the same). */
typedef struct REALstringData {
  intptr_t referenceCount;
  const char* buffer;
  intptr_t encoding;
  intptr_t length;
} REALstringData;

typedef struct REALproperty {
  const char* group;
  const char* name;
  const char* type;
  intptr_t flags;
  REALproc getter;
  REALproc setter;
  intptr_t param;
  REALproc editor;
  intptr_t enumCount;
  const char** enumEntries;
} REALproperty;

typedef struct REALmethodDefinition {
  REALproc function;
  REALproc setterFunction;
  const char* declaration;
} REALmethodDefinition;

typedef struct REALconstant {
  const char* declaration;
  intptr_t reserved1;
  intptr_t reserved2;
} REALconstant;

typedef struct REALclassDefinition {
  intptr_t version;
  const char* name;
  const char* superName;
  intptr_t dataSize;
  intptr_t dataOffset; /* written by the host at registration */
  REALproc constructor;
  REALproc destructor;
  REALproperty* properties;
  intptr_t propertyCount;
  REALmethodDefinition* methods;
  intptr_t methodCount;
  void* events;
  intptr_t eventCount;
  void* eventInstances;
  intptr_t eventInstanceCount;
  void* interfaces;
  void* bindDescriptions;
  intptr_t bindDescriptionCount;
  REALconstant* constants;
  intptr_t constantCount;
} REALclassDefinition;

/* A picture's description, filled by lockPictureDescription: pictureType
   'ARGB', pictureData the 32-bit pixels 0xAARRGGBB row by row from the
   top (valid until unlockPictureDescription), width, height, depth 32. */
typedef struct REALpictureDescription {
  intptr_t pictureType;
  void* pictureData;
  intptr_t width;
  intptr_t height;
  intptr_t depth;
  intptr_t transparent;
} REALpictureDescription;

typedef void* (*REALresolver)(const char* serviceName);

/* The one export of a plugin. */
void REALPluginMain(REALresolver resolver);

/* Host services, by the names the resolver knows them under. */
struct Rect;
struct OpaqueGrafPtr;

typedef void (*RegisterPluginVersionProc)(intptr_t version);
typedef void (*PluginRegisterClassProc)(REALclassDefinition* definition);
typedef void (*PluginRegisterMethodProc)(REALmethodDefinition* definition);
typedef REALobject (*PluginNewInstanceProc)(const char* className);
typedef const char* (*StringGetCStringProc)(REALstring text);
typedef const unsigned char* (*StringGetPStringProc)(REALstring text);
typedef REALstring (*REALBuildStringProc)(const char* text, intptr_t length);
typedef REALstring (*REALConvertStringProc)(REALstring text, uint32_t encoding);
typedef void (*REALLockObjectProc)(REALobject object);
typedef void (*REALUnlockObjectProc)(REALobject object);
typedef REALstring (*REALpathFromFolderItemProc)(REALfolderItem item);
typedef REALfolderItem (*FolderItemFromPathProc)(const char* path);
typedef void* (*getMovieMovieProc)(REALmovie movie);
typedef void (*REALSetMovieMovieProc)(REALmovie movie, void* qtMovie);
typedef void* (*getMoviePlayerControllerProc)(REALmoviePlayer player);
typedef void* (*REALGetWindowHandleProc)(REALwindow window);
typedef void (*GetControlBoundsProc)(REALcontrol control, struct Rect* bounds);
typedef void (*lockPictureDescriptionProc)(REALpicture picture,
                                           REALpictureDescription* description);
typedef void (*unlockPictureDescriptionProc)(REALpicture picture);
/* deviceContext is a port's device context (QTML's GetPortHDC); the
   picture is drawn scaled into bounds of that port. */
typedef void (*drawPicturePrimitiveProc)(void* deviceContext, REALpicture picture,
                                         const struct Rect* bounds, intptr_t flags);
typedef REALpicture (*REALBuildPictureFromGWorldProc)(struct OpaqueGrafPtr* world, RBBoolean flag);
/* The bitmap REALBuildPictureFromDIB accepts: a BITMAPINFOHEADER, all
   fields little-endian (uint32 size of this header, at least 40; int32
   width > 0; int32 height, positive for rows stored bottom-up, negative for
   top-down; uint16 planes; uint16 bits per pixel 8, 24 or 32; uint32
   compression, 0; uint32 image size; int32 x and y resolution; uint32
   colours used, 0 meaning 256 for 8 bits; uint32 colours important), then,
   for 8 bits, that many palette entries of 4 bytes (blue, green, red, 0),
   then the rows, each padded to a multiple of 4 bytes, pixels as blue,
   green, red (and a fourth byte, ignored, at 32 bits). */
typedef REALpicture (*REALBuildPictureFromDIBProc)(void* bitmap, intptr_t flag);
typedef REALmemoryBlock (*newMemoryBlockProc)(intptr_t size);
typedef void* (*memoryBlockGetPtrProc)(REALmemoryBlock block);
typedef intptr_t (*memoryBlockGetSizeProc)(REALmemoryBlock block);
typedef intptr_t (*RuntimeUBoundProc)(REALarray array);
typedef RBInteger (*RuntimeDirectReadIntArrayProc)(REALarray array, intptr_t index);

#ifdef __cplusplus
}
#endif

#endif /* REALPLUGIN_H */
