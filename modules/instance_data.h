// The instance data of the procedural classes and of the new-track
// classes that keep fields of their own. The host reads and writes many of
// these fields itself (standard accessors at the byte offsets in
// kInstanceDataOffsets), so the layouts are part of the host interface.
//
// Fields keep their documented order. On this 64-bit host every field the
// host reads as an Integer is 64 bits, every pointer and host reference is
// pointer-sized, and every field sits at its natural alignment.
#pragma once

#include <cstddef>
#include <cstdint>

#include "Files.h"
#include "REALplugin.h"

namespace fenra {

struct QTGlobalInfoData {
  void* codecList;
  void* codecInfo;
  void* componentList;
  int64_t reserved;
  RBInteger listItemsCount;
  RBInteger curErr;
  RBInteger listIterator;
  REALstring listItemName;
  REALstring listItemType;
  REALstring listItemManufacturer;
};

struct MovieUndoData {
  void* undoList;
  RBInteger err;
};

struct MovieCreationData {
  void* movie;
  FSSpec file;
  RBInteger result;
  int16_t fileRefNum;
  int16_t resourceID;
  uint8_t opened;
  void* acquisition;
  RBInteger videoDigitizerCount;
  RBInteger soundInputDeviceCount;
  RBInteger videoDeviceSelected;
  RBInteger soundDeviceSelected;
};

struct VideoOutputModuleData {
  unsigned char clientName[256];
  RBInteger curErr;
  void* state;
  RBInteger componentsCount;
  REALstring componentsNameList;
  RBInteger selectedDisplayModesCount;
  RBBoolean selectedHasEcho;
  RBBoolean selectedHasOutSound;
  RBBoolean selectedHasClock;
  RBBoolean selectedHasConfigDisplay;
  REALstring currentSessionClientName;
};

struct EffectsData {
  int32_t convolution[9];  // Fixed 16.16, row by row
  void* state;
  RBInteger fenraErr;
  REALstring effectName;
  REALstring effectType;
  RBInteger sourcesRequired;
  RBInteger width;
  RBInteger height;
  REALmovie sourceMovie;
  RBInteger sourceTrack1Index;
  RBInteger sourceTrack2Index;
  RBInteger sourceTrack1SelStart;
  RBInteger sourceTrack1SelLength;
  RBInteger sourceTrack2SelStart;
  RBInteger sourceTrack2SelLength;
  RBColor modeColor;
};

struct StdCompressionData {
  void* state;
  RBInteger curErr;
  RBBoolean frameRateEnabled;
  RBBoolean zeroFrameRateEnabled;
  RBBoolean showBestDepthEnabled;
  RBBoolean showDataRateAsKbits;
  RBInteger movieStartSel;
  RBInteger movieEndSel;
  RBInteger movieNewWidth;
  RBInteger movieNewHeight;
  RBInteger movieClipLeft;
  RBInteger movieClipTop;
  RBInteger movieClipRight;
  RBInteger movieClipBottom;
  RBBoolean saveMovieDataInDataFork;
};

struct MovieExportData {
  RBInteger curErr;
  void* exporter;
  uint32_t exporterType;
  uint32_t exporterManufacturer;
  RBInteger sourceMovie;
  RBInteger sourceTrackIndex;
  RBInteger selectionStart;
  RBInteger selectionDuration;
  RBInteger width;
  RBInteger height;
  RBBoolean disposeSourceMovie;
  RBBoolean useStandardProgress;
};

// FenraNewVideoTrack's own data, after FenraObject's native pointer.
struct NewVideoTrackData {
  RBInteger sampleDuration;
  void* sourceWorld;  // the running compression's source GWorld; not exposed
};

// FenraNewTextTrack's own data.
struct NewTextTrackData {
  RBInteger sampleDuration;
  RBColor hiliteColor;
};

// The byte offset of every field that a property reads through the host's
// standard accessor, one row per field.
struct InstanceDataOffset {
  const char* className;
  const char* field;
  size_t offset;
};

#define FENRA_OFFSET(cls, type, field) \
  { cls, #field, offsetof(type, field) }
inline constexpr InstanceDataOffset kInstanceDataOffsets[] = {
    FENRA_OFFSET("FenraNewVideoTrack", NewVideoTrackData, sampleDuration),
    FENRA_OFFSET("FenraNewTextTrack", NewTextTrackData, sampleDuration),
    FENRA_OFFSET("FenraNewTextTrack", NewTextTrackData, hiliteColor),
    FENRA_OFFSET("QTGlobalInfoClass", QTGlobalInfoData, listItemsCount),
    FENRA_OFFSET("QTGlobalInfoClass", QTGlobalInfoData, curErr),
    FENRA_OFFSET("QTGlobalInfoClass", QTGlobalInfoData, listIterator),
    FENRA_OFFSET("QTGlobalInfoClass", QTGlobalInfoData, listItemName),
    FENRA_OFFSET("QTGlobalInfoClass", QTGlobalInfoData, listItemType),
    FENRA_OFFSET("QTGlobalInfoClass", QTGlobalInfoData, listItemManufacturer),
    FENRA_OFFSET("FenraMovieUndo", MovieUndoData, err),
    FENRA_OFFSET("QTMovieCreationClass", MovieCreationData, result),
    FENRA_OFFSET("QTMovieCreationClass", MovieCreationData, videoDigitizerCount),
    FENRA_OFFSET("QTMovieCreationClass", MovieCreationData, soundInputDeviceCount),
    FENRA_OFFSET("QTMovieCreationClass", MovieCreationData, videoDeviceSelected),
    FENRA_OFFSET("QTMovieCreationClass", MovieCreationData, soundDeviceSelected),
    FENRA_OFFSET("QTVideoOutputClass", VideoOutputModuleData, curErr),
    FENRA_OFFSET("QTVideoOutputClass", VideoOutputModuleData, componentsCount),
    FENRA_OFFSET("QTVideoOutputClass", VideoOutputModuleData, componentsNameList),
    FENRA_OFFSET("QTVideoOutputClass", VideoOutputModuleData, selectedDisplayModesCount),
    FENRA_OFFSET("QTVideoOutputClass", VideoOutputModuleData, selectedHasEcho),
    FENRA_OFFSET("QTVideoOutputClass", VideoOutputModuleData, selectedHasOutSound),
    FENRA_OFFSET("QTVideoOutputClass", VideoOutputModuleData, selectedHasClock),
    FENRA_OFFSET("QTVideoOutputClass", VideoOutputModuleData, selectedHasConfigDisplay),
    FENRA_OFFSET("QTVideoOutputClass", VideoOutputModuleData, currentSessionClientName),
    FENRA_OFFSET("FenraEffects", EffectsData, fenraErr),
    FENRA_OFFSET("FenraEffects", EffectsData, effectName),
    FENRA_OFFSET("FenraEffects", EffectsData, effectType),
    FENRA_OFFSET("FenraEffects", EffectsData, sourcesRequired),
    FENRA_OFFSET("FenraEffects", EffectsData, width),
    FENRA_OFFSET("FenraEffects", EffectsData, height),
    FENRA_OFFSET("FenraEffects", EffectsData, sourceMovie),
    FENRA_OFFSET("FenraEffects", EffectsData, sourceTrack1Index),
    FENRA_OFFSET("FenraEffects", EffectsData, sourceTrack2Index),
    FENRA_OFFSET("FenraEffects", EffectsData, sourceTrack1SelStart),
    FENRA_OFFSET("FenraEffects", EffectsData, sourceTrack1SelLength),
    FENRA_OFFSET("FenraEffects", EffectsData, sourceTrack2SelStart),
    FENRA_OFFSET("FenraEffects", EffectsData, sourceTrack2SelLength),
    FENRA_OFFSET("FenraEffects", EffectsData, modeColor),
    FENRA_OFFSET("QTStdCompressionClass", StdCompressionData, curErr),
    FENRA_OFFSET("QTStdCompressionClass", StdCompressionData, frameRateEnabled),
    FENRA_OFFSET("QTStdCompressionClass", StdCompressionData, zeroFrameRateEnabled),
    FENRA_OFFSET("QTStdCompressionClass", StdCompressionData, showBestDepthEnabled),
    FENRA_OFFSET("QTStdCompressionClass", StdCompressionData, showDataRateAsKbits),
    FENRA_OFFSET("QTStdCompressionClass", StdCompressionData, movieStartSel),
    FENRA_OFFSET("QTStdCompressionClass", StdCompressionData, movieEndSel),
    FENRA_OFFSET("QTStdCompressionClass", StdCompressionData, movieNewWidth),
    FENRA_OFFSET("QTStdCompressionClass", StdCompressionData, movieNewHeight),
    FENRA_OFFSET("QTStdCompressionClass", StdCompressionData, movieClipLeft),
    FENRA_OFFSET("QTStdCompressionClass", StdCompressionData, movieClipTop),
    FENRA_OFFSET("QTStdCompressionClass", StdCompressionData, movieClipRight),
    FENRA_OFFSET("QTStdCompressionClass", StdCompressionData, movieClipBottom),
    FENRA_OFFSET("QTStdCompressionClass", StdCompressionData, saveMovieDataInDataFork),
    FENRA_OFFSET("QTMovieExportClass", MovieExportData, curErr),
    FENRA_OFFSET("QTMovieExportClass", MovieExportData, exporterType),
    FENRA_OFFSET("QTMovieExportClass", MovieExportData, exporterManufacturer),
    FENRA_OFFSET("QTMovieExportClass", MovieExportData, sourceMovie),
    FENRA_OFFSET("QTMovieExportClass", MovieExportData, sourceTrackIndex),
    FENRA_OFFSET("QTMovieExportClass", MovieExportData, selectionStart),
    FENRA_OFFSET("QTMovieExportClass", MovieExportData, selectionDuration),
    FENRA_OFFSET("QTMovieExportClass", MovieExportData, width),
    FENRA_OFFSET("QTMovieExportClass", MovieExportData, height),
    FENRA_OFFSET("QTMovieExportClass", MovieExportData, disposeSourceMovie),
    FENRA_OFFSET("QTMovieExportClass", MovieExportData, useStandardProgress),
};
#undef FENRA_OFFSET

// The offset of a field by class and field name; -1 when not listed.
constexpr long InstanceDataOffsetOf(const char* className, const char* field) {
  auto same = [](const char* a, const char* b) {
    while (*a != 0 && *a == *b) ++a, ++b;
    return *a == *b;
  };
  for (const InstanceDataOffset& row : kInstanceDataOffsets) {
    if (same(row.className, className) && same(row.field, field)) {
      return static_cast<long>(row.offset);
    }
  }
  return -1;
}

}  // namespace fenra
