// Which calls a component instance answers: CallComponentCanDo and
// ComponentFunctionImplemented against what the calls themselves do. A
// call of its kind answers badComponentSelector exactly when can-do says
// 0, and a call the engine has no function for is never claimed.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "Components.h"
#include "MacMemory.h"
#include "Movies.h"
#include "QTML.h"
#include "QTMLTestControls.h"
#include "leak_check.h"
#include "QuickTimeComponents.h"

namespace {

// One call of a component kind, made on any instance with arguments it
// takes; nullptr for a selector the engine has no function for.
struct Probe {
  const char* name;
  SInt16 selector;
  std::function<ComponentResult(ComponentInstance)> call;
};

constexpr SInt16 kUnknownSelector = 0x7ABC;

// The media handler calls (Movies.h), whatever the media.
std::vector<Probe> MediaProbes() {
  static Boolean hasIt;
  static long mode;
  static RGBColor color;
  static short a, b;
  return {
      {"MediaInitialize", kMediaInitializeSelect, nullptr},
      {"MediaSetHandlerCapabilities", kMediaSetHandlerCapabilitiesSelect, nullptr},
      {"MediaIdle", kMediaIdleSelect, nullptr},
      {"MediaGetMediaInfo", kMediaGetMediaInfoSelect, nullptr},
      {"MediaPutMediaInfo", kMediaPutMediaInfoSelect, nullptr},
      {"MediaSetActive", kMediaSetActiveSelect, nullptr},
      {"MediaSetRate", kMediaSetRateSelect, nullptr},
      {"MediaGGetStatus", kMediaGGetStatusSelect, nullptr},
      {"MediaTrackEdited", kMediaTrackEditedSelect, nullptr},
      {"MediaSetMediaTimeScale", kMediaSetMediaTimeScaleSelect, nullptr},
      {"MediaSetMovieTimeScale", kMediaSetMovieTimeScaleSelect, nullptr},
      {"MediaSetGWorld", kMediaSetGWorldSelect, nullptr},
      {"MediaSetDimensions", kMediaSetDimensionsSelect, nullptr},
      {"MediaSetClip", kMediaSetClipSelect, nullptr},
      {"MediaSetMatrix", kMediaSetMatrixSelect, nullptr},
      {"MediaGetTrackOpaque", kMediaGetTrackOpaqueSelect, nullptr},
      {"MediaSetGraphicsMode", kMediaSetGraphicsModeSelect,
       [](ComponentInstance mh) { return MediaSetGraphicsMode(mh, 0, nullptr); }},
      {"MediaGetGraphicsMode", kMediaGetGraphicsModeSelect,
       [](ComponentInstance mh) { return MediaGetGraphicsMode(mh, &mode, &color); }},
      {"MediaGSetVolume", kMediaGSetVolumeSelect, nullptr},
      {"MediaSetSoundBalance", kMediaSetSoundBalanceSelect,
       [](ComponentInstance mh) { return MediaSetSoundBalance(mh, 0); }},
      {"MediaGetSoundBalance", kMediaGetSoundBalanceSelect,
       [](ComponentInstance mh) { return MediaGetSoundBalance(mh, &a); }},
      {"MediaGetNextBoundsChange", kMediaGetNextBoundsChangeSelect, nullptr},
      {"MediaGetSrcRgn", kMediaGetSrcRgnSelect, nullptr},
      {"MediaPreroll", kMediaPrerollSelect, nullptr},
      {"MediaSampleDescriptionChanged", kMediaSampleDescriptionChangedSelect, nullptr},
      {"MediaHasCharacteristic", kMediaHasCharacteristicSelect,
       [](ComponentInstance mh) {
         return MediaHasCharacteristic(mh, VisualMediaCharacteristic, &hasIt);
       }},
      {"MediaSetSoundBassAndTreble", kMediaSetSoundBassAndTrebleSelect,
       [](ComponentInstance mh) { return MediaSetSoundBassAndTreble(mh, 0, 0); }},
      {"MediaGetSoundBassAndTreble", kMediaGetSoundBassAndTrebleSelect,
       [](ComponentInstance mh) { return MediaGetSoundBassAndTreble(mh, &a, &b); }},
  };
}

// The text media handler's own calls.
std::vector<Probe> TextProbes() {
  return {
      {"TextMediaSetTextProc", kTextMediaSetTextProcSelect, nullptr},
      {"TextMediaAddTextSample", kTextMediaAddTextSampleSelect,
       [](ComponentInstance mh) {
         char text[] = "Fenra";
         return TextMediaAddTextSample(mh, text, 5, 0, 12, 0, nullptr, nullptr, 0, nullptr, 0, 0, 0,
                                       0, nullptr, 60, nullptr);
       }},
      {"TextMediaAddTESample", kTextMediaAddTESampleSelect, nullptr},
      {"TextMediaAddHiliteSample", kTextMediaAddHiliteSampleSelect, nullptr},
      {"TextMediaFindNextText", kTextMediaFindNextTextSelect, nullptr},
      {"TextMediaHiliteTextSample", kTextMediaHiliteTextSampleSelect, nullptr},
      {"TextMediaSetTextSampleData", kTextMediaSetTextSampleDataSelect, nullptr},
  };
}

// The time code media handler's own calls. TCGetTimeCodeFlags cannot
// report an error and is checked by what it answers instead.
std::vector<Probe> TimeCodeProbes() {
  static TimeCodeDef def{0, 600, 20, 30, 0};
  static TimeCodeRecord record{};
  static SInt32 frame;
  static Str255 text;
  static TCTextOptions options{};
  static UserData userData;
  return {
      {"TCGetCurrentTimeCode", kTCGetCurrentTimeCodeSelect, nullptr},
      {"TCGetTimeCodeAtTime", kTCGetTimeCodeAtTimeSelect, nullptr},
      {"TCTimeCodeToString", kTCTimeCodeToStringSelect,
       [](ComponentInstance mh) { return TCTimeCodeToString(mh, &def, &record, text); }},
      {"TCTimeCodeToFrameNumber", kTCTimeCodeToFrameNumberSelect,
       [](ComponentInstance mh) { return TCTimeCodeToFrameNumber(mh, &def, &record, &frame); }},
      {"TCFrameNumberToTimeCode", kTCFrameNumberToTimeCodeSelect,
       [](ComponentInstance mh) { return TCFrameNumberToTimeCode(mh, 45, &def, &record); }},
      {"TCGetSourceRef", kTCGetSourceRefSelect,
       [](ComponentInstance mh) { return TCGetSourceRef(mh, nullptr, &userData); }},
      {"TCSetSourceRef", kTCSetSourceRefSelect,
       [](ComponentInstance mh) { return TCSetSourceRef(mh, nullptr, nullptr); }},
      {"TCSetTimeCodeFlags", kTCSetTimeCodeFlagsSelect,
       [](ComponentInstance mh) { return TCSetTimeCodeFlags(mh, 0, 0); }},
      {"TCSetDisplayOptions", kTCSetDisplayOptionsSelect,
       [](ComponentInstance mh) { return TCSetDisplayOptions(mh, &options); }},
      {"TCGetDisplayOptions", kTCGetDisplayOptionsSelect,
       [](ComponentInstance mh) { return TCGetDisplayOptions(mh, &options); }},
  };
}

class ComponentSelectors : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(InitializeQTML(0), noErr);
    ASSERT_EQ(EnterMovies(), noErr);
    leaks_.Start();
  }
  void TearDown() override {
    for (Movie m : movies_) DisposeMovie(m);
    leaks_.Verify();
  }

  // The handler of a new media of the type, in a movie of its own.
  MediaHandler HandlerOf(OSType type) {
    Movie movie = NewMovie(newMovieActive);
    movies_.push_back(movie);
    Track track = NewMovieTrack(movie, 320 << 16, 240 << 16, 0x100);
    Media media = NewTrackMedia(track, type, 600, nullptr, 0);
    EXPECT_NE(media, nullptr);
    if (type == TextMediaType) {
      EXPECT_EQ(BeginMediaEdits(media), noErr);
    }
    return GetMediaHandler(media);
  }

  // Can-do agrees with ComponentFunctionImplemented, and with the probes:
  // a call answers badComponentSelector exactly when can-do says 0. The
  // selectors of `owned` probes belong to the instance's kind, so one the
  // engine has no function for must not be claimed.
  static void ExpectAgreement(ComponentInstance ci, const std::vector<Probe>& probes, bool owned) {
    for (const Probe& probe : probes) {
      SCOPED_TRACE(probe.name);
      ComponentResult canDo = CallComponentCanDo(ci, probe.selector);
      ASSERT_TRUE(canDo == 0 || canDo == 1) << canDo;
      EXPECT_EQ(ComponentFunctionImplemented(ci, probe.selector), canDo);
      if (probe.call != nullptr) {
        ComponentResult result = probe.call(ci);
        EXPECT_EQ(result == badComponentSelector, canDo == 0) << result;
      } else if (owned) {
        EXPECT_EQ(canDo, 0) << "claimed, with no function behind it";
      }
    }
  }

  std::vector<Movie> movies_;
  LeakCheck leaks_;
};

