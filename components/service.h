// Component services: objects around one open QuickTime component each
// (the standard compressors, the graphics and movie exporters), with the
// operations they share, their settings kept as the component's own atom
// container and stored in settings files, and the progress they report.
#pragma once

#include <cstdint>
#include <string>

#include "ImageCompression.h"
#include "Movies.h"
#include "QuickTimeComponents.h"
#include "REALplugin.h"
#include "plugin/native_object.h"
#include "plugin/progress_callback.h"
#include "values/rect.h"

namespace fenra {

class FrameBuffer;

// Service type codes: the kind of service, and the type of its settings
// files.
enum : OSType {
  kImageCompressorType = 'CMPI',
  kMovieCompressorType = 'CMPM',
  kSoundCompressorType = 'CMPS',
  kImageExporterType = 'EXPI',
  kMovieExporterType = 'EXPM',
};

// Creator of every file a service writes.
inline constexpr OSType kServiceCreator = 'TVOD';

// The base of every service native. Derived classes are final and are
// deleted as themselves by their host class's destructor.
class ComponentService : public NativeObject {
 public:
  bool IsValid() const override { return instance != nullptr && serviceType != 0; }
  intptr_t GetRef() const override { return reinterpret_cast<intptr_t>(instance); }

  // Derives file type, creator and the rectangles from the settings;
  // run after every construction.
  virtual void Reset() = 0;
  virtual void SetDefaultCallback(bool on) { defaultCallback = on; }
  // Zero codes are ignored.
  virtual void SetFileType(OSType type);
  virtual void SetFileCreator(OSType creator);
  virtual QTAtomContainer GetSettings() { return settings; }
  virtual bool HasGUI() { return hasGUI; }
  // Replaces the kept callback by a copy of `callback` when it is valid;
  // none otherwise.
  virtual void SetProgress(const ProgressCallbackNative* callback);
  // The component's settings dialog; true when the user confirmed.
  virtual bool ShowDialog() = 0;
  // The window is not used: every dialog is modal.
  virtual bool ShowDialogWithin(REALwindow window);
  // *text receives a new heap string (owned by the caller, delete[]) or
  // null; paramErr for a null `text`.
  virtual void GetSettingsAsText(char** text) = 0;
  // Settings from a settings file / to a settings file.
  virtual void Read(const std::string& path) = 0;
  virtual void Write(const std::string& path);
  // Compressors only.
  virtual void SetPreferenceFlags(int32_t flags);

  // Replaces the description by a copy of `text`.
  void SetDescription(const char* text);
  // Opens the component by description (FindNextComponent + OpenAComponent)
  // that `other`'s instance is; err = the result.
  void OpenSameComponent(ComponentInstance other);
  // A copy of `source`'s settings as this object's settings.
  void CopySettings(QTAtomContainer source);
  // Replaces the settings (disposing of the old ones).
  void TakeSettings(QTAtomContainer replacement);
  // The component's own subtype, 0 when it cannot be read.
  OSType Subtype() const;
  // The callback kept, or null.
  bool HasCallback() const { return progress != nullptr; }

  char typeText[5] = {};                 // the last code returned as text
  ComponentInstance instance = nullptr;  // owned
  OSType serviceType = 0;
  QTAtomContainer settings = nullptr;  // owned
  bool hasGUI = false;
  int32_t preferenceFlags = 0;
  char* description = nullptr;                 // owned, heap copy
  ProgressCallbackNative* progress = nullptr;  // owned copy
  OSType defaultFileType = 0;
  OSType defaultFileCreator = 0;
  OSType fileType = 0;
  OSType fileCreator = 0;
  bool defaultCallback = false;

 protected:
  explicit ComponentService(OSType type) : serviceType(type) {}
  ComponentService(const ComponentService&) = delete;
  ComponentService& operator=(const ComponentService&) = delete;
  // Closes the component, disposes of the settings, frees the
  // description and the callback.
  ~ComponentService();
};

// The compressors: standard compression components ('scdi').
class CompressionService : public ComponentService {
 public:
  bool ShowDialog() override;
  void GetSettingsAsText(char** text) override;
  void Read(const std::string& path) override;
  void SetPreferenceFlags(int32_t flags) override;

  // Opens the default component of the type's subtype, then resets and
  // applies the default preference flags.
  void Open();
  // Another instance of `other`'s component with a copy of its settings.
  void OpenCopyOf(const CompressionService& other);
  // The preference flags the component has now (0 on failure).
  int32_t CurrentFlags();
  // Sets or clears one preference bit.
  void SetFlag(int32_t bit, bool on);
  // destRect's right and bottom from its left and top plus a size.
  void SizeDestRect(int width, int height);
  // Before compressing: the standard progress display when no callback is
  // set and the default callback is wanted; else the script's routine
  // through the platform adapter, when the class installs one; else none.
  void PrepareProgress();

  ICMProgressProcPtr progressAdapter = nullptr;
  RectNative sourceRect;
  RectNative destRect;
  FrameBuffer* testImage = nullptr;  // owned

 protected:
  CompressionService(OSType type, int32_t defaultFlags)
      : ComponentService(type), defaultFlags_(defaultFlags) {}
  ~CompressionService();

 private:
  int32_t defaultFlags_;
};

// The platform progress function of image compression and graphics
// export: refcon is the ProgressCallbackNative to call.
OSErr ImageProgressAdapter(short message, Fixed completeness, long refcon);
// The same for movie progress messages.
OSErr MovieProgressAdapter(Movie movie, short message, short operation, Fixed percentDone,
                           long refcon);

// The ComponentService of an instance of the FenraComponentService tree,
// or null.
ComponentService* ServiceOf(REALobject instance);

}  // namespace fenra
