// The Sound Input Manager's devices: one virtual input device.
#include <algorithm>
#include <cstring>

#include "MacErrors.h"
#include "Sound.h"
#include "base/api_call.h"
#include "memory/memory.h"

namespace qtml {
namespace {

struct InputDevice {
  const char* name;
};

constexpr InputDevice kInputDevices[] = {{"Virtual Input"}};

// The device's icon and mask (ICN#: two 32 by 32 one-bit images, 4 bytes
// a row): an outlined square over a filled mask.
constexpr Size kIconBytes = 256;

void FillIcon(unsigned char* icon) {
  unsigned char* mask = icon + 128;
  for (int row = 0; row < 32; ++row) {
    unsigned char* line = icon + row * 4;
    bool edge = row == 0 || row == 31;
    line[0] = edge ? 0xFF : 0x80;
    line[1] = edge ? 0xFF : 0x00;
    line[2] = edge ? 0xFF : 0x00;
    line[3] = edge ? 0xFF : 0x01;
    std::memset(mask + row * 4, 0xFF, 4);
  }
}

void CopyName(const char* name, unsigned char* out) {
  size_t length = std::min<size_t>(std::strlen(name), 255);
  out[0] = static_cast<unsigned char>(length);
  std::memcpy(out + 1, name, length);
}

}  // namespace
}  // namespace qtml

extern "C" {

QTML_API OSErr SPBGetIndexedDevice(short count, Str255 deviceName, Handle* deviceIconHandle) try {
  qtml::ApiCall call("SPBGetIndexedDevice", count, deviceName, deviceIconHandle);
  if (deviceIconHandle != nullptr) *deviceIconHandle = nullptr;
  if (OSErr fault = call.Fault()) return call.Return(fault);
  if (count < 1 || count > static_cast<short>(std::size(qtml::kInputDevices))) {
    return call.Return<OSErr>(siBadSoundInDevice);
  }
  if (deviceName == nullptr) return call.Return<OSErr>(paramErr);
  if (deviceIconHandle != nullptr) {
    OSErr err = noErr;
    Handle icon = qtml::NewHandleBytes(qtml::kIconBytes, true, &err);
    if (icon == nullptr) return call.Return(err);
    qtml::FillIcon(reinterpret_cast<unsigned char*>(*icon));
    *deviceIconHandle = icon;
  }
  qtml::CopyName(qtml::kInputDevices[count - 1].name, deviceName);
  return call.Return<OSErr>(noErr);
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

}  // extern "C"
