#include "plugin/class_list.h"

#include <array>

#include "functions/module_tables.h"

namespace fenra {

std::span<REALclassDefinition* const> RegisteredClasses() {
  static REALclassDefinition* const kClasses[] = {
      &gFenraObjectClass,
      &gFenraProgressCallbackClass,
      &gFenraRectClass,
      &gFenraRegionClass,
      &gFenraTimeRangeClass,
      &gFenraGraphicsContextClass,
      &gFenraComponentClass,
      &gFenraCodecClass,
      &gFenraCodecListClass,
      &gFenraComponentListClass,
      &gFenraDataRefClass,
      &gFenraFileClass,
      &gFenraUserDataClass,
      &gFenraSampleDescClass,
      &gFenraImageDescClass,
      &gFenraImageDescCompClass,
      &gFenraSoundDescClass,
      &gFenraTextDescClass,
      &gFenraTimeCodeDescClass,
      &gFenraContainerClass,
      &gFenraMediaClass,
      &gFenraTrackClass,
      &gFenraMovieClass,
      &gFenraMoviePlayClass,
      &gFenraNewTrackClass,
      &gFenraNewVideoTrackClass,
      &gFenraNewTextTrackClass,
      &gFenraNewSoundTrackClass,
      &gFenraNewTimeCodeTrackClass,
      &gFenraDisplayModeClass,
      &gFenraComponentServiceClass,
      &gFenraCompressImageClass,
      &gFenraCompressMovieClass,
      &gFenraCompressSoundClass,
      &gFenraExportImageClass,
      &gFenraExportMovieClass,
      &gFenraVideoOutputClass,
      &gFenraVideoOutputImageClass,
      &gFenraVideoOutputMovieClass,
      &gQTGlobalInfoClass,
      &gFenraMovieUndoClass,
      &gQTMovieCreationClass,
      &gQTVideoOutputClass,
      &gFenraEffectsClass,
      &gQTStdCompressionClass,
      &gQTMovieExportClass,
  };
  static_assert(std::size(kClasses) == 46);
  return kClasses;
}

std::span<const std::span<REALmethodDefinition>> ModuleMethodTables() {
  static const std::array<std::span<REALmethodDefinition>, 4> kTables = {
      EnvironmentQueryMethods(),
      MovieControllerMethods(),
      FrameMethods(),
      MovieEditingMethods(),
  };
  return kTables;
}

}  // namespace fenra
