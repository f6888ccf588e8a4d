// The text media handler's call that adds a text sample: the text with its
// 16-bit length in front, its style in a 'styl' atom and, when asked for,
// its highlighting ('hlit', 'hclr') and scroll delay ('dlay') atoms, all
// big-endian; a text description built from the same settings describes it.
#include <cstring>
#include <vector>

#include "memory/memory.h"
#include "movies/movie_calls.h"
#include "movies/movie_edit_list.h"

namespace qtml {
namespace {

void PutBE16(std::vector<uint8_t>& out, UInt16 v) {
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v));
}

void PutBE32(std::vector<uint8_t>& out, UInt32 v) {
  PutBE16(out, static_cast<UInt16>(v >> 16));
  PutBE16(out, static_cast<UInt16>(v));
}

ScrpSTElement StyleOf(short font, short size, Style face, const RGBColor& color) {
  ScrpSTElement style{};
  style.scrpHeight = static_cast<SInt16>(size + size / 4);
  style.scrpAscent = size;
  style.scrpFont = font;
  style.scrpFace = face;
  style.scrpSize = size;
  style.scrpColor = color;
  return style;
}

// What a sample carries besides its text and style.
struct TextExtras {
  short hiliteStart;
  short hiliteEnd;  // no highlighting unless past hiliteStart
  const RGBColor* hiliteColor;
  TimeValue scrollDelay;
};

void PutColor(std::vector<uint8_t>& out, const RGBColor& color) {
  for (UInt16 channel : {color.red, color.green, color.blue}) PutBE16(out, channel);
}

// The sample's bytes: length, text, one style run over all of it, then the
// highlighted range with its colour and the scroll delay when there are
// any.
std::vector<uint8_t> TextSample(const char* text, UInt16 size, const ScrpSTElement& style,
                                const TextExtras& extras) {
  std::vector<uint8_t> bytes;
  PutBE16(bytes, size);
  if (size > 0) bytes.insert(bytes.end(), text, text + size);
  PutBE32(bytes, 8 + 2 + 20);
  PutBE32(bytes, 'styl');
  PutBE16(bytes, 1);
  PutBE32(bytes, 0);
  for (SInt16 field :
       {style.scrpHeight, style.scrpAscent, style.scrpFont, style.scrpFace, style.scrpSize}) {
    PutBE16(bytes, static_cast<UInt16>(field));
  }
  PutColor(bytes, style.scrpColor);
  if (extras.hiliteEnd > extras.hiliteStart) {
    PutBE32(bytes, 8 + 8);
    PutBE32(bytes, 'hlit');
    PutBE32(bytes, static_cast<UInt32>(extras.hiliteStart));
    PutBE32(bytes, static_cast<UInt32>(extras.hiliteEnd));
    if (extras.hiliteColor != nullptr) {
      PutBE32(bytes, 8 + 6);
      PutBE32(bytes, 'hclr');
      PutColor(bytes, *extras.hiliteColor);
    }
  }
  if (extras.scrollDelay != 0) {
    PutBE32(bytes, 8 + 4);
    PutBE32(bytes, 'dlay');
    PutBE32(bytes, static_cast<UInt32>(extras.scrollDelay));
  }
  return bytes;
}

struct TextSettings {
  long displayFlags;
  short justification;
  RGBColor background;
  Rect box;
  ScrpSTElement style;
};

// A text description handle (native order; owned by the caller), or nullptr.
Handle NewTextDescription(const TextSettings& settings) {
  OSErr err = noErr;
  Size size = static_cast<Size>(sizeof(TextDescription));
  Handle h = NewHandleBytes(size, true, &err);
  if (h == nullptr) return nullptr;
  auto* desc = reinterpret_cast<TextDescription*>(*h);
  desc->descSize = static_cast<SInt32>(size);
  desc->dataFormat = 'text';
  desc->dataRefIndex = 1;
  desc->displayFlags = static_cast<SInt32>(settings.displayFlags);
  desc->textJustification = settings.justification;
  desc->bgColor = settings.background;
  desc->defaultTextBox = settings.box;
  desc->defaultStyle = settings.style;
  return h;
}

}  // namespace
}  // namespace qtml

extern "C" {

QTML_API ComponentResult TextMediaAddTextSample(
    MediaHandler mh, Ptr text, unsigned long size, short fontNumber, short fontSize, Style textFace,
    RGBColor* textColor, RGBColor* backColor, short textJustification, Rect* textBox,
    long displayFlags, TimeValue scrollDelay, short hiliteStart, short hiliteEnd,
    RGBColor* rgbHiliteColor, TimeValue duration, TimeValue* sampleTime) try {
  qtml::ApiCall call("TextMediaAddTextSample", mh, size, fontNumber, fontSize, hiliteStart,
                     hiliteEnd, duration);
  if (OSErr fault = call.Fault()) return call.Return<ComponentResult>(fault);
  ComponentResult result = noErr;
  qtml::MediaRecord* media = qtml::HandledMedia(mh, kTextMediaAddTextSampleSelect, &result);
  if (media == nullptr) return call.Return(result);
  if ((text == nullptr && size > 0) || size > 0xFFFF || hiliteStart < 0 ||
      hiliteEnd > static_cast<long>(size)) {
    return call.Return<ComponentResult>(paramErr);
  }
  RGBColor black{0, 0, 0}, white{0xFFFF, 0xFFFF, 0xFFFF};
  qtml::TextSettings settings{
      displayFlags, textJustification, backColor != nullptr ? *backColor : white,
      textBox != nullptr ? *textBox : Rect{0, 0, 0, 0},
      qtml::StyleOf(fontNumber, fontSize, textFace, textColor != nullptr ? *textColor : black)};
  OSErr err = qtml::Guarded<OSErr>(memFullErr, [&] {
    qtml::TextExtras extras{hiliteStart, hiliteEnd, rgbHiliteColor, scrollDelay};
    std::vector<uint8_t> bytes =
        qtml::TextSample(text, static_cast<UInt16>(size), settings.style, extras);
    Handle desc = qtml::NewTextDescription(settings);
    if (desc == nullptr) return memFullErr;
    OSErr added =
        qtml::AddSampleBytes(*media, bytes.data(), bytes.size(), duration,
                             reinterpret_cast<SampleDescriptionHandle>(desc), 1, 0, sampleTime);
    qtml::FreeHandle(desc);
    return added;
  });
  return call.Return<ComponentResult>(err);
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

}  // extern "C"
