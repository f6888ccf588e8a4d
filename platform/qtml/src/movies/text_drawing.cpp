#include "movies/text_drawing.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <new>

#include "Fonts.h"
#include "QuickTimeComponents.h"
#include "TextEdit.h"
#include "base/byte_order.h"
#include "movies/sample_descriptions.h"
#include "movies/time_code.h"
#include "quickdraw/matrix.h"
#include "quickdraw/matrix_copy.h"
#include "quickdraw/pixels.h"

namespace qtml {
namespace {

constexpr short kDefaultTextSize = 12;
constexpr int kShadowOffset = 2;
constexpr FT_Fixed kItalicSlant = 0x3400;  // about 0.2, as oblique faces lean

// ---- Reading samples ----

ScrpSTElement ReadStyle(const uint8_t* at) {
  ScrpSTElement style{};
  style.scrpStartChar = static_cast<SInt32>(ReadBE32(at));
  style.scrpHeight = static_cast<SInt16>(ReadBE16(at + 4));
  style.scrpAscent = static_cast<SInt16>(ReadBE16(at + 6));
  style.scrpFont = static_cast<SInt16>(ReadBE16(at + 8));
  style.scrpFace = static_cast<StyleField>(ReadBE16(at + 10));
  style.scrpSize = static_cast<SInt16>(ReadBE16(at + 12));
  style.scrpColor = {ReadBE16(at + 14), ReadBE16(at + 16), ReadBE16(at + 18)};
  return style;
}

void ReadAtom(OSType type, const uint8_t* data, size_t size, TextSampleContent* content) {
  switch (type) {
    case FOUR_CHAR_CODE('styl'): {
      if (size < 2) return;
      size_t count = std::min<size_t>(ReadBE16(data), (size - 2) / 20);
      for (size_t i = 0; i < count; ++i) content->styles.push_back(ReadStyle(data + 2 + i * 20));
      std::stable_sort(content->styles.begin(), content->styles.end(),
                       [](const ScrpSTElement& a, const ScrpSTElement& b) {
                         return a.scrpStartChar < b.scrpStartChar;
                       });
      return;
    }
    case FOUR_CHAR_CODE('hlit'):
      if (size < 8) return;
      content->hiliteStart = static_cast<SInt32>(ReadBE32(data));
      content->hiliteEnd = static_cast<SInt32>(ReadBE32(data + 4));
      return;
    case FOUR_CHAR_CODE('hclr'):
      if (size < 6) return;
      content->hasHiliteColor = true;
      content->hiliteColor = {ReadBE16(data), ReadBE16(data + 2), ReadBE16(data + 4)};
      return;
    case FOUR_CHAR_CODE('tbox'):
      if (size < 8) return;
      content->hasTextBox = true;
      content->textBox = {
          static_cast<short>(ReadBE16(data)), static_cast<short>(ReadBE16(data + 2)),
          static_cast<short>(ReadBE16(data + 4)), static_cast<short>(ReadBE16(data + 6))};
      return;
  }
}

// ---- Characters ----

// Mac OS Roman's upper half, for text that is not UTF-8.
constexpr char16_t kMacRoman[128] = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1, 0x00E0, 0x00E2, 0x00E4, 0x00E3,
    0x00E5, 0x00E7, 0x00E9, 0x00E8, 0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3,
    0x00F2, 0x00F4, 0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC, 0x2020, 0x00B0, 0x00A2, 0x00A3,
    0x00A7, 0x2022, 0x00B6, 0x00DF, 0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8,
    0x221E, 0x00B1, 0x2264, 0x2265, 0x00A5, 0x00B5, 0x2202, 0x2211, 0x220F, 0x03C0, 0x222B, 0x00AA,
    0x00BA, 0x03A9, 0x00E6, 0x00F8, 0x00BF, 0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB,
    0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5, 0x0152, 0x0153, 0x2013, 0x2014, 0x201C, 0x201D,
    0x2018, 0x2019, 0x00F7, 0x25CA, 0x00FF, 0x0178, 0x2044, 0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02,
    0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1, 0x00CB, 0x00C8, 0x00CD, 0x00CE,
    0x00CF, 0x00CC, 0x00D3, 0x00D4, 0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9, 0x0131, 0x02C6, 0x02DC,
    0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7,
};

// The character at text[*at], moving *at past it: UTF-8 when the bytes
// form a sequence, Mac OS Roman one byte at a time otherwise.
char32_t NextCharacter(const std::string& text, size_t* at) {
  auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
  uint8_t lead = byte(*at);
  size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 1;
  if (lead >= 0x80 && length > 1 && lead < 0xF5 && *at + length <= text.size()) {
    char32_t c = lead & (0x7F >> length);
    bool valid = true;
    for (size_t i = 1; i < length && valid; ++i) {
      valid = (byte(*at + i) & 0xC0) == 0x80;
      c = c << 6 | (byte(*at + i) & 0x3F);
    }
    if (valid) {
      *at += length;
      return c;
    }
  }
  ++*at;
  return lead < 0x80 ? lead : kMacRoman[lead - 0x80];
}

// ---- Fonts ----

// The DejaVu file standing in for a QuickDraw font: monospaced for
// Monaco and Courier, serif for New York and Times, sans serif otherwise.
std::string FontFile(short font, bool bold) {
  const char* family = "DejaVuSans";
  if (font == kFontIDMonaco || font == kFontIDCourier) family = "DejaVuSansMono";
  if (font == kFontIDNewYork || font == kFontIDTimes) family = "DejaVuSerif";
  return std::string(QTML_FONT_DIR) + "/" + family + (bold ? "-Bold" : "") + ".ttf";
}

// FreeType and the faces opened so far, kept for the life of the process.
class FontLibrary {
 public:
  ~FontLibrary() {
    for (auto& [path, face] : faces_) FT_Done_Face(face);
    if (library_ != nullptr) FT_Done_FreeType(library_);
  }
  static FontLibrary& Get() {
    static FontLibrary library;
    return library;
  }
  // The face of the file, or nullptr (*err set) when it cannot be opened.
  FT_Face Face(const std::string& path, OSErr* err) {
    if (library_ == nullptr && FT_Init_FreeType(&library_) != 0) {
      library_ = nullptr;
      *err = memFullErr;
      return nullptr;
    }
    auto found = faces_.find(path);
    if (found != faces_.end()) return found->second;
    FT_Face face = nullptr;
    if (FT_New_Face(library_, path.c_str(), 0, &face) != 0) {
      *err = fnfErr;
      return nullptr;
    }
    faces_.emplace(path, face);
    return face;
  }

