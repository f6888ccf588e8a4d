// Parses script text into a Program.
#pragma once

#include <string>
#include <string_view>

#include "script/ast.h"

namespace fenra::host::script {

struct ParseError {
  int line = 0;
  std::string message;
  // The text ended inside a construct (an If without its End If, a line
  // ending in an operator): the interactive prompt reads more lines.
  bool incomplete = false;
};

// Parses `source` into `program`; false with `error` set on the first
// syntax error. With `interactive`, a line may also be a bare expression
// (an ExpressionStmt) whose value the prompt shows.
bool Parse(std::string_view source, Program& program, ParseError& error, bool interactive = false);

// Whether `word` (folded) is reserved by the language and cannot name a variable.
bool IsReservedWord(std::string_view folded);

}  // namespace fenra::host::script
