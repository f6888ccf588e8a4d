#include "script/repl.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "fenra_host/script.h"
#include "script/interpreter.h"

// Line editing with GNU readline, which fenra_script links, when its headers
// are installed (libreadline-dev); plain lines otherwise.
#if __has_include(<readline/readline.h>)
#define FENRA_HAVE_READLINE 1
#include <readline/history.h>
#include <readline/readline.h>
#endif

namespace fenra::host {

namespace script {

int RunPrompt(HostAccess& host, const LineReader& read, std::ostream& out, std::ostream& err) {
  Interpreter interpreter(host, out, "fenra");
  std::string chunk;
  std::string line;
  while (read(chunk.empty() ? "> " : "... ", line)) {
    chunk += line;
    chunk += '\n';
    Interpreter::ChunkResult r = interpreter.RunChunk(chunk, err);
    if (r == Interpreter::ChunkResult::Incomplete) continue;
    chunk.clear();
    out.flush();
    if (r == Interpreter::ChunkResult::Quit) return interpreter.QuitCode();
  }
  return 0;
}

namespace {

// Lines from standard input; prompts only when a person is typing.
bool ReadStandardInput(const char* prompt, std::string& line) {
  static const bool terminal = isatty(STDIN_FILENO) != 0;
  if (terminal) std::cout << prompt << std::flush;
  return static_cast<bool>(std::getline(std::cin, line));
}

#ifdef FENRA_HAVE_READLINE
bool ReadEditedLine(const char* prompt, std::string& line) {
  char* text = readline(prompt);
  if (text == nullptr) return false;
  line = text;
  if (*text != '\0') add_history(text);
  std::free(text);
  return true;
}
#endif

}  // namespace

}  // namespace script

int RunInteractive(std::ostream& out, std::ostream& err) {
  std::unique_ptr<script::HostAccess> host = script::MakeRuntimeAccess();
  script::LineReader read = script::ReadStandardInput;
  bool terminal = isatty(STDIN_FILENO) != 0;
#ifdef FENRA_HAVE_READLINE
  if (terminal) read = script::ReadEditedLine;
#endif
  if (terminal) {
    out << "Fenra: type statements to run them, expressions to see their value; "
           "Ctrl-D or Quit to leave.\n";
  }
  int status = script::RunPrompt(*host, read, out, err);
  if (terminal) out << "\n";
  return status;
}

}  // namespace fenra::host
