// A plugin source that reaches past QuickTime's API into the engine's own
// sources: it includes a private header and calls an internal function.
// The plugin's build must refuse it (see CMakeLists.txt beside it).
#include "platform/qtml/src/quickdraw/pict_codec.h"

extern "C" __attribute__((visibility("default"))) size_t PackedSize(const uint8_t* row,
                                                                    size_t count) {
  std::vector<uint8_t> packed;
  qtml::pict::PackBits(row, count, &packed);
  return packed.size();
}
