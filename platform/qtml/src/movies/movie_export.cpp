// ConvertMovieToFile: a movie, or one of its tracks, written to a file by
// the movie exporter of a format, chosen in the export dialog or by the
// caller.
#include <string>

#include "Movies.h"
#include "QuickTimeComponents.h"
#include "base/dialog_answers.h"
#include "components/component_registry.h"
#include "components/exporters.h"
#include "files/files.h"
#include "files/finder_info.h"
#include "files/os.h"
#include "movies/movie_calls.h"
#include "memory/memory.h"
#include "movies/movie_files.h"

namespace qtml {
namespace {

constexpr long kExportFlattenFlags =
    flattenAddMovieToDataFork | flattenForceMovieResourceBeforeMovieData;

// The export dialog: the user picks the format, answered by the test
// controls' queue (an answer's text is the exporter's subtype). False for
// a cancel.
bool AskFormat(OSType* format) {
  std::string answer;
  if (!TakeDialogAnswer(&answer)) return false;
  OSType code = 0;
  for (size_t i = 0; i < 4; ++i) {
    unsigned char c = i < answer.size() ? static_cast<unsigned char>(answer[i]) : ' ';
    code = (code << 8) | c;
  }
  *format = code;
  return true;
}

// The exporter that writes the format: userComp when given, else the
// registered exporter of that subtype; nullptr for none.
ComponentRecord* ExporterOf(OSType format, ComponentInstance userComp) {
  if (userComp != nullptr) {
    ComponentRecord* component = ComponentOrInstance(reinterpret_cast<Component>(userComp));
    if (component == nullptr || component->entry.type != MovieExportType) return nullptr;
    return component;
  }
  ComponentDescription looking{MovieExportType, format, 0, 0, 0};
  return FindComponentRecord(NextMatching(nullptr, &looking));
}

// The file through an exporter of another format than QuickTime's own
// (or one the caller opened, with its settings).
OSErr WriteThroughExporter(MovieRecord& movie, Track onlyTrack, const FSSpec* file, OSType creator,
                           long flags, ComponentRecord* exporter, ComponentInstance userComp) {
  std::string path;
  if (OSErr err = SpecToPath(file, &path)) return err;
  os::EntryKind kind = os::EntryKind::kMissing;
  if (OSErr err = os::KindAt(path, &kind)) return err;
  if (kind != os::EntryKind::kMissing) {
    if (kind != os::EntryKind::kFile) return notAFileErr;
    if ((flags & createMovieFileDeleteCurFile) == 0) return dupFNErr;
  }
  ComponentInstance instance = userComp;
  if (instance == nullptr) {
    if (OSErr err = OpenInstance(exporter, &instance)) return err;
  }
  OSErr err = ExportMovieToFile(instance, ReferenceTo(&movie), onlyTrack, path);
  if (userComp == nullptr) CloseInstance(FindInstanceRecord(instance));
  if (err == noErr && exporter->entry.subType != GraphicsExporterComponentType) {
    FInfo info = {};
    info.fdType = exporter->entry.subType;
    info.fdCreator = creator;
    WriteFinderInfo(path, info);
  }
  return err;
}

// Writes the movie, or only `onlyTrack` of it (the other tracks left out
// for the write and as they were afterwards), as a QuickTime movie.
OSErr WriteQuickTimeMovie(MovieRecord& movie, TrackRecord* onlyTrack, const FSSpec* file,
                          OSType creator, long flags) {
  long flattenFlags = kExportFlattenFlags;
  std::vector<bool> enabled;
  if (onlyTrack != nullptr) {
    flattenFlags |= flattenActiveTracksOnly;
    for (auto& track : movie.tracks) {
      enabled.push_back(track->enabled);
      track->enabled = track.get() == onlyTrack;
    }
  }
  OSErr err = FlattenToFile(movie, flattenFlags, file, creator, flags);
  for (size_t i = 0; i < enabled.size(); ++i) movie.tracks[i]->enabled = enabled[i];
  return err;
}

OSErr Convert(MovieRecord& movie, Track onlyTrack, const FSSpec* file, OSType fileType,
              OSType creator, long flags, ComponentInstance userComp) {
  TrackRecord* track = nullptr;
  if (onlyTrack != nullptr) {
    track = TrackOf(onlyTrack);
    if (track == nullptr || track->movie != &movie) return invalidTrack;
  }
  if (file == nullptr) return paramErr;
  OSType format = fileType != 0 ? fileType : OSType{kQTFileTypeMovie};
  if ((flags & showUserSettingsDialog) != 0 && !AskFormat(&format)) return userCanceledErr;
  ComponentRecord* exporter = ExporterOf(format, userComp);
  if (exporter == nullptr) return cantFindHandler;
  if (userComp == nullptr && exporter->entry.subType == kQTFileTypeMovie) {
    return WriteQuickTimeMovie(movie, track, file, creator, flags);
  }
  return WriteThroughExporter(movie, onlyTrack, file, creator, flags, exporter, userComp);
}

}  // namespace
}  // namespace qtml

extern "C" {

QTML_API OSErr ConvertMovieToFile(Movie theMovie, Track onlyTrack, FSSpec* outputFile,
                                  OSType fileType, OSType creator, ScriptCode scriptTag,
                                  short* resID, long flags, ComponentInstance userComp) try {
  qtml::ApiCall call("ConvertMovieToFile", theMovie, onlyTrack, outputFile, qtml::FourCC{fileType},
                     qtml::FourCC{creator}, scriptTag, resID, flags, userComp);
  if (OSErr err = qtml::RequireMovieToolbox()) return call.Return(err);
  if (OSErr fault = call.Fault()) return call.Return(qtml::Result(fault));
  qtml::MovieRecord* movie = qtml::MovieOf(theMovie);
  if (movie == nullptr) return call.Return<OSErr>(invalidMovie);
  OSErr err = qtml::Guarded<OSErr>(memFullErr, [&] {
    return qtml::Convert(*movie, onlyTrack, outputFile, fileType, creator, flags, userComp);
  });
  if (err == noErr && resID != nullptr) *resID = movieInDataForkResID;
  return call.Return(qtml::Result(err));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

}  // extern "C"
