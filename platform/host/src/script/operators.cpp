#include "script/operators.h"

#include <cctype>
#include <cmath>
#include <cstdint>

#include "script/datum.h"

namespace fenra::host::script {

namespace {

using K = Value::Kind;

const char* OpText(Op op) {
  static const char* const kText[] = {"+", "-",  "*",  "/",  "\\",  "Mod", "^",   "=", "<>", "<",
                                      ">", "<=", ">=", "Is", "And", "Or",  "Xor", "-", "Not"};
  return kText[static_cast<int>(op)];
}

bool Mismatch(Op op, const Value& a, const Value& b, std::string& error) {
  error = "Type mismatch: cannot apply " + std::string(OpText(op)) + " to " + KindName(a) +
          " and " + KindName(b);
  return false;
}

// Two's-complement wrapping, without signed overflow.
int64_t Wrap(uint64_t v) {
  return static_cast<int64_t>(v);
}

bool IntegerArithmetic(Op op, int64_t a, int64_t b, Value& out, std::string& error) {
  uint64_t ua = static_cast<uint64_t>(a), ub = static_cast<uint64_t>(b);
  switch (op) {
    case Op::Add:
      out = Value::Int(Wrap(ua + ub));
      return true;
    case Op::Sub:
      out = Value::Int(Wrap(ua - ub));
      return true;
    case Op::Mul:
      out = Value::Int(Wrap(ua * ub));
      return true;
    case Op::IntDiv:
    case Op::Mod:
      if (b == 0) {
        error = "Division by zero";
        return false;
      }
      if (b == -1) {  // INT64_MIN / -1 overflows: wrap like the other operators
        out = Value::Int(op == Op::Mod ? 0 : Wrap(0 - ua));
        return true;
      }
      out = Value::Int(op == Op::Mod ? a % b : a / b);
      return true;
    default:
      return false;
  }
}

bool Arithmetic(Op op, const Value& a, const Value& b, Value& out, std::string& error) {
  if (!IsNumeric(a) || !IsNumeric(b)) return Mismatch(op, a, b, error);
  bool integers = a.kind == K::Integer && b.kind == K::Integer;
  if (op == Op::Div) {
    out = Value::Dbl(AsDouble(a) / AsDouble(b));
    return true;
  }
  if (op == Op::Pow) {
    out = Value::Dbl(std::pow(AsDouble(a), AsDouble(b)));
    return true;
  }
  if (integers) return IntegerArithmetic(op, a.integer, b.integer, out, error);
  double x = AsDouble(a), y = AsDouble(b);
  switch (op) {
    case Op::Add:
      out = Value::Dbl(x + y);
      return true;
    case Op::Sub:
      out = Value::Dbl(x - y);
      return true;
    case Op::Mul:
      out = Value::Dbl(x * y);
      return true;
    case Op::IntDiv:
      // Integer division of Doubles: both sides truncated to Integers first.
      if (std::fabs(x) >= 9.2e18 || std::fabs(y) >= 9.2e18 || std::isnan(x) || std::isnan(y)) {
        error = "Value out of range for \\";
        return false;
      }
      return IntegerArithmetic(op, static_cast<int64_t>(x), static_cast<int64_t>(y), out, error);
    case Op::Mod:
      out = Value::Dbl(std::fmod(x, y));
      return true;
    default:
      return Mismatch(op, a, b, error);
  }
}

bool IsObjectLike(const Value& v) {
  return v.kind == K::Object || v.kind == K::Nil;
}

// <0, 0, >0 for ordered kinds; `ordered` false when only = and <> apply.
bool Order(const Value& a, const Value& b, int& order, bool& ordered) {
  ordered = true;
  if (IsNumeric(a) && IsNumeric(b)) {
    if (a.kind == K::Integer && b.kind == K::Integer) {
      order = a.integer < b.integer ? -1 : a.integer > b.integer ? 1 : 0;
    } else {
      double x = AsDouble(a), y = AsDouble(b);
      order = x < y ? -1 : x > y ? 1 : 0;
    }
    return true;
  }
  if (a.kind == K::String && b.kind == K::String) {
    order = CompareText(a.text, b.text);
    return true;
  }
  ordered = false;
  if (a.kind == K::Boolean && b.kind == K::Boolean) {
    order = a.boolean == b.boolean ? 0 : 1;
    return true;
  }
  if (a.kind == K::Color && b.kind == K::Color) {
    order = a.integer == b.integer ? 0 : 1;
    return true;
  }
  if (IsObjectLike(a) && IsObjectLike(b)) {
    order = a.object.get() == b.object.get() ? 0 : 1;
    return true;
  }
  return false;
}

bool Comparison(Op op, const Value& a, const Value& b, Value& out, std::string& error) {
  if (op == Op::Is) {
    if (!IsObjectLike(a) || !IsObjectLike(b)) return Mismatch(op, a, b, error);
    out = Value::Bool(a.object.get() == b.object.get());
    return true;
  }
  int order = 0;
  bool ordered = false;
  if (!Order(a, b, order, ordered)) return Mismatch(op, a, b, error);
  if (!ordered && op != Op::Eq && op != Op::Ne) return Mismatch(op, a, b, error);
  bool r = false;
  switch (op) {
    case Op::Eq:
      r = order == 0;
      break;
    case Op::Ne:
      r = order != 0;
      break;
    case Op::Lt:
      r = order < 0;
      break;
    case Op::Gt:
      r = order > 0;
      break;
    case Op::Le:
      r = order <= 0;
      break;
    case Op::Ge:
      r = order >= 0;
      break;
    default:
      break;
  }
  out = Value::Bool(r);
  return true;
}

bool Logic(Op op, const Value& a, const Value& b, Value& out, std::string& error) {
  if (a.kind == K::Boolean && b.kind == K::Boolean) {
    bool r = op == Op::And  ? (a.boolean && b.boolean)
             : op == Op::Or ? (a.boolean || b.boolean)
                            : (a.boolean != b.boolean);
    out = Value::Bool(r);
    return true;
  }
  if (a.kind == K::Integer && b.kind == K::Integer) {
    int64_t r = op == Op::And  ? (a.integer & b.integer)
                : op == Op::Or ? (a.integer | b.integer)
                               : (a.integer ^ b.integer);
    out = Value::Int(r);
    return true;
  }
  return Mismatch(op, a, b, error);
}

}  // namespace

int CompareText(const std::string& a, const std::string& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    int x = std::tolower(static_cast<unsigned char>(a[i]));
    int y = std::tolower(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

bool ApplyBinary(Op op, const Value& a, const Value& b, Value& out, std::string& error) {
  switch (op) {
    case Op::Add:
      if (a.kind == K::String && b.kind == K::String) {
        out = Value::Str(a.text + b.text);
        return true;
      }
      return Arithmetic(op, a, b, out, error);
    case Op::Sub:
    case Op::Mul:
    case Op::Div:
    case Op::IntDiv:
    case Op::Mod:
    case Op::Pow:
      return Arithmetic(op, a, b, out, error);
    case Op::Eq:
    case Op::Ne:
    case Op::Lt:
    case Op::Gt:
    case Op::Le:
    case Op::Ge:
    case Op::Is:
      return Comparison(op, a, b, out, error);
    case Op::And:
    case Op::Or:
    case Op::Xor:
      return Logic(op, a, b, out, error);
    case Op::Neg:
    case Op::Not:
      break;
  }
  error = "Not a binary operator";
  return false;
}

bool ApplyUnary(Op op, const Value& a, Value& out, std::string& error) {
  if (op == Op::Neg && a.kind == K::Integer) {
    out = Value::Int(Wrap(0 - static_cast<uint64_t>(a.integer)));
    return true;
  }
  if (op == Op::Neg && a.kind == K::Double) {
    out = Value::Dbl(-a.number);
    return true;
  }
  if (op == Op::Not && a.kind == K::Boolean) {
    out = Value::Bool(!a.boolean);
    return true;
  }
  if (op == Op::Not && a.kind == K::Integer) {
    out = Value::Int(~a.integer);
    return true;
  }
  error = "Type mismatch: cannot apply " + std::string(OpText(op)) + " to " + KindName(a);
  return false;
}

}  // namespace fenra::host::script
