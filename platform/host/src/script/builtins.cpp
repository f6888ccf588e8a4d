// The general built-in functions and the lookups over every table.
#include "script/builtins.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "script/lexer.h"
#include "script/operators.h"
#include "script/text.h"

namespace fenra::host::script {

// ---------------------------------------------------------------------------
// Environment and argument access
// ---------------------------------------------------------------------------

Environment::~Environment() {
  if (temporaryFolder.empty()) return;
  std::error_code ignored;  // a folder that cannot be removed is left behind
  std::filesystem::remove_all(temporaryFolder, ignored);
}

void BuiltinCall::Fail(const std::string& message) const {
  throw ScriptError{line, message};
}

namespace {

std::string Ordinal(size_t i) {
  return "argument " + std::to_string(i + 1);
}

}  // namespace

const Value& BuiltinCall::Arg(size_t i) const {
  if (args[i].IsArray()) Fail(std::string(name) + ": " + Ordinal(i) + " cannot be an array");
  return args[i].value;
}

double BuiltinCall::Number(size_t i) const {
  const Value& v = Arg(i);
  if (!IsNumeric(v)) {
    Fail(std::string(name) + ": " + Ordinal(i) + " must be a number, got " + KindName(args[i]));
  }
  return AsDouble(v);
}

int64_t BuiltinCall::Integer(size_t i) const {
  const Value& v = Arg(i);
  if (v.kind == Value::Kind::Integer) return v.integer;
  double d = Number(i);
  if (!std::isfinite(d) || std::fabs(d) >= 9.2e18) Fail(std::string(name) + ": value out of range");
  return static_cast<int64_t>(d);
}

const std::string& BuiltinCall::Text(size_t i) const {
  const Value& v = Arg(i);
  if (v.kind != Value::Kind::String) {
    Fail(std::string(name) + ": " + Ordinal(i) + " must be a String, got " + KindName(args[i]));
  }
  return v.text;
}

bool BuiltinCall::Boolean(size_t i) const {
  const Value& v = Arg(i);
  if (v.kind != Value::Kind::Boolean) {
    Fail(std::string(name) + ": " + Ordinal(i) + " must be a Boolean, got " + KindName(args[i]));
  }
  return v.boolean;
}

ArrayData& BuiltinCall::Array(size_t i) const {
  if (!args[i].IsArray()) {
    Fail(std::string(name) + ": " + Ordinal(i) + " must be an array, got " + KindName(args[i]));
  }
  return *args[i].array;
}

// ---------------------------------------------------------------------------
// Functions
// ---------------------------------------------------------------------------

namespace {

Datum Int(int64_t v) {
  return Value::Int(v);
}
Datum Dbl(double v) {
  return Value::Dbl(v);
}
Datum Text(std::string s) {
  return Value::Str(std::move(s));
}

Datum StringArray(std::vector<std::string> items) {
  auto a = std::make_shared<ArrayData>();
  a->elementType.base = SlotType::Base::String;
  a->elementType.name = "String";
  for (std::string& s : items) a->items.push_back(Value::Str(std::move(s)));
  return Datum::Array(std::move(a));
}

// ----- conversion -----

Datum StrFn(BuiltinCall& c) {
  if (c.Has(1)) return Text(FormatNumber(c.Number(0), c.Text(1)));
  return Text(DisplayText(c.Arg(0)));
}
Datum ValFn(BuiltinCall& c) {
  return Dbl(ParseVal(c.Text(0)));
}
Datum FormatFn(BuiltinCall& c) {
  return Text(FormatNumber(c.Number(0), c.Text(1)));
}

Datum RadixText(BuiltinCall& c, int bitsPerDigit) {
  auto v = static_cast<uint64_t>(c.Integer(0));
  if (v == 0) return Text("0");
  std::string out;
  unsigned mask = (1u << bitsPerDigit) - 1;
  for (; v != 0; v >>= bitsPerDigit) out.insert(out.begin(), "0123456789ABCDEF"[v & mask]);
  return Text(out);
}
Datum HexFn(BuiltinCall& c) {
  return RadixText(c, 4);
}
Datum OctFn(BuiltinCall& c) {
  return RadixText(c, 3);
}
Datum BinFn(BuiltinCall& c) {
  return RadixText(c, 1);
}

Datum ChrFn(BuiltinCall& c) {
  int64_t cp = c.Integer(0);
  if (cp < 0 || cp > 0x10FFFF) c.Fail("Chr: " + std::to_string(cp) + " is not a character code");
  return Text(EncodeChar(static_cast<uint32_t>(cp)));
}
Datum AscFn(BuiltinCall& c) {
  return Int(FirstChar(c.Text(0)));
}

Datum RgbFn(BuiltinCall& c) {
  auto channel = [&c](size_t i) {
    int64_t v = c.Integer(i);
    if (v < 0 || v > 255) c.Fail("RGB: a channel must be from 0 to 255, got " + std::to_string(v));
    return static_cast<uint32_t>(v);
  };
  return Value::Colour((channel(0) << 16) | (channel(1) << 8) | channel(2));
}

// ----- strings -----

Datum LenFn(BuiltinCall& c) {
  return Int(CharCount(c.Text(0)));
}

Datum LeftFn(BuiltinCall& c) {
  return Text(Substring(c.Text(0), 0, c.Integer(1)));
}

Datum RightFn(BuiltinCall& c) {
  const std::string& s = c.Text(0);
  int64_t n = std::min(c.Integer(1), CharCount(s));
  return Text(Substring(s, CharCount(s) - n, n));
}

Datum MidFn(BuiltinCall& c) {
  const std::string& s = c.Text(0);
  int64_t start = std::max<int64_t>(c.Integer(1), 1) - 1;
  int64_t count = c.Has(2) ? c.Integer(2) : CharCount(s);
  return Text(Substring(s, start, count));
}

// InStr(source, find) or InStr(start, source, find).
Datum InStrFn(BuiltinCall& c) {
  if (c.Has(2)) return Int(FindText(c.Text(1), c.Text(2), c.Integer(0)));
  return Int(FindText(c.Text(0), c.Text(1), 1));
}

std::string MapChars(const std::string& s, int (*f)(int)) {
  std::string out = s;
  for (char& ch : out) ch = static_cast<char>(f(static_cast<unsigned char>(ch)));
  return out;
}
Datum UppercaseFn(BuiltinCall& c) {
  return Text(MapChars(c.Text(0), ::toupper));
}
Datum LowercaseFn(BuiltinCall& c) {
  return Text(MapChars(c.Text(0), ::tolower));
}

Datum TitlecaseFn(BuiltinCall& c) {
  std::string s = c.Text(0);
  bool start = true;
  for (char& ch : s) {
    auto u = static_cast<unsigned char>(ch);
    ch = static_cast<char>(start ? std::toupper(u) : std::tolower(u));
    start = std::isspace(u) != 0;
  }
  return Text(s);
}

bool IsBlank(char ch) {
  return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n';
}

std::string TrimText(const std::string& s, bool left, bool right) {
  size_t from = 0, to = s.size();
  while (left && from < to && IsBlank(s[from])) ++from;
  while (right && to > from && IsBlank(s[to - 1])) --to;
  return s.substr(from, to - from);
}
Datum TrimFn(BuiltinCall& c) {
  return Text(TrimText(c.Text(0), true, true));
}
Datum LTrimFn(BuiltinCall& c) {
  return Text(TrimText(c.Text(0), true, false));
}
Datum RTrimFn(BuiltinCall& c) {
  return Text(TrimText(c.Text(0), false, true));
}

// Replaces the first (or every) occurrence of `find`, ignoring case as the dialect does.
std::string ReplaceText(const std::string& s, const std::string& find, const std::string& with,
                        bool all) {
  if (find.empty()) return s;
  std::string out;
  size_t i = 0;
  while (i < s.size()) {
    int64_t at = FindText(s.substr(i), find, 1);
    if (at == 0) break;
    size_t offset = i + ByteOffset(s.substr(i), at - 1);
    out += s.substr(i, offset - i) + with;
    i = offset + find.size();
    if (!all) break;
  }
  return out + s.substr(std::min(i, s.size()));
}
Datum ReplaceFn(BuiltinCall& c) {
  return Text(ReplaceText(c.Text(0), c.Text(1), c.Text(2), false));
}
Datum ReplaceAllFn(BuiltinCall& c) {
  return Text(ReplaceText(c.Text(0), c.Text(1), c.Text(2), true));
}

std::vector<std::string> Fields(const std::string& s, const std::string& sep) {
  std::vector<std::string> out;
  if (sep.empty()) {
    out.push_back(s);
    return out;
  }
  size_t start = 0;
  for (size_t at; (at = s.find(sep, start)) != std::string::npos; start = at + sep.size()) {
    out.push_back(s.substr(start, at - start));
  }
  out.push_back(s.substr(start));
  return out;
}

Datum NthFieldFn(BuiltinCall& c) {
  std::vector<std::string> f = Fields(c.Text(0), c.Text(1));
  int64_t n = c.Integer(2);
  return Text(n >= 1 && n <= static_cast<int64_t>(f.size()) ? f[n - 1] : "");
}
Datum CountFieldsFn(BuiltinCall& c) {
  if (c.Text(0).empty()) return Int(0);
  return Int(static_cast<int64_t>(Fields(c.Text(0), c.Text(1)).size()));
}
Datum SplitFn(BuiltinCall& c) {
  if (c.Text(0).empty()) return StringArray({});
  return StringArray(Fields(c.Text(0), c.Has(1) ? c.Text(1) : " "));
}

Datum JoinFn(BuiltinCall& c) {
  const ArrayData& a = c.Array(0);
  std::string sep = c.Has(1) ? c.Text(1) : " ";
  std::string out;
  for (size_t i = 0; i < a.items.size(); ++i) {
    if (a.items[i].kind != Value::Kind::String) c.Fail("Join: the array must hold Strings");
    if (i > 0) out += sep;
    out += a.items[i].text;
  }
  return Text(out);
}

// StrComp(a, b, mode): mode 0 compares bytes, otherwise ignores case.
Datum StrCompFn(BuiltinCall& c) {
  const std::string& a = c.Text(0);
  const std::string& b = c.Text(1);
  int r = c.Integer(2) == 0 ? a.compare(b) : CompareText(a, b);
  return Int(r < 0 ? -1 : r > 0 ? 1 : 0);
}

// ----- numbers -----

Datum AbsFn(BuiltinCall& c) {
  const Value& v = c.Arg(0);
  if (v.kind == Value::Kind::Integer) {
    return Int(v.integer < 0 ? static_cast<int64_t>(0 - static_cast<uint64_t>(v.integer))
                             : v.integer);
  }
  return Dbl(std::fabs(c.Number(0)));
}
Datum RoundFn(BuiltinCall& c) {
  return Dbl(std::round(c.Number(0)));
}
Datum FloorFn(BuiltinCall& c) {
  return Dbl(std::floor(c.Number(0)));
}
Datum CeilFn(BuiltinCall& c) {
  return Dbl(std::ceil(c.Number(0)));
}
Datum SqrtFn(BuiltinCall& c) {
  return Dbl(std::sqrt(c.Number(0)));
}
Datum SinFn(BuiltinCall& c) {
  return Dbl(std::sin(c.Number(0)));
}
Datum CosFn(BuiltinCall& c) {
  return Dbl(std::cos(c.Number(0)));
}
Datum TanFn(BuiltinCall& c) {
  return Dbl(std::tan(c.Number(0)));
}
Datum AtanFn(BuiltinCall& c) {
  return Dbl(std::atan(c.Number(0)));
}
Datum Atan2Fn(BuiltinCall& c) {
  return Dbl(std::atan2(c.Number(0), c.Number(1)));
}
Datum ExpFn(BuiltinCall& c) {
  return Dbl(std::exp(c.Number(0)));
}
Datum LogFn(BuiltinCall& c) {
  return Dbl(std::log(c.Number(0)));
}
Datum PowFn(BuiltinCall& c) {
  return Dbl(std::pow(c.Number(0), c.Number(1)));
}

// Min and Max: Integers when every argument is one, else Doubles.
Datum Extreme(BuiltinCall& c, bool max) {
  bool integers = true;
  for (size_t i = 0; i < c.args.size(); ++i) {
    c.Number(i);
    integers = integers && c.args[i].value.kind == Value::Kind::Integer;
  }
  size_t best = 0;
  for (size_t i = 1; i < c.args.size(); ++i) {
    double a = c.Number(i), b = c.Number(best);
    bool better = integers ? (max ? c.args[i].value.integer > c.args[best].value.integer
                                  : c.args[i].value.integer < c.args[best].value.integer)
                           : (max ? a > b : a < b);
    if (better) best = i;
  }
  return integers ? Int(c.args[best].value.integer) : Dbl(c.Number(best));
}
Datum MinFn(BuiltinCall& c) {
  return Extreme(c, false);
}
Datum MaxFn(BuiltinCall& c) {
  return Extreme(c, true);
}

// ----- time -----

Datum TicksFn(BuiltinCall& c) {
  auto elapsed = std::chrono::steady_clock::now() - c.env.start;
  return Int(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() * 60 / 1000);
}
Datum MicrosecondsFn(BuiltinCall& c) {
  auto elapsed = std::chrono::steady_clock::now() - c.env.start;
  return Dbl(
      static_cast<double>(std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count()));
}

// ----- host values -----

Datum FolderItemAt(BuiltinCall& c, const std::filesystem::path& path) {
  ObjectRef f = c.env.host->NewFolderItem(path.string());
  if (!f) c.Fail(std::string(c.name) + ": the host could not make a folderitem");
  return Value::Obj(std::move(f));
}

// GetFolderItem(path): a path relative to the current directory, or absolute.
Datum GetFolderItemFn(BuiltinCall& c) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(c.Text(0), ec);
  if (ec) c.Fail("GetFolderItem: " + ec.message());
  return FolderItemAt(c, p.lexically_normal());
}

// ----- arrays and the script -----

Datum UboundFn(BuiltinCall& c) {
  return Int(c.Array(0).UpperBound());
}

// Array(a, b, ...): a new array typed like its first element.
Datum ArrayFn(BuiltinCall& c) {
  auto a = std::make_shared<ArrayData>();
  const Value& first = c.Arg(0);
  using K = Value::Kind;
  SlotType& t = a->elementType;
  switch (first.kind) {
    case K::Integer:
      t.base = SlotType::Base::Integer;
      t.name = "Integer";
      break;
    case K::Double:
      t.base = SlotType::Base::Double;
      t.name = "Double";
      break;
    case K::Boolean:
      t.base = SlotType::Base::Boolean;
      t.name = "Boolean";
      break;
    case K::String:
      t.base = SlotType::Base::String;
      t.name = "String";
      break;
    case K::Color:
      t.base = SlotType::Base::Color;
      t.name = "Color";
      break;
    default:
      t.base = SlotType::Base::Object;
      t.name = "Object";
      break;
  }
  for (size_t i = 0; i < c.args.size(); ++i) {
    Datum item;
    std::string error;
    c.Arg(i);
    if (!ConvertForSlot(c.args[i], t, item, error)) c.Fail("Array: " + error);
    a->items.push_back(item.value);
  }
  return Datum::Array(std::move(a));
}

Datum ArgsFn(BuiltinCall& c) {
  return StringArray(c.env.args);
}

Datum QuitFn(BuiltinCall& c) {
  throw QuitRequest{c.Has(0) ? static_cast<int>(c.Integer(0)) : 0};
}

constexpr int kMany = 1 << 20;

const Builtin kFunctions[] = {
    {"ScreenCount", 0, 0, ScreenCountFn, true},
    {"Str", 1, 2, StrFn, true},
    {"CStr", 1, 1, StrFn, true},
    {"Val", 1, 1, ValFn, true},
    {"CDbl", 1, 1, ValFn, true},
    {"Format", 2, 2, FormatFn, true},
    {"Hex", 1, 1, HexFn, true},
    {"Oct", 1, 1, OctFn, true},
    {"Bin", 1, 1, BinFn, true},
    {"Chr", 1, 1, ChrFn, true},
    {"Asc", 1, 1, AscFn, true},
    {"RGB", 3, 3, RgbFn, true},
    {"Len", 1, 1, LenFn, true},
    {"Left", 2, 2, LeftFn, true},
    {"Right", 2, 2, RightFn, true},
    {"Mid", 2, 3, MidFn, true},
    {"InStr", 2, 3, InStrFn, true},
    {"Uppercase", 1, 1, UppercaseFn, true},
    {"Lowercase", 1, 1, LowercaseFn, true},
    {"Titlecase", 1, 1, TitlecaseFn, true},
    {"Trim", 1, 1, TrimFn, true},
    {"LTrim", 1, 1, LTrimFn, true},
    {"RTrim", 1, 1, RTrimFn, true},
    {"Replace", 3, 3, ReplaceFn, true},
    {"ReplaceAll", 3, 3, ReplaceAllFn, true},
    {"NthField", 3, 3, NthFieldFn, true},
    {"CountFields", 2, 2, CountFieldsFn, true},
    {"Split", 1, 2, SplitFn, true},
    {"Join", 1, 2, JoinFn, true},
    {"StrComp", 3, 3, StrCompFn, true},
    {"Abs", 1, 1, AbsFn, true},
    {"Round", 1, 1, RoundFn, true},
    {"Floor", 1, 1, FloorFn, true},
    {"Ceil", 1, 1, CeilFn, true},
    {"Sqrt", 1, 1, SqrtFn, true},
    {"Sin", 1, 1, SinFn, true},
    {"Cos", 1, 1, CosFn, true},
    {"Tan", 1, 1, TanFn, true},
    {"Atan", 1, 1, AtanFn, true},
    {"Atan2", 2, 2, Atan2Fn, true},
    {"Exp", 1, 1, ExpFn, true},
    {"Log", 1, 1, LogFn, true},
    {"Pow", 2, 2, PowFn, true},
    {"Min", 2, kMany, MinFn, true},
    {"Max", 2, kMany, MaxFn, true},
    {"Ticks", 0, 0, TicksFn, true},
    {"Microseconds", 0, 0, MicrosecondsFn, true},
    {"GetFolderItem", 1, 2, GetFolderItemFn, true},
    {"Ubound", 1, 1, UboundFn, true},
    {"Array", 1, kMany, ArrayFn, true},
    {"Args", 0, 0, ArgsFn, true},
    {"Quit", 0, 1, QuitFn, false},
};

bool SameName(std::string_view a, std::string_view b) {
  return Fold(a) == Fold(b);
}

}  // namespace

