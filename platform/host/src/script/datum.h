// Values as the evaluator handles them: host values, plus the script's own
// arrays; declared types and the conversions an assignment makes.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "fenra_host/runtime.h"

namespace fenra::host::script {

// A declared type, resolved: what a variable, parameter or element holds.
struct SlotType {
  enum class Base { Variant, Integer, Double, Boolean, String, Color, Object };
  Base base = Base::Variant;
  const ClassInfo* cls = nullptr;  // Object: the class; null accepts any object
  bool isArray = false;
  std::string name;  // as written, for messages ("Integer", "FenraRect")

  SlotType Element() const;     // the element type of an array type
  std::string Display() const;  // "Integer", "Integer()"
};

// A script array: one-dimensional, zero-based, shared by reference as the
// dialect's arrays are.
struct ArrayData {
  SlotType elementType;
  std::vector<Value> items;
  int64_t UpperBound() const { return static_cast<int64_t>(items.size()) - 1; }
};

// A value being evaluated: a host value, or (when `array` is set) a script array.
struct Datum {
  Value value;
  std::shared_ptr<ArrayData> array;

  Datum() = default;
  Datum(Value v) : value(std::move(v)) {}  // NOLINT: a host value is a datum
  static Datum Array(std::shared_ptr<ArrayData> a);
  bool IsArray() const { return array != nullptr; }
};

// An Integer, or a Double when isDouble: what arithmetic on numbers
// works on, small enough to be returned in registers.
struct Number {
  bool isDouble;
  union {
    int64_t integer;
    double real;
  };
};

// A declared variable: its type stays what it was declared with, so a
// variable of a scalar type always holds a value of that kind.
struct Variable {
  SlotType type;
  Datum datum;
  bool isConst = false;
};

// The neutral value of a type: 0, 0.0, False, "", &c000000, Nil, or an empty array.
Datum DefaultValue(const SlotType& type);

// Converts `in` for storing in a slot of `type`, as an assignment does
// (an Integer where a Double is declared, a Double truncated into an
// Integer, a subclass instance or Nil into an object slot). False, with
// `error` set, on a type mismatch.
bool ConvertForSlot(const Datum& in, const SlotType& type, Datum& out, std::string& error);

// The type of a value, as messages name it: "Integer", "FenraRect", "Nil".
std::string KindName(const Datum& d);

// How Print and Str show a value: Doubles in at most 7 significant digits
// ("2.5", "0.3333333", "1e+20"), Booleans as True/False, colours as
// &cRRGGBB. Objects show their class name in angle brackets.
std::string DisplayText(const Value& v);
std::string DisplayText(const Datum& d);
std::string DoubleText(double d);

// The Value of a Scalar (Nil for none).
Value ValueOfScalar(const Scalar& s);

// Integer or Double.
bool IsNumeric(const Value& v);
double AsDouble(const Value& v);

}  // namespace fenra::host::script
