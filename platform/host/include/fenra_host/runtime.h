// The host runtime: loads a plugin as the application host does, keeps the
// classes and module methods it registers, and lets the script engine, the
// `fenra` tool and tests use them as a program would.
//
// One runtime per process: the resolver handed to a plugin is a plain C
// function, so the services it returns reach the one runtime.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "REALplugin.h"

namespace fenra::host {

// ---------------------------------------------------------------------------
// Declarations
// ---------------------------------------------------------------------------

// A host-language type as written in a declaration: a base name ("integer",
// "FenraRect", "folderitem") and whether it is an array ("as integer()").
struct TypeName {
  std::string name;  // as written; compare case-insensitively
  bool isArray = false;
  bool empty() const { return name.empty(); }
};

struct Parameter {
  std::string name;
  TypeName type;
  bool byRef = false;
  bool hasDefault = false;
  std::string defaultText;  // the default value as written, e.g. "false", "-1", "\"\""
};

// A parsed declaration such as "Item(name as string,index as integer) as string".
struct Declaration {
  std::string name;
  std::vector<Parameter> parameters;
  TypeName result;   // empty for a sub
  std::string text;  // the declaration as registered

  // Parses `text`; false (and `error` set) when it is not a declaration.
  static bool Parse(std::string_view text, Declaration& out, std::string& error);
};

// ---------------------------------------------------------------------------
// Values
// ---------------------------------------------------------------------------

class Object;

// A counted reference to a host object (REALLockObject / REALUnlockObject).
class ObjectRef {
 public:
  ObjectRef() = default;
  explicit ObjectRef(Object* object, bool adopt = false);  // adopt: take over one reference
  ObjectRef(const ObjectRef& other);
  ObjectRef(ObjectRef&& other) noexcept;
  ObjectRef& operator=(ObjectRef other) noexcept;
  ~ObjectRef();
  Object* get() const { return object_; }
  Object* operator->() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }
  bool operator==(const ObjectRef& other) const { return object_ == other.object_; }

 private:
  Object* object_ = nullptr;
};

// A script-visible value. Strings are host strings (REALstring) when they
// cross into the plugin; here they are plain text.
struct Value {
  enum class Kind { Nil, Integer, Double, Boolean, String, Color, Object };
  Kind kind = Kind::Nil;
  int64_t integer = 0;  // Integer, and Color as 0x00RRGGBB
  double number = 0;
  bool boolean = false;
  // String text; for a Nil, the class its variable was declared as, when
  // known ("" otherwise): overload choice then takes it for that class.
  std::string text;
  ObjectRef object;

  static Value Nil() { return {}; }
  static Value Int(int64_t v);
  static Value Dbl(double v);
  static Value Bool(bool v);
  static Value Str(std::string v);
  static Value Colour(uint32_t rgb);
  static Value Obj(ObjectRef object);  // Nil when object is null

  // What the value is, as messages name it: Integer, String, FenraRect ...
  std::string KindName() const;
};

// A value of a kind that needs neither text nor an object (Integer,
// Double, Boolean, Color): what calls through bound members of such types
// take and give without making Values. Nil stands for no value. Plain
// data: `Scalar s{}` is a Nil, while the arrays of a call's arguments stay
// unwritten until filled.
struct Scalar {
  Value::Kind kind;
  int64_t integer;  // Integer, and Color as 0x00RRGGBB
  double number;
  bool boolean;
};

// ---------------------------------------------------------------------------
// Classes and objects
// ---------------------------------------------------------------------------

struct ClassInfo;

struct PropertyInfo {
  std::string name;
  TypeName type;
  bool readable = false;
  bool writable = false;
};

struct MethodInfo {
  Declaration declaration;
  bool assignable = false;  // has a setter function: obj.Method(args) = value
};

struct ConstantInfo {
  std::string name;
  Value value;  // Integer, Double or String
  std::string declaration;
};

// A class known to the host: registered by the plugin, or one of the host's
// own (FolderItem, Picture, Movie, MoviePlayer, Window, MemoryBlock, ...).
struct ClassInfo {
  std::string name;
  const ClassInfo* super = nullptr;
  bool fromPlugin = false;
  int64_t ownDataSize = 0;
  std::vector<PropertyInfo> properties;
  std::vector<MethodInfo> methods;  // constructors included (name == class name)
  std::vector<ConstantInfo> constants;

