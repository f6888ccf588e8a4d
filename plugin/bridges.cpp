#include "plugin/bridges.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <string>

#include "FixMath.h"
#include "MacErrors.h"
#include "MacMemory.h"
#include "QTML.h"
#include "plugin/host_services.h"

namespace fenra {

std::string_view HostStringText(REALstring text) {
  if (text == nullptr) return {};
  const auto* data = reinterpret_cast<const REALstringData*>(text);
  if (data->buffer == nullptr || data->length <= 0) return {};
  return std::string_view(data->buffer + 1, static_cast<size_t>(data->length));
}

OSType TextToOSType(std::string_view text) {
  OSType code = 0x20202020;  // four spaces
  for (size_t i = 0; i < 4 && i < text.size(); ++i) {
    int shift = 24 - 8 * static_cast<int>(i);
    code =
        (code & ~(0xFFu << shift)) | (static_cast<OSType>(static_cast<uint8_t>(text[i])) << shift);
  }
  return code;
}

OSType StringToOSType(REALstring text) {
  return TextToOSType(HostStringText(text));
}

void OSTypeToCString(OSType code, char* buffer) {
  if (buffer == nullptr) return;
  for (int i = 0; i < 4; ++i) buffer[i] = static_cast<char>((code >> (24 - 8 * i)) & 0xFF);
  buffer[4] = 0;
}

REALstring OSTypeToHostString(OSType code) {
  char text[5];
  OSTypeToCString(code, text);
  return host::REALBuildString(text, 4);
}

REALstring MakeHostString(const char* text) {
  if (text == nullptr) return MakeHostString();
  return host::REALBuildString(text, static_cast<intptr_t>(std::strlen(text)));
}

REALstring MakeHostString(const char* text, size_t length) {
  if (text == nullptr) return MakeHostString();
  return host::REALBuildString(text, static_cast<intptr_t>(length));
}

REALstring MakeHostPString(const unsigned char* text) {
  if (text == nullptr) return MakeHostString();
  return host::REALBuildString(reinterpret_cast<const char*>(text + 1), text[0]);
}

REALstring MakeHostStringFromHandle(Handle handle, int32_t* err) {
  if (handle == nullptr || *handle == nullptr) return MakeHostString();
  Size size = 0;
  OSErr measured = HandleSize(handle, &size);
  if (measured != noErr) {
    if (err != nullptr) *err = measured;
    return MakeHostString();
  }
  return host::REALBuildString(*handle, size);
}

OSErr HandleSize(Handle handle, Size* size) {
  *size = 0;
  if (handle == nullptr) return nilHandleErr;
  Size measured = GetHandleSize(handle);
  if (OSErr err = MemError()) return err;
  if (measured < 0) return memSCErr;
  *size = measured;
  return noErr;
}

bool DoubleToFixed(double value, Fixed* fixed) {
  if (!std::isfinite(value)) return false;
  *fixed = X2Fix(value);
  return true;
}

REALstring MakeHostString() {
  return host::REALBuildString("", 0);
}

std::string FolderItemPath(REALfolderItem item) {
  if (item == nullptr) return {};
  REALstring path = host::REALpathFromFolderItem(item);
  const char* text = host::StringGetCString(path);
  std::string result = text != nullptr ? text : "";
  host::REALUnlockObject(reinterpret_cast<REALobject>(path));
  return result;
}

OSErr FolderItemToFSSpec(REALfolderItem item, FSSpec* spec) {
  if (item == nullptr || spec == nullptr) return paramErr;
  std::string path = FolderItemPath(item);
  OSErr result = NativePathNameToFSSpec(path.data(), spec, 0);
  return result == fnfErr ? OSErr{noErr} : result;
}

REALfolderItem FSSpecToFolderItem(const FSSpec* spec) {
  if (spec == nullptr) return nullptr;
  char path[PATH_MAX];
  if (FSSpecToNativePathName(spec, path, sizeof path, 0) != noErr) return nullptr;
  return host::FolderItemFromPath(path);
}

void IntArrayToRect(REALarray array, Rect* rect) {
  if (rect == nullptr) return;
  *rect = Rect{0, 0, 0, 0};
  if (array == nullptr || host::RuntimeUBound(array) != 3) return;
  auto element = [array](intptr_t index) {
    return static_cast<short>(host::RuntimeDirectReadIntArray(array, index));
  };
  rect->left = element(0);
  rect->top = element(1);
  rect->right = element(2);
  rect->bottom = element(3);
}

void ColorToRGB(RBColor color, RGBColor* rgb) {
  if (rgb == nullptr) return;
  rgb->red = static_cast<unsigned short>(((color >> 16) & 255) * 257);
  rgb->green = static_cast<unsigned short>(((color >> 8) & 255) * 257);
  rgb->blue = static_cast<unsigned short>((color & 255) * 257);
}

RBColor RGBToColor(const RGBColor& rgb) {
  return (rgb.red / 257u) * 65536u + (rgb.green / 257u) * 256u + rgb.blue / 257u;
}

void PictureSize(REALpicture picture, short* width, short* height) {
  short w = 0, h = 0;
  if (picture != nullptr) {
    REALpictureDescription description{};
    host::lockPictureDescription(picture, &description);
    w = static_cast<short>(description.width);
    h = static_cast<short>(description.height);
    host::unlockPictureDescription(picture);
  }
  if (width != nullptr) *width = w;
  if (height != nullptr) *height = h;
}

namespace {

// Draws into the current port's device context, then restores the world
// that was current before.
void DrawIntoWorld(REALpicture picture, GWorldPtr world, const Rect& bounds) {
  CGrafPtr savedPort = nullptr;
  GDHandle savedDevice = nullptr;
  GetGWorld(&savedPort, &savedDevice);
  SetGWorld(world, nullptr);
  host::drawPicturePrimitive(GetPortHDC(reinterpret_cast<GrafPtr>(world)), picture, &bounds, 0);
  SetGWorld(savedPort, savedDevice);
}

Rect PictureBounds(REALpicture picture, const Rect* bounds) {
  if (bounds != nullptr) return *bounds;
  short width = 0, height = 0;
  PictureSize(picture, &width, &height);
  return Rect{0, 0, height, width};
}

bool IsEmpty(const Rect& r) {
  return r.bottom <= r.top || r.right <= r.left;
}

}  // namespace

OSErr DrawPictureInGWorld(REALpicture picture, GWorldPtr world) {
  if (picture == nullptr || world == nullptr) return paramErr;
  Rect bounds;
  GetPortBounds(world, &bounds);
  if (IsEmpty(bounds)) return paramErr;
  DrawIntoWorld(picture, world, bounds);
  return noErr;
}

OSErr PictureToGWorld(REALpicture picture, GWorldPtr* world, const Rect* bounds) {
  if (picture == nullptr || world == nullptr) return paramErr;
  Rect frame = PictureBounds(picture, bounds);
  if (IsEmpty(frame)) return paramErr;
  OSErr result = NewGWorld(world, 0, &frame, nullptr, nullptr, 0);
  if (result != noErr) return result;
  if (!LockPixels(GetGWorldPixMap(*world))) {
    result = QDError();
    DisposeGWorld(*world);
    *world = nullptr;
    return result;
  }
  DrawIntoWorld(picture, *world, frame);
  return noErr;
}

OSErr PictureToPicHandle(REALpicture picture, PicHandle* result, const Rect* bounds) {
  if (picture == nullptr || result == nullptr) return paramErr;
  GWorldPtr world = nullptr;
  OSErr err = PictureToGWorld(picture, &world, bounds);
  if (err != noErr) return err;
  Rect frame = PictureBounds(picture, bounds);
  CGrafPtr savedPort = nullptr;
  GDHandle savedDevice = nullptr;
  GetGWorld(&savedPort, &savedDevice);
  SetGWorld(world, nullptr);
  PicHandle recorded = OpenPicture(&frame);
  if (recorded == nullptr) {
    err = memFullErr;
  } else {
    host::drawPicturePrimitive(GetPortHDC(reinterpret_cast<GrafPtr>(world)), picture, &frame, 0);
    ClosePicture();
    *result = recorded;
  }
  PixMapHandle pixels = GetGWorldPixMap(world);
  if (GetPixelsState(pixels) & pixelsLocked) UnlockPixels(pixels);
  DisposeGWorld(world);
  SetGWorld(savedPort, savedDevice);
  return err;
}

void CopyFSSpec(FSSpec* destination, const FSSpec* source) {
  if (destination == nullptr || source == nullptr) return;
  destination->vRefNum = source->vRefNum;
  destination->parID = source->parID;
  std::memcpy(destination->name, source->name, source->name[0] + 1u);
}

ProgressWindow CreateProgressWindow(const Rect*, ConstStr255Param, ConstStr255Param, long, long) {
  return nullptr;
}

void UpdateProgressWindow(ProgressWindow, long, long) {}

void DisposeProgressWindow(ProgressWindow window) {
  // No window is ever made here; a reference would come from a platform
  // that shows one.
  (void)window;
}

}  // namespace fenra
