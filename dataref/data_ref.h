// FenraDataRef: a QuickTime data reference (a handle and the type of the
// data handler that reads it) as a script value. Scripts make them from
// files, URLs and copies; the movie classes make them from a media's data
// references and from memory.
#pragma once

#include "Files.h"
#include "MacTypes.h"
#include "Movies.h"
#include "REALplugin.h"
#include "plugin/native_object.h"

namespace fenra {

class DataRefNative final : public NativeObject {
 public:
  DataRefNative() = default;
  // A deep copy: the reference and the data handle are duplicated, and a
  // memory reference to the source's own data names the copy's. A source
  // that is not valid gives a copy without a reference and err -50.
  DataRefNative(const DataRefNative& other);
  DataRefNative& operator=(const DataRefNative&) = delete;
  // Disposes of the reference and the data handle.
  ~DataRefNative();

  bool IsValid() const override { return reference != nullptr; }

  // The kinds of construction. Each leaves err set and, on failure, no
  // reference. Made on a fresh native only.
  // A minimal alias of the file the spec names (which need not exist).
  void MakeFile(const FSSpec* spec);
  // The URL text and its terminating zero; -50 for nil or empty text.
  void MakeURL(const char* url);
  // A 'hndl' reference naming `handle` (not owned), or with a nil handle a
  // new empty handle that this object owns.
  void MakeMemory(Handle handle);
  // The index-th (from 1) data reference of a media.
  void MakeFromMedia(Media media, short index);

  // The file of an 'alis' reference, in *spec; false (err set when
  // resolving was tried) when there is none.
  bool ResolveFile(FSSpec* spec);
  // A copy (owned by the caller) of a 'url ' reference's bytes, the URL
  // and its terminating zero; nullptr for another type, or (err set) when
  // its size cannot be read or there is no memory.
  Handle CopyURL();

  Handle dataHandle = nullptr;  // owned: the bytes of a memory reference made without a handle
  Handle reference = nullptr;   // owned
  OSType type = 0;
  int32_t attributes = 0;  // dataRefSelfReference, dataRefWasNotResolved
};

// A new native made from a media's index-th data reference; err says how
// it went. nullptr only when there is no memory.
DataRefNative* NewDataRefFromMedia(Media media, short index);
// A new native for a memory reference to `handle` (nil: to a new empty
// handle it owns). nullptr only when there is no memory.
DataRefNative* NewMemoryDataRef(Handle handle);

// Attaches a native to a FenraDataRef instance: with `copy` a deep copy,
// without it the native itself (which the instance then owns).
void AttachDataRef(REALobject instance, DataRefNative* native, bool copy);
// A new FenraDataRef for a script holding `native` (owned by it from now
// on); an instance without a native object for a null one.
REALobject NewDataRefObject(DataRefNative* native);
// The native of a FenraDataRef instance, or nullptr when it has none.
DataRefNative* GetDataRefNative(REALobject instance);

}  // namespace fenra
