// The interactive prompt, over any source of lines.
#pragma once

#include <functional>
#include <ostream>
#include <string>

#include "script/host_access.h"

namespace fenra::host::script {

// Gives the next line typed after showing `prompt`; false at end of input.
using LineReader = std::function<bool(const char* prompt, std::string& line)>;

// Reads chunks of statements (several lines when a construct is open, as
// after "If x Then"), runs each, and shows the value of bare expressions.
// Errors are reported and the prompt goes on. Returns the exit status:
// 0 at end of input, or the code given to Quit.
int RunPrompt(HostAccess& host, const LineReader& read, std::ostream& out, std::ostream& err);

}  // namespace fenra::host::script