 private:
  FT_Library library_ = nullptr;
  std::map<std::string, FT_Face> faces_;
};

// How one run of text looks.
struct Look {
  short font = 0;
  short size = kDefaultTextSize;
  StyleField face = 0;
  RGBColor color{0, 0, 0};
};

Look LookOf(const ScrpSTElement& style) {
  return Look{style.scrpFont, style.scrpSize > 0 ? style.scrpSize : kDefaultTextSize,
              style.scrpFace, style.scrpColor};
}

// A face set to a look's size and slant; nullptr (*err set) without one.
FT_Face FaceFor(const Look& look, OSErr* err) {
  FT_Face face = FontLibrary::Get().Face(FontFile(look.font, (look.face & bold) != 0), err);
  if (face == nullptr) return nullptr;
  if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(look.size)) != 0) {
    *err = paramErr;
    return nullptr;
  }
  FT_Matrix slant{0x10000, (look.face & italic) != 0 ? kItalicSlant : 0, 0, 0x10000};
  FT_Set_Transform(face, &slant, nullptr);
  return face;
}

// ---- Layout ----

struct Glyph {
  char32_t c;
  long byte;  // where the character starts in the text
  Look look;
  FT_Face face;
  int advance;
  int x = 0;  // from the line's start
};

struct Line {
  std::vector<Glyph> glyphs;
  int width = 0;
  int ascent = 0;
  int descent = 0;
};

bool IsBreak(char32_t c) {
  return c == '\r' || c == '\n';
}

// The look of the character at byte `at`: the last run starting at or
// before it, the description's style before the first.
Look LookAt(const TextSampleContent& content, const Look& base, long at) {
  Look look = base;
  for (const ScrpSTElement& run : content.styles) {
    if (run.scrpStartChar > at) break;
    look = LookOf(run);
  }
  return look;
}

