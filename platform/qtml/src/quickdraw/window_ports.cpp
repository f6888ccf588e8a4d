// Native windows' ports, and the gamma level of pixel maps.
#include <cmath>

#include "ImageCompression.h"
#include "QTML.h"
#include "base/api_call.h"
#include "quickdraw/port.h"

namespace qtml {

bool GammaTable(const Port& port, uint8_t table[256]) {
  if (port.requestedGamma <= 0 || port.requestedGamma == kQTCCIR601VideoGammaLevel) return false;
  double exponent = 2.2 / (port.requestedGamma / 65536.0);
  for (int c = 0; c < 256; ++c) {
    table[c] = static_cast<uint8_t>(std::lround(255.0 * std::pow(c / 255.0, exponent)));
  }
  return true;
}

}  // namespace qtml

using qtml::ApiCall;

extern "C" {

GrafPtr CreatePortAssociation(void* theWnd, Ptr storage, long flags) try {
  ApiCall call("CreatePortAssociation", theWnd, static_cast<const void*>(storage), flags);
  qtml::Port* port = nullptr;
  if (OSErr fault = call.Fault()) {
    qtml::SetQDError(fault);
  } else {
    port = qtml::PortFromGrafPtr(static_cast<GrafPtr>(theWnd));
    qtml::SetQDError(port != nullptr ? noErr : paramErr);
    if (port != nullptr) port->windowAssociated = true;
  }
  return call.Return(port != nullptr ? qtml::GrafPtrOf(port) : nullptr);
} catch (...) {
  return qtml::Escaped<GrafPtr>();
}

GrafPtr GetNativeWindowPort(void* nativeWindow) try {
  ApiCall call("GetNativeWindowPort", nativeWindow);
  if (OSErr fault = call.Fault()) {
    qtml::SetQDError(fault);
    return call.Return<GrafPtr>(nullptr);
  }
  qtml::Port* port = qtml::PortFromGrafPtr(static_cast<GrafPtr>(nativeWindow));
  bool known = port != nullptr && port->windowAssociated;
  return call.Return(known ? qtml::GrafPtrOf(port) : nullptr);
} catch (...) {
  return qtml::Escaped<GrafPtr>();
}

void DestroyPortAssociation(CGrafPtr cgp) try {
  ApiCall call("DestroyPortAssociation", cgp);
  if (OSErr fault = call.Fault()) return qtml::SetQDError(fault);
  qtml::Port* port = qtml::PortFromGrafPtr(cgp);
  if (port != nullptr) port->windowAssociated = false;
  qtml::SetQDError(port != nullptr ? noErr : paramErr);
} catch (...) {
  return qtml::Escaped<void>();
}

OSErr QTSetPixMapHandleRequestedGammaLevel(PixMapHandle pm, Fixed requestedGammaLevel) try {
  ApiCall call("QTSetPixMapHandleRequestedGammaLevel", pm, requestedGammaLevel);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  qtml::Port* port = qtml::PortFromPixMap(pm);
  if (port == nullptr || requestedGammaLevel < 0) return call.Return(paramErr);
  port->requestedGamma = requestedGammaLevel;
  return call.Return(noErr);
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr QTGetPixMapHandleRequestedGammaLevel(PixMapHandle pm, Fixed* requestedGammaLevel) try {
  ApiCall call("QTGetPixMapHandleRequestedGammaLevel", pm, requestedGammaLevel);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  qtml::Port* port = qtml::PortFromPixMap(pm);
  if (port == nullptr || requestedGammaLevel == nullptr) return call.Return(paramErr);
  *requestedGammaLevel = port->requestedGamma;
  return call.Return(noErr);
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

Fixed QTGetPixMapHandleGammaLevel(PixMapHandle pm) try {
  ApiCall call("QTGetPixMapHandleGammaLevel", pm);
  if (call.Fault() != noErr) return call.Return<Fixed>(0);
  qtml::Port* port = qtml::PortFromPixMap(pm);
  if (port == nullptr) return call.Return<Fixed>(0);
  return call.Return(port->requestedGamma > 0 ? port->requestedGamma
                                              : static_cast<Fixed>(kQTCCIR601VideoGammaLevel));
} catch (...) {
  return qtml::Escaped<Fixed>();
}

}  // extern "C"
