#include "script/text.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace fenra::host::script {

// ---------------------------------------------------------------------------
// Characters
// ---------------------------------------------------------------------------

namespace {

bool IsContinuation(unsigned char c) {
  return (c & 0xC0) == 0x80;
}

}  // namespace

int64_t CharCount(std::string_view s) {
  int64_t n = 0;
  for (unsigned char c : s) {
    if (!IsContinuation(c)) ++n;
  }
  return n;
}

size_t ByteOffset(std::string_view s, int64_t index) {
  if (index <= 0) return 0;
  int64_t seen = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if (!IsContinuation(static_cast<unsigned char>(s[i])) && seen++ == index) return i;
  }
  return s.size();
}

std::string Substring(std::string_view s, int64_t start, int64_t count) {
  if (count <= 0) return "";
  size_t from = ByteOffset(s, start);
  size_t to = ByteOffset(s, start + count);
  return std::string(s.substr(from, to - from));
}

std::string EncodeChar(uint32_t cp) {
  std::string out;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | ((cp >> 18) & 0x07));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
  return out;
}

uint32_t FirstChar(std::string_view s) {
  if (s.empty()) return 0;
  auto c = static_cast<unsigned char>(s[0]);
  int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
  uint32_t cp = extra == 0 ? c : c & (0x3F >> extra);
  for (int i = 1; i <= extra && static_cast<size_t>(i) < s.size(); ++i) {
    cp = (cp << 6) | (static_cast<unsigned char>(s[i]) & 0x3F);
  }
  return cp;
}

int64_t FindText(std::string_view s, std::string_view find, int64_t start) {
  size_t from = ByteOffset(s, std::max<int64_t>(start, 1) - 1);
  if (find.empty()) return 0;
  for (size_t i = from; i + find.size() <= s.size(); ++i) {
    size_t j = 0;
    while (j < find.size() && std::tolower(static_cast<unsigned char>(s[i + j])) ==
                                  std::tolower(static_cast<unsigned char>(find[j]))) {
      ++j;
    }
    if (j == find.size()) return CharCount(s.substr(0, i)) + 1;
  }
  return 0;
}

double ParseVal(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  std::string rest(s.substr(i));
  if (rest.size() > 1 && rest[0] == '&') {
    char kind = static_cast<char>(std::tolower(static_cast<unsigned char>(rest[1])));
    int base = kind == 'h' ? 16 : kind == 'b' ? 2 : kind == 'o' ? 8 : 0;
    if (base == 0) return 0;
    return static_cast<double>(
        static_cast<int64_t>(std::strtoull(rest.c_str() + 2, nullptr, base)));
  }
  // strtod alone would also read "inf", "nan" and hexadecimal floats.
  size_t n = 0;
  if (n < rest.size() && (rest[n] == '+' || rest[n] == '-')) ++n;
  size_t digits = n;
  while (n < rest.size() && (std::isdigit(static_cast<unsigned char>(rest[n])) || rest[n] == '.')) {
    ++n;
  }
  if (n == digits) return 0;
  if (n < rest.size() && (rest[n] == 'e' || rest[n] == 'E')) {
    size_t e = n + 1;
    if (e < rest.size() && (rest[e] == '+' || rest[e] == '-')) ++e;
    if (e < rest.size() && std::isdigit(static_cast<unsigned char>(rest[e]))) {
      n = e;
      while (n < rest.size() && std::isdigit(static_cast<unsigned char>(rest[n]))) ++n;
    }
  }
  return std::strtod(rest.substr(0, n).c_str(), nullptr);
}

// ---------------------------------------------------------------------------
// Format
// ---------------------------------------------------------------------------

