// File formats the engine imports and exports: graphics importers and
// exporters, movie importers and exporters, and how a file's format is
// told from its first bytes, its file type or its name.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "QDOffscreen.h"
#include "components/component_registry.h"
#include "components/still_images.h"

namespace qtml {

// The work of a graphics importer instance: the file it reads, where it
// draws, and the image once read. The importer's format is its
// component's subtype.
class GraphicsImporterImplementation : public ComponentImplementation {
 public:
  bool Implements(SInt16 selector) const override;

  std::string path;  // native path; empty until a file is given
  OSType format = 0;
  CGrafPtr port = nullptr;  // nil: the port current when drawing
  GDHandle device = nullptr;
  bool boundsSet = false;  // otherwise the image is drawn at its natural bounds
  Rect bounds{};
  std::unique_ptr<StillImage> image;  // read at the first call that needs it
};

// The AVCodecID of FFmpeg's decoder for a graphics format (a graphics
// importer's subtype), or 0 when FFmpeg does not read the format (PICT,
// which the engine reads itself, and formats that are not images).
int ImageCodecOfFormat(OSType format);

// What is known of a file when its format is looked for; any part may be
// missing (0 or empty).
struct FileFacts {
  OSType fileType = 0;
  std::string extension;      // without the dot, any case
  std::vector<uint8_t> head;  // the first bytes, when they were read
};

// The most bytes of a file's beginning that identification looks at.
constexpr size_t kFileHeadBytes = 1024;

// The file type of the format the facts name, or 0: the first bytes
// decide when they identify a format, otherwise the file type, otherwise
// the extension.
OSType IdentifyFormat(const FileFacts& facts);

// Whether a format is a still image (its movie importer makes a one-frame
// movie from a graphics importer).
bool IsStillImageFormat(OSType format);

// Appends the format components this build can back: graphics importers
// ('grip') and exporters ('grex', the base exporter first), movie
// importers ('eat ') and exporters ('spit'). The entries' strings are
// static.
void AppendFormatComponents(std::vector<ComponentEntry>* entries);

}  // namespace qtml
