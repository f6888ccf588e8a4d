// Conversions between host values and QuickTime values, shared by every
// class. Each checks its pointers first and yields a neutral result
// (false, nil, zeros, paramErr) instead of failing.
#pragma once

#include <cstdint>
#include <string_view>

#include "Files.h"
#include "MacTypes.h"
#include "QDOffscreen.h"
#include "Quickdraw.h"
#include "REALplugin.h"

namespace fenra {

// The text of a host string as the plugin reads it directly; empty for nil.
std::string_view HostStringText(REALstring text);

// The first four characters of `text`, padded with spaces; four spaces
// for an empty or nil string.
OSType StringToOSType(REALstring text);
OSType TextToOSType(std::string_view text);

// Writes the code's four characters, most significant first, and a NUL.
// Nothing when `buffer` is null.
void OSTypeToCString(OSType code, char* buffer);
// The code as a new host string of length 4.
REALstring OSTypeToHostString(OSType code);

// New host strings: from a C string, a length-prefixed string, a handle's
// contents, or empty.
REALstring MakeHostString(const char* text);
REALstring MakeHostString(const char* text, size_t length);
REALstring MakeHostPString(const unsigned char* text);
REALstring MakeHostString();
// The handle's bytes as a new host string; empty, with *err set, when its
// size cannot be read (see HandleSize). Empty for nil.
REALstring MakeHostStringFromHandle(Handle handle, int32_t* err);

// The handle's size in *size. A size the Memory Manager cannot give is
// its error (MemError), a negative one memSCErr and a nil handle
// nilHandleErr; *size is then 0.
OSErr HandleSize(Handle handle, Size* size);

// The 16.16 value nearest `value` in *fixed (saturating at the ends of the
// range); false, *fixed untouched, for NaN and infinities.
bool DoubleToFixed(double value, Fixed* fixed);

// Fills `spec` for the item's native path. noErr when the spec is usable,
// also for a file that does not exist yet; paramErr for nil; otherwise the
// File Manager's refusal (bdNamErr for a name longer than a StrFileName
// holds, dirNFErr for a folder that does not exist).
OSErr FolderItemToFSSpec(REALfolderItem item, FSSpec* spec);
// A folderitem for the spec's path; nil on an error.
REALfolderItem FSSpecToFolderItem(const FSSpec* spec);
// The item's native path; empty for nil.
std::string FolderItemPath(REALfolderItem item);

// Left, top, right, bottom from elements 0 to 3; all zeros unless the
// array has exactly four elements.
void IntArrayToRect(REALarray array, Rect* rect);

void ColorToRGB(RBColor color, RGBColor* rgb);
RBColor RGBToColor(const RGBColor& rgb);

// Width and height from the picture's description; zeros for nil.
void PictureSize(REALpicture picture, short* width, short* height);

// Draws the picture scaled into the GWorld's whole port.
OSErr DrawPictureInGWorld(REALpicture picture, GWorldPtr world);
// A new GWorld (pixels locked, owned by the caller) holding the picture
// drawn into `bounds`, or into its own size when bounds is null.
OSErr PictureToGWorld(REALpicture picture, GWorldPtr* world, const Rect* bounds);
// A new picture handle (owned by the caller) of the picture drawn into
// `bounds`, or its own size.
OSErr PictureToPicHandle(REALpicture picture, PicHandle* result, const Rect* bounds);

void CopyFSSpec(FSSpec* destination, const FSSpec* source);

// The progress window of long operations. No window is shown on this
// platform: create gives no reference, update and dispose do nothing.
using ProgressWindow = void*;
ProgressWindow CreateProgressWindow(const Rect* bounds, ConstStr255Param title,
                                    ConstStr255Param label, long minimum, long maximum);
void UpdateProgressWindow(ProgressWindow window, long value, long flags);
void DisposeProgressWindow(ProgressWindow window);

}  // namespace fenra
