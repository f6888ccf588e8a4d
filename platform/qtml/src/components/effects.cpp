// The brightness and contrast effect ('brco'): one source, two
// parameters. Its parameter list (ImageCodecGetParameterList) is an atom
// container of top-level atoms:
//   'srcs' 1  the number of sources (SInt32, 1)
//   'bryt' 1  brightness, -100 to 100 (SInt32, 0: unchanged)
//   'cntr' 1  contrast, -100 to 100 (SInt32, 0: unchanged)
// An effect description is such a container with a 'src ' atom naming each
// source ('srcA'); values are big-endian, as atom data always is. Each
// channel c (0 to 255) becomes (c - 128) × (100 + contrast) / 100 + 128 +
// brightness × 255 / 100, kept within 0 to 255; alpha is kept.
#include "components/effects.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "Movies.h"
#include "base/api_call.h"
#include "base/byte_order.h"
#include "components/component_selectors.h"
#include "memory/memory.h"
#include "movies/atom_container.h"
#include "quickdraw/pixels.h"

namespace qtml {
namespace {

using atoms::DisposeContainer;
using atoms::FindChildByIndex;
using atoms::GetData;
using atoms::InsertChild;
using atoms::NewContainer;

constexpr CodecType kBrightnessContrast = 'brco';
constexpr SInt16 kSelectors[] = {kImageCodecGetParameterListSelect};

class EffectImplementation final : public ComponentImplementation {
 public:
  bool Implements(SInt16 selector) const override { return InSelectorTable(kSelectors, selector); }
};

ComponentImplementation* NewEffectImplementation() {
  return new (std::nothrow) EffectImplementation;
}

OSErr AddLong(QTAtomContainer container, QTAtomType type, SInt32 value) {
  uint8_t bytes[4];
  WriteBE32(bytes, static_cast<uint32_t>(value));
  return InsertChild(container, kParentAtomIsContainer, type, 1, 0, sizeof bytes, bytes, nullptr);
}

OSErr NewParameterList(QTAtomContainer* list) {
  *list = nullptr;
  QTAtomContainer container = nullptr;
  OSErr err = NewContainer(&container);
  if (err != noErr) return err;
  if ((err = AddLong(container, 'srcs', 1)) == noErr &&
      (err = AddLong(container, 'bryt', 0)) == noErr &&
      (err = AddLong(container, 'cntr', 0)) == noErr) {
    *list = container;
    return noErr;
  }
  DisposeContainer(container);
  return err;
}

// A parameter of the description: the first atom of the type, read as a
// big-endian SInt32; `fallback` when there is none.
SInt32 Parameter(QTAtomContainer description, QTAtomType type, SInt32 fallback) {
  QTAtom atom = 0;
  if (FindChildByIndex(description, kParentAtomIsContainer, type, 1, &atom, nullptr) != noErr) {
    return fallback;
  }
  const char* data = nullptr;
  long size = 0;
  if (GetData(description, atom, &data, &size) != noErr || size < 4) return fallback;
  return static_cast<SInt32>(ReadBE32(data));
}

// The 256 values a channel takes.
void BuildTable(SInt32 brightness, SInt32 contrast, uint8_t table[256]) {
  brightness = std::clamp<SInt32>(brightness, -100, 100);
  contrast = std::clamp<SInt32>(contrast, -100, 100);
  for (int c = 0; c < 256; ++c) {
    double v = (c - 128) * (100.0 + contrast) / 100.0 + 128.0 + brightness * 255.0 / 100.0;
    table[c] = static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
  }
}

}  // namespace

bool IsEffectType(CodecType type) noexcept {
  return type == kBrightnessContrast;
}

void AppendEffectComponents(std::vector<ComponentEntry>* entries) {
  entries->push_back(ComponentEntry{decompressorComponentType, kBrightnessContrast, 'appl',
                                    codecInfoHasEffectParameterList, "Brightness and Contrast",
                                    "Changes the brightness and contrast of an image", 0x00070000,
                                    NewEffectImplementation});
}

OSErr RenderEffect(CodecType type, const void* description, long size,
                   const PixMap* const sources[2], const PixMap& out) {
  if (type != kBrightnessContrast) return noCodecErr;
  const PixMap* source = sources[0];
  if (source == nullptr || source->baseAddr == nullptr || description == nullptr || size < 0) {
    return paramErr;
  }
  OSErr err = noErr;
  Handle container = NewHandleBytes(size, false, &err);
  if (container == nullptr) return err;
  std::memcpy(*container, description, static_cast<size_t>(size));
  uint8_t table[256];
  BuildTable(Parameter(container, 'bryt', 0), Parameter(container, 'cntr', 0), table);
  FreeHandle(container);
  const Rect& from = source->bounds;
  int width = std::min(from.right - from.left, out.bounds.right - out.bounds.left);
  int height = std::min(from.bottom - from.top, out.bounds.bottom - out.bounds.top);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      Argb c = GetPixel(*source, from.left + x, from.top + y);
      Argb mapped = (c & 0xFF000000u) | static_cast<Argb>(table[(c >> 16) & 0xFF]) << 16 |
                    static_cast<Argb>(table[(c >> 8) & 0xFF]) << 8 | table[c & 0xFF];
      SetPixel(out, out.bounds.left + x, out.bounds.top + y, mapped);
    }
  }
  return noErr;
}

}  // namespace qtml

using qtml::ApiCall;

extern "C" {

ComponentResult ImageCodecGetParameterList(ComponentInstance ci, Handle* parameterDescription) try {
  ApiCall call("ImageCodecGetParameterList", ci, parameterDescription);
  if (OSErr fault = call.Fault()) return call.Return<ComponentResult>(fault);
  ComponentResult result = noErr;
  if (qtml::EnterSelector(ci, kImageCodecGetParameterListSelect, &result) == nullptr) {
    return call.Return(result);
  }
  if (parameterDescription == nullptr) return call.Return<ComponentResult>(paramErr);
  return call.Return<ComponentResult>(qtml::NewParameterList(parameterDescription));
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

}  // extern "C"