OSErr ShapeText(const TextSampleContent& content, const Look& base, std::vector<Glyph>* glyphs) {
  const std::string& text = content.text;
  for (size_t at = 0; at < text.size();) {
    long start = static_cast<long>(at);
    char32_t c = NextCharacter(text, &at);
    if (c == '\r' && at < text.size() && text[at] == '\n') ++at;
    Glyph glyph{c, start, LookAt(content, base, start), nullptr, 0};
    OSErr err = noErr;
    glyph.face = FaceFor(glyph.look, &err);
    if (glyph.face == nullptr) return err;
    if (!IsBreak(c) && FT_Load_Char(glyph.face, c, FT_LOAD_DEFAULT) == 0) {
      glyph.advance = static_cast<int>(glyph.face->glyph->advance.x >> 6);
    }
    glyphs->push_back(glyph);
  }
  return noErr;
}

void Measure(Line& line, const Look& base, OSErr* err) {
  int x = 0;
  for (Glyph& glyph : line.glyphs) {
    glyph.x = x;
    x += glyph.advance;
  }
  line.width = x;
  // An empty line keeps the height of the description's style.
  if (line.glyphs.empty()) {
    if (FT_Face face = FaceFor(base, err)) {
      line.ascent = static_cast<int>(face->size->metrics.ascender >> 6);
      line.descent = static_cast<int>(-face->size->metrics.descender >> 6);
    }
    return;
  }
  for (const Glyph& glyph : line.glyphs) {
    FT_Face face = FaceFor(glyph.look, err);
    if (face == nullptr) return;
    line.ascent = std::max(line.ascent, static_cast<int>(face->size->metrics.ascender >> 6));
    line.descent = std::max(line.descent, static_cast<int>(-face->size->metrics.descender >> 6));
  }
}

// Breaks the glyphs into lines at line breaks and, past `width`, after the
// last space that fits (or the last character, for a word wider than the
// box).
std::vector<Line> BreakLines(const std::vector<Glyph>& glyphs, int width) {
  std::vector<Line> lines(1);
  int x = 0;
  size_t lastSpace = 0;  // in the current line, + 1; 0: none
  for (const Glyph& glyph : glyphs) {
    Line* line = &lines.back();
    if (IsBreak(glyph.c)) {
      lines.emplace_back();
      x = 0;
      lastSpace = 0;
      continue;
    }
    if (x + glyph.advance > width && !line->glyphs.empty() && glyph.c != ' ') {
      Line next;
      size_t keep = lastSpace > 0 ? lastSpace : line->glyphs.size();
      next.glyphs.assign(line->glyphs.begin() + static_cast<long>(keep), line->glyphs.end());
      line->glyphs.resize(keep);
      lines.push_back(std::move(next));
      line = &lines.back();
      x = 0;
      for (const Glyph& moved : line->glyphs) x += moved.advance;
      lastSpace = 0;
    }
    line->glyphs.push_back(glyph);
    x += glyph.advance;
    if (glyph.c == ' ') lastSpace = line->glyphs.size();
  }
  return lines;
}

// ---- Painting ----

// A picture of the track, pixels 0xAARRGGBB while painting, then a 32-bit
// pixel map (bytes A, R, G, B) to draw.
struct Canvas {
  Canvas(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w) * h) {}
  const PixMap& Map() {
    bytes.resize(pixels.size() * 4);
    for (size_t i = 0; i < pixels.size(); ++i) WriteBE32(&bytes[i * 4], pixels[i]);
    map.baseAddr = reinterpret_cast<Ptr>(bytes.data());
    map.rowBytes = static_cast<short>(0x8000 | (width * 4));
    map.bounds = Rect{0, 0, static_cast<short>(height), static_cast<short>(width)};
    map.pixelSize = 32;
    map.pixelFormat = 32;
    return map;
  }
  int width;
  int height;
  std::vector<Argb> pixels;
  std::vector<uint8_t> bytes;
  PixMap map{};
  Rect clip{};  // where text may paint
  bool keyed = false;
  bool smooth = true;
};

uint8_t Mix(uint8_t from, uint8_t to, unsigned weight) {
  return static_cast<uint8_t>((from * (255 - weight) + to * weight + 127) / 255);
}

