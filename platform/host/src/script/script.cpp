// Placeholder until the script engine lands.
#include "fenra_host/script.h"

#include <ostream>

namespace fenra::host {

int RunScriptFile(const std::string& path, const std::vector<std::string>&, std::ostream&,
                  std::ostream& err) {
  err << path << ": the script engine is not built yet; try 'fenra classes'\n";
  return 2;
}

int RunScriptText(const std::string& name, const std::string& source, std::ostream& out,
                  std::ostream& err) {
  (void)source;
  return RunScriptFile(name, {}, out, err);
}

int RunInteractive(std::ostream&, std::ostream& err) {
  err << "fenra: the interactive prompt is not built yet\n";
  return 2;
}

}  // namespace fenra::host
