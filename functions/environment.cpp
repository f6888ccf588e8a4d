// Environment queries: the QuickTime and plugin versions, QuickTime VR,
// whether QuickTime can open a file, the movie file chooser, the scrap, and
// two functions on QuickTime movies held by the host.
#include "Aliases.h"
#include "Gestalt.h"
#include "ImageCompression.h"
#include "Movies.h"
#include "QTML.h"
#include "QuickTimeComponents.h"
#include "StandardFile.h"
#include "functions/module_tables.h"
#include "plugin/bridges.h"
#include "plugin/host_services.h"
#include "plugin/quicktime_start.h"
#include "plugin/registration.h"

namespace fenra {
namespace {

constexpr RBInteger kPluginVersion = 0x04600001;  // 4.6.0, build 1

// Successful starts of QuickTime VR; it is loaded at most once.
int gQuickTimeVRStarts = 0;

RBInteger QTVersion() {
  return QuickTimeVersion();
}

RBInteger PluginVersion() {
  return kPluginVersion;
}

RBBoolean IsRunningOSX() {
  return false;
}

RBBoolean IsQTVRAvailable() {
  long response = 0;
  if (Gestalt(gestaltQTVRMgrAttr, &response) != noErr) return false;
  if ((response & (1L << gestaltQTVRMgrPresent)) == 0) return false;
  if (gQuickTimeVRStarts == 0 && QTLoadLibrary("QuickTimeVR.qtx") != nullptr) {
    ++gQuickTimeVRStarts;
  }
  return gQuickTimeVRStarts > 0;
}

RBBoolean IsFileTypeMovieFile(REALstring flType, RBBoolean usingAggressiveImporters) {
  UInt32 flags =
      kQTDontLookForMovieImporterIfGraphicsImporterFound | kQTAllowImportersThatWouldCreateNewFile;
  if (usingAggressiveImporters) flags |= kQTAllowAggressiveImporters;
  Boolean withGraphicsImporter = false;
  Boolean asMovie = false;
  OSErr err = CanQuickTimeOpenFile(nullptr, StringToOSType(flType), 0, &withGraphicsImporter,
                                   &asMovie, nullptr, flags);
  if (err != noErr) return false;
  return withGraphicsImporter || asMovie;
}

// Asks for a movie importer through a minimal alias of the file.
bool HasMovieImporter(const FSSpec& spec) {
  AliasHandle alias = nullptr;
  OSErr err = QTNewAlias(&spec, &alias, true);
  if (err != noErr || alias == nullptr) return false;
  Component importer = nullptr;
  err = GetMovieImporterForDataRef(rAliasType, reinterpret_cast<Handle>(alias),
                                   kGetMovieImporterDontConsiderGraphicsImporters, &importer);
  DisposeHandle(reinterpret_cast<Handle>(alias));
  return err == noErr && importer != nullptr;
}

RBBoolean IsFileMovieFile(REALfolderItem srcFile) {
  FSSpec spec;
  if (FolderItemToFSSpec(srcFile, &spec) != noErr) return false;
  FInfo info;
  if (FSpGetFInfo(&spec, &info) == noErr && info.fdType == kQTFileTypeMovie) return true;
  return HasMovieImporter(spec);
}

RBBoolean IsFileImageFile(REALfolderItem srcFile) {
  FSSpec spec;
  if (FolderItemToFSSpec(srcFile, &spec) != noErr) return false;
  ComponentInstance importer = nullptr;
  GetGraphicsImporterForFile(&spec, &importer);
  if (importer == nullptr) return false;
  CloseComponent(importer);
  return true;
}

// The open-file dialog with preview. numTypes -1 (all types) when no list
// is given; nil when the user cancels.
REALfolderItem ChooseFile(const OSType* types, short numTypes) {
  StandardFileReply reply{};
  StandardGetFilePreview(nullptr, types != nullptr ? numTypes : -1, types, &reply);
  if (!reply.sfGood) return nullptr;
  FSSpec chosen;
  CopyFSSpec(&chosen, &reply.sfFile);
  return FSSpecToFolderItem(&chosen);
}

REALfolderItem SelectMovieFileDialog() {
  const OSType types[] = {kQTFileTypeMovie};
  return ChooseFile(types, 1);
}

RBInteger UpdateMovie(REALmovie m) {
  if (m == nullptr) return invalidMovie;
  auto movie = static_cast<Movie>(host::getMovieMovie(m));
  if (movie != nullptr) MoviesTask(movie, 0);
  return noErr;
}

RBBoolean ScrapHasMovie() {
  Movie movie = NewMovieFromScrap(newMovieDontAskUnresolvedDataRefs);
  if (movie == nullptr) return false;
  DisposeMovie(movie);
  return true;
}

REALmovie ScrapGetMovieFrom() {
  if (!ScrapHasMovie()) return nullptr;
  auto hostMovie = reinterpret_cast<REALmovie>(host::PluginNewInstance("Movie"));
  if (hostMovie == nullptr) return nullptr;
  // The host movie owns the QuickTime movie from here on, even a nil one.
  host::REALSetMovieMovie(hostMovie, NewMovieFromScrap(0));
  return hostMovie;
}

// The script takes the reference it was given (qtObjRef of a movie
// object) and answers for not using the movie again.
void DisposeMovieReference(RBInteger m) {
  if (m <= 0) return;
  DisposeMovie(reinterpret_cast<Movie>(static_cast<intptr_t>(m)));
}

REALmethodDefinition gEnvironmentQueries[] = {
    ModuleMethod<QTVersion, "Fenra_QTVersion() as integer">(),
    ModuleMethod<PluginVersion, "Fenra_PluginVersion() as integer">(),
    ModuleMethod<IsRunningOSX, "Fenra_IsRunningOSX() as boolean">(),
    ModuleMethod<IsQTVRAvailable, "Fenra_IsQTVRAvailable() as boolean">(),
    ModuleMethod<IsFileTypeMovieFile,
                 "Fenra_IsFileMovieFile(flType as string,usingAggressiveImporters as boolean) as "
                 "boolean">(),
    ModuleMethod<IsFileMovieFile, "Fenra_IsFileMovieFile(srcFile as folderitem) as boolean">(),
    ModuleMethod<IsFileImageFile, "Fenra_IsFileImageFile(srcFile as folderitem) as boolean">(),
    ModuleMethod<SelectMovieFileDialog, "Fenra_SelectMovieFileDialog() as folderitem">(),
    ModuleMethod<UpdateMovie, "Fenra_UpdateMovie(m as movie) as Integer">(),
    ModuleMethod<ScrapHasMovie, "Fenra_ScrapHasMovie() as boolean">(),
    ModuleMethod<ScrapGetMovieFrom, "Fenra_ScrapGetMovieFrom() as movie">(),
    ModuleMethod<DisposeMovieReference, "Fenra_DisposeMovie(m as integer)">(),
};

}  // namespace

std::span<REALmethodDefinition> EnvironmentQueryMethods() {
  return gEnvironmentQueries;
}

}  // namespace fenra
