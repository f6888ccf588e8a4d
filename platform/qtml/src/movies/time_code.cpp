// The time code media handler: a time code media's display flags and text
// options, and frame numbers as time code records.
#include <cstdio>
#include <cstring>
#include <string>

#include "QuickTimeComponents.h"
#include "base/api_call.h"
#include "movies/movie_model.h"
#include "movies/time_code.h"

namespace qtml {

void MarkChanged(MediaRecord* media) noexcept {
  if (media->track != nullptr && media->track->movie != nullptr) {
    media->track->movie->changed = true;
  }
}

namespace {

// Frames left out of the count at the start of each minute but every
// tenth: 2 at 30 frames a second, 4 at 60.
int DroppedPerMinute(const TimeCodeDef& def) {
  if ((def.flags & tcDropFrame) == 0) return 0;
  return (def.numFrames + 7) / 15;
}

// Counts dropped frame labels back in, so that the result splits evenly
// into hours, minutes, seconds and frames.
long long LabelNumber(long long frames, const TimeCodeDef& def) {
  long long drop = DroppedPerMinute(def);
  if (drop == 0) return frames;
  long long perMinute = def.numFrames * 60LL - drop;
  long long perTenMinutes = def.numFrames * 600LL - drop * 9;
  long long tens = frames / perTenMinutes;
  long long rest = frames % perTenMinutes;
  long long skipped = drop * 9 * tens;
  if (rest > drop) skipped += drop * ((rest - drop) / perMinute);
  return frames + skipped;
}

OSErr FrameToRecord(SInt32 frameNumber, const TimeCodeDef& def, TimeCodeRecord* record) {
  if ((def.flags & tcCounter) != 0) {
    record->c = frameNumber / def.numFrames;
    return noErr;
  }
  bool negative = frameNumber < 0;
  if (negative && (def.flags & tcNegTimesOK) == 0) return paramErr;
  long long label = LabelNumber(negative ? -static_cast<long long>(frameNumber) : frameNumber, def);
  long long seconds = label / def.numFrames;
  long long hours = seconds / 3600;
  if ((def.flags & tc24HourMax) != 0) hours %= 24;
  record->t.hours = static_cast<UInt8>(hours);
  record->t.minutes = static_cast<UInt8>(seconds / 60 % 60 | (negative ? tctNegFlag : 0));
  record->t.seconds = static_cast<UInt8>(seconds % 60);
  record->t.frames = static_cast<UInt8>(label % def.numFrames);
  return noErr;
}

OSErr RecordToFrame(const TimeCodeDef& def, const TimeCodeRecord& record, SInt32* frameNumber) {
  if ((def.flags & tcCounter) != 0) {
    *frameNumber = record.c * def.numFrames;
    return noErr;
  }
  bool negative = (record.t.minutes & tctNegFlag) != 0;
  long long minutes = record.t.minutes & ~tctNegFlag;
  if (negative && (def.flags & tcNegTimesOK) == 0) return paramErr;
  if (minutes >= 60 || record.t.seconds >= 60 || record.t.frames >= def.numFrames) return paramErr;
  long long allMinutes = record.t.hours * 60LL + minutes;
  long long frames = (allMinutes * 60 + record.t.seconds) * def.numFrames + record.t.frames -
                     DroppedPerMinute(def) * (allMinutes - allMinutes / 10);
  *frameNumber = static_cast<SInt32>(negative ? -frames : frames);
  return noErr;
}

std::string RecordText(const TimeCodeDef& def, const TimeCodeRecord& record) {
  char text[32];
  if ((def.flags & tcCounter) != 0) {
    std::snprintf(text, sizeof text, "%d", static_cast<int>(record.c));
  } else {
    bool negative = (record.t.minutes & tctNegFlag) != 0;
    std::snprintf(text, sizeof text, "%s%02d:%02d:%02d%c%02d", negative ? "-" : "", record.t.hours,
                  record.t.minutes & ~tctNegFlag, record.t.seconds,
                  DroppedPerMinute(def) != 0 ? ';' : ':', record.t.frames);
  }
  return text;
}

}  // namespace

std::string TimeCodeText(SInt32 frameNumber, const TimeCodeDef& def) {
  TimeCodeRecord record{};
  if (def.numFrames == 0 || FrameToRecord(frameNumber, def, &record) != noErr) return {};
  return RecordText(def, record);
}

}  // namespace qtml

using qtml::ApiCall;
using qtml::MediaRecord;