TEST_F(ComponentSelectors, EveryComponentAnswersTheComponentManagersSelectors) {
  ComponentDescription any{};
  int opened = 0;
  for (Component c = FindNextComponent(nullptr, &any); c != nullptr;
       c = FindNextComponent(c, &any)) {
    ComponentDescription cd{};
    ASSERT_EQ(GetComponentInfo(c, &cd, nullptr, nullptr, nullptr), noErr);
    char type[5] = {
        static_cast<char>(cd.componentType >> 24), static_cast<char>(cd.componentType >> 16),
        static_cast<char>(cd.componentType >> 8), static_cast<char>(cd.componentType), 0};
    char subType[5] = {
        static_cast<char>(cd.componentSubType >> 24), static_cast<char>(cd.componentSubType >> 16),
        static_cast<char>(cd.componentSubType >> 8), static_cast<char>(cd.componentSubType), 0};
    SCOPED_TRACE(std::string(type) + "/" + subType);
    ComponentInstance ci = OpenComponent(c);
    if (ci == nullptr) continue;
    ++opened;
    const SInt16 standard[] = {kComponentOpenSelect, kComponentCloseSelect, kComponentCanDoSelect,
                               kComponentVersionSelect};
    for (SInt16 selector : standard) {
      EXPECT_EQ(CallComponentCanDo(ci, selector), 1) << selector;
      EXPECT_EQ(ComponentFunctionImplemented(ci, selector), 1) << selector;
    }
    const SInt16 others[] = {kComponentRegisterSelect, kComponentTargetSelect,
                             kComponentGetPublicResourceSelect, kUnknownSelector};
    for (SInt16 selector : others) {
      EXPECT_EQ(CallComponentCanDo(ci, selector), 0) << selector;
      EXPECT_EQ(ComponentFunctionImplemented(ci, selector), 0) << selector;
    }
    ASSERT_EQ(CloseComponent(ci), noErr);
    EXPECT_EQ(CallComponentCanDo(ci, kComponentVersionSelect), badComponentInstance);
    EXPECT_EQ(ComponentFunctionImplemented(ci, kComponentVersionSelect), 0);
  }
  EXPECT_GT(opened, 6);
  EXPECT_EQ(CallComponentCanDo(nullptr, kComponentOpenSelect), badComponentInstance);
}

