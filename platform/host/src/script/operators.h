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
bool IntegerArithmetic(Op op, int64_t a, int64_t b, int64_t& out);
bool IntegerComparison(Op op, int64_t a, int64_t b, bool& out);

// Case-insensitive string comparison: <0, 0, >0.
int CompareText(const std::string& a, const std::string& b);

}  // namespace fenra::host::script
