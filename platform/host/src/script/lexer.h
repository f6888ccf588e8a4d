// Splits script text into tokens. Keywords are plain words; the parser
// tells them apart, case-insensitively.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fenra::host::script {

enum class TokenKind {
  Word,     // a name or keyword, as written
  Integer,  // decimal, &h, &b or &o
  Double,
  String,     // text without its quotes, "" already folded
  Color,      // &cRRGGBB
  Symbol,     // an operator or punctuation: + - * / \ ^ = <> < > <= >= ( ) , . += -= *= /=
  EndOfLine,  // end of a statement line
  End         // end of the text
};

struct Token {
  TokenKind kind = TokenKind::End;
  std::string text;  // Word, String, Symbol; the source spelling otherwise
  int64_t integer = 0;
  double number = 0;
  int line = 0;

  bool Is(TokenKind k) const { return kind == k; }
  bool IsSymbol(std::string_view s) const { return kind == TokenKind::Symbol && text == s; }
  // A word equal to `word` ignoring case; `word` is given in lower case.
  bool IsWord(std::string_view word) const;
};

struct LexError {
  int line = 0;
  std::string message;
};

// Tokenises `source`; false with `error` set on a malformed literal or an
// unknown character. Comments ('..., //..., Rem ...) are dropped, a `_` at
// the end of a line joins it to the next, and each non-empty line ends with
// an EndOfLine token; the list always ends with End.
bool Tokenize(std::string_view source, std::vector<Token>& tokens, LexError& error);

// Lower-case copy of ASCII text: the folded form names are compared in.
std::string Fold(std::string_view text);

}  // namespace fenra::host::script
