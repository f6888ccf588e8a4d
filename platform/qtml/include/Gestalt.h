/*
 * Gestalt.h: questions about the environment, asked by selector.
 */
#ifndef __GESTALT__
#define __GESTALT__

#include "MacErrors.h"
#include "MacTypes.h"

QTML_EXTERN_C_BEGIN

enum {
  /* QuickTime's version word: major, minor and bug digits in the high word
   * (0x0779 is 7.7.9), then the release stage (0x80 final). */
  gestaltQuickTime = 'qtim',
  gestaltQuickTimeVersion = 'qtim'
};

enum {
  /* QuickTime VR: bit gestaltQTVRMgrPresent of the response is set when it
   * is installed. This engine has no VR: the selector is undefined. */
  gestaltQTVRMgrAttr = 'qtvr',
  gestaltQTVRMgrPresent = 0
};

/* Answers the value for selector in *response, or gestaltUndefSelectorErr
 * for a selector this engine does not know. */
QTML_API OSErr Gestalt(OSType selector, long* response);

QTML_EXTERN_C_END

#endif /* __GESTALT__ */