// Covers one pixel with `color` by `coverage` (0 to 255). Keyed text keeps
// its background transparent: the coverage becomes the pixel's alpha.
void Cover(Canvas& canvas, int x, int y, Argb color, unsigned coverage) {
  if (x < canvas.clip.left || x >= canvas.clip.right || y < canvas.clip.top ||
      y >= canvas.clip.bottom) {
    return;
  }
  if (!canvas.smooth) coverage = coverage >= 128 ? 255 : 0;
  if (coverage == 0) return;
  Argb& at = canvas.pixels[static_cast<size_t>(y) * canvas.width + x];
  if (canvas.keyed) {
    unsigned alpha = std::max<unsigned>(at >> 24, coverage);
    at = static_cast<Argb>(alpha) << 24 | (color & 0xFFFFFF);
    return;
  }
  auto channel = [&](int shift) {
    return static_cast<Argb>(Mix(static_cast<uint8_t>(at >> shift),
                                 static_cast<uint8_t>(color >> shift), coverage))
           << shift;
  };
  at = 0xFF000000u | channel(16) | channel(8) | channel(0);
}

void FillArea(Canvas& canvas, int left, int top, int right, int bottom, Argb color) {
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) Cover(canvas, x, y, color, 255);
  }
}

void InvertArea(Canvas& canvas, int left, int top, int right, int bottom) {
  Rect area = Intersect(Rect{static_cast<short>(top), static_cast<short>(left),
                             static_cast<short>(bottom), static_cast<short>(right)},
                        canvas.clip);
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      Argb& at = canvas.pixels[static_cast<size_t>(y) * canvas.width + x];
      at = (at & 0xFF000000u) | (~at & 0xFFFFFF);
    }
  }
}

// Draws a glyph's coverage with its pen at (x, baseline).
void PaintGlyph(Canvas& canvas, const Glyph& glyph, int x, int baseline, Argb color) {
  if (FT_Load_Char(glyph.face, glyph.c, FT_LOAD_RENDER) != 0) return;
  const FT_GlyphSlot slot = glyph.face->glyph;
  const FT_Bitmap& bitmap = slot->bitmap;
  if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) return;
  for (unsigned row = 0; row < bitmap.rows; ++row) {
    const uint8_t* line = bitmap.buffer + static_cast<long>(row) * bitmap.pitch;
    for (unsigned col = 0; col < bitmap.width; ++col) {
      Cover(canvas, x + slot->bitmap_left + static_cast<int>(col),
            baseline - slot->bitmap_top + static_cast<int>(row), color, line[col]);
    }
  }
  if ((glyph.look.face & underline) != 0) {
    FillArea(canvas, x, baseline + 1, x + glyph.advance, baseline + 2, color);
  }
}

struct Highlight {
  long start;
  long end;
  bool hasColor;
  Argb color;
};

bool Highlighted(const Highlight& hilite, const Glyph& glyph) {
  return glyph.byte >= hilite.start && glyph.byte < hilite.end;
}

// The left edge of a line in the box by the justification.
int LineStart(const Line& line, const Rect& box, long justification) {
  int room = box.right - box.left - line.width;
  if (justification == teCenter) return box.left + room / 2;
  if (justification == teFlushRight) return box.left + room;
  return box.left;
}

void PaintLines(Canvas& canvas, const std::vector<Line>& lines, const Rect& box,
                const TextDescription& desc, const Highlight& hilite) {
  int top = box.top;
  for (const Line& line : lines) {
    int left = LineStart(line, box, desc.textJustification);
    int baseline = top + line.ascent;
    int bottom = baseline + line.descent;
    for (const Glyph& glyph : line.glyphs) {
      if (Highlighted(hilite, glyph) && hilite.hasColor) {
        FillArea(canvas, left + glyph.x, top, left + glyph.x + glyph.advance, bottom, hilite.color);
      }
    }
    for (const Glyph& glyph : line.glyphs) {
      if ((desc.displayFlags & dfDropShadow) != 0) {
        PaintGlyph(canvas, glyph, left + glyph.x + kShadowOffset, baseline + kShadowOffset,
                   0x808080);
      }
      PaintGlyph(canvas, glyph, left + glyph.x, baseline, ArgbFromRGB(glyph.look.color));
    }
    for (const Glyph& glyph : line.glyphs) {
      if (Highlighted(hilite, glyph) && !hilite.hasColor) {
        InvertArea(canvas, left + glyph.x, top, left + glyph.x + glyph.advance, bottom);
      }
    }
    top = bottom;
  }
}