  bool IsA(const ClassInfo& other) const;  // this class or a subclass of it
};

// Any host object: a plugin class instance, a host class value or a host
// string. The REALobject the plugin sees is Object::Handle().
class Object {
 public:
  virtual ~Object() = default;
  virtual const ClassInfo& Class() const = 0;
  virtual REALobject Handle() = 0;
  // One more, or one less, reference (REALLockObject / REALUnlockObject);
  // the host's objects go when their last reference does.
  virtual void Retain() {}
  virtual void Release() {}
  // Finds the Object behind a handle the plugin passed back; null for null.
  static Object* FromHandle(REALobject handle);
};

// A failure in the host (no such member, no matching overload, nil object):
// what a script reports as a runtime error. The plugin never raises these.
struct HostError {
  std::string message;
};

struct ModuleMethodInfo {
  Declaration declaration;
};

// The QuickTime engine's test controls (its QTMLTestControls.h) as the
// runtime hands them on: the script language's QTMLTest module and the
// tool reach the engine through these and do not link it themselves.
// Errors are OSErr values; the trace text is valid until the next call
// into the engine.
struct EngineTestControls {
  void (*setTrace)(bool on);
  bool (*traceIsOn)();
  const char* (*traceText)();
  void (*clearTrace)();
  // The nth next call of `name` answers `error`; nth = 0: every call.
  void (*failCall)(const char* name, long nth, int16_t error);
  // After `count` more allocations every one fails; -1 stops it.
  void (*failAllocations)(long count);
  // The nth next file operation (`operation`: "open", "read", "write",
  // "sync", "truncate", "rename", "remove", "stat", "shortread" or "*")
  // on a native path matching `pathPattern` answers `error`; nth = 0: every
  // one.
  void (*failIO)(const char* pathPattern, const char* operation, long nth, int16_t error);
  void (*clearFaults)();
  // The next file dialog picks that file; null: the next one is cancelled.
  void (*queueDialogAnswer)(const char* nativePath);
  long (*pendingDialogAnswers)();
  // A key-down event for the key code (character 0), waiting from the
  // (afterLooks + 1)-th look at the event queue on; clearEvents empties it.
  void (*postKeyDown)(uint8_t keyCode, long afterLooks);
  // Any event (`what` as the Event Manager numbers them: 1 a mouse-down),
  // at a point, waiting as key-downs do.
  void (*postEvent)(uint16_t what, uint32_t message, int16_t h, int16_t v, long afterLooks);
  void (*clearEvents)();
  // The engine's clock: manual at `milliseconds` (negative: the real clock
  // again), and moved on by some milliseconds while manual.
  void (*setClock)(long milliseconds);
  void (*advanceClock)(long milliseconds);
  // A pixel of the engine's main screen, 0xFFRRGGBB (0 outside it).
  uint32_t (*screenPixel)(int16_t h, int16_t v);
  // Makes QTLoadLibrary find the library of that name; null: none.
  void (*offerLibrary)(const char* name);
};

// The host's event loop, as scripts reach it (App.DoEvents, Keyboard).
struct HostEventLoop {
  // Runs the loop for `milliseconds` of the engine's clock (one turn for
  // 0): players in windows play, are drawn and take their clicks and keys;
  // windows on the desktop show their pixels. False when the user asked
  // the application to quit (closed its window).
  bool (*doEvents)(long milliseconds);
  // Whether the key (a Macintosh virtual key code) was pressed, or
  // repeated while held, since the last time it was asked about.
  bool (*keyPressed)(uint8_t keyCode);
  // What the desktop shows at a point of a Window, 0xFFRRGGBB, read back
  // from the window system; 0 without a display or outside the window.
  uint32_t (*displayedPixel)(Object* window, int x, int y);
  // The screens windows show on: 1 on a desktop, 0 without a display.
  int (*screenCount)();
};

// A member of one class found once, for a call site that uses it on
// objects of that class again and again: reading or calling through it
// skips the name lookup and the overload choice. The runtime owns it.
class BoundMember;

class Runtime {
 public:
  // The process's runtime, created on first use.
  static Runtime& Get();

