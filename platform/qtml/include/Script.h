/*
 * Script.h: script codes, as the File Manager's creation calls take them.
 */
#ifndef __SCRIPT__
#define __SCRIPT__

#include "MacTypes.h"

enum { smSystemScript = -1, smCurrentScript = -2, smAllScripts = -3, smRoman = 0 };

#endif /* __SCRIPT__ */