OSErr DrawCanvas(Canvas& canvas, const TextTarget& target) {
  short mode = canvas.keyed ? static_cast<short>(graphicsModeStraightAlpha) : target.mode;
  const PixMap& map = canvas.Map();
  return DrawPixMapThroughMatrix(map, map.bounds, *target.port, &target.matrix, mode,
                                 target.opColor, target.clip);
}

// The text's box: the sample's, the description's, or the whole track.
Rect TextBoxOf(const TextSampleContent& content, const TextDescription& desc, const Rect& track) {
  Rect box = content.hasTextBox ? content.textBox : desc.defaultTextBox;
  return IsEmpty(box) ? track : box;
}

// Lays out and paints text over a canvas filled with `background`.
OSErr PaintText(Canvas& canvas, const TextSampleContent& content, const TextDescription& desc,
                const Look& base, const Rect& box, Argb background) {
  std::fill(canvas.pixels.begin(), canvas.pixels.end(), canvas.keyed ? 0 : background);
  std::vector<Glyph> glyphs;
  if (OSErr err = ShapeText(content, base, &glyphs)) return err;
  std::vector<Line> lines = BreakLines(glyphs, std::max(1, box.right - box.left));
  OSErr err = noErr;
  for (Line& line : lines) {
    Measure(line, base, &err);
    if (err != noErr) return err;
  }
  Highlight hilite{content.hiliteStart, content.hiliteEnd, content.hasHiliteColor,
                   ArgbFromRGB(content.hiliteColor)};
  PaintLines(canvas, lines, box, desc, hilite);
  return noErr;
}

}  // namespace

bool ReadTextSample(const uint8_t* bytes, size_t size, TextSampleContent* content) {
  if (bytes == nullptr || size < 2) return false;
  size_t length = ReadBE16(bytes);
  if (2 + length > size) return false;
  *content = TextSampleContent{};
  content->text.assign(reinterpret_cast<const char*>(bytes + 2), length);
  size_t at = 2 + length;
  while (at + 8 <= size) {
    size_t atomSize = ReadBE32(bytes + at);
    if (atomSize < 8 || atomSize > size - at) break;
    ReadAtom(ReadBE32(bytes + at + 4), bytes + at + 8, atomSize - 8, content);
    at += atomSize;
  }
  return true;
}

OSErr DrawTextSample(const uint8_t* bytes, size_t size, const TextDescription& desc, short width,
                     short height, const TextTarget& target) {
  TextSampleContent content;
  if (!ReadTextSample(bytes, size, &content)) return paramErr;
  if ((desc.displayFlags & dfDontDisplay) != 0 || width <= 0 || height <= 0) return noErr;
  try {
    Canvas canvas(width, height);
    Rect track{0, 0, height, width};
    Rect box = TextBoxOf(content, desc, track);
    canvas.clip = (desc.displayFlags & dfClipToTextBox) != 0 ? Intersect(box, track) : track;
    canvas.keyed = (desc.displayFlags & dfKeyedText) != 0;
    canvas.smooth = (desc.displayFlags & dfAntiAlias) != 0;
    OSErr err =
        PaintText(canvas, content, desc, LookOf(desc.defaultStyle), box, ArgbFromRGB(desc.bgColor));
    return err != noErr ? err : DrawCanvas(canvas, target);
  } catch (const std::bad_alloc&) {
    return memFullErr;
  }
}

