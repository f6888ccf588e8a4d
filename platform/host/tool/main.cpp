// fenra: runs scripts against the plugin, and shows what the plugin
// registers.
#include <malloc.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "fenra_host/runtime.h"
#include "fenra_host/script.h"

namespace {

using fenra::host::ClassInfo;
using fenra::host::Runtime;

constexpr const char* kUsage = R"(usage: fenra [options] [command]

commands:
  run FILE.bas [ARGS...]   run a script
  classes                  list the plugin's classes, then its module methods
  describe NAME            a class's properties, methods and constants
  (none)                   an interactive prompt

options:
  --plugin PATH            load this plugin instead of the built one
                           (also FENRA_PLUGIN)
  --fail NAME:ERR[:N]      make the N-th next call (default 1) of the QuickTime
                           function NAME answer ERR, armed before the plugin
                           loads (also QTML_FAIL=NAME:ERR[:N],...)
  --help                   this text
)";

bool SameName(const std::string& a, const std::string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

std::string ValueText(const fenra::host::Value& value) {
  using K = fenra::host::Value::Kind;
  switch (value.kind) {
    case K::Integer:
      return std::to_string(value.integer);
    case K::Double: {
      std::ostringstream out;
      out << value.number;
      return out.str();
    }
    case K::String:
      return "\"" + value.text + "\"";
    default:
      return "?";
  }
}

int ListClasses() {
  Runtime& runtime = Runtime::Get();
  const auto& classes = runtime.PluginClasses();
  size_t width = 0;
  for (const ClassInfo* cls : classes) width = std::max(width, cls->name.size());
  int index = 1;
  for (const ClassInfo* cls : classes) {
    std::cout << std::setw(3) << index++ << "  " << std::left << std::setw(width + 2) << cls->name
              << std::setw(width + 2) << (cls->super ? cls->super->name : "-") << std::right
              << cls->ownDataSize << "\n";
  }
  for (const auto& method : runtime.ModuleMethods()) {
    std::cout << method.declaration.text << "\n";
  }
  std::cout << runtime.ModuleMethods().size() << " module methods\n";
  return 0;
}

int Describe(const std::string& name) {
  const ClassInfo* cls = Runtime::Get().FindClass(name);
  if (cls == nullptr) {
    std::cerr << "fenra: no class named " << name << "\n";
    return 1;
  }
  std::cout << cls->name;
  if (cls->super != nullptr) std::cout << " inherits " << cls->super->name;
  std::cout << "\n";
  if (!cls->properties.empty()) std::cout << "properties:\n";
  for (const auto& p : cls->properties) {
    const char* access = p.readable && p.writable ? "read/write" : p.readable ? "read" : "write";
    std::cout << "  " << p.name << " as " << p.type.name << "  (" << access << ")\n";
  }
  if (!cls->methods.empty()) std::cout << "methods:\n";
  for (int constructors = 1; constructors >= 0; --constructors) {
    for (const auto& m : cls->methods) {
      bool isConstructor = SameName(m.declaration.name, cls->name);
      if (isConstructor != (constructors == 1)) continue;
      std::cout << "  " << m.declaration.text << (m.assignable ? "  (assignable)" : "") << "\n";
    }
  }
  if (!cls->constants.empty()) std::cout << "constants:\n";
  for (const auto& c : cls->constants) {
    std::cout << "  " << c.name << " = " << ValueText(c.value) << "\n";
  }
  return 0;
}

bool ArmFault(const std::string& spec) {
  size_t colon = spec.find(':');
  if (colon == std::string::npos || colon == 0) return false;
  std::string name = spec.substr(0, colon);
  char* end = nullptr;
  long error = std::strtol(spec.c_str() + colon + 1, &end, 0);
  long nth = 1;
  if (end != nullptr && *end == ':') nth = std::strtol(end + 1, &end, 0);
  if (end == nullptr || *end != '\0') return false;
  Runtime::TestControls().failCall(name.c_str(), nth, static_cast<int16_t>(error));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  // Movies draw frame after frame into buffers of a megabyte or more that
  // come and go: keep freed memory for the next frame rather than giving
  // it back to the system and faulting it in again each time.
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 64 << 20);
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string plugin = Runtime::DefaultPluginPath();
  size_t i = 0;
  for (; i < args.size() && args[i].starts_with("--"); ++i) {
    if (args[i] == "--help") {
      std::cout << kUsage;
      return 0;
    }
    if (args[i] == "--plugin" && i + 1 < args.size()) {
      plugin = args[++i];
    } else if (args[i] == "--fail" && i + 1 < args.size()) {
      if (!ArmFault(args[++i])) {
        std::cerr << "fenra: --fail wants NAME:ERR[:N], not " << args[i] << "\n";
        return 2;
      }
    } else {
      std::cerr << "fenra: unknown option " << args[i] << "\n" << kUsage;
      return 2;
    }
  }
  std::string error;
  if (!Runtime::Get().LoadPlugin(plugin, error)) {
    std::cerr << "fenra: " << error << "\n";
    return 1;
  }
  if (i == args.size()) return fenra::host::RunInteractive(std::cout, std::cerr);
  const std::string& command = args[i];
  if (command == "classes") return ListClasses();
  if (command == "describe" && i + 1 < args.size()) return Describe(args[i + 1]);
  if (command == "run" && i + 1 < args.size()) {
    std::vector<std::string> scriptArgs(args.begin() + static_cast<long>(i) + 2, args.end());
    return fenra::host::RunScriptFile(args[i + 1], scriptArgs, std::cout, std::cerr);
  }
  std::cerr << "fenra: unknown command " << command << "\n" << kUsage;
  return 2;
}