const BuiltinModule& FunctionTable() {
  static const BuiltinModule table{"", kFunctions, std::size(kFunctions)};
  return table;
}

// ---------------------------------------------------------------------------
// Lookups and calls
// ---------------------------------------------------------------------------

const Builtin* FindModuleMember(const BuiltinModule& module, std::string_view name) {
  for (size_t i = 0; i < module.count; ++i) {
    if (SameName(module.members[i].name, name)) return &module.members[i];
  }
  return nullptr;
}

const Builtin* FindBuiltin(std::string_view name) {
  return FindModuleMember(FunctionTable(), name);
}

const BuiltinModule* FindModule(std::string_view name) {
  for (const BuiltinModule* m : {&SystemModule(), &SpecialFolderModule(), &RuntimeModule(),
                                 &TestModule(), &AppModule(), &KeyboardModule()}) {
    if (SameName(m->name, name)) return m;
  }
  return nullptr;
}

Datum CallBuiltin(const Builtin& b, Environment& env, std::vector<Datum>& args, int line,
                  std::string_view displayName) {
  int n = static_cast<int>(args.size());
  if (n < b.minArgs || n > b.maxArgs) {
    std::string expected = b.minArgs == b.maxArgs ? std::to_string(b.minArgs)
                           : b.maxArgs == kMany
                               ? "at least " + std::to_string(b.minArgs)
                               : std::to_string(b.minArgs) + " to " + std::to_string(b.maxArgs);
    throw ScriptError{line, std::string(displayName) + " takes " + expected + " argument" +
                                (expected == "1" ? "" : "s") + ", got " + std::to_string(n)};
  }
  BuiltinCall call{env, args, line, displayName};
  return b.fn(call);
}

}  // namespace fenra::host::script
