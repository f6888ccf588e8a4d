// FenraComponent, FenraComponentList, FenraCodec and FenraCodecList: what
// QuickTime has installed, as scripts see it.
#include "components/discovery.h"

#include <cstring>
#include <new>
#include <utility>

#include "MacMemory.h"
#include "plugin/bridges.h"
#include "plugin/class_list.h"
#include "plugin/glue.h"
#include "plugin/registration.h"

namespace fenra {

ComponentNative::ComponentNative(const ComponentNative& other) : NativeObject(other) {
  err = kNoErr;
  Fill(other.component);
}

void ComponentNative::Fill(Component found) {
  component = found;
  description = ComponentDescription{};
  name.reset();
  typeText[0] = subtypeText[0] = manufacturerText[0] = '\0';
  if (found == nullptr) {
    err = kParamErr;
    return;
  }
  Handle nameHandle = NewHandle(1);
  if (nameHandle == nullptr) {
    err = MemError();
    return;
  }
  err = GetComponentInfo(found, &description, nameHandle, nullptr, nullptr);
  if (err == kNoErr) {
    err = CopyName(nameHandle);
    OSTypeToCString(description.componentType, typeText);
    OSTypeToCString(description.componentSubType, subtypeText);
    OSTypeToCString(description.componentManufacturer, manufacturerText);
  }
  DisposeHandle(nameHandle);
}

OSErr ComponentNative::CopyName(Handle nameHandle) {
  // The name arrives as a Pascal string: its length byte, then the text.
  Size size = 0;
  if (OSErr measured = HandleSize(nameHandle, &size)) return measured;
  if (size == 0) return noErr;
  auto length = static_cast<Size>(static_cast<unsigned char>(**nameHandle));
  if (length > size - 1) return paramErr;
  name.reset(new (std::nothrow) char[length + 1]);
  if (name == nullptr) return memFullErr;
  std::memcpy(name.get(), *nameHandle + 1, static_cast<size_t>(length));
  name[length] = '\0';
  return noErr;
}

ComponentListNative::~ComponentListNative() {
  if (container != nullptr) QTDisposeAtomContainer(container);
}

void ComponentListNative::Create() {
  err = QTNewAtomContainer(&container);
}

void ComponentListNative::CopyFrom(const ComponentListNative& other) {
  atomType = other.atomType;
  entrySize = other.entrySize;
  err = QTCopyAtom(other.container, kParentAtomIsContainer, &container);
}

void ComponentListNative::Fill(ComponentDescription looking) {
  for (Component found = FindNextComponent(nullptr, &looking); found != nullptr;
       found = FindNextComponent(found, &looking)) {
    if (!IsValid()) continue;
    err = QTInsertChild(container, kParentAtomIsContainer, atomType, 0, 0, entrySize, &found,
                        nullptr);
  }
}

short ComponentListNative::Count() const {
  if (container == nullptr) return 0;
  return QTCountChildrenOfType(container, kParentAtomIsContainer, atomType);
}

Component ComponentListNative::Item(short i) {
  if (!IsValid() || i < 0 || i >= Count()) return nullptr;
  QTAtom atom = QTFindChildByIndex(container, kParentAtomIsContainer, atomType, i + 1, nullptr);
  Component found = nullptr;
  long size = 0;
  err = QTCopyAtomDataToPtr(container, atom, false, sizeof found, &found, &size);
  return err == kNoErr && size == static_cast<long>(sizeof found) ? found : nullptr;
}

void CodecNative::Load(OSType type, Component component) {
  err = GetCodecInfo(&info, type, component);
  if (err != kNoErr) return;
  codecType = type;
  codec = component;
  std::memcpy(name, info.typeName + 1, info.typeName[0]);
  name[info.typeName[0]] = '\0';
}

bool CodecNative::Has(SInt32 flags, SInt32 mask) const {
  return IsValid() && (flags & mask) == mask;
}

CodecListNative::~CodecListNative() {
  if (list != nullptr) DisposeCodecNameList(list);
}

void CodecListNative::Load() {
  err = GetCodecNameList(&list, 1);
}

bool DescriptionForSelector(int64_t selector, ComponentDescription* description) {
  struct Kind {
    OSType type;
    UInt32 flagsMask;
  };
  // Graphics exporters and video outputs with flag bit 0 set (the base
  // exporter, outputs hidden from users) are left out.
  static constexpr Kind kKinds[] = {{'grip', 0}, {'grex', 1}, {'eat ', 0}, {'spit', 0},
                                    {'vout', 1}, {'vdig', 0}, {'scom', 0}, {'sdec', 0}};
  *description = ComponentDescription{};
  if (selector < 1 || selector > 8) return false;
  description->componentType = kKinds[selector - 1].type;
  description->componentFlagsMask = kKinds[selector - 1].flagsMask;
  return true;
}

namespace {

// ---- FenraComponent ----

enum ComponentText : intptr_t { kName, kType, kSubtype, kManufacturer };

void DestructComponent(REALobject instance) {
  DestroyNative<ComponentNative>(instance);
}

void NewComponentByType(REALobject instance, REALstring type, REALstring subtype) {
  if (type == nullptr) return;
  auto* native = new (std::nothrow) ComponentNative;
  if (native == nullptr) return;
  ComponentDescription looking{StringToOSType(type),
                               subtype != nullptr ? StringToOSType(subtype) : 0, 0, 0, 0};
  native->Fill(FindNextComponent(nullptr, &looking));
  SetNative(instance, native);
}

void NewComponentCopy(REALobject instance, REALobject other) {
  if (other == nullptr) return;
  AttachNative(instance, GetNative<ComponentNative>(other), true);
}

RBInteger GetComponentFlags(REALobject instance, intptr_t) {
  ComponentNative* native = GetNative<ComponentNative>(instance);
  return native != nullptr && native->IsValid() ? native->description.componentFlags : 0;
}

REALstring GetComponentText(REALobject instance, intptr_t selector) {
  ComponentNative* native = GetNative<ComponentNative>(instance);
  if (native == nullptr) return MakeHostString();
  switch (selector) {
    case kName:
      return native->name != nullptr ? MakeHostString(native->name.get()) : MakeHostString();
    case kType:
      return MakeHostString(native->typeText);
    case kSubtype:
      return MakeHostString(native->subtypeText);
    case kManufacturer:
      return MakeHostString(native->manufacturerText);
  }
  return MakeHostString();
}

REALproperty gComponentProperties[] = {
    Property<"flags", "integer", GetComponentFlags, nullptr>(0),
    Property<"name", "string", GetComponentText, nullptr>(kName),
    Property<"type", "string", GetComponentText, nullptr>(kType),
    Property<"subtype", "string", GetComponentText, nullptr>(kSubtype),
    Property<"manufacturer", "string", GetComponentText, nullptr>(kManufacturer),
};

REALmethodDefinition gComponentMethods[] = {
    Method<NoOpInstanceProc, "FenraComponent()">(),
    Method<NewComponentByType, "FenraComponent(type as string,subtype as string)">(),
    Method<NewComponentCopy, "FenraComponent(comp as FenraComponent)">(),
};

// ---- FenraComponentList ----

void DestructComponentList(REALobject instance) {
  DestroyNative<ComponentListNative>(instance);
}

// A new list for the description, handed to the instance.
void MakeList(REALobject instance, const ComponentDescription& looking, bool known) {
  auto* native = new (std::nothrow) ComponentListNative;
  if (native == nullptr) return;
  native->Create();
  if (known) {
    native->Fill(looking);
  } else {
    native->err = kParamErr;
  }
  SetNative(instance, native);
}

void NewListByType(REALobject instance, REALstring type, REALstring subtype) {
  if (type == nullptr) return;
  ComponentDescription looking{StringToOSType(type),
                               subtype != nullptr ? StringToOSType(subtype) : 0, 0, 0, 0};
  MakeList(instance, looking, true);
}

void NewListBySelector(REALobject instance, RBInteger selector) {
  ComponentDescription looking;
  bool known = DescriptionForSelector(selector, &looking);
  MakeList(instance, looking, known);
}

void NewListCopy(REALobject instance, REALobject other) {
  if (other == nullptr) return;
  ComponentListNative* source = GetNative<ComponentListNative>(other);
  if (source == nullptr || !source->IsValid()) return;
  auto* native = new (std::nothrow) ComponentListNative;
  if (native == nullptr) return;
  native->CopyFrom(*source);
  SetNative(instance, native);
}

RBInteger GetListCount(REALobject instance, intptr_t) {
  ComponentListNative* native = GetNative<ComponentListNative>(instance);
  return native != nullptr ? native->Count() : 0;
}

REALobject ListItem(REALobject instance, RBInteger i) {
  ComponentListNative* list = GetNative<ComponentListNative>(instance);
  if (list == nullptr) return nullptr;
  if (!std::in_range<short>(i)) return nullptr;
  Component found = list->Item(static_cast<short>(i));
  if (found == nullptr) return nullptr;
  auto* native = new (std::nothrow) ComponentNative;
  if (native == nullptr) return nullptr;
  native->Fill(found);
  REALobject item = NewInstanceOf("FenraComponent");
  if (item == nullptr) {
    delete native;
    return nullptr;
  }
  AttachNative(item, native, false);
  return item;
}

REALproperty gListProperties[] = {
    Property<"count", "Integer", GetListCount, nullptr>(0),
};

REALmethodDefinition gListMethods[] = {
    Method<NewListByType, "FenraComponentList(type as string,subtype as string)">(),
    Method<NewListBySelector, "FenraComponentList(selector as integer)">(),
    Method<NewListCopy, "FenraComponentList(list as FenraComponentList)">(),
    Method<ListItem, "Item(i as integer) as FenraComponent">(),
};

REALconstant gListConstants[] = {
    Constant("kSelector_GImporter =\t\t\t1"),   Constant("kSelector_GExporter =\t\t\t2"),
    Constant("kSelector_MImporter =\t\t\t3"),   Constant("kSelector_MExporter =\t\t\t4"),
    Constant("kSelector_VOutput =\t\t\t5"),     Constant("kSelector_VDigitizer =\t\t\t6"),
    Constant("kSelector_SndCompressor =\t\t7"), Constant("kSelector_SndDecompressor =\t\t8"),
};

// ---- FenraCodec ----

enum CodecText : intptr_t { kCodecName, kCodecType, kCodecVendor };
enum CodecNumber : intptr_t {
  kCodecVersion,
  kCompressorVersion,
  kCompressionAccuracy,
  kDecompressionAccuracy,
  kCompressionLevel,
  kCompressionSpeed,
  kDecompressionSpeed,
  kMinWidth,
  kMinHeight,
};
enum CodecFlag : intptr_t {
  kDoesTemporal,
  kDoesDataRate,
  kDoesRecompression,
  kDoesLossless,
  kHas8bitDepth,
  kHas16bitDepth,
  kHas24bitDepth,
  kHas32bitDepth,
  kHasMonochrome,
  kHas8bitGrayScaleDepth,
};

void DestructCodec(REALobject instance) {
  DestroyNative<CodecNative>(instance);
}

void NewCodecByType(REALobject instance, REALstring type) {
  if (type == nullptr) return;
  auto* native = new (std::nothrow) CodecNative;
  if (native == nullptr) return;
  native->Load(StringToOSType(type), nullptr);
  SetNative(instance, native);
}

void NewCodecCopy(REALobject instance, REALobject other) {
  if (other == nullptr) return;
  CodecNative* source = GetNative<CodecNative>(other);
  if (source == nullptr) return;
  SetNative(instance, source->IsValid() ? new (std::nothrow) CodecNative(*source)
                                        : new (std::nothrow) CodecNative);
}

REALstring GetCodecText(REALobject instance, intptr_t selector) {
  CodecNative* native = GetNative<CodecNative>(instance);
  if (native == nullptr) return MakeHostString();
  if (selector == kCodecName) return MakeHostString(native->name);
  if (!native->IsValid()) return MakeHostString();
  OSType code =
      selector == kCodecType ? native->codecType : static_cast<OSType>(native->info.vendor);
  OSTypeToCString(code, native->scratch);
  return MakeHostString(native->scratch);
}

RBInteger GetCodecNumber(REALobject instance, intptr_t selector) {
  CodecNative* native = GetNative<CodecNative>(instance);
  if (native == nullptr) return 0;
  const CodecInfo& info = native->info;
  switch (selector) {
    case kCodecVersion:
      return info.revisionLevel;
    case kCompressorVersion:
      return info.version;
    case kCompressionAccuracy:
      return info.compressionAccuracy;
    case kDecompressionAccuracy:
      return info.decompressionAccuracy;
    case kCompressionLevel:
      return info.compressionLevel;
    case kCompressionSpeed:
      return info.compressionSpeed;
    case kDecompressionSpeed:
      return info.decompressionSpeed;
    case kMinWidth:
      return info.minimumWidth;
    case kMinHeight:
      return info.minimumHeight;
  }
  return 0;
}

RBBoolean GetCodecFlag(REALobject instance, intptr_t selector) {
  CodecNative* native = GetNative<CodecNative>(instance);
  if (native == nullptr) return false;
  const CodecInfo& info = native->info;
  switch (selector) {
    case kDoesTemporal:
      return native->Has(info.compressFlags, codecInfoDoesTemporal);
    case kDoesDataRate:
      return native->Has(info.compressFlags, codecInfoDoesRateConstrain);
    case kDoesRecompression:
      return native->Has(info.compressFlags, codecInfoDoesRecompress);
    case kDoesLossless:
      return native->Has(info.formatFlags, codecInfoDoesLossless);
    case kHas8bitDepth:
      return native->Has(info.formatFlags, codecInfoDepth8);
    case kHas16bitDepth:
      return native->Has(info.formatFlags, codecInfoDepth16);
    case kHas24bitDepth:
      return native->Has(info.formatFlags, codecInfoDepth24);
    case kHas32bitDepth:
      return native->Has(info.formatFlags, codecInfoDepth32);
    case kHasMonochrome:
      return native->Has(info.formatFlags, codecInfoDepth33);
    case kHas8bitGrayScaleDepth:
      return native->Has(info.formatFlags, codecInfoDepth40);
  }
  return false;
}

REALproperty gCodecProperties[] = {
    Property<"name", "string", GetCodecText, nullptr>(kCodecName),
    Property<"type", "string", GetCodecText, nullptr>(kCodecType),
    Property<"vendor", "string", GetCodecText, nullptr>(kCodecVendor),
    Property<"codecVersion", "integer", GetCodecNumber, nullptr>(kCodecVersion),
    Property<"compressorVersion", "integer", GetCodecNumber, nullptr>(kCompressorVersion),
    Property<"compressionAccuracy", "integer", GetCodecNumber, nullptr>(kCompressionAccuracy),
    Property<"decompressionAccuracy", "integer", GetCodecNumber, nullptr>(kDecompressionAccuracy),
    Property<"compressionLevel", "integer", GetCodecNumber, nullptr>(kCompressionLevel),
    Property<"compressionSpeed", "integer", GetCodecNumber, nullptr>(kCompressionSpeed),
    Property<"decompressionSpeed", "integer", GetCodecNumber, nullptr>(kDecompressionSpeed),
    Property<"minWidth", "integer", GetCodecNumber, nullptr>(kMinWidth),
    Property<"minHeight", "integer", GetCodecNumber, nullptr>(kMinHeight),
    Property<"doesTemporal", "boolean", GetCodecFlag, nullptr>(kDoesTemporal),
    Property<"doesDataRate", "boolean", GetCodecFlag, nullptr>(kDoesDataRate),
    Property<"doesRecompression", "boolean", GetCodecFlag, nullptr>(kDoesRecompression),
    Property<"doesLossless", "boolean", GetCodecFlag, nullptr>(kDoesLossless),
    Property<"has8bitDepth", "boolean", GetCodecFlag, nullptr>(kHas8bitDepth),
    Property<"has16bitDepth", "boolean", GetCodecFlag, nullptr>(kHas16bitDepth),
    Property<"has24bitDepth", "boolean", GetCodecFlag, nullptr>(kHas24bitDepth),
    Property<"has32bitDepth", "boolean", GetCodecFlag, nullptr>(kHas32bitDepth),
    Property<"hasMonochrome", "boolean", GetCodecFlag, nullptr>(kHasMonochrome),
    Property<"has8bitGrayScaleDepth", "boolean", GetCodecFlag, nullptr>(kHas8bitGrayScaleDepth),
};

REALmethodDefinition gCodecMethods[] = {
    Method<NewCodecByType, "FenraCodec(type as string)">(),
    Method<NewCodecCopy, "FenraCodec(codec as FenraCodec)">(),
};

// ---- FenraCodecList ----

// The class's constructor: every instance starts with the list of all
// installed codecs.
void ConstructCodecList(REALobject instance) {
  auto* native = new (std::nothrow) CodecListNative;
  if (native == nullptr) return;
  native->Load();
  SetNative(instance, native);
}

void DestructCodecList(REALobject instance) {
  DestroyNative<CodecListNative>(instance);
}

RBInteger GetCodecCount(REALobject instance, intptr_t) {
  CodecListNative* native = GetNative<CodecListNative>(instance);
  return native != nullptr ? native->Count() : 0;
}

REALobject CodecListItem(REALobject instance, RBInteger i) {
  CodecListNative* list = GetNative<CodecListNative>(instance);
  if (list == nullptr || list->Count() == 0) return nullptr;
  if (i < 0 || i >= list->Count()) {
    list->err = kParamErr;
    return nullptr;
  }
  const CodecNameSpec& entry = list->list->list[i];
  auto* native = new (std::nothrow) CodecNative;
  if (native == nullptr) return nullptr;
  native->Load(entry.cType, entry.codec);
  REALobject item = NewInstanceOf("FenraCodec");
  if (item == nullptr) {
    delete native;
    return nullptr;
  }
  AttachNative(item, native, false);
  return item;
}

REALproperty gCodecListProperties[] = {
    Property<"count", "integer", GetCodecCount, nullptr>(0),
};

REALmethodDefinition gCodecListMethods[] = {
    Method<CodecListItem, "Item(i as integer) as FenraCodec">(),
};

}  // namespace

REALclassDefinition gFenraComponentClass =
    DefineClass("FenraComponent", "FenraObject", 0, InstanceProc<NoOpInstanceProc>(),
                InstanceProc<DestructComponent>(),
                {.properties = gComponentProperties, .methods = gComponentMethods});

REALclassDefinition gFenraCodecClass = DefineClass(
    "FenraCodec", "FenraObject", 0, InstanceProc<NoOpInstanceProc>(), InstanceProc<DestructCodec>(),
    {.properties = gCodecProperties, .methods = gCodecMethods});

REALclassDefinition gFenraCodecListClass =
    DefineClass("FenraCodecList", "FenraObject", 0, InstanceProc<ConstructCodecList>(),
                InstanceProc<DestructCodecList>(),
                {.properties = gCodecListProperties, .methods = gCodecListMethods});

REALclassDefinition gFenraComponentListClass = DefineClass(
    "FenraComponentList", "FenraObject", 0, InstanceProc<NoOpInstanceProc>(),
    InstanceProc<DestructComponentList>(),
    {.properties = gListProperties, .methods = gListMethods, .constants = gListConstants});

}  // namespace fenra
