// The engine's exporters: graphics exporters ('grex'), which write one
// image as a file of a format, and movie exporters ('spit'), which write a
// movie, a part of one or one of its tracks as a file of a format.
#pragma once

#include <string>
#include <vector>

#include "Movies.h"
#include "components/component_registry.h"

namespace qtml {

// Appends the graphics exporters this build can back (the base exporter
// first), then the movie exporters. The entries' strings are static.
void AppendGraphicsExporters(std::vector<ComponentEntry>* entries);
void AppendMovieExporters(std::vector<ComponentEntry>* entries);

// Writes the whole movie (or only onlyTrack) to the file at `path` through
// a movie exporter instance, with its settings. cantFindHandler when the
// instance is not a movie exporter's.
OSErr ExportMovieToFile(ComponentInstance exporter, Movie movie, Track onlyTrack,
                        const std::string& path);

// The settings of an export dialog as a test's answer gives them: "name=
// value" pairs separated by commas. False for a cancel (a nil answer, or
// none queued); an empty answer accepts the dialog as it is.
struct DialogSetting {
  std::string name;
  std::string value;
};
bool TakeSettingsAnswer(std::vector<DialogSetting>* settings);

// A dialog value as a number (decimal, or 0x hexadecimal) or, for a value
// of one to four characters that is not a number, a four-character code.
long DialogNumber(const std::string& value);
OSType DialogCode(const std::string& value);

// Writes `bytes` to the file at `path` as a new file put in place whole:
// written aside first, so a failure leaves no file behind and an existing
// file as it was. The file gets the type and creator given.
OSErr WriteFileWhole(const std::string& path, const std::string& bytes, OSType type,
                     OSType creator);

}  // namespace qtml
