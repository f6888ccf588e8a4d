/*
 * StandardFile.h: the standard dialogs for choosing a file to open or a
 * name to save under. The engine shows no windows: each dialog takes the
 * answer a test queued (QTMLTestControls.h), and is cancelled without one.
 */
#ifndef __STANDARDFILE__
#define __STANDARDFILE__

#include "Files.h"
#include "MacTypes.h"

QTML_EXTERN_C_BEGIN

typedef OSType SFTypeList[4];
typedef const OSType* ConstSFTypeListPtr;
/* A filter procedure; the engine's dialogs list what they are given. */
typedef void* FileFilterUPP;

typedef struct StandardFileReply {
  Boolean sfGood; /* false: the user cancelled */
  Boolean sfReplacing;
  OSType sfType;
  FSSpec sfFile;
  ScriptCode sfScript;
  short sfFlags;
  Boolean sfIsFolder;
  Boolean sfIsVolume;
  long sfReserved1;
  short sfReserved2;
} StandardFileReply;

/* Lets the user choose a file whose type is one of the numTypes in
 * typeList (numTypes -1: any type). A file without a stored type has the
 * type its name extension suggests. */
QTML_API void StandardGetFile(FileFilterUPP fileFilter, short numTypes, ConstSFTypeListPtr typeList,
                              StandardFileReply* reply);
/* Lets the user choose where to save; sfReplacing tells whether the file
 * exists. */
QTML_API void StandardPutFile(ConstStr255Param prompt, ConstStr255Param defaultName,
                              StandardFileReply* reply);

QTML_EXTERN_C_END

#endif /* __STANDARDFILE__ */
