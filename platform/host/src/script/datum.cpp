#include "script/datum.h"

#include <cmath>
#include <cstdio>

namespace fenra::host::script {

SlotType SlotType::Element() const {
  SlotType e = *this;
  e.isArray = false;
  return e;
}

std::string SlotType::Display() const {
  return isArray ? name + "()" : name;
}

Datum Datum::Array(std::shared_ptr<ArrayData> a) {
  Datum d;
  d.array = std::move(a);
  return d;
}

Datum DefaultValue(const SlotType& type) {
  if (type.isArray) {
    auto a = std::make_shared<ArrayData>();
    a->elementType = type.Element();
    return Datum::Array(std::move(a));
  }
  switch (type.base) {
    case SlotType::Base::Integer:
      return Value::Int(0);
    case SlotType::Base::Double:
      return Value::Dbl(0);
    case SlotType::Base::Boolean:
      return Value::Bool(false);
    case SlotType::Base::String:
      return Value::Str("");
    case SlotType::Base::Color:
      return Value::Colour(0);
    case SlotType::Base::Variant:
    case SlotType::Base::Object:
      break;
  }
  return Value::Nil();
}

namespace {

bool Mismatch(const Datum& in, const SlotType& type, std::string& error) {
  error = "Type mismatch: expected " + type.Display() + ", got " + KindName(in);
  return false;
}

bool ConvertArray(const Datum& in, const SlotType& type, Datum& out, std::string& error) {
  if (!in.IsArray()) return Mismatch(in, type, error);
  const SlotType& have = in.array->elementType;
  const SlotType want = type.Element();
  bool same =
      have.base == want.base && (want.base != SlotType::Base::Object || have.cls == want.cls);
  if (!same && want.base != SlotType::Base::Variant) return Mismatch(in, type, error);
  out = in;  // arrays are shared, never copied
  return true;
}

bool ConvertObject(const Value& v, const SlotType& type) {
  if (v.kind == Value::Kind::Nil) return true;
  if (v.kind != Value::Kind::Object) return false;
  return type.cls == nullptr || v.object->Class().IsA(*type.cls);
}

}  // namespace

bool ConvertForSlot(const Datum& in, const SlotType& type, Datum& out, std::string& error) {
  if (type.isArray) return ConvertArray(in, type, out, error);
  if (in.IsArray()) {
    if (type.base != SlotType::Base::Variant) return Mismatch(in, type, error);
    out = in;
    return true;
  }
  const Value& v = in.value;
  using K = Value::Kind;
  switch (type.base) {
    case SlotType::Base::Variant:
      out = in;
      return true;
    case SlotType::Base::Integer:
      if (v.kind == K::Integer) break;
      if (v.kind != K::Double) return Mismatch(in, type, error);
      if (!std::isfinite(v.number) || std::fabs(v.number) >= 9.2233720368547758e18) {
        error = "Value " + DoubleText(v.number) + " does not fit in an Integer";
        return false;
      }
      out = Value::Int(static_cast<int64_t>(v.number));
      return true;
    case SlotType::Base::Double:
      if (v.kind == K::Double) break;
      if (v.kind != K::Integer) return Mismatch(in, type, error);
      out = Value::Dbl(static_cast<double>(v.integer));
      return true;
    case SlotType::Base::Boolean:
      if (v.kind != K::Boolean) return Mismatch(in, type, error);
      break;
    case SlotType::Base::String:
      if (v.kind != K::String) return Mismatch(in, type, error);
      break;
    case SlotType::Base::Color:
      if (v.kind != K::Color) return Mismatch(in, type, error);
      break;
    case SlotType::Base::Object:
      if (!ConvertObject(v, type)) return Mismatch(in, type, error);
      break;
  }
  out = in;
  return true;
}

std::string KindName(const Datum& d) {
  if (d.IsArray()) return d.array->elementType.Display() + "()";
  return d.value.KindName();
}

std::string DoubleText(double d) {
  if (std::isnan(d)) return "NaN";
  if (std::isinf(d)) return d < 0 ? "-INF" : "INF";
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.7g", d);
  return buf;
}

std::string DisplayText(const Value& v) {
  switch (v.kind) {
    case Value::Kind::Nil:
      return "Nil";
    case Value::Kind::Integer:
      return std::to_string(v.integer);
    case Value::Kind::Double:
      return DoubleText(v.number);
    case Value::Kind::Boolean:
      return v.boolean ? "True" : "False";
    case Value::Kind::String:
      return v.text;
    case Value::Kind::Color: {
      char buf[16];
      std::snprintf(buf, sizeof buf, "&c%06X", static_cast<unsigned>(v.integer & 0xFFFFFF));
      return buf;
    }
    case Value::Kind::Object:
      return "<" + KindName(Datum(v)) + ">";
  }
  return "";
}

std::string DisplayText(const Datum& d) {
  if (!d.IsArray()) return DisplayText(d.value);
  std::string text = "[";
  for (size_t i = 0; i < d.array->items.size(); ++i) {
    if (i > 0) text += ", ";
    const Value& item = d.array->items[i];
    text += item.kind == Value::Kind::String ? "\"" + item.text + "\"" : DisplayText(item);
  }
  return text + "]";
}

bool IsNumeric(const Value& v) {
  return v.kind == Value::Kind::Integer || v.kind == Value::Kind::Double;
}

double AsDouble(const Value& v) {
  return v.kind == Value::Kind::Integer ? static_cast<double>(v.integer) : v.number;
}

Value ValueOfScalar(const Scalar& s) {
  switch (s.kind) {
    case Value::Kind::Integer:
      return Value::Int(s.integer);
    case Value::Kind::Double:
      return Value::Dbl(s.number);
    case Value::Kind::Boolean:
      return Value::Bool(s.boolean);
    case Value::Kind::Color:
      return Value::Colour(static_cast<uint32_t>(s.integer));
    default:
      return Value::Nil();
  }
}

}  // namespace fenra::host::script
