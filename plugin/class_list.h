// The registration records of every class and module method table, in the
// order they are handed to the host. Each record lives beside the code of
// its class; this list only orders them.
#pragma once

#include <cstddef>
#include <span>

#include "REALplugin.h"

namespace fenra {

extern REALclassDefinition gFenraObjectClass;
extern REALclassDefinition gFenraProgressCallbackClass;
extern REALclassDefinition gFenraRectClass;
extern REALclassDefinition gFenraRegionClass;
extern REALclassDefinition gFenraTimeRangeClass;
extern REALclassDefinition gFenraGraphicsContextClass;
extern REALclassDefinition gFenraComponentClass;
extern REALclassDefinition gFenraCodecClass;
extern REALclassDefinition gFenraCodecListClass;
extern REALclassDefinition gFenraComponentListClass;
extern REALclassDefinition gFenraDataRefClass;
extern REALclassDefinition gFenraFileClass;
extern REALclassDefinition gFenraUserDataClass;
extern REALclassDefinition gFenraSampleDescClass;
extern REALclassDefinition gFenraImageDescClass;
extern REALclassDefinition gFenraImageDescCompClass;
extern REALclassDefinition gFenraSoundDescClass;
extern REALclassDefinition gFenraTextDescClass;
extern REALclassDefinition gFenraTimeCodeDescClass;
extern REALclassDefinition gFenraContainerClass;
extern REALclassDefinition gFenraMediaClass;
extern REALclassDefinition gFenraTrackClass;
extern REALclassDefinition gFenraMovieClass;
extern REALclassDefinition gFenraMoviePlayClass;
extern REALclassDefinition gFenraNewTrackClass;
extern REALclassDefinition gFenraNewVideoTrackClass;
extern REALclassDefinition gFenraNewTextTrackClass;
extern REALclassDefinition gFenraNewSoundTrackClass;
extern REALclassDefinition gFenraNewTimeCodeTrackClass;
extern REALclassDefinition gFenraDisplayModeClass;
extern REALclassDefinition gFenraComponentServiceClass;
extern REALclassDefinition gFenraCompressImageClass;
extern REALclassDefinition gFenraCompressMovieClass;
extern REALclassDefinition gFenraCompressSoundClass;
extern REALclassDefinition gFenraExportImageClass;
extern REALclassDefinition gFenraExportMovieClass;
extern REALclassDefinition gFenraVideoOutputClass;
extern REALclassDefinition gFenraVideoOutputImageClass;
extern REALclassDefinition gFenraVideoOutputMovieClass;
extern REALclassDefinition gQTGlobalInfoClass;
extern REALclassDefinition gFenraMovieUndoClass;
extern REALclassDefinition gQTMovieCreationClass;
extern REALclassDefinition gQTVideoOutputClass;
extern REALclassDefinition gFenraEffectsClass;
extern REALclassDefinition gQTStdCompressionClass;
extern REALclassDefinition gQTMovieExportClass;

// The 46 classes in registration order: every superclass before its
// subclasses.
std::span<REALclassDefinition* const> RegisteredClasses();

// The four module method tables in registration order: environment
// queries, movie controller functions, frames and thumbnails, movie
// editing and information.
std::span<const std::span<REALmethodDefinition>> ModuleMethodTables();

}  // namespace fenra
