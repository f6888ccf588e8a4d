// The graphics exporter ('grex') and movie exporter ('spit') services.
#pragma once

#include <string>

#include "components/service.h"
#include "movie/sample_desc.h"

namespace fenra {

class TimeRangeNative;

// The exporter's subtype as kept in preferenceFlags and written as a
// settings record's flags: byte-swapped, so that its bytes in memory read
// as the identifier's characters in order.
int32_t SubtypeAsFlags(OSType subtype);
OSType FlagsAsSubtype(int32_t flags);

// Writes a picture, an image file or a movie frame as an image file
// ('EXPI').
class ImageExporter final : public ComponentService {
 public:
  ImageExporter() : ComponentService(kImageExporterType) {}
  ~ImageExporter() = default;

  void Reset() override;
  // Set the output file type or creator through the exporter; the field
  // changes only on success.
  void SetFileType(OSType type) override;
  void SetFileCreator(OSType creator) override;
  void SetProgress(const ProgressCallbackNative* callback) override;
  bool ShowDialog() override;
  void GetSettingsAsText(char** text) override;
  void Read(const std::string& path) override;

  // Gives the exporter `world` (borrowed: the caller disposes of it after
  // the call) and writes to the file or, when spec is null, to `output`.
  // Returns the bytes written; err = the result.
  unsigned long Export(GWorldPtr world, const FSSpec* spec, Handle output);
  // Applies the settings to the exporter; err = the result.
  void ApplySettings();
  // The output size at the origin when outputBounds is valid; false
  // (bounds untouched) when the source keeps its own size.
  bool OutputBounds(Rect* bounds) const;

  OSType extension = 0;
  RectNative outputBounds;
  bool inputSet = false;
  ICMProgressProcPtr progressAdapter = nullptr;
  ICMProgressProcRecord progressRecord{};  // what the exporter was given
};

// Converts a movie, a selection or a track into a file of the exporter's
// format ('EXPM').
class MovieExporter final : public ComponentService {
 public:
  MovieExporter() : ComponentService(kMovieExporterType) {}
  ~MovieExporter() = default;

  void Reset() override;
  void SetProgress(const ProgressCallbackNative* callback) override;
  bool ShowDialog() override;
  void GetSettingsAsText(char** text) override;
  void Read(const std::string& path) override;
  void Write(const std::string& path) override;

  // Writes the description into the settings' 'soun' atom and applies
  // the settings; err = the result.
  void SetSoundSettings(const SoundDescNative& desc);
  // Applies the settings to the exporter; err = the result.
  void ApplySettings();
  // Exports the range (none: all) of the movie, or of the track when
  // `track` is given, to the file.
  void Export(Movie movie, Track track, const TimeRangeNative* range, REALfolderItem dst);
  // From a settings file: the exporter its 'CSDC' atom describes.
  void OpenFromFile(const std::string& path);

  MovieProgressProcPtr progressAdapter = nullptr;
};

}  // namespace fenra