OSErr DrawTimeCodeText(const std::string& text, const TimeCodeDisplay& display, short width,
                       short height, const TextTarget& target) {
  Look look{display.font, display.size > 0 ? display.size : kDefaultTextSize,
            static_cast<StyleField>(display.face), display.foreColor};
  OSErr err = noErr;
  FT_Face face = FaceFor(look, &err);
  if (face == nullptr) return err;
  int lineHeight =
      static_cast<int>((face->size->metrics.ascender - face->size->metrics.descender) >> 6);
  TextSampleContent content;
  content.text = text;
  try {
    // A track of no size shows the text in a box of its own.
    if (width <= 0 || height <= 0) {
      std::vector<Glyph> glyphs;
      if ((err = ShapeText(content, look, &glyphs)) != noErr) return err;
      int textWidth = 0;
      for (const Glyph& glyph : glyphs) textWidth += glyph.advance;
      width = static_cast<short>(textWidth + 4);
      height = static_cast<short>(lineHeight + 2);
    }
    Canvas canvas(width, height);
    canvas.clip = Rect{0, 0, height, width};
    TextDescription desc{};
    desc.textJustification = teCenter;
    desc.displayFlags = dfAntiAlias;
    short top = static_cast<short>(std::max(0, (height - lineHeight) / 2));
    Rect box{top, 0, height, width};
    err = PaintText(canvas, content, desc, look, box, ArgbFromRGB(display.backColor));
    return err != noErr ? err : DrawCanvas(canvas, target);
  } catch (const std::bad_alloc&) {
    return memFullErr;
  }
}

bool IsDrawnAsText(const MediaRecord& media) {
  if (media.type == TextMediaType) return true;
  return media.type == TimeCodeMediaType && (media.timeCode.flags & tcdfShowTimeCode) != 0;
}

namespace {

// The sample's bytes and its description's fields in the machine's order.
OSErr ReadSample(MediaRecord& media, const SampleTable::Walker& w, std::vector<uint8_t>* bytes,
                 std::vector<uint8_t>* description) {
  SampleEntry entry = w.entry();
  if (entry.descriptionIndex < 1 || entry.descriptionIndex > media.descriptions.size()) {
    return invalidSampleDescIndex;
  }
  *description = media.descriptions[entry.descriptionIndex - 1];
  ConvertDescriptionFields(media.type, description->data(), description->size(), true);
  OSErr err = noErr;
  DataStore* store = DescriptionStore(media, entry.descriptionIndex, false, &err);
  if (store == nullptr) return err;
  bytes->resize(entry.size);
  if (entry.size > 0 && !store->Read(entry.offset, bytes->data(), entry.size)) return ioErr;
  return noErr;
}

// The time code a sample shows at media time t: its frame number, moved
// on by the frames since the sample began.
std::string TimeCodeAt(const MediaRecord& media, const SampleTable::Walker& w,
                       const std::vector<uint8_t>& bytes, const TimeCodeDescription& desc,
                       TimeValue t) {
  if (bytes.size() < 4) return {};
  const TimeCodeDef& def = desc.timeCodeDef;
  SInt64 frames = 0;
  if (def.frameDuration > 0 && media.timeScale > 0) {
    frames =
        (SInt64{t} - w.start()) * def.fTimeScale / (SInt64{media.timeScale} * def.frameDuration);
  }
  auto frameNumber = static_cast<SInt32>(ReadBE32(bytes.data()));
  return TimeCodeText(static_cast<SInt32>(frameNumber + frames), def);
}

}  // namespace

OSErr DrawTextTrack(TrackRecord& track, int64_t sample, TimeValue mediaTime, Port& port,
                    RgnHandle clip) {
  MediaRecord& media = *track.media;
  SampleTable::Walker w(media.samples, static_cast<uint64_t>(sample));
  std::vector<uint8_t> bytes, fields;
  try {
    if (OSErr err = ReadSample(media, w, &bytes, &fields)) return err;
  } catch (const std::bad_alloc&) {
    return memFullErr;
  }
  TextTarget target{&port, Concat(track.matrix, track.movie->matrix), media.graphicsMode,
                    media.opColor, clip};
  auto width = static_cast<short>(track.width >> 16);
  auto height = static_cast<short>(track.height >> 16);
  if (media.type == TextMediaType) {
    TextDescription desc{};
    std::memcpy(&desc, fields.data(), std::min(fields.size(), sizeof desc));
    return DrawTextSample(bytes.data(), bytes.size(), desc, width, height, target);
  }
  if (fields.size() < sizeof(TimeCodeDescription)) return badImageDescription;
  TimeCodeDescription desc;
  std::memcpy(&desc, fields.data(), sizeof desc);
  std::string text = TimeCodeAt(media, w, bytes, desc, mediaTime);
  if (text.empty()) return noErr;
  return DrawTimeCodeText(text, media.timeCode, width, height, target);
}

}  // namespace qtml