extern "C" {

QTML_API long TCGetTimeCodeFlags(MediaHandler mh) try {
  ApiCall call("TCGetTimeCodeFlags", mh);
  HandlerError result = noErr;
  MediaRecord* media = qtml::HandledMedia(mh, kTCGetTimeCodeFlagsSelect, &result);
  return call.Return<long>(media != nullptr ? media->timeCode.flags : 0);
} catch (...) {
  return qtml::Escaped<long>();
}

QTML_API HandlerError TCSetTimeCodeFlags(MediaHandler mh, long flags, long flagsMask) try {
  ApiCall call("TCSetTimeCodeFlags", mh, flags, flagsMask);
  if (OSErr fault = call.Fault()) return call.Return<HandlerError>(fault);
  HandlerError result = noErr;
  MediaRecord* media = qtml::HandledMedia(mh, kTCSetTimeCodeFlagsSelect, &result);
  if (media == nullptr) return call.Return(result);
  media->timeCode.flags = (media->timeCode.flags & ~flagsMask) | (flags & flagsMask);
  qtml::MarkChanged(media);
  return call.Return<HandlerError>(noErr);
} catch (...) {
  return qtml::EscapedError<HandlerError>();
}

QTML_API HandlerError TCGetDisplayOptions(MediaHandler mh, TCTextOptionsPtr textOptions) try {
  ApiCall call("TCGetDisplayOptions", mh, textOptions);
  if (OSErr fault = call.Fault()) return call.Return<HandlerError>(fault);
  HandlerError result = noErr;
  MediaRecord* media = qtml::HandledMedia(mh, kTCGetDisplayOptionsSelect, &result);
  if (media == nullptr) return call.Return(result);
  if (textOptions == nullptr) return call.Return<HandlerError>(paramErr);
  const qtml::TimeCodeDisplay& display = media->timeCode;
  *textOptions = TCTextOptions{display.font,      display.face,     display.size, 0,
                               display.foreColor, display.backColor};
  return call.Return<HandlerError>(noErr);
} catch (...) {
  return qtml::EscapedError<HandlerError>();
}

QTML_API HandlerError TCSetDisplayOptions(MediaHandler mh, TCTextOptionsPtr textOptions) try {
  ApiCall call("TCSetDisplayOptions", mh, textOptions);
  if (OSErr fault = call.Fault()) return call.Return<HandlerError>(fault);
  HandlerError result = noErr;
  MediaRecord* media = qtml::HandledMedia(mh, kTCSetDisplayOptionsSelect, &result);
  if (media == nullptr) return call.Return(result);
  if (textOptions == nullptr) return call.Return<HandlerError>(paramErr);
  qtml::TimeCodeDisplay& display = media->timeCode;
  // A name kept from a file named the old font.
  if (display.font != textOptions->txFont) display.fontName.clear();
  display.font = textOptions->txFont;
  display.face = textOptions->txFace;
  display.size = textOptions->txSize;
  display.foreColor = textOptions->foreColor;
  display.backColor = textOptions->backColor;
  qtml::MarkChanged(media);
  return call.Return<HandlerError>(noErr);
} catch (...) {
  return qtml::EscapedError<HandlerError>();
}

QTML_API HandlerError TCFrameNumberToTimeCode(MediaHandler mh, SInt32 frameNumber,
                                              TimeCodeDef* tcdef, TimeCodeRecord* tcrec) try {
  ApiCall call("TCFrameNumberToTimeCode", mh, frameNumber);
  if (OSErr fault = call.Fault()) return call.Return<HandlerError>(fault);
  HandlerError result = noErr;
  if (qtml::HandledMedia(mh, kTCFrameNumberToTimeCodeSelect, &result) == nullptr) {
    return call.Return(result);
  }
  if (tcdef == nullptr || tcrec == nullptr || tcdef->numFrames == 0) {
    return call.Return<HandlerError>(paramErr);
  }
  return call.Return<HandlerError>(qtml::FrameToRecord(frameNumber, *tcdef, tcrec));
} catch (...) {
  return qtml::EscapedError<HandlerError>();
}

QTML_API HandlerError TCTimeCodeToFrameNumber(MediaHandler mh, TimeCodeDef* tcdef,
                                              TimeCodeRecord* tcrec, SInt32* frameNumber) try {
  ApiCall call("TCTimeCodeToFrameNumber", mh);
  if (OSErr fault = call.Fault()) return call.Return<HandlerError>(fault);
  HandlerError result = noErr;
  if (qtml::HandledMedia(mh, kTCTimeCodeToFrameNumberSelect, &result) == nullptr) {
    return call.Return(result);
  }
  if (tcdef == nullptr || tcrec == nullptr || frameNumber == nullptr || tcdef->numFrames == 0) {
    return call.Return<HandlerError>(paramErr);
  }
  return call.Return<HandlerError>(qtml::RecordToFrame(*tcdef, *tcrec, frameNumber));
} catch (...) {
  return qtml::EscapedError<HandlerError>();
}

QTML_API HandlerError TCTimeCodeToString(MediaHandler mh, TimeCodeDef* tcdef, TimeCodeRecord* tcrec,
                                         StringPtr tcStr) try {
  ApiCall call("TCTimeCodeToString", mh);
  if (OSErr fault = call.Fault()) return call.Return<HandlerError>(fault);
  HandlerError result = noErr;
  if (qtml::HandledMedia(mh, kTCTimeCodeToStringSelect, &result) == nullptr) {
    return call.Return(result);
  }
  if (tcdef == nullptr || tcrec == nullptr || tcStr == nullptr || tcdef->numFrames == 0) {
    return call.Return<HandlerError>(paramErr);
  }
  std::string text = qtml::RecordText(*tcdef, *tcrec);
  tcStr[0] = static_cast<unsigned char>(text.size());
  std::memcpy(tcStr + 1, text.data(), text.size());
  return call.Return<HandlerError>(noErr);
} catch (...) {
  return qtml::EscapedError<HandlerError>();
}

}  // extern "C"