TEST_F(ComponentSelectors, MediaHandlersTakeTheCallsTheirMediaCanDo) {
  std::vector<Probe> media = MediaProbes(), text = TextProbes(), timeCode = TimeCodeProbes();
  const OSType types[] = {VideoMediaType, SoundMediaType, TextMediaType, TimeCodeMediaType};
  for (OSType type : types) {
    char name[5] = {static_cast<char>(type >> 24), static_cast<char>(type >> 16),
                    static_cast<char>(type >> 8), static_cast<char>(type), 0};
    SCOPED_TRACE(name);
    MediaHandler mh = HandlerOf(type);
    ASSERT_NE(mh, nullptr);
    ExpectAgreement(mh, media, true);
    // Text and time code calls share their numbers; each kind owns its own.
    ExpectAgreement(mh, text, type == TextMediaType);
    ExpectAgreement(mh, timeCode, type == TimeCodeMediaType);
    EXPECT_EQ(CallComponentCanDo(mh, kMediaHasCharacteristicSelect), 1);
    EXPECT_EQ(CallComponentCanDo(mh, kUnknownSelector), 0);
    EXPECT_EQ(CallComponentCanDo(mh, kComponentCloseSelect), 1);
  }
  // What each kind takes, by what its media can be.
  EXPECT_EQ(CallComponentCanDo(HandlerOf(VideoMediaType), kMediaGetGraphicsModeSelect), 1);
  EXPECT_EQ(CallComponentCanDo(HandlerOf(VideoMediaType), kMediaGetSoundBalanceSelect), 0);
  EXPECT_EQ(CallComponentCanDo(HandlerOf(SoundMediaType), kMediaGetSoundBalanceSelect), 1);
  EXPECT_EQ(CallComponentCanDo(HandlerOf(SoundMediaType), kMediaGetGraphicsModeSelect), 0);
  EXPECT_EQ(CallComponentCanDo(HandlerOf(TextMediaType), kTextMediaAddTextSampleSelect), 1);
  EXPECT_EQ(CallComponentCanDo(HandlerOf(VideoMediaType), kTextMediaAddTextSampleSelect), 0);
  MediaHandler tc = HandlerOf(TimeCodeMediaType);
  EXPECT_EQ(CallComponentCanDo(tc, kTCTimeCodeToStringSelect), 1);
  EXPECT_EQ(CallComponentCanDo(HandlerOf(SoundMediaType), kTCTimeCodeToStringSelect), 0);
  // The call that cannot report: it answers the handler's flags only where it is taken.
  EXPECT_EQ(CallComponentCanDo(tc, kTCGetTimeCodeFlagsSelect), 1);
  ASSERT_EQ(TCSetTimeCodeFlags(tc, tcDropFrame, tcDropFrame), noErr);
  EXPECT_EQ(TCGetTimeCodeFlags(tc), tcDropFrame);
  MediaHandler video = HandlerOf(VideoMediaType);
  EXPECT_EQ(CallComponentCanDo(video, kTCGetTimeCodeFlagsSelect), 0);
  EXPECT_EQ(TCSetTimeCodeFlags(video, tcDropFrame, tcDropFrame), badComponentSelector);
  EXPECT_EQ(TCGetTimeCodeFlags(video), 0);

  // A media's handler goes with its movie.
  Movie movie = movies_.back();
  movies_.pop_back();
  DisposeMovie(movie);
  EXPECT_EQ(CallComponentCanDo(video, kMediaHasCharacteristicSelect), badComponentInstance);
  Boolean hasIt = false;
  EXPECT_EQ(MediaHasCharacteristic(video, VisualMediaCharacteristic, &hasIt), badComponentInstance);
}

