// FenraDataRef: data references to files (through minimal aliases), URLs
// and memory, their copies, and what scripts read back from them.
#include "dataref/data_ref.h"

#include <cstring>
#include <new>

#include "Aliases.h"
#include "MacMemory.h"
#include "plugin/bridges.h"
#include "plugin/class_list.h"
#include "plugin/glue.h"
#include "plugin/host_services.h"
#include "plugin/registration.h"

namespace fenra {

namespace {

// Whether a memory reference names this handle.
bool NamesHandle(Handle reference, Handle handle) {
  Handle named = nullptr;
  if (reference == nullptr || GetHandleSize(reference) != sizeof named) return false;
  std::memcpy(&named, *reference, sizeof named);
  return named == handle;
}

void Dispose(Handle* handle) {
  if (*handle != nullptr) DisposeHandle(*handle);
  *handle = nullptr;
}

}  // namespace

DataRefNative::DataRefNative(const DataRefNative& other) : NativeObject(other) {
  err = kNoErr;
  if (!other.IsValid()) {
    err = kParamErr;
    return;
  }
  type = other.type;
  attributes = other.attributes;
  Handle copy = other.reference;
  if ((err = HandToHand(&copy)) != noErr) return;
  reference = copy;
  if (other.dataHandle == nullptr) return;
  Handle data = other.dataHandle;
  if ((err = HandToHand(&data)) != noErr) {
    Dispose(&reference);
    return;
  }
  dataHandle = data;
  // The copy's reference names the copy's own bytes, so that each object
  // owns what its reference points to.
  if (NamesHandle(reference, other.dataHandle)) {
    std::memcpy(*reference, &dataHandle, sizeof dataHandle);
  }
}

DataRefNative::~DataRefNative() {
  Dispose(&reference);
  Dispose(&dataHandle);
}

void DataRefNative::MakeFile(const FSSpec* spec) {
  if (spec == nullptr) {
    err = kParamErr;
    return;
  }
  AliasHandle alias = nullptr;
  err = QTNewAlias(spec, &alias, true);
  if (err != noErr) return;
  reference = reinterpret_cast<Handle>(alias);
  type = rAliasType;
}

void DataRefNative::MakeURL(const char* url) {
  if (url == nullptr || *url == '\0') {
    err = kParamErr;
    return;
  }
  err = PtrToHand(url, &reference, static_cast<long>(std::strlen(url) + 1));
  if (err != noErr) {
    reference = nullptr;
    return;
  }
  type = URLDataHandlerSubType;
}

void DataRefNative::MakeMemory(Handle handle) {
  if (handle == nullptr) {
    dataHandle = NewHandle(0);
    if (dataHandle == nullptr) {
      err = MemError();
      return;
    }
    handle = dataHandle;
  }
  err = PtrToHand(&handle, &reference, sizeof handle);
  if (err != noErr) {
    reference = nullptr;
    Dispose(&dataHandle);
    return;
  }
  type = HandleDataHandlerSubType;
}

void DataRefNative::MakeFromMedia(Media media, short index) {
  if (media == nullptr) {
    err = invalidMedia;
    return;
  }
  Handle ref = nullptr;
  OSType refType = 0;
  long refAttributes = 0;
  err = GetMediaDataRef(media, index, &ref, &refType, &refAttributes);
  if (err != noErr) return;
  reference = ref;
  type = refType;
  attributes = static_cast<int32_t>(refAttributes);
}

bool DataRefNative::ResolveFile(FSSpec* spec) {
  if (reference == nullptr || type != rAliasType) return false;
  if (attributes == dataRefWasNotResolved) return false;
  if (spec == nullptr) {
    err = kParamErr;
    return false;
  }
  Boolean changed = false;
  err = ResolveAlias(nullptr, reinterpret_cast<AliasHandle>(reference), spec, &changed);
  return err == noErr;
}

Handle DataRefNative::CopyURL() {
  if (reference == nullptr || type != URLDataHandlerSubType) return nullptr;
  Size size = 0;
  if (OSErr measured = HandleSize(reference, &size)) {
    err = measured;
    return nullptr;
  }
  Handle copy = NewHandleClear(size);
  if (copy == nullptr) {
    err = MemError();
    return nullptr;
  }
  BlockMoveData(*reference, *copy, size);
  return copy;
}

DataRefNative* NewDataRefFromMedia(Media media, short index) {
  auto* native = new (std::nothrow) DataRefNative;
  if (native != nullptr) native->MakeFromMedia(media, index);
  return native;
}

DataRefNative* NewMemoryDataRef(Handle handle) {
  auto* native = new (std::nothrow) DataRefNative;
  if (native != nullptr) native->MakeMemory(handle);
  return native;
}

void AttachDataRef(REALobject instance, DataRefNative* native, bool copy) {
  AttachNative(instance, native, copy);
}

REALobject NewDataRefObject(DataRefNative* native) {
  REALobject object = NewInstanceOf("FenraDataRef");
  if (object == nullptr) {
    delete native;
    return nullptr;
  }
  AttachNative(object, native, false);
  return object;
}

DataRefNative* GetDataRefNative(REALobject instance) {
  return GetNative<DataRefNative>(instance);
}

namespace {

enum Selector : intptr_t { kSelfContained, kNotResolved, kInMemory };

// The native of an instance when it is valid.
DataRefNative* ValidNative(REALobject instance) {
  DataRefNative* native = GetNative<DataRefNative>(instance);
  return native != nullptr && native->IsValid() ? native : nullptr;
}

REALstring GetRefType(REALobject instance, intptr_t) {
  DataRefNative* native = GetNative<DataRefNative>(instance);
  if (native == nullptr || native->type == 0) return MakeHostString();
  return OSTypeToHostString(native->type);
}

RBBoolean GetFlag(REALobject instance, intptr_t selector) {
  DataRefNative* native = ValidNative(instance);
  if (native == nullptr) return false;
  switch (selector) {
    case kSelfContained:
      return native->attributes == dataRefSelfReference;
    case kNotResolved:
      return native->attributes == dataRefWasNotResolved;
    case kInMemory:
      return native->type == PointerDataHandlerSubType || native->type == HandleDataHandlerSubType;
  }
  return false;
}

REALfolderItem GetFileRef(REALobject instance, intptr_t) {
  DataRefNative* native = ValidNative(instance);
  FSSpec spec{};
  if (native == nullptr || !native->ResolveFile(&spec)) return nullptr;
  return FSSpecToFolderItem(&spec);
}

REALstring GetURLRef(REALobject instance, intptr_t) {
  DataRefNative* native = ValidNative(instance);
  if (native == nullptr) return nullptr;
  Handle copy = native->CopyURL();
  if (copy == nullptr) return nullptr;
  REALstring text = MakeHostStringFromHandle(copy, &native->err);
  DisposeHandle(copy);
  return text;
}

void Destruct(REALobject instance) {
  DestroyNative<DataRefNative>(instance);
}

// A source without a native object gives none; one that is not valid
// gives a copy that is not valid either (-50).
void NewCopy(REALobject instance, REALobject other) {
  if (other == nullptr) return;
  AttachNative(instance, GetNative<DataRefNative>(other), true);
}

void NewFromFile(REALobject instance, REALfolderItem file) {
  if (file == nullptr) return;
  auto* native = new (std::nothrow) DataRefNative;
  if (native == nullptr) return;
  FSSpec spec{};
  OSErr err = FolderItemToFSSpec(file, &spec);
  if (err == noErr) {
    native->MakeFile(&spec);
  } else {
    native->err = err;
  }
  SetNative(instance, native);
}

void NewFromURL(REALobject instance, REALstring url) {
  if (url == nullptr) return;
  auto* native = new (std::nothrow) DataRefNative;
  if (native == nullptr) return;
  REALstring converted = host::REALConvertString(url, 0);
  native->MakeURL(converted != nullptr ? host::StringGetCString(converted) : nullptr);
  if (converted != nullptr) host::REALUnlockObject(reinterpret_cast<REALobject>(converted));
  SetNative(instance, native);
}

REALproperty gProperties[] = {
    Property<"qtRefType", "String", GetRefType, nullptr>(0),
    Property<"qtDataIsSelfContained", "Boolean", GetFlag, nullptr>(kSelfContained),
    Property<"qtDataIsNotResolved", "Boolean", GetFlag, nullptr>(kNotResolved),
    Property<"qtDataIsInMemory", "Boolean", GetFlag, nullptr>(kInMemory),
    Property<"qtDataFileRef", "folderitem", GetFileRef, nullptr>(0),
    Property<"qtDataURLRef", "String", GetURLRef, nullptr>(0),
};

REALmethodDefinition gMethods[] = {
    Method<NoOpInstanceProc, "FenraDataRef()">(),
    Method<NewCopy, "FenraDataRef(ob as FenraDataRef)">(),
    Method<NewFromFile, "FenraDataRef(f as folderitem)">(),
    Method<NewFromURL, "FenraDataRef(url as string)">(),
};

}  // namespace

REALclassDefinition gFenraDataRefClass =
    DefineClass("FenraDataRef", "FenraObject", 0, InstanceProc<NoOpInstanceProc>(),
                InstanceProc<Destruct>(), {.properties = gProperties, .methods = gMethods});

}  // namespace fenra
