// The host's BASIC dialect: runs scripts against the loaded plugin.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace fenra::host {

// Runs the script in `path` with `args` as its command-line arguments.
// Output goes to `out`; errors as "file:line: message" to `err`.
// Returns the process exit status: 0 on success, non-zero on an error.
int RunScriptFile(const std::string& path, const std::vector<std::string>& args,
                  std::ostream& out, std::ostream& err);

// Runs script text read from `source` (named `name` in messages).
int RunScriptText(const std::string& name, const std::string& source, std::ostream& out,
                  std::ostream& err);

// The interactive prompt: evaluates statements, prints expression values.
int RunInteractive(std::ostream& out, std::ostream& err);

}  // namespace fenra::host