  // Loads a plugin library and calls its REALPluginMain. False, with `error`
  // set, when the library cannot be loaded or has no entry, or when a
  // plugin is loaded already (one a process).
  bool LoadPlugin(const std::string& path, std::string& error);
  // The plugin built with this runtime (FENRA_PLUGIN overrides it).
  static std::string DefaultPluginPath();
  // The resolver handed to plugins; also usable directly by tests.
  static REALresolver Resolver();

  int64_t PluginVersion() const;  // as given to RegisterPluginVersion; 0 before
  // Plugin classes in registration order, then the host's own classes.
  const std::vector<const ClassInfo*>& Classes() const;
  const std::vector<const ClassInfo*>& PluginClasses() const;
  const std::vector<ModuleMethodInfo>& ModuleMethods() const;
  const ClassInfo* FindClass(std::string_view name) const;

  // Each of these returns false and fills `error` on a host error.
  // Overloads: the one accepting the arguments (missing trailing ones taken
  // from defaults) with the fewest conversions wins: an Integer for a
  // Double, a subclass for its class, a Nil for any object or array cost a
  // little. Ties go to the nearest class, then, between overloads that
  // differ only where a Nil is passed, to the first declared; any other tie
  // is an error.
  bool New(const ClassInfo& cls, const std::vector<Value>& args, Value& out, HostError& error);
  bool GetProperty(const Value& target, std::string_view name, Value& out, HostError& error);
  bool SetProperty(const Value& target, std::string_view name, const Value& value,
                   HostError& error);
  // Calls a method; `args` entries of ByRef parameters are written back.
  bool CallMethod(const Value& target, std::string_view name, std::vector<Value>& args, Value& out,
                  HostError& error);
  // `target.Name(args) = value`: a method with a setter.
  bool AssignMethod(const Value& target, std::string_view name, std::vector<Value>& args,
                    const Value& value, HostError& error);
  bool CallModuleMethod(std::string_view name, std::vector<Value>& args, Value& out,
                        HostError& error);
  bool GetClassConstant(const ClassInfo& cls, std::string_view name, Value& out) const;

  // The property `name` as GetProperty reads it on objects of class `cls`
  // (exactly that class); null when GetProperty would not read a property
  // (then it says why, or reads a method).
  const BoundMember* BindProperty(const ClassInfo& cls, std::string_view name);
  // The method `name` that CallMethod would choose on objects of class
  // `cls` for arguments of the kinds and classes of `args`; null when none
  // would be, or when a Nil among them leaves the choice to its declared
  // class (then CallMethod decides each time).
  const BoundMember* BindMethod(const ClassInfo& cls, std::string_view name,
                                const std::vector<Value>& args);
  // GetProperty and CallMethod through a bound member; `target` must be an
  // object of the class it was bound for.
  bool GetBound(const BoundMember& member, const Value& target, Value& out, HostError& error);
  bool CallBound(const BoundMember& member, const Value& target, std::vector<Value>& args,
                 Value& out, HostError& error);
  // Whether calls through `member` with `count` arguments can go by
  // Scalars: it reads a property, or takes exactly that many parameters,
  // each by value as a number, Boolean or colour; and gives one of those or
  // nothing. `result` is the kind it gives (Nil for nothing).
  bool ScalarCall(const BoundMember& member, size_t count, Value::Kind& result) const;
  // GetBound and CallBound through such a member, with the arguments of
  // the kinds the member was bound for. `target` must be an object of the
  // class it was bound for.
  bool CallScalar(const BoundMember& member, Object& target, const Scalar* args, size_t count,
                  Scalar& out, HostError& error);

  // Host values, made as the host's services make them.
  ObjectRef NewFolderItem(const std::string& nativePath);
  ObjectRef NewPicture(int width, int height, int depth);
  ObjectRef NewMemoryBlock(int64_t size);
  ObjectRef NewIntegerArray(const std::vector<int64_t>& values);
  ObjectRef NewWindow(int width, int height);

  // The controls of the engine the runtime and its plugin share.
  static const EngineTestControls& TestControls();
  // The host's event loop.
  static const HostEventLoop& EventLoop();

 private:
  Runtime();
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace fenra::host
