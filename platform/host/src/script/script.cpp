// The script engine's entry points: run a file or text, or the prompt.
#include "fenra_host/script.h"

#include <fstream>
#include <sstream>

#include "script/host_access.h"
#include "script/interpreter.h"

namespace fenra::host {

int RunScriptFile(const std::string& path, const std::vector<std::string>& args, std::ostream& out,
                  std::ostream& err) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    err << path << ": cannot open the script\n";
    return 1;
  }
  std::ostringstream text;
  text << file.rdbuf();
  std::unique_ptr<script::HostAccess> host = script::MakeRuntimeAccess();
  script::Interpreter interpreter(*host, out, path, args);
  return interpreter.Run(path, text.str(), err);
}

int RunScriptText(const std::string& name, const std::string& source, std::ostream& out,
                  std::ostream& err) {
  std::unique_ptr<script::HostAccess> host = script::MakeRuntimeAccess();
  script::Interpreter interpreter(*host, out, name);
  return interpreter.Run(name, source, err);
}

}  // namespace fenra::host
