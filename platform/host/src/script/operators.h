// The language's operators on values.
#pragma once

#include <cstdint>
#include <string>

#include "script/ast.h"

namespace fenra::host::script {

// Applies a binary operator. Integers stay Integers under + - * \ Mod
// (wrapping on overflow); a Double on either side makes a Double; / and ^
// always give a Double. + also joins Strings. Comparisons take numbers,
// Strings (ignoring case, as the dialect does), Booleans and colours (= and
// <> only) and objects (= <> Is, by identity). And, Or, Xor, Not are logical
// on Booleans and bitwise on Integers. False, with `error`, on a mismatch
// or an Integer division by zero.
bool ApplyBinary(Op op, const Value& a, const Value& b, Value& out, std::string& error);
bool ApplyUnary(Op op, const Value& a, Value& out, std::string& error);

// ApplyBinary's answers for two Integers, where they are Integers (or,
// for comparisons, Booleans) and cannot fail; false for the others
// (/ and ^, divisions by 0 or -1), which ApplyBinary then works out.
// Inline: the loops of scripts run through these.
[[gnu::always_inline]] inline bool IntegerArithmetic(Op op, int64_t a, int64_t b, int64_t& out) {
  auto ua = static_cast<uint64_t>(a), ub = static_cast<uint64_t>(b);
  switch (op) {
    case Op::Add:
      out = static_cast<int64_t>(ua + ub);
      return true;
    case Op::Sub:
      out = static_cast<int64_t>(ua - ub);
      return true;
    case Op::Mul:
      out = static_cast<int64_t>(ua * ub);
      return true;
    case Op::Mod:
    case Op::IntDiv:
      if (b == 0 || b == -1) return false;
      out = op == Op::Mod ? a % b : a / b;
      return true;
    case Op::And:
      out = a & b;
      return true;
    case Op::Or:
      out = a | b;
      return true;
    case Op::Xor:
      out = a ^ b;
      return true;
    default:
      return false;
  }
}

[[gnu::always_inline]] inline bool IntegerComparison(Op op, int64_t a, int64_t b, bool& out) {
  switch (op) {
    case Op::Eq:
      out = a == b;
      return true;
    case Op::Ne:
      out = a != b;
      return true;
    case Op::Lt:
      out = a < b;
      return true;
    case Op::Gt:
      out = a > b;
      return true;
    case Op::Le:
      out = a <= b;
      return true;
    case Op::Ge:
      out = a >= b;
      return true;
    default:
      return false;
  }
}

// Case-insensitive string comparison: <0, 0, >0.
int CompareText(const std::string& a, const std::string& b);

}  // namespace fenra::host::script
