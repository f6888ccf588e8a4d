#include "script/lexer.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace fenra::host::script {

std::string Fold(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool Token::IsWord(std::string_view word) const {
  if (kind != TokenKind::Word || text.size() != word.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != word[i]) return false;
  }
  return true;
}

namespace {

bool IsWordStart(char c) {
  return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}
bool IsWordChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}
bool IsDigit(char c) {
  return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

class Lexer {
 public:
  Lexer(std::string_view source, std::vector<Token>& tokens, LexError& error)
      : src_(source), tokens_(tokens), error_(error) {}

  bool Run() {
    if (src_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;  // a UTF-8 byte order mark
    while (pos_ < src_.size()) {
      if (!Step()) return false;
    }
    EndLine();
    Push(TokenKind::End, "");
    return true;
  }

 private:
  char At(size_t i) const { return i < src_.size() ? src_[i] : '\0'; }

  bool Fail(std::string message) {
    error_ = {line_, std::move(message)};
    return false;
  }

  Token& Push(TokenKind kind, std::string text) {
    Token t;
    t.kind = kind;
    t.text = std::move(text);
    t.line = line_;
    tokens_.push_back(std::move(t));
    return tokens_.back();
  }

  // Ends a statement line unless nothing has been said on it.
  void EndLine() {
    if (!tokens_.empty() && !tokens_.back().Is(TokenKind::EndOfLine)) {
      Push(TokenKind::EndOfLine, "");
    }
  }

  void SkipToEndOfLine() {
    while (pos_ < src_.size() && src_[pos_] != '\n') ++pos_;
  }

  // After a `_`: true (and the line break consumed) when only blanks or a
  // comment follow it on its line.
  bool TryContinuation() {
    size_t p = pos_;
    while (At(p) == ' ' || At(p) == '\t' || At(p) == '\r') ++p;
    bool comment = At(p) == '\'' || (At(p) == '/' && At(p + 1) == '/');
    if (!comment && At(p) != '\n' && p < src_.size()) return false;
    pos_ = p;
    SkipToEndOfLine();
    if (pos_ < src_.size()) {
      ++pos_;
      ++line_;
    }
    return true;
  }

  bool Step() {
    char c = src_[pos_];
    if (c == '\n') {
      EndLine();
      ++pos_;
      ++line_;
      return true;
    }
    if (c == ' ' || c == '\t' || c == '\r') {
      ++pos_;
      return true;
    }
    if (c == '\'' || (c == '/' && At(pos_ + 1) == '/')) {
      SkipToEndOfLine();
      return true;
    }
    if (IsWordStart(c)) return Word();
    if (IsDigit(c) || (c == '.' && IsDigit(At(pos_ + 1)) && !AfterOperand())) return Number();
    if (c == '"') return String();
    if (c == '&') return Prefixed();
    return Symbol();
  }

  // Whether the previous token ends an operand, so that a '.' is a member access.
  bool AfterOperand() const {
    if (tokens_.empty()) return false;
    const Token& t = tokens_.back();
    return t.Is(TokenKind::Word) || t.IsSymbol(")");
  }

  bool Word() {
    size_t start = pos_;
    while (pos_ < src_.size() && IsWordChar(src_[pos_])) ++pos_;
    std::string_view word = src_.substr(start, pos_ - start);
    if (word == "_" && TryContinuation()) return true;
    if (Fold(word) == "rem") {
      SkipToEndOfLine();
      return true;
    }
    Push(TokenKind::Word, std::string(word));
    return true;
  }

  bool Number() {
    size_t start = pos_;
    bool isDouble = false;
    while (IsDigit(At(pos_))) ++pos_;
    if (At(pos_) == '.' && IsDigit(At(pos_ + 1))) {
      isDouble = true;
      ++pos_;
      while (IsDigit(At(pos_))) ++pos_;
    }
    if ((At(pos_) == 'e' || At(pos_) == 'E') &&
        (IsDigit(At(pos_ + 1)) ||
         ((At(pos_ + 1) == '+' || At(pos_ + 1) == '-') && IsDigit(At(pos_ + 2))))) {
      isDouble = true;
      pos_ += 2;
      while (IsDigit(At(pos_))) ++pos_;
    }
    std::string text(src_.substr(start, pos_ - start));
    if (IsWordChar(At(pos_))) return Fail("Malformed number '" + text + At(pos_) + "'");
    if (!isDouble) {
      errno = 0;
      long long v = std::strtoll(text.c_str(), nullptr, 10);
      if (errno != ERANGE) {
        Push(TokenKind::Integer, text).integer = v;
        return true;
      }
    }
    Push(TokenKind::Double, text).number = std::strtod(text.c_str(), nullptr);
    return true;
  }

  bool String() {
    std::string text;
    ++pos_;
    for (;;) {
      if (pos_ >= src_.size() || src_[pos_] == '\n') return Fail("Unterminated string");
      char c = src_[pos_++];
      if (c != '"') {
        text += c;
      } else if (At(pos_) == '"') {
        text += '"';
        ++pos_;
      } else {
        break;
      }
    }
    Push(TokenKind::String, std::move(text));
    return true;
  }

  // &h hex, &b binary, &o octal, &c colour.
  bool Prefixed() {
    char kind = static_cast<char>(std::tolower(static_cast<unsigned char>(At(pos_ + 1))));
    int base = kind == 'h' ? 16 : kind == 'b' ? 2 : kind == 'o' ? 8 : kind == 'c' ? 16 : 0;
    if (base == 0) return Fail("Unexpected character '&'");
    size_t start = pos_ + 2;
    pos_ = start;
    while (std::isxdigit(static_cast<unsigned char>(At(pos_)))) ++pos_;
    std::string digits(src_.substr(start, pos_ - start));
    std::string text = "&" + std::string(1, kind) + digits;
    if (IsWordChar(At(pos_)) || digits.empty()) return Fail("Malformed literal '" + text + "'");
    char* end = nullptr;
    errno = 0;
    unsigned long long v = std::strtoull(digits.c_str(), &end, base);
    if (*end != '\0' || errno == ERANGE) return Fail("Malformed literal '" + text + "'");
    if (kind == 'c') {
      if (digits.size() != 6 && digits.size() != 8) return Fail("Malformed colour '" + text + "'");
      if (digits.size() == 8) v >>= 8;  // the alpha byte is dropped
      Push(TokenKind::Color, text).integer = static_cast<int64_t>(v);
      return true;
    }
    Push(TokenKind::Integer, text).integer = static_cast<int64_t>(v);
    return true;
  }

  bool Symbol() {
    static const char* const kTwo[] = {"<>", "<=", ">=", "+=", "-=", "*=", "/="};
    for (const char* s : kTwo) {
      if (src_.compare(pos_, 2, s) == 0) {
        pos_ += 2;
        Push(TokenKind::Symbol, s);
        return true;
      }
    }
    char c = src_[pos_];
    static const std::string_view kOne = "+-*/\\^=<>(),.";
    if (kOne.find(c) == std::string_view::npos) {
      return Fail(std::string("Unexpected character '") + c + "'");
    }
    ++pos_;
    Push(TokenKind::Symbol, std::string(1, c));
    return true;
  }

  std::string_view src_;
  std::vector<Token>& tokens_;
  LexError& error_;
  size_t pos_ = 0;
  int line_ = 1;
};

}  // namespace

bool Tokenize(std::string_view source, std::vector<Token>& tokens, LexError& error) {
  tokens.clear();
  return Lexer(source, tokens, error).Run();
}

}  // namespace fenra::host::script