TEST_F(ComponentSelectors, AMovieControllerTakesItsOwnCallsOnly) {
  Movie movie = NewMovie(newMovieActive);
  movies_.push_back(movie);
  Rect bounds = {0, 0, 240, 320};
  MovieController mc = NewMovieController(movie, &bounds, 0);
  ASSERT_NE(mc, nullptr);
  std::vector<Probe> probes = {
      {"MCMovieChanged", kMCMovieChangedSelect,
       [movie](ComponentInstance ci) { return MCMovieChanged(ci, movie); }},
      {"MCEnableEditing", kMCEnableEditingSelect,
       [](ComponentInstance ci) { return MCEnableEditing(ci, true); }},
      {"MCDoAction", kMCDoActionSelect,
       [](ComponentInstance ci) { return MCDoAction(ci, 0, nullptr); }},
      {"MCDraw", kMCDrawSelect, [](ComponentInstance ci) { return MCDraw(ci, nullptr); }},
      {"MCPositionController", kMCPositionControllerSelect,
       [](ComponentInstance ci) { return MCPositionController(ci, nullptr, nullptr, 0); }},
      {"MCSetControllerAttached", kMCSetControllerAttachedSelect,
       [](ComponentInstance ci) { return MCSetControllerAttached(ci, true); }},
      {"MCIsControllerAttached", kMCIsControllerAttachedSelect,
       [](ComponentInstance ci) { return MCIsControllerAttached(ci); }},
      {"MCSetVisible", kMCSetVisibleSelect,
       [](ComponentInstance ci) { return MCSetVisible(ci, true); }},
      {"MCGetVisible", kMCGetVisibleSelect, [](ComponentInstance ci) { return MCGetVisible(ci); }},
      {"MCGetControllerBoundsRect", kMCGetControllerBoundsRectSelect,
       [](ComponentInstance ci) { return MCGetControllerBoundsRect(ci, nullptr); }},
      {"MCClick", kMCClickSelect,
       [](ComponentInstance ci) {
         return MCClick(ci, nullptr, Point{-1, -1}, 0, 0);
       }},
      {"MCIsPlayerEvent", kMCIsPlayerEventSelect,
       [](ComponentInstance ci) { return MCIsPlayerEvent(ci, nullptr); }},
      {"MCGetControllerInfo", kMCGetControllerInfoSelect,
       [](ComponentInstance ci) { return MCGetControllerInfo(ci, nullptr); }},
      {"MCPaste", kMCPasteSelect, [](ComponentInstance ci) { return MCPaste(ci, nullptr); }},
      {"MCClear", kMCClearSelect, [](ComponentInstance ci) { return MCClear(ci); }},
      {"MCUndo", kMCUndoSelect, [](ComponentInstance ci) { return MCUndo(ci); }},
  };
  // Every other MC selector has no function in the engine. The calls that
  // answer no result (MCGetCurrentTime, MCCopy, MCCut) are asked below.
  constexpr SInt16 kImplemented[] = {kMCGetIndMovieSelect,
                                     kMCMovieChangedSelect,
                                     kMCEnableEditingSelect,
                                     kMCIsEditingEnabledSelect,
                                     kMCDoActionSelect,
                                     kMCDrawSelect,
                                     kMCPositionControllerSelect,
                                     kMCSetControllerAttachedSelect,
                                     kMCIsControllerAttachedSelect,
                                     kMCSetVisibleSelect,
                                     kMCGetVisibleSelect,
                                     kMCGetControllerBoundsRectSelect,
                                     kMCGetCurrentTimeSelect,
                                     kMCClickSelect,
                                     kMCIsPlayerEventSelect,
                                     kMCGetControllerInfoSelect,
                                     kMCCopySelect,
                                     kMCCutSelect,
                                     kMCPasteSelect,
                                     kMCClearSelect,
                                     kMCUndoSelect};
  for (SInt16 selector = kMCSetMovieSelect; selector <= kMCSetActionFilterWithRefConSelect;
       ++selector) {
    if (std::find(std::begin(kImplemented), std::end(kImplemented), selector) ==
        std::end(kImplemented)) {
      probes.push_back({"MC selector", selector, nullptr});
    }
  }
  ExpectAgreement(mc, probes, true);
  ExpectAgreement(mc, MediaProbes(), false);
  EXPECT_EQ(CallComponentCanDo(mc, kMCGetIndMovieSelect), 1);
  EXPECT_EQ(MCGetIndMovie(mc, 0), movie);
  EXPECT_EQ(CallComponentCanDo(mc, kMCMovieChangedSelect), 1);
  for (SInt16 selector : {kMCGetCurrentTimeSelect, kMCCopySelect, kMCCutSelect}) {
    EXPECT_EQ(CallComponentCanDo(mc, selector), 1);
  }
  EXPECT_EQ(CallComponentCanDo(mc, kMCSetClipSelect), 0);
  Boolean hasIt = false;
  EXPECT_EQ(MediaHasCharacteristic(mc, VisualMediaCharacteristic, &hasIt), badComponentSelector);

  DisposeMovieController(mc);
  EXPECT_EQ(CallComponentCanDo(mc, kMCMovieChangedSelect), badComponentInstance);
  EXPECT_EQ(MCMovieChanged(mc, movie), badComponentInstance);
  EXPECT_EQ(MCGetIndMovie(mc, 0), nullptr);
}

