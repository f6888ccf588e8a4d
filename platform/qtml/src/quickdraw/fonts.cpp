// The Font Manager's numbers and names of QuickDraw's classic fonts.
#include <cstring>
#include <strings.h>

#include "Fonts.h"
#include "base/api_call.h"

namespace qtml {
namespace {

struct FontEntry {
  short number;
  const char* name;
};

// The application font is Geneva; it comes last so that looking a name up
// finds the font's own number.
constexpr FontEntry kFonts[] = {
    {systemFont, "System"},      {kFontIDNewYork, "New York"}, {kFontIDGeneva, "Geneva"},
    {kFontIDMonaco, "Monaco"},   {kFontIDTimes, "Times"},      {kFontIDHelvetica, "Helvetica"},
    {kFontIDCourier, "Courier"}, {applFont, "Geneva"},
};

}  // namespace
}  // namespace qtml

extern "C" {

QTML_API void GetFontName(short familyID, Str255 name) try {
  qtml::ApiCall call("GetFontName", familyID);
  if (name == nullptr) return;
  name[0] = 0;
  for (const auto& font : qtml::kFonts) {
    if (font.number != familyID) continue;
    size_t length = std::strlen(font.name);
    name[0] = static_cast<unsigned char>(length);
    std::memcpy(name + 1, font.name, length);
    return;
  }
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API void GetFNum(ConstStr255Param name, short* familyID) try {
  qtml::ApiCall call("GetFNum", qtml::PString{name});
  if (familyID == nullptr) return;
  *familyID = 0;
  if (name == nullptr) return;
  for (const auto& font : qtml::kFonts) {
    if (std::strlen(font.name) == name[0] &&
        strncasecmp(font.name, reinterpret_cast<const char*>(name + 1), name[0]) == 0) {
      *familyID = font.number;
      return;
    }
  }
} catch (...) {
  return qtml::Escaped<void>();
}

}  // extern "C"
