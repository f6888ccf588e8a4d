// FenraComponentService: what every component service offers scripts,
// and the service operations the natives share.
#include "components/service.h"

#include <cstring>
#include <new>

#include "FixMath.h"
#include "MacMemory.h"
#include "components/discovery.h"
#include "components/service_glue.h"
#include "movie/frame_render.h"
#include "plugin/bridges.h"
#include "plugin/class_list.h"
#include "plugin/glue.h"
#include "plugin/registration.h"
#include "plugin/settings_file.h"

namespace fenra {

ComponentService::~ComponentService() {
  if (instance != nullptr) CloseComponent(instance);
  if (settings != nullptr) QTDisposeAtomContainer(settings);
  delete[] description;
  delete progress;
}

void ComponentService::SetFileType(OSType type) {
  if (type != 0) fileType = type;
}

void ComponentService::SetFileCreator(OSType creator) {
  if (creator != 0) fileCreator = creator;
}

void ComponentService::SetProgress(const ProgressCallbackNative* callback) {
  delete progress;
  progress = nullptr;
  if (callback != nullptr && callback->IsValid()) {
    progress = new (std::nothrow) ProgressCallbackNative(*callback);
  }
}

bool ComponentService::ShowDialogWithin(REALwindow) {
  return ShowDialog();
}

void ComponentService::SetPreferenceFlags(int32_t) {}

void ComponentService::Write(const std::string& path) {
  if (!IsValid()) return;
  SettingsFile file;
  file.Create(serviceType);
  err = file.err;
  if (err != noErr) return;
  if (settings != nullptr) {
    Size size = 0;
    err = HandleSize(settings, &size);
    if (err != noErr) return;
    HLock(settings);
    file.AddRecord(preferenceFlags, description != nullptr ? description : "", *settings, size);
    HUnlock(settings);
    err = file.err;
    if (err != noErr) return;
  }
  file.WriteFile(path);
  err = file.err;
}

void ComponentService::SetDescription(const char* text) {
  if (text == nullptr) {
    err = kParamErr;
    return;
  }
  size_t length = std::strlen(text);
  auto* copy = new (std::nothrow) char[length + 1];
  if (copy == nullptr) {
    err = kNoNativeErr;
    return;
  }
  std::memcpy(copy, text, length + 1);
  delete[] description;
  description = copy;
}

void ComponentService::OpenSameComponent(ComponentInstance other) {
  ComponentDescription looking{};
  err = GetComponentInfo(reinterpret_cast<Component>(other), &looking, nullptr, nullptr, nullptr);
  if (err != noErr) return;
  looking.componentFlagsMask = 0;
  Component found = FindNextComponent(nullptr, &looking);
  if (found == nullptr) {
    err = kParamErr;
    return;
  }
  err = OpenAComponent(found, &instance);
}

void ComponentService::CopySettings(QTAtomContainer source) {
  if (source == nullptr) return;
  QTAtomContainer copy = nullptr;
  err = QTCopyAtom(source, kParentAtomIsContainer, &copy);
  if (err == noErr) TakeSettings(copy);
}

void ComponentService::TakeSettings(QTAtomContainer replacement) {
  if (settings != nullptr && settings != replacement) QTDisposeAtomContainer(settings);
  settings = replacement;
}

OSType ComponentService::Subtype() const {
  ComponentDescription info{};
  if (instance == nullptr ||
      GetComponentInfo(reinterpret_cast<Component>(instance), &info, nullptr, nullptr, nullptr)) {
    return 0;
  }
  return info.componentSubType;
}

OSErr ImageProgressAdapter(short message, Fixed completeness, long refcon) {
  auto* callback = reinterpret_cast<ProgressCallbackNative*>(refcon);
  if (callback == nullptr) return noErr;
  if (callback->err == codecAbortErr) return codecAbortErr;
  if (message == codecProgressUpdatePercent) callback->Report(Fix2X(completeness));
  if (message == codecProgressClose) callback->Report(1.0);
  return noErr;
}

OSErr MovieProgressAdapter(Movie, short message, short, Fixed percentDone, long refcon) {
  auto* callback = reinterpret_cast<ProgressCallbackNative*>(refcon);
  if (callback == nullptr) return noErr;
  if (callback->err == codecAbortErr) return codecAbortErr;
  if (message == movieProgressUpdatePercent) callback->Report(Fix2X(percentDone));
  if (message == movieProgressClose) callback->Report(1.0);
  return noErr;
}

ComponentService* ServiceOf(REALobject instance) {
  return dynamic_cast<ComponentService*>(GetNativeObject(instance));
}

ComponentService* ValidServiceOf(REALobject instance) {
  ComponentService* service = ServiceOf(instance);
  return service != nullptr && service->IsValid() ? service : nullptr;
}

namespace {

enum CodeField : intptr_t { kDefaultFileType, kDefaultFileCreator, kFileType, kFileCreator };

REALstring GetCode(REALobject instance, intptr_t field) {
  ComponentService* service = ServiceOf(instance);
  if (service == nullptr || !service->IsValid()) return MakeHostString();
  OSType code = 0;
  switch (field) {
    case kDefaultFileType:
      code = service->defaultFileType;
      break;
    case kDefaultFileCreator:
      code = service->defaultFileCreator;
      break;
    case kFileType:
      code = service->fileType;
      break;
    case kFileCreator:
      code = service->fileCreator;
      break;
  }
  OSTypeToCString(code, service->typeText);
  return MakeHostString(service->typeText);
}

void SetCode(REALobject instance, intptr_t field, REALstring value) {
  ComponentService* service = ServiceOf(instance);
  if (service == nullptr) return;
  OSType code = value != nullptr ? StringToOSType(value) : 0;
  if (HostStringText(value).empty()) code = 0;
  if (field == kFileType) service->SetFileType(code);
  if (field == kFileCreator) service->SetFileCreator(code);
}

RBBoolean GetHasGUI(REALobject instance, intptr_t) {
  ComponentService* service = ServiceOf(instance);
  return service != nullptr && service->HasGUI();
}

RBBoolean GetDefaultCallback(REALobject instance, intptr_t) {
  ComponentService* service = ServiceOf(instance);
  return service != nullptr && service->defaultCallback;
}

void SetDefaultCallback(REALobject instance, intptr_t, RBBoolean on) {
  ComponentService* service = ServiceOf(instance);
  if (service != nullptr) service->SetDefaultCallback(on != 0);
}

REALstring GetDescription(REALobject instance, intptr_t) {
  ComponentService* service = ServiceOf(instance);
  if (service == nullptr || service->description == nullptr) return MakeHostString();
  return MakeHostString(service->description);
}

void SetDescription(REALobject instance, intptr_t, REALstring text) {
  ComponentService* service = ServiceOf(instance);
  if (service == nullptr || text == nullptr) return;
  std::string copy(HostStringText(text));
  service->SetDescription(copy.c_str());
}

REALstring GetSettingsText(REALobject instance, intptr_t) {
  ComponentService* service = ServiceOf(instance);
  if (service == nullptr) return MakeHostString();
  char* text = nullptr;
  service->GetSettingsAsText(&text);
  if (text == nullptr) return MakeHostString();
  REALstring result = MakeHostString(text);
  delete[] text;
  return result;
}

REALobject GetComponent(REALobject instance, intptr_t) {
  ComponentService* service = ValidServiceOf(instance);
  if (service == nullptr) return nullptr;
  ComponentDescription looking{};
  if (GetComponentInfo(reinterpret_cast<Component>(service->instance), &looking, nullptr, nullptr,
                       nullptr) != noErr) {
    return nullptr;
  }
  looking.componentFlagsMask = 0;
  auto* native = new (std::nothrow) ComponentNative;
  if (native == nullptr) return nullptr;
  native->Fill(FindNextComponent(nullptr, &looking));
  REALobject object = NewInstanceOf("FenraComponent");
  if (object == nullptr) {
    delete native;
    return nullptr;
  }
  AttachNative(object, native, false);
  return object;
}

REALobject GetProgress(REALobject instance, intptr_t) {
  ComponentService* service = ServiceOf(instance);
  if (service == nullptr) return nullptr;
  return NewProgressCallbackObject(service->progress);
}

void SetProgress(REALobject instance, intptr_t, REALobject callback) {
  ComponentService* service = ServiceOf(instance);
  if (service == nullptr) return;
  service->SetProgress(callback != nullptr ? GetNative<ProgressCallbackNative>(callback) : nullptr);
}

RBBoolean ShowDialog(REALobject instance) {
  ComponentService* service = ValidServiceOf(instance);
  return service != nullptr && service->ShowDialog();
}

RBBoolean ShowDialogWithin(REALobject instance, REALwindow window) {
  ComponentService* service = ValidServiceOf(instance);
  return service != nullptr && service->ShowDialogWithin(window);
}

void Read(REALobject instance, REALfolderItem file) {
  ComponentService* service = ValidServiceOf(instance);
  if (service != nullptr && file != nullptr) service->Read(FolderItemPath(file));
}

void Write(REALobject instance, REALfolderItem file) {
  ComponentService* service = ValidServiceOf(instance);
  if (service != nullptr && file != nullptr) service->Write(FolderItemPath(file));
}

REALproperty gProperties[] = {
    Property<"defaultFileType", "string", GetCode, nullptr>(kDefaultFileType),
    Property<"defaultFileCreator", "string", GetCode, nullptr>(kDefaultFileCreator),
    Property<"fileType", "string", GetCode, SetCode>(kFileType),
    Property<"fileCreator", "string", GetCode, SetCode>(kFileCreator),
    Property<"hasGUI", "boolean", GetHasGUI, nullptr>(0),
    Property<"defaultCallback", "boolean", GetDefaultCallback, SetDefaultCallback>(0),
    Property<"description", "string", GetDescription, SetDescription>(0),
    Property<"settingsAsString", "string", GetSettingsText, nullptr>(0),
    Property<"component", "FenraComponent", GetComponent, nullptr>(0),
    Property<"progressProc", "FenraProgressCallback", GetProgress, SetProgress>(0),
};

REALmethodDefinition gMethods[] = {
    Method<ShowDialog, "ShowDialog() as boolean">(),
    Method<ShowDialogWithin, "ShowDialogWithin(w as window) as boolean">(),
    Method<Read, "Read(f as folderitem)">(),
    Method<Write, "Write(f as folderitem)">(),
};

// The preference flags of the compressors' dialogs.
REALconstant gConstants[] = {
    Constant("scListEveryCodec = 2"),           Constant("scAllowZeroFrameRate = 4"),
    Constant("scAllowZeroKeyFrameRate = 8"),    Constant("scShowBestDepth = 16"),
    Constant("scUseMovableModal = 32"),         Constant("scDisableFrameRateItem = 64"),
    Constant("scShowDataRateAsKilobits = 128"),
};

}  // namespace

// The natives are destroyed by the destructor of the instance's own class,
// which knows their type.
REALclassDefinition gFenraComponentServiceClass =
    DefineClass("FenraComponentService", "FenraObject", 0, InstanceProc<NoOpInstanceProc>(),
                InstanceProc<NoOpInstanceProc>(),
                {.properties = gProperties, .methods = gMethods, .constants = gConstants});

}  // namespace fenra
