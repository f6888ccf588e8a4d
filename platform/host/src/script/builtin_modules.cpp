// The built-in modules System, SpecialFolder and Runtime.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "script/builtins.h"

namespace fenra::host::script {

namespace {

Datum FolderItemAt(BuiltinCall& c, const std::string& path) {
  ObjectRef f = c.env.host->NewFolderItem(path);
  if (!f) c.Fail(std::string(c.name) + ": the host could not make a folderitem");
  return Value::Obj(std::move(f));
}

// ----- System -----

// The script and its arguments, as a shell would have been given them.
Datum CommandLineFn(BuiltinCall& c) {
  std::string line = c.env.scriptPath;
  for (const std::string& a : c.env.args) {
    line += ' ';
    line += a.find(' ') == std::string::npos ? a : "\"" + a + "\"";
  }
  return Value::Str(line);
}

Datum EnvironmentVariableFn(BuiltinCall& c) {
  const char* v = std::getenv(c.Text(0).c_str());
  return Value::Str(v != nullptr ? v : "");
}

Datum SystemTicksFn(BuiltinCall& c) {
  std::vector<Datum> none;
  return CallBuiltin(*FindBuiltin("Ticks"), c.env, none, c.line, "System.Ticks");
}

Datum SystemMicrosecondsFn(BuiltinCall& c) {
  std::vector<Datum> none;
  return CallBuiltin(*FindBuiltin("Microseconds"), c.env, none, c.line, "System.Microseconds");
}

const Builtin kSystem[] = {
    {"CommandLine", 0, 0, CommandLineFn, true},
    {"EnvironmentVariable", 1, 1, EnvironmentVariableFn, true},
    {"Ticks", 0, 0, SystemTicksFn, true},
    {"Microseconds", 0, 0, SystemMicrosecondsFn, true},
};

// ----- SpecialFolder -----

// A fresh folder for this run, made on first use and removed at its end.
Datum TemporaryFn(BuiltinCall& c) {
  if (c.env.temporaryFolder.empty()) {
    std::error_code ec;
    std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    if (ec) base = "/tmp";
    std::string pattern = (base / "fenra-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
      c.Fail("SpecialFolder.Temporary: cannot make a temporary folder in " + base.string());
    }
    c.env.temporaryFolder = pattern;
  }
  return FolderItemAt(c, c.env.temporaryFolder);
}

Datum CurrentDirectoryFn(BuiltinCall& c) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::current_path(ec);
  if (ec) c.Fail("SpecialFolder.CurrentWorkingDirectory: " + ec.message());
  return FolderItemAt(c, p.string());
}

const Builtin kSpecialFolder[] = {
    {"Temporary", 0, 0, TemporaryFn, true},
    {"CurrentWorkingDirectory", 0, 0, CurrentDirectoryFn, true},
};

// ----- Runtime: what the loaded plugin registered -----

Datum PluginVersionFn(BuiltinCall& c) {
  return Value::Int(c.env.host->PluginVersion());
}
Datum ClassCountFn(BuiltinCall& c) {
  return Value::Int(c.env.host->PluginClassCount());
}
Datum ModuleMethodCountFn(BuiltinCall& c) {
  return Value::Int(c.env.host->ModuleMethodCount());
}

const Builtin kRuntime[] = {
    {"PluginVersion", 0, 0, PluginVersionFn, true},
    {"ClassCount", 0, 0, ClassCountFn, true},
    {"ModuleMethodCount", 0, 0, ModuleMethodCountFn, true},
};

}  // namespace

const BuiltinModule& SystemModule() {
  static const BuiltinModule m{"System", kSystem, std::size(kSystem)};
  return m;
}

const BuiltinModule& SpecialFolderModule() {
  static const BuiltinModule m{"SpecialFolder", kSpecialFolder, std::size(kSpecialFolder)};
  return m;
}

const BuiltinModule& RuntimeModule() {
  static const BuiltinModule m{"Runtime", kRuntime, std::size(kRuntime)};
  return m;
}

}  // namespace fenra::host::script
