// The host's grammar of the plugin interface: declarations such as
// "Item(name as string,index as integer=1) as string".
#include <cctype>

#include "fenra_host/runtime.h"

namespace fenra::host {
namespace {

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  void SkipBlanks() {
    while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
  }
  bool AtEnd() {
    SkipBlanks();
    return pos_ >= text_.size();
  }
  bool Take(char c) {
    SkipBlanks();
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  std::string Word() {
    SkipBlanks();
    size_t start = pos_;
    while (pos_ < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[pos_])) ||
                                   text_[pos_] == '_' || text_[pos_] == '.')) {
      ++pos_;
    }
    return std::string(text_.substr(start, pos_ - start));
  }
  // A keyword, case-insensitively, followed by a blank.
  bool TakeKeyword(std::string_view keyword) {
    SkipBlanks();
    if (text_.size() - pos_ <= keyword.size()) return false;
    for (size_t i = 0; i < keyword.size(); ++i) {
      if (std::tolower(static_cast<unsigned char>(text_[pos_ + i])) != keyword[i]) return false;
    }
    if (!std::isspace(static_cast<unsigned char>(text_[pos_ + keyword.size()]))) return false;
    pos_ += keyword.size();
    return true;
  }
  // A default value as written: up to the next ',' or ')' outside quotes.
  std::string DefaultText() {
    SkipBlanks();
    size_t start = pos_;
    bool quoted = false;
    while (pos_ < text_.size() && (quoted || (text_[pos_] != ',' && text_[pos_] != ')'))) {
      if (text_[pos_] == '"') quoted = !quoted;
      ++pos_;
    }
    std::string value(text_.substr(start, pos_ - start));
    while (!value.empty() && std::isspace(static_cast<unsigned char>(value.back()))) {
      value.pop_back();
    }
    return value;
  }

 private:
  std::string_view text_;
  size_t pos_ = 0;
};

bool ParseType(Reader& in, TypeName& type) {
  type.name = in.Word();
  if (type.name.empty()) return false;
  if (in.Take('(')) {
    if (!in.Take(')')) return false;
    type.isArray = true;
  }
  return true;
}

bool ParseParameter(Reader& in, Parameter& p, std::string& error) {
  if (in.TakeKeyword("byref")) {
    p.byRef = true;
  } else {
    in.TakeKeyword("byval");
  }
  p.name = in.Word();
  if (p.name.empty()) {
    error = "a parameter has no name";
    return false;
  }
  bool arrayName = false;
  if (in.Take('(')) {
    if (!in.Take(')')) {
      error = "'(' after " + p.name + " must be closed at once";
      return false;
    }
    arrayName = true;
  }
  if (!in.TakeKeyword("as")) {
    error = "parameter " + p.name + " has no type";
    return false;
  }
  if (!ParseType(in, p.type)) {
    error = "parameter " + p.name + " has no type";
    return false;
  }
  p.type.isArray = p.type.isArray || arrayName;
  if (in.Take('=')) {
    p.hasDefault = true;
    p.defaultText = in.DefaultText();
  }
  return true;
}

}  // namespace

bool Declaration::Parse(std::string_view text, Declaration& out, std::string& error) {
  out = Declaration{};
  out.text = std::string(text);
  Reader in(text);
  out.name = in.Word();
  if (out.name.empty()) {
    error = "no name";
    return false;
  }
  if (in.Take('(') && !in.Take(')')) {
    do {
      Parameter p;
      if (!ParseParameter(in, p, error)) return false;
      out.parameters.push_back(std::move(p));
    } while (in.Take(','));
    if (!in.Take(')')) {
      error = "the parameter list is not closed";
      return false;
    }
  }
  if (in.TakeKeyword("as")) {
    if (!ParseType(in, out.result)) {
      error = "no result type after 'as'";
      return false;
    }
  }
  if (!in.AtEnd()) {
    error = "unexpected text after the declaration";
    return false;
  }
  return true;
}

}  // namespace fenra::host
