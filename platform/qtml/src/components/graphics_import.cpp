// The graphics importer calls: an importer reads its file's first image
// once, then draws it scaled onto its bounds rectangle in its port.
#include <new>

#include "ImageCompression.h"
#include "base/api_call.h"
#include "components/component_selectors.h"
#include "components/importers.h"
#include "components/still_images.h"
#include "files/os.h"
#include "memory/memory.h"
#include "quickdraw/matrix.h"
#include "quickdraw/matrix_copy.h"
#include "quickdraw/pixels.h"
#include "quickdraw/port.h"

namespace qtml {
namespace {

constexpr SInt16 kGraphicsImportSelectors[] = {
    kGraphicsImportGetNaturalBoundsSelect, kGraphicsImportDrawSelect,
    kGraphicsImportSetGWorldSelect,        kGraphicsImportGetGWorldSelect,
    kGraphicsImportSetBoundsRectSelect,    kGraphicsImportGetBoundsRectSelect,
};

// The importer behind an instance that takes the call, or nullptr with
// *result saying why not.
constexpr auto ImporterFor = EnterAs<GraphicsImporterImplementation>;

// Reads the image the first time it is needed; a failed read is tried
// again by the next call.
OSErr LoadImage(GraphicsImporterImplementation& importer) {
  if (importer.image != nullptr) return noErr;
  return Guarded<OSErr>(memFullErr, [&] {
    std::string file;
    if (OSErr err = os::ReadWholeFile(importer.path, &file)) return err;
    auto image = std::make_unique<StillImage>();
    if (OSErr err = DecodeImageFile(importer.format, file, image.get())) return err;
    importer.image = std::move(image);
    return noErr;
  });
}

OSErr Draw(GraphicsImporterImplementation& importer) {
  Port* port = importer.port != nullptr ? PortFromGrafPtr(reinterpret_cast<GrafPtr>(importer.port))
                                        : CurrentPort();
  if (port == nullptr) return paramErr;
  if (OSErr err = LoadImage(importer)) return err;
  StillImage& image = *importer.image;
  Rect natural = image.Bounds();
  Rect target = importer.boundsSet ? importer.bounds : natural;
  MatrixRecord toPort = RectMapping(natural, target);
  PixMap source = image.Map();
  return DrawPixMapThroughMatrix(source, natural, *port, &toPort, ditherCopy, port->opColor,
                                 nullptr);
}

}  // namespace

bool GraphicsImporterImplementation::Implements(SInt16 selector) const {
  return InSelectorTable(kGraphicsImportSelectors, selector);
}

}  // namespace qtml

using qtml::ApiCall;

extern "C" {

ComponentResult GraphicsImportGetNaturalBounds(GraphicsImportComponent ci,
                                               Rect* naturalBounds) try {
  ApiCall call("GraphicsImportGetNaturalBounds", ci, naturalBounds);
  if (OSErr fault = call.Fault()) return call.Return<ComponentResult>(fault);
  ComponentResult result = noErr;
  auto* importer = qtml::ImporterFor(ci, kGraphicsImportGetNaturalBoundsSelect, &result);
  if (importer == nullptr) return call.Return(result);
  if (naturalBounds == nullptr) return call.Return<ComponentResult>(paramErr);
  *naturalBounds = Rect{0, 0, 0, 0};
  if (OSErr err = qtml::LoadImage(*importer)) return call.Return<ComponentResult>(err);
  *naturalBounds = importer->image->Bounds();
  return call.Return<ComponentResult>(noErr);
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

ComponentResult GraphicsImportSetGWorld(GraphicsImportComponent ci, CGrafPtr port,
                                        GDHandle gd) try {
  ApiCall call("GraphicsImportSetGWorld", ci, port, gd);
  if (OSErr fault = call.Fault()) return call.Return<ComponentResult>(fault);
  ComponentResult result = noErr;
  auto* importer = qtml::ImporterFor(ci, kGraphicsImportSetGWorldSelect, &result);
  if (importer == nullptr) return call.Return(result);
  if (port != nullptr && qtml::PortFromGrafPtr(reinterpret_cast<GrafPtr>(port)) == nullptr) {
    return call.Return<ComponentResult>(paramErr);
  }
  importer->port = port;
  importer->device = gd;
  return call.Return<ComponentResult>(noErr);
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

ComponentResult GraphicsImportGetGWorld(GraphicsImportComponent ci, CGrafPtr* port,
                                        GDHandle* gd) try {
  ApiCall call("GraphicsImportGetGWorld", ci, port, gd);
  if (OSErr fault = call.Fault()) return call.Return<ComponentResult>(fault);
  ComponentResult result = noErr;
  auto* importer = qtml::ImporterFor(ci, kGraphicsImportGetGWorldSelect, &result);
  if (importer == nullptr) return call.Return(result);
  if (port != nullptr) *port = importer->port;
  if (gd != nullptr) *gd = importer->device;
  return call.Return<ComponentResult>(noErr);
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

ComponentResult GraphicsImportSetBoundsRect(GraphicsImportComponent ci, const Rect* bounds) try {
  ApiCall call("GraphicsImportSetBoundsRect", ci, bounds);
  if (OSErr fault = call.Fault()) return call.Return<ComponentResult>(fault);
  ComponentResult result = noErr;
  auto* importer = qtml::ImporterFor(ci, kGraphicsImportSetBoundsRectSelect, &result);
  if (importer == nullptr) return call.Return(result);
  if (bounds == nullptr || qtml::IsEmpty(*bounds)) return call.Return<ComponentResult>(paramErr);
  importer->bounds = *bounds;
  importer->boundsSet = true;
  return call.Return<ComponentResult>(noErr);
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

ComponentResult GraphicsImportGetBoundsRect(GraphicsImportComponent ci, Rect* bounds) try {
  ApiCall call("GraphicsImportGetBoundsRect", ci, bounds);
  if (OSErr fault = call.Fault()) return call.Return<ComponentResult>(fault);
  ComponentResult result = noErr;
  auto* importer = qtml::ImporterFor(ci, kGraphicsImportGetBoundsRectSelect, &result);
  if (importer == nullptr) return call.Return(result);
  if (bounds == nullptr) return call.Return<ComponentResult>(paramErr);
  if (importer->boundsSet) {
    *bounds = importer->bounds;
    return call.Return<ComponentResult>(noErr);
  }
  *bounds = Rect{0, 0, 0, 0};
  if (OSErr err = qtml::LoadImage(*importer)) return call.Return<ComponentResult>(err);
  *bounds = importer->image->Bounds();
  return call.Return<ComponentResult>(noErr);
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

ComponentResult GraphicsImportDraw(GraphicsImportComponent ci) try {
  ApiCall call("GraphicsImportDraw", ci);
  if (OSErr fault = call.Fault()) return call.Return<ComponentResult>(fault);
  ComponentResult result = noErr;
  auto* importer = qtml::ImporterFor(ci, kGraphicsImportDrawSelect, &result);
  if (importer == nullptr) return call.Return(result);
  return call.Return<ComponentResult>(qtml::Draw(*importer));
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

}  // extern "C"