TEST_F(ComponentSelectors, ADataHandlerTakesEveryDataHandlerCallOfTheEngine) {
  Handle data = NewHandle(16);
  std::memset(*data, 7, 16);
  Handle ref = NewHandle(sizeof(Handle));
  std::memcpy(*ref, &data, sizeof(Handle));
  Component handler = GetDataHandler(ref, HandleDataHandlerSubType, kDataHCanRead);
  ASSERT_NE(handler, nullptr);
  DataHandler dh = OpenComponent(handler);
  ASSERT_NE(dh, nullptr);
  ASSERT_EQ(DataHSetDataRef(dh, ref), noErr);

  Handle buffer = NewHandle(16);
  char bytes[16];
  wide at = 0;
  long size = 0, offset = 0, flags = 0;
  std::vector<Probe> probes = {
      {"DataHGetData", kDataHGetDataSelect,
       [&](DataHandler h) { return DataHGetData(h, buffer, 0, 0, 4); }},
      {"DataHPutData", kDataHPutDataSelect,
       [&](DataHandler h) { return DataHPutData(h, buffer, 0, &offset, 4); }},
      {"DataHOpenForWrite", kDataHOpenForWriteSelect,
       [](DataHandler h) { return DataHOpenForWrite(h); }},
      {"DataHCloseForWrite", kDataHCloseForWriteSelect,
       [](DataHandler h) { return DataHCloseForWrite(h); }},
      {"DataHOpenForRead", kDataHOpenForReadSelect,
       [](DataHandler h) { return DataHOpenForRead(h); }},
      {"DataHCloseForRead", kDataHCloseForReadSelect,
       [](DataHandler h) { return DataHCloseForRead(h); }},
      {"DataHSetDataRef", kDataHSetDataRefSelect,
       [&](DataHandler h) { return DataHSetDataRef(h, ref); }},
      {"DataHGetDataRef", kDataHGetDataRefSelect,
       [](DataHandler h) {
         Handle copy = nullptr;
         ComponentResult result = DataHGetDataRef(h, &copy);
         if (copy != nullptr) DisposeHandle(copy);
         return result;
       }},
      {"DataHTask", kDataHTaskSelect, [](DataHandler h) { return DataHTask(h); }},
      {"DataHGetFileSize", kDataHGetFileSizeSelect,
       [&](DataHandler h) { return DataHGetFileSize(h, &size); }},
      {"DataHCanUseDataRef", kDataHCanUseDataRefSelect,
       [&](DataHandler h) { return DataHCanUseDataRef(h, ref, &flags); }},
      {"DataHWrite", kDataHWriteSelect,
       [&](DataHandler h) { return DataHWrite(h, bytes, 0, 4, nullptr, 0); }},
      {"DataHGetPreferredBlockSize", kDataHGetPreferredBlockSizeSelect,
       [&](DataHandler h) { return DataHGetPreferredBlockSize(h, &size); }},
      {"DataHGetFileSize64", kDataHGetFileSize64Select,
       [&](DataHandler h) { return DataHGetFileSize64(h, &at); }},
      {"DataHReadAsync", kDataHReadAsyncSelect,
       [&](DataHandler h) { return DataHReadAsync(h, bytes, 4, &at, nullptr, 0); }},
      {"DataHSetTimeHints", kDataHSetTimeHintsSelect,
       [](DataHandler h) { return DataHSetTimeHints(h, 0, 0, 600, 0, 0); }},
  };
  std::set<SInt16> called;
  for (const Probe& probe : probes) called.insert(probe.selector);
  // The rest of the data handler selectors have no function in the engine.
  for (SInt16 selector = kDataHGetDataSelect; selector <= kDataHGetFileSizeAsyncSelect;
       ++selector) {
    if (called.count(selector) == 0) probes.push_back({"DataH selector", selector, nullptr});
  }
  ExpectAgreement(dh, probes, true);
  for (SInt16 selector : called) EXPECT_EQ(CallComponentCanDo(dh, selector), 1) << selector;
  EXPECT_EQ(CallComponentCanDo(dh, kDataHFlushDataSelect), 0);
  Boolean hasIt = false;
  EXPECT_EQ(MediaHasCharacteristic(dh, VisualMediaCharacteristic, &hasIt), badComponentSelector);

  ASSERT_EQ(CloseComponent(dh), noErr);
  EXPECT_EQ(CallComponentCanDo(dh, kDataHGetDataSelect), badComponentInstance);
  EXPECT_EQ(DataHGetData(dh, buffer, 0, 0, 4), badComponentInstance);
  DisposeHandle(buffer);
  DisposeHandle(ref);
  DisposeHandle(data);
}

}  // namespace