namespace {

// What a mask section asks for, from a first pass over it.
struct MaskShape {
  size_t point = std::string_view::npos;     // index of the decimal point
  size_t exponent = std::string_view::npos;  // index of the e or E
  int intPlaceholders = 0;
  int intZeros = 0;
  int fracZeros = 0;
  int fracHashes = 0;
  int expZeros = 0;
  bool grouping = false;
  bool percent = false;
};

MaskShape Measure(std::string_view mask) {
  MaskShape m;
  for (size_t i = 0; i < mask.size(); ++i) {
    char c = mask[i];
    if (c == '\\') {
      ++i;
      continue;
    }
    bool inExponent = m.exponent != std::string_view::npos;
    bool inFraction = m.point != std::string_view::npos;
    if (inExponent) {
      if (c == '0') ++m.expZeros;
    } else if (c == 'e' || c == 'E') {
      m.exponent = i;
    } else if (c == '.' && !inFraction) {
      m.point = i;
    } else if (c == '%') {
      m.percent = true;
    } else if (c == ',' && !inFraction) {
      m.grouping = true;
    } else if (c == '0' || c == '#') {
      if (inFraction) {
        (c == '0' ? m.fracZeros : m.fracHashes)++;
      } else {
        ++m.intPlaceholders;
        if (c == '0') ++m.intZeros;
      }
    }
  }
  return m;
}

std::vector<std::string_view> Sections(std::string_view mask) {
  std::vector<std::string_view> out;
  size_t start = 0;
  for (size_t i = 0; i < mask.size(); ++i) {
    if (mask[i] == '\\') {
      ++i;
    } else if (mask[i] == ';') {
      out.push_back(mask.substr(start, i - start));
      start = i + 1;
    }
  }
  out.push_back(mask.substr(start));
  return out;
}

std::string Group(const std::string& digits) {
  std::string out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

// The digits of `magnitude` as the mask shows them: integer digits padded
// to the mask's zeros (and grouped), fraction digits without the trailing
// zeros that only # placeholders stand for.
void Digits(double magnitude, const MaskShape& m, std::string& whole, std::string& fraction) {
  int places = m.fracZeros + m.fracHashes;
  // Halves round away from zero, as the dialect rounds; printf alone would
  // round 2.5 to 2.
  double scale = std::pow(10.0, places);
  if (magnitude * scale < 1e15) magnitude = std::round(magnitude * scale) / scale;
  char buf[400];
  std::snprintf(buf, sizeof buf, "%.*f", places, magnitude);
  std::string text = buf;
  size_t dot = text.find('.');
  whole = text.substr(0, dot);
  fraction = dot == std::string::npos ? "" : text.substr(dot + 1);
  if (whole == "0") whole.clear();
  while (static_cast<int>(whole.size()) < m.intZeros) whole.insert(whole.begin(), '0');
  while (static_cast<int>(fraction.size()) > m.fracZeros && fraction.back() == '0') {
    fraction.pop_back();
  }
  if (m.grouping) whole = Group(whole);
}

// The part of `whole` that integer placeholder `k` (0-based, of `count`)
// shows: placeholders take digits from the right; the first takes the rest.
std::string WholePart(const std::string& whole, int k, int count, bool grouping) {
  if (grouping) return k == 0 ? whole : "";
  int len = static_cast<int>(whole.size());
  int fromRight = count - 1 - k;  // digits that later placeholders take
  if (k == 0) return len > fromRight ? whole.substr(0, len - fromRight) : "";
  int index = len - 1 - fromRight;
  return index >= 0 ? whole.substr(index, 1) : "";
}

std::string ExponentText(int exponent, const MaskShape& m, std::string_view mask) {
  char sign = exponent < 0 ? '-' : '+';
  if (exponent >= 0 && m.exponent + 1 < mask.size() && mask[m.exponent + 1] == '-') sign = 0;
  std::string digits = std::to_string(std::abs(exponent));
  while (static_cast<int>(digits.size()) < m.expZeros) digits.insert(digits.begin(), '0');
  std::string out(1, mask[m.exponent]);
  if (sign != 0) out += sign;
  return out + digits;
}

std::string FormatSection(double magnitude, bool negative, std::string_view mask) {
  MaskShape m = Measure(mask);
  if (m.percent) magnitude *= 100;
  int exponent = 0;
  if (m.exponent != std::string_view::npos && magnitude > 0 && std::isfinite(magnitude)) {
    exponent = static_cast<int>(std::floor(std::log10(magnitude)));
    magnitude /= std::pow(10.0, exponent);
    double limit = std::pow(10.0, -(m.fracZeros + m.fracHashes)) / 2;
    if (magnitude >= 10 - limit) {  // rounds up to 10.0: one more power of ten
      magnitude /= 10;
      ++exponent;
    }
  }
  std::string whole, fraction;
  Digits(magnitude, m, whole, fraction);
  if ((whole + fraction).find_first_not_of("0,") == std::string::npos) negative = false;

  std::string out;
  int intIndex = 0;
  size_t fracIndex = 0;
  size_t end = m.exponent == std::string_view::npos ? mask.size() : m.exponent;
  for (size_t i = 0; i < end; ++i) {
    char c = mask[i];
    bool inFraction = m.point != std::string_view::npos && i > m.point;
    if (c == '\\') {
      if (++i < mask.size()) out += mask[i];
    } else if (c == '0' || c == '#') {
      if (!inFraction) {
        out += WholePart(whole, intIndex++, m.intPlaceholders, m.grouping);
      } else if (fracIndex < fraction.size()) {
        out += fraction[fracIndex++];
      }
    } else if (i == m.point) {
      if (m.intPlaceholders == 0) out += whole;  // ".00" still shows 12.5 as 12.50
      out += '.';
    } else if (c == ',' && !inFraction) {
      // the grouping is already in the digits
    } else if (c == '-') {
      if (negative) out += '-';
    } else if (c == '+') {
      out += negative ? '-' : '+';
    } else {
      out += c;
    }
  }
  if (m.exponent != std::string_view::npos) out += ExponentText(exponent, m, mask);
  return out;
}

}  // namespace

std::string FormatNumber(double value, std::string_view mask) {
  std::vector<std::string_view> sections = Sections(mask);
  bool negative = value < 0;
  std::string_view section = sections[0];
  if (value == 0 && sections.size() >= 3) {
    section = sections[2];
  } else if (negative && sections.size() >= 2) {
    section = sections[1];
  }
  return FormatSection(std::fabs(value), negative, section);
}

}  // namespace fenra::host::script
