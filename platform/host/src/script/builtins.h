// The built-in functions and modules of the language (Str, Len, Format,
// GetFolderItem, System, SpecialFolder, Runtime, QTMLTest ...): tables of
// records, one per name.
#pragma once

#include <chrono>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "script/datum.h"
#include "script/host_access.h"

namespace fenra::host::script {

// A runtime error: stops the script with "file:line: message". Thrown
// inside the script engine only; its entry points catch it.
struct ScriptError {
  int line = 0;
  std::string message;
};

// Quit(code) unwinds the script with this exit status.
struct QuitRequest {
  int code = 0;
};

// What built-ins reach of the running script.
struct Environment {
  HostAccess* host = nullptr;
  std::ostream* out = nullptr;
  std::string scriptPath;
  std::vector<std::string> args;  // the script's own arguments
  std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
  std::string temporaryFolder;  // made on first use, removed with the Environment

  Environment() = default;
  Environment(const Environment&) = delete;
  Environment& operator=(const Environment&) = delete;
  ~Environment();
};

// One call of a built-in: its evaluated arguments and checked access to them.
struct BuiltinCall {
  Environment& env;
  std::vector<Datum>& args;
  int line;
  std::string_view name;

  [[noreturn]] void Fail(const std::string& message) const;
  const Value& Arg(size_t i) const;  // a plain value (not an array)
  double Number(size_t i) const;     // Integer or Double
  int64_t Integer(size_t i) const;   // Integer, or a Double truncated
  const std::string& Text(size_t i) const;
  bool Boolean(size_t i) const;
  ArrayData& Array(size_t i) const;
  bool Has(size_t i) const { return i < args.size(); }
};

using BuiltinFn = Datum (*)(BuiltinCall& call);

struct Builtin {
  const char* name;
  int minArgs;
  int maxArgs;
  BuiltinFn fn;
  bool returnsValue;
};

struct BuiltinModule {
  const char* name;
  const Builtin* members;
  size_t count;
};

// Lookups by name, ignoring case; null when there is none.
const Builtin* FindBuiltin(std::string_view name);
const BuiltinModule* FindModule(std::string_view name);
const Builtin* FindModuleMember(const BuiltinModule& module, std::string_view name);

// Checks the argument count and runs a built-in.
Datum CallBuiltin(const Builtin& b, Environment& env, std::vector<Datum>& args, int line,
                  std::string_view displayName);

// The tables: general functions, and each module's members.
const BuiltinModule& FunctionTable();
const BuiltinModule& SystemModule();
const BuiltinModule& SpecialFolderModule();
const BuiltinModule& RuntimeModule();
const BuiltinModule& TestModule();
const BuiltinModule& AppModule();
// ScreenCount, a general function kept with the event loop's modules.
Datum ScreenCountFn(BuiltinCall& call);
const BuiltinModule& KeyboardModule();

}  // namespace fenra::host::script
