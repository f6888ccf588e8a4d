// Expressions and calls: what names resolve to, members of host objects,
// arrays, script methods, module methods and built-ins.
#include <algorithm>

#include "script/interpreter.h"
#include "script/lexer.h"
#include "script/operators.h"

namespace fenra::host::script {

namespace {

// Calls nest at most this deep, whatever stack is left.
constexpr size_t kMaxCallDepth = 10000;

const ExprList kNoArgs;

bool SameValue(const Value& a, const Value& b) {
  if (a.kind != b.kind) return false;
  switch (a.kind) {
    case Value::Kind::Nil:
      return true;
    case Value::Kind::Integer:
    case Value::Kind::Color:
      return a.integer == b.integer;
    case Value::Kind::Double:
      return a.number == b.number;
    case Value::Kind::Boolean:
      return a.boolean == b.boolean;
    case Value::Kind::String:
      return a.text == b.text;
    case Value::Kind::Object:
      return a.object == b.object;
  }
  return false;
}

// How messages name what a call calls.
std::string CalleeName(const Expr& callee) {
  if (callee.kind == ExprKind::Name) return "'" + static_cast<const NameExpr&>(callee).name + "'";
  if (callee.kind == ExprKind::Member) {
    return "'" + static_cast<const MemberExpr&>(callee).name + "'";
  }
  return "This call";
}

bool IsScalarKind(Value::Kind kind) {
  return kind == Value::Kind::Integer || kind == Value::Kind::Double ||
         kind == Value::Kind::Boolean || kind == Value::Kind::Color;
}

bool SameType(const SlotType& a, const SlotType& b) {
  return a.base == b.base && a.cls == b.cls && a.isArray == b.isArray;
}

bool IsNumber(Value::Kind kind) {
  return kind == Value::Kind::Integer || kind == Value::Kind::Double;
}

bool IsNumberOperator(Op op) {
  return op == Op::Add || op == Op::Sub || op == Op::Mul || op == Op::Div;
}

// The number a Value or a Scalar holds.
template <typename Holder>
Number NumberOf(const Holder& v) {
  Number n{};
  n.isDouble = v.kind == Value::Kind::Double;
  if (n.isDouble) {
    n.real = v.number;
  } else {
    n.integer = v.integer;
  }
  return n;
}

double RealOf(const Number& n) {
  return n.isDouble ? n.real : static_cast<double>(n.integer);
}

// ApplyBinary's answer for + - * / on two numbers: Integers stay Integers
// (wrapping) but under /, which gives a Double as any Double operand does.
Number NumberArithmetic(Op op, const Number& a, const Number& b) {
  Number out{};
  if (op != Op::Div && !a.isDouble && !b.isDouble) {
    IntegerArithmetic(op, a.integer, b.integer, out.integer);
    return out;
  }
  double x = RealOf(a), y = RealOf(b);
  out.isDouble = true;
  out.real = op == Op::Add ? x + y : op == Op::Sub ? x - y : op == Op::Mul ? x * y : x / y;
  return out;
}

bool NumberComparison(Op op, const Number& a, const Number& b) {
  int order = 0;
  if (!a.isDouble && !b.isDouble) {
    order = a.integer < b.integer ? -1 : a.integer > b.integer ? 1 : 0;
  } else {
    double x = RealOf(a), y = RealOf(b);
    order = x < y ? -1 : x > y ? 1 : 0;
  }
  switch (op) {
    case Op::Eq:
      return order == 0;
    case Op::Ne:
      return order != 0;
    case Op::Lt:
      return order < 0;
    case Op::Gt:
      return order > 0;
    case Op::Le:
      return order <= 0;
    default:
      return order >= 0;
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Expressions
// ---------------------------------------------------------------------------

Datum Interpreter::Eval(const Expr& e) {
  switch (e.kind) {
    case ExprKind::Literal:
      return static_cast<const LiteralExpr&>(e).value;
    case ExprKind::Name: {
      const auto& n = static_cast<const NameExpr&>(e);
      if (Variable* v = Lookup(n)) return v->datum;
      return Required(InvokeName(n, kNoArgs, e.line), e);
    }
    case ExprKind::Member: {
      const auto& m = static_cast<const MemberExpr&>(e);
      Scalar s{};
      if (ScalarMember(m, kNoArgs, s) && s.kind != Value::Kind::Nil) return ValueOfScalar(s);
      return Required(InvokeMember(m, kNoArgs, e.line), e);
    }
    case ExprKind::Call: {
      const auto& c = static_cast<const CallExpr&>(e);
      Scalar s{};
      if (c.callee->kind == ExprKind::Member &&
          ScalarMember(static_cast<const MemberExpr&>(*c.callee), c.args, s)) {
        if (s.kind == Value::Kind::Nil) Required(std::nullopt, *c.callee);
        return ValueOfScalar(s);
      }
      return Required(Invoke(*c.callee, c.args, e.line), *c.callee);
    }
    case ExprKind::Unary: {
      const auto& u = static_cast<const UnaryExpr&>(e);
      Datum v = Eval(*u.operand);
      Value out;
      std::string error;
      if (v.IsArray()) Fail(e.line, "Type mismatch: an array has no arithmetic");
      if (!ApplyUnary(u.op, v.value, out, error)) Fail(e.line, error);
      return out;
    }
    case ExprKind::Binary:
      return EvalBinary(static_cast<const BinaryExpr&>(e));
    case ExprKind::New:
      return EvalNew(static_cast<const NewExpr&>(e));
    case ExprKind::IsA:
      return EvalIsA(static_cast<const IsAExpr&>(e));
  }
  return {};
}

const Datum& Interpreter::EvalRef(const Expr& e, Datum& scratch) {
  if (e.kind == ExprKind::Literal) return static_cast<const LiteralExpr&>(e).value;
  if (e.kind == ExprKind::Name) {
    if (Variable* v = Lookup(static_cast<const NameExpr&>(e))) return v->datum;
  }
  scratch = Eval(e);
  return scratch;
}

Datum Interpreter::Required(std::optional<Datum> d, const Expr& callee) {
  if (!d) Fail(callee.line, CalleeName(callee) + " does not return a value");
  return std::move(*d);
}

// Literals, variables and operators on them change nothing when evaluated
// (a name that is no variable may call a method).
bool Interpreter::Inert(const Expr& e) {
  switch (e.kind) {
    case ExprKind::Literal:
      return true;
    case ExprKind::Name:
      return Lookup(static_cast<const NameExpr&>(e)) != nullptr;
    case ExprKind::Unary:
      return Inert(*static_cast<const UnaryExpr&>(e).operand);
    case ExprKind::Binary: {
      const auto& b = static_cast<const BinaryExpr&>(e);
      return Inert(*b.left) && Inert(*b.right);
    }
    default:
      return false;
  }
}

bool Interpreter::Inert(const ExprList& list) {
  for (const ExprPtr& e : list) {
    if (!Inert(*e)) return false;
  }
  return true;
}

bool Interpreter::EvalInteger(const Expr& e, int64_t& out) {
  switch (e.kind) {
    case ExprKind::Literal: {
      const Datum& d = static_cast<const LiteralExpr&>(e).value;
      if (d.value.kind != Value::Kind::Integer || d.IsArray()) return false;
      out = d.value.integer;
      return true;
    }
    case ExprKind::Name: {
      const Variable* v = Lookup(static_cast<const NameExpr&>(e));
      if (v == nullptr || v->datum.value.kind != Value::Kind::Integer || v->datum.IsArray()) {
        return false;
      }
      out = v->datum.value.integer;
      return true;
    }
    case ExprKind::Binary: {
      const auto& b = static_cast<const BinaryExpr&>(e);
      int64_t x = 0, y = 0;
      return IntegerOperand(*b.left, x) && IntegerOperand(*b.right, y) &&
             IntegerArithmetic(b.op, x, y, out);
    }
    case ExprKind::Unary: {
      const auto& u = static_cast<const UnaryExpr&>(e);
      int64_t x = 0;
      if (!IntegerOperand(*u.operand, x)) return false;
      auto wrapped = static_cast<uint64_t>(x);
      out = u.op == Op::Neg ? static_cast<int64_t>(0 - wrapped) : ~x;
      return true;
    }
    default:
      return false;
  }
}

bool Interpreter::EvalIntegerTest(const Expr& e, bool& out) {
  if (e.kind != ExprKind::Binary) return false;
  const auto& b = static_cast<const BinaryExpr&>(e);
  int64_t x = 0, y = 0;
  return IntegerOperand(*b.left, x) && IntegerOperand(*b.right, y) &&
         IntegerComparison(b.op, x, y, out);
}

bool Interpreter::MemberInteger(const Expr& e, int64_t& out) {
  if (!e.readsMembers || !IntegerReady(e)) return false;
  out = ReadyInteger(e);
  return true;
}

bool Interpreter::IntegerReady(const Expr& e) {
  switch (e.kind) {
    case ExprKind::Literal: {
      const Datum& d = static_cast<const LiteralExpr&>(e).value;
      return d.value.kind == Value::Kind::Integer && !d.IsArray();
    }
    case ExprKind::Name: {
      const Variable* v = Lookup(static_cast<const NameExpr&>(e));
      return v != nullptr && v->datum.value.kind == Value::Kind::Integer && !v->datum.IsArray();
    }
    case ExprKind::Member: {
      const auto& m = static_cast<const MemberExpr&>(e);
      return m.site.getter != nullptr && m.site.scalar &&
             m.site.scalarResult == Value::Kind::Integer && SiteTarget(m) != nullptr;
    }
    case ExprKind::Unary:
      return IntegerReady(*static_cast<const UnaryExpr&>(e).operand);
    case ExprKind::Binary: {
      const auto& b = static_cast<const BinaryExpr&>(e);
      return IntegerReady(*b.left) && IntegerReady(*b.right);
    }
    default:
      return false;
  }
}

int64_t Interpreter::ReadyInteger(const Expr& e) {
  switch (e.kind) {
    case ExprKind::Literal:
      return static_cast<const LiteralExpr&>(e).value.value.integer;
    case ExprKind::Name:
      return Lookup(static_cast<const NameExpr&>(e))->datum.value.integer;
    case ExprKind::Member: {
      const auto& m = static_cast<const MemberExpr&>(e);
      Scalar out{};
      HostError error;
      if (!host_.CallScalar(*m.site.getter, *SiteTarget(m), nullptr, 0, out, error)) {
        Fail(e.line, error.message);
      }
      return out.integer;
    }
    case ExprKind::Unary: {
      const auto& u = static_cast<const UnaryExpr&>(e);
      int64_t x = ReadyInteger(*u.operand);
      auto wrapped = static_cast<uint64_t>(x);
      return u.op == Op::Neg ? static_cast<int64_t>(0 - wrapped) : ~x;
    }
    case ExprKind::Binary: {
      const auto& b = static_cast<const BinaryExpr&>(e);
      int64_t x = ReadyInteger(*b.left);
      int64_t y = ReadyInteger(*b.right);
      int64_t out = 0;
      IntegerArithmetic(b.op, x, y, out);  // cannot fail: see readsMembers
      return out;
    }
    default:
      return 0;
  }
}

bool Interpreter::MemberNumber(const Expr& e, Number& out) {
  if (!e.readsNumbers || !NumberReady(e)) return false;
  out = ReadyNumber(e);
  return true;
}

bool Interpreter::MemberTest(const Expr& e, bool& out) {
  if (!e.readsNumbers || e.kind != ExprKind::Binary) return false;
  const auto& b = static_cast<const BinaryExpr&>(e);
  if (IsNumberOperator(b.op) || !NumberReady(*b.left) || !NumberReady(*b.right)) return false;
  Number x = ReadyNumber(*b.left);
  Number y = ReadyNumber(*b.right);
  out = NumberComparison(b.op, x, y);
  return true;
}

bool Interpreter::NumberReady(const Expr& e) {
  switch (e.kind) {
    case ExprKind::Literal: {
      const Datum& d = static_cast<const LiteralExpr&>(e).value;
      return IsNumber(d.value.kind) && !d.IsArray();
    }
    case ExprKind::Name: {
      const Variable* v = Lookup(static_cast<const NameExpr&>(e));
      return v != nullptr && IsNumber(v->datum.value.kind) && !v->datum.IsArray();
    }
    case ExprKind::Member: {
      const auto& m = static_cast<const MemberExpr&>(e);
      return m.site.getter != nullptr && m.site.scalar && IsNumber(m.site.scalarResult) &&
             SiteTarget(m) != nullptr;
    }
    case ExprKind::Unary: {
      const auto& u = static_cast<const UnaryExpr&>(e);
      return u.op == Op::Neg && NumberReady(*u.operand);
    }
    case ExprKind::Binary: {
      const auto& b = static_cast<const BinaryExpr&>(e);
      return IsNumberOperator(b.op) && NumberReady(*b.left) && NumberReady(*b.right);
    }
    default:
      return false;
  }
}

Number Interpreter::ReadyNumber(const Expr& e) {
  switch (e.kind) {
    case ExprKind::Literal:
      return NumberOf(static_cast<const LiteralExpr&>(e).value.value);
    case ExprKind::Name:
      return NumberOf(Lookup(static_cast<const NameExpr&>(e))->datum.value);
    case ExprKind::Member: {
      const auto& m = static_cast<const MemberExpr&>(e);
      Scalar out{};
      HostError error;
      if (!host_.CallScalar(*m.site.getter, *SiteTarget(m), nullptr, 0, out, error)) {
        Fail(e.line, error.message);
      }
      return NumberOf(out);
    }
    case ExprKind::Unary: {
      Number x = ReadyNumber(*static_cast<const UnaryExpr&>(e).operand);
      if (x.isDouble) {
        x.real = -x.real;
      } else {
        x.integer = static_cast<int64_t>(0 - static_cast<uint64_t>(x.integer));
      }
      return x;
    }
    case ExprKind::Binary: {
      // Variables and literals read here, as most operands are.
      const auto& b = static_cast<const BinaryExpr&>(e);
      auto operand = [this](const Expr& side) {
        if (side.kind == ExprKind::Name) {
          return NumberOf(Lookup(static_cast<const NameExpr&>(side))->datum.value);
        }
        if (side.kind == ExprKind::Literal) {
          return NumberOf(static_cast<const LiteralExpr&>(side).value.value);
        }
        return ReadyNumber(side);
      };
      Number x = operand(*b.left);
      Number y = operand(*b.right);
      return NumberArithmetic(b.op, x, y);
    }
    default:
      return Number{};
  }
}

bool Interpreter::AssignNumber(const AssignStmt& s) {
  if (s.target->kind != ExprKind::Name) return false;
  Variable* v = Lookup(static_cast<const NameExpr&>(*s.target));
  if (v == nullptr || v->isConst || v->datum.IsArray()) return false;
  Value& to = v->datum.value;
  if (s.compound && (!IsNumberOperator(s.op) || !IsNumber(to.kind))) return false;
  Number value{};
  if (!MemberNumber(*s.value, value)) return false;
  if (s.compound) value = NumberArithmetic(s.op, NumberOf(to), value);
  // Into a variable of the value's own type in place, as StoreScalar stores.
  if (!value.isDouble && v->type.base == SlotType::Base::Integer &&
      to.kind == Value::Kind::Integer) {
    to.integer = value.integer;
  } else if (value.isDouble && v->type.base == SlotType::Base::Double &&
             to.kind == Value::Kind::Double) {
    to.number = value.real;
  } else {
    Assign(*s.target, value.isDouble ? Value::Dbl(value.real) : Value::Int(value.integer), s.line);
  }
  return true;
}

Object* Interpreter::SiteTarget(const MemberExpr& m) {
  if (m.object->kind != ExprKind::Name || m.site.cls == nullptr) return nullptr;
  const Variable* v = Lookup(static_cast<const NameExpr&>(*m.object));
  if (v == nullptr || v->datum.value.kind != Value::Kind::Object || v->datum.IsArray()) {
    return nullptr;
  }
  Object* object = v->datum.value.object.get();
  return &object->Class() == m.site.cls ? object : nullptr;
}

bool Interpreter::EvalScalar(const Expr& e, Scalar& out) {
  const Datum* d = nullptr;
  if (e.kind == ExprKind::Literal) {
    d = &static_cast<const LiteralExpr&>(e).value;
  } else if (e.kind == ExprKind::Name) {
    const Variable* v = Lookup(static_cast<const NameExpr&>(e));
    if (v == nullptr) return false;
    d = &v->datum;
  } else {
    int64_t number = 0;
    if (!e.simple || !EvalInteger(e, number)) return false;
    out.kind = Value::Kind::Integer;
    out.integer = number;
    return true;
  }
  if (d->IsArray() || !IsScalarKind(d->value.kind)) return false;
  // Field by field: the callee reads them so, and a copy of the whole
  // would wait on these narrower stores.
  out.kind = d->value.kind;
  out.integer = d->value.integer;
  out.number = d->value.number;
  out.boolean = d->value.boolean;
  return true;
}

bool Interpreter::ScalarMember(const MemberExpr& m, const ExprList& args, Scalar& out) {
  const MemberSite& site = m.site;
  if (!site.scalar) return false;
  const BoundMember* member = args.empty() && site.getter != nullptr ? site.getter : site.overload;
  if (member == nullptr || (member == site.overload && args.size() != site.argCount)) return false;
  Object* target = SiteTarget(m);
  if (target == nullptr) return false;
  Scalar values[MemberSite::kMaxArgs];
  for (size_t i = 0; i < args.size(); ++i) {
    if (!EvalScalar(*args[i], values[i]) || values[i].kind != site.argKinds[i]) return false;
  }
  HostError error;
  if (!host_.CallScalar(*member, *target, values, args.size(), out, error))
    Fail(m.line, error.message);
  return true;
}

bool Interpreter::StoreScalar(Variable& v, const Scalar& s) {
  if (v.isConst || v.type.isArray || v.datum.IsArray()) return false;
  Value& to = v.datum.value;
  switch (v.type.base) {
    case SlotType::Base::Integer:
    case SlotType::Base::Color:
      if (s.kind != to.kind) return false;
      to.integer = s.integer;
      return true;
    case SlotType::Base::Double:
      if (s.kind != Value::Kind::Double || to.kind != Value::Kind::Double) return false;
      to.number = s.number;
      return true;
    case SlotType::Base::Boolean:
      if (s.kind != Value::Kind::Boolean || to.kind != Value::Kind::Boolean) return false;
      to.boolean = s.boolean;
      return true;
    default:
      return false;
  }
}

// And and Or on Booleans stop as soon as the left side decides. The left
// value is read in place only when the right side cannot change it.
Datum Interpreter::EvalBinary(const BinaryExpr& e) {
  int64_t number = 0;
  bool test = false;
  if (e.simple && EvalInteger(e, number)) return Value::Int(number);
  if (e.simple && EvalIntegerTest(e, test)) return Value::Bool(test);
  if (e.readsMembers && MemberInteger(e, number)) return Value::Int(number);
  if (e.readsNumbers) {
    Number n{};
    if (MemberNumber(e, n)) return n.isDouble ? Value::Dbl(n.real) : Value::Int(n.integer);
    if (MemberTest(e, test)) return Value::Bool(test);
  }
  Datum leftScratch, rightScratch;
  const Datum& a = Inert(*e.right) ? EvalRef(*e.left, leftScratch) : (leftScratch = Eval(*e.left));
  bool logical = e.op == Op::And || e.op == Op::Or;
  if (logical && !a.IsArray() && a.value.kind == Value::Kind::Boolean &&
      a.value.boolean == (e.op == Op::Or)) {
    return a;
  }
  const Datum& b = EvalRef(*e.right, rightScratch);
  if (a.value.kind == Value::Kind::Integer && b.value.kind == Value::Kind::Integer &&
      !a.IsArray() && !b.IsArray()) {
    if (IntegerArithmetic(e.op, a.value.integer, b.value.integer, number)) {
      return Value::Int(number);
    }
    if (IntegerComparison(e.op, a.value.integer, b.value.integer, test)) return Value::Bool(test);
  }
  if (a.IsArray() || b.IsArray()) {
    if (e.op == Op::Is) return Value::Bool(a.array == b.array);
    Fail(e.line, "Type mismatch: cannot use an array with this operator");
  }
  Value out;
  std::string error;
  if (!ApplyBinary(e.op, a.value, b.value, out, error)) Fail(e.line, error);
  return out;
}

Datum Interpreter::EvalNew(const NewExpr& e) {
  const ClassInfo* cls = host_.FindClass(e.className);
  if (cls == nullptr) Fail(e.line, "Unknown class '" + e.className + "'");
  return Construct(*cls, e.args, e.line);
}

Datum Interpreter::Construct(const ClassInfo& cls, const ExprList& args, int line) {
  ArgsLease hostArgs(*this);
  EvalHostArgs(args, line, *hostArgs);
  Value out;
  HostError error;
  if (!host_.New(cls, hostArgs->values, out, error)) Fail(line, error.message);
  return out;
}

Datum Interpreter::EvalIsA(const IsAExpr& e) {
  Datum d = Eval(*e.operand);
  const ClassInfo* cls = host_.FindClass(e.className);
  if (cls == nullptr) Fail(e.line, "Unknown class '" + e.className + "'");
  bool is =
      !d.IsArray() && d.value.kind == Value::Kind::Object && d.value.object->Class().IsA(*cls);
  return Value::Bool(is);
}

// ---------------------------------------------------------------------------
// Calls and name resolution
// ---------------------------------------------------------------------------

std::optional<Datum> Interpreter::Invoke(const Expr& callee, const ExprList& args, int line) {
  if (callee.kind == ExprKind::Name) {
    return InvokeName(static_cast<const NameExpr&>(callee), args, line);
  }
  if (callee.kind == ExprKind::Member) {
    return InvokeMember(static_cast<const MemberExpr&>(callee), args, line);
  }
  Datum target = Eval(callee);
  if (args.empty()) return target;
  if (target.IsArray() && args.size() == 1) return Element(*target.array, Eval(*args[0]), line);
  Fail(line, KindName(target) + " cannot be called or indexed");
}

// A name is, in this order: a variable, a Sub or Function of the script, a
// module method of the plugin, or a built-in function.
std::optional<Datum> Interpreter::InvokeName(const NameExpr& n, const ExprList& args, int line) {
  if (Variable* v = Lookup(n)) {
    if (args.empty()) return v->datum;
    if (!v->datum.IsArray()) Fail(line, "'" + n.name + "' is not an array or a method");
    if (args.size() != 1) Fail(line, "Arrays have one index");
    return Element(*v->datum.array, Eval(*args[0]), line);
  }
  std::string key = Fold(n.name);
  auto it = methods_.find(key);
  if (it != methods_.end()) return CallScript(it->second, args, line);
  if (const ModuleMethodInfo* m = host_.FindModuleMethod(n.name)) return CallModule(*m, args, line);
  if (const Builtin* b = FindBuiltin(key)) return CallBuiltinNamed(*b, args, line, b->name);
  if (host_.FindClass(n.name) != nullptr) {
    Fail(line, "'" + n.name + "' is a class; make one with New " + n.name);
  }
  if (FindModule(key) != nullptr)
    Fail(line, "'" + n.name + "' is a module; use " + n.name + ".member");
  Fail(line, "Unknown name '" + n.name + "'");
}

std::optional<Datum> Interpreter::InvokeMember(const MemberExpr& m, const ExprList& args,
                                               int line) {
  if (m.object->kind == ExprKind::Name) {
    const auto& ownerName = static_cast<const NameExpr&>(*m.object);
    const std::string& owner = ownerName.name;
    if (Lookup(ownerName) == nullptr && methods_.count(Fold(owner)) == 0) {
      bool found = false;
      std::optional<Datum> r = InvokeStatic(owner, m.name, args, line, found);
      if (found) return r;
    }
  }
  // The object is read in place when the arguments cannot change it.
  Datum scratch;
  const Datum& target = Inert(args) ? EvalRef(*m.object, scratch) : (scratch = Eval(*m.object));
  return InvokeOnValue(target, m.name, args, line, &m.site);
}

// Owner.member where Owner names a built-in module or a class (whose
// constants are reachable through it and through its subclasses).
std::optional<Datum> Interpreter::InvokeStatic(const std::string& owner, const std::string& member,
                                               const ExprList& args, int line, bool& found) {
  if (const BuiltinModule* mod = FindModule(owner)) {
    found = true;
    const Builtin* b = FindModuleMember(*mod, member);
    if (b == nullptr) Fail(line, std::string(mod->name) + " has no member '" + member + "'");
    return CallBuiltinNamed(*b, args, line, std::string(mod->name) + "." + b->name);
  }
  const ClassInfo* cls = host_.FindClass(owner);
  if (cls == nullptr) {
    found = false;
    return std::nullopt;
  }
  found = true;
  bool isConstant = false;
  Datum value = ClassConstant(*cls, member, line, isConstant);
  if (!isConstant) {
    Fail(line, cls->name + " has no constant '" + member + "' (other members need an instance)");
  }
  if (!args.empty()) Fail(line, cls->name + "." + member + " is a constant, not a method");
  return value;
}

Datum Interpreter::ClassConstant(const ClassInfo& cls, const std::string& name, int, bool& found) {
  for (const ClassInfo* c = &cls; c != nullptr; c = c->super) {
    Value out;
    if (host_.GetClassConstant(*c, name, out)) {
      found = true;
      return out;
    }
  }
  found = false;
  return {};
}

std::optional<Datum> Interpreter::InvokeOnValue(const Datum& target, const std::string& member,
                                                const ExprList& args, int line, MemberSite* site) {
  if (target.IsArray()) return ArrayMember(*target.array, member, args, line);
  const Value& v = target.value;
  if (v.kind == Value::Kind::Object) {
    MemberSite once;
    return InvokeHostMember(v, member, args, line, site != nullptr ? *site : once);
  }
  if (v.kind == Value::Kind::Nil) Fail(line, "Nil object access: ." + member + " of Nil");
  if (v.kind == Value::Kind::Color && args.empty()) {
    std::string key = Fold(member);
    int shift = key == "red" ? 16 : key == "green" ? 8 : key == "blue" ? 0 : -1;
    if (shift >= 0) return Datum(Value::Int((v.integer >> shift) & 0xFF));
  }
  Fail(line, KindName(target) + " has no member '" + member + "'");
}

// A member of a host object: a property read, a constant, or a method call
// (with or without arguments), told apart by the class's declarations.
std::optional<Datum> Interpreter::InvokeHostMember(const Value& target, const std::string& member,
                                                   const ExprList& args, int line,
                                                   MemberSite& site) {
  const ClassInfo& cls = target.object->Class();
  if (site.cls != &cls) LearnMember(site, cls, member, args.empty());
  Value out;
  HostError error;
  if (args.empty() && site.property != nullptr) {
    bool read = site.getter != nullptr ? host_.GetBound(*site.getter, target, out, error)
                                       : host_.GetProperty(target, member, out, error);
    if (!read) Fail(line, error.message);
    return out;
  }
  if (site.method != nullptr || !args.empty()) {
    ArgsLease hostArgs(*this);
    EvalHostArgs(args, line, *hostArgs);
    std::vector<Value>& values = hostArgs->values;
    const BoundMember* overload = BoundOverload(site, member, values);
    bool called = overload != nullptr ? host_.CallBound(*overload, target, values, out, error)
                                      : host_.CallMethod(target, member, values, out, error);
    if (!called) Fail(line, error.message);
    WriteBack(*hostArgs, line);
    if (site.method != nullptr && site.method->declaration.result.empty()) return std::nullopt;
    return out;
  }
  bool isConstant = false;
  Datum constant = ClassConstant(cls, member, line, isConstant);
  if (isConstant) return constant;
  // The class's tables do not name it: the host has the last word.
  if (!host_.GetProperty(target, member, out, error)) Fail(line, error.message);
  return out;
}

void Interpreter::LearnMember(MemberSite& site, const ClassInfo& cls, const std::string& member,
                              bool withoutArgs) {
  site = MemberSite{};
  site.cls = &cls;
  site.property = FindProperty(cls, member);
  site.method = FindMethod(cls, member);
  if (withoutArgs && site.property != nullptr) site.getter = host_.BindProperty(cls, member);
  if (site.getter != nullptr) site.scalar = host_.ScalarCall(*site.getter, 0, site.scalarResult);
}

namespace {

const ClassInfo* ClassOfArgument(const Value& v) {
  return v.kind == Value::Kind::Object ? &v.object->Class() : nullptr;
}

}  // namespace

const BoundMember* Interpreter::BoundOverload(MemberSite& site, const std::string& member,
                                              const std::vector<Value>& args) {
  if (args.size() > MemberSite::kMaxArgs) return nullptr;
  bool same = site.overload != nullptr && site.argCount == args.size();
  for (size_t i = 0; same && i < args.size(); ++i) {
    same = args[i].kind == site.argKinds[i] && ClassOfArgument(args[i]) == site.argClasses[i];
  }
  if (same) return site.overload;
  const BoundMember* bound = host_.BindMethod(*site.cls, member, args);
  if (bound == nullptr) return nullptr;
  site.overload = bound;
  site.scalar = host_.ScalarCall(*bound, args.size(), site.scalarResult);
  site.argCount = args.size();
  for (size_t i = 0; i < args.size(); ++i) {
    site.argKinds[i] = args[i].kind;
    site.argClasses[i] = ClassOfArgument(args[i]);
  }
  return bound;
}

// ---------------------------------------------------------------------------
// Arrays
// ---------------------------------------------------------------------------

int64_t Interpreter::Index(const ArrayData& a, const Datum& index, int line, bool forInsert) const {
  if (index.IsArray() || !IsNumeric(index.value)) {
    Fail(line, "An array index must be a number, got " + KindName(index));
  }
  double d = AsDouble(index.value);
  int64_t i = index.value.kind == Value::Kind::Integer
                  ? index.value.integer
                  : static_cast<int64_t>(std::max(-2.0, std::min(d, 9e15)));
  int64_t last = a.UpperBound() + (forInsert ? 1 : 0);
  if (i < 0 || i > last) {
    Fail(line, "Index " + std::to_string(i) + " is out of bounds" +
                   (a.items.empty() && !forInsert ? " (the array is empty)"
                                                  : " (0 to " + std::to_string(last) + ")"));
  }
  return i;
}

Datum Interpreter::Element(const ArrayData& a, const Datum& index, int line) const {
  return a.items[static_cast<size_t>(Index(a, index, line, false))];
}

std::optional<Datum> Interpreter::ArrayMember(ArrayData& a, const std::string& member,
                                              const ExprList& args, int line) {
  std::string key = Fold(member);
  auto want = [&](size_t n) {
    if (args.size() != n) {
      Fail(line,
           "Array." + member + " takes " + std::to_string(n) + " argument" + (n == 1 ? "" : "s"));
    }
  };
  auto item = [&](const Expr& e) {
    return Convert(Eval(e), a.elementType, line, "the array element").value;
  };
  if (key == "ubound" || key == "lastrowindex") {
    want(0);
    return Datum(Value::Int(a.UpperBound()));
  }
  if (key == "count") {
    want(0);
    return Datum(Value::Int(static_cast<int64_t>(a.items.size())));
  }
  if (key == "append" || key == "addrow") {
    want(1);
    a.items.push_back(item(*args[0]));
    return std::nullopt;
  }
  if (key == "insert" || key == "addrowat") {
    want(2);
    int64_t i = Index(a, Eval(*args[0]), line, true);
    a.items.insert(a.items.begin() + i, item(*args[1]));
    return std::nullopt;
  }
  if (key == "remove" || key == "removerowat") {
    want(1);
    a.items.erase(a.items.begin() + Index(a, Eval(*args[0]), line, false));
    return std::nullopt;
  }
  if (key == "removeall") {
    want(0);
    a.items.clear();
    return std::nullopt;
  }
  if (key == "pop") {
    want(0);
    if (a.items.empty()) Fail(line, "Pop on an empty array");
    Value last = a.items.back();
    a.items.pop_back();
    return Datum(last);
  }
  if (key == "indexof") {
    want(1);
    Value wanted = Eval(*args[0]).value;
    for (size_t i = 0; i < a.items.size(); ++i) {
      Value same;
      std::string ignored;
      if (ApplyBinary(Op::Eq, a.items[i], wanted, same, ignored) && same.boolean) {
        return Datum(Value::Int(static_cast<int64_t>(i)));
      }
    }
    return Datum(Value::Int(-1));
  }
  if (key == "sort") {
    want(0);
    std::string error;
    std::stable_sort(a.items.begin(), a.items.end(), [&](const Value& x, const Value& y) {
      Value less;
      return ApplyBinary(Op::Lt, x, y, less, error) && less.boolean;
    });
    if (!error.empty()) Fail(line, "Sort: " + error);
    return std::nullopt;
  }
  Fail(line, "Arrays have no member '" + member + "'");
}

// ---------------------------------------------------------------------------
// Methods of the script, of the plugin's modules, and built-ins
// ---------------------------------------------------------------------------

std::optional<Datum> Interpreter::CallScript(const MethodPtr& m, const ExprList& args, int line) {
  if (args.size() > m->params.size()) {
    Fail(line,
         "Too many arguments for '" + m->name + "': it takes " + std::to_string(m->params.size()));
  }
  if (frames_.size() >= kMaxCallDepth || StackExhausted()) {
    Fail(line, "Too many nested calls (stack overflow)");
  }
  auto frame = std::make_unique<Frame>();
  frame->method = m.get();
  frame->locals.resize(m->locals.size());
  // ByRef arguments that are not whole variables of the same type are
  // copied in here and out again after the call.
  std::vector<std::pair<Place, VariablePtr>> copyOut;
  for (size_t i = 0; i < m->params.size(); ++i) {
    const Param& p = m->params[i];
    SlotType type = ResolveType(p.type, m->line);
    std::string what = "argument '" + p.name + "' of " + m->name;
    auto var = std::make_shared<Variable>();
    var->type = type;
    if (i < args.size()) {
      Place place = p.byRef ? PlaceOf(*args[i]) : Place{};
      if (place.var != nullptr && SameType(place.var->type, type)) {
        // The parameter is the caller's variable itself.
        const auto& name = static_cast<const NameExpr&>(*args[i]);
        frame->locals[p.local] = *SlotOf(name.slot, name.name);
        continue;
      }
      var->datum = Convert(place.IsSet() ? Read(place) : Eval(*args[i]), type, line, what);
      if (place.IsSet()) copyOut.emplace_back(place, var);
    } else if (p.optional) {
      var->datum =
          p.defaultValue ? Convert(Eval(*p.defaultValue), type, line, what) : DefaultValue(type);
    } else {
      Fail(line, "Missing " + what);
    }
    frame->locals[p.local] = var;
  }
  if (m->isFunction) frame->result = DefaultValue(ResolveType(m->result, m->line));

  PushFrame(std::move(frame));
  struct Pop {
    Interpreter& in;
    ~Pop() { in.PopFrame(); }
  };
  Datum result;
  {
    Pop pop{*this};
    Exec(m->body);
    result = std::move(frames_.back()->result);
  }
  for (auto& [place, var] : copyOut) Store(place, var->datum, line);
  if (!m->isFunction) return std::nullopt;
  return result;
}

std::optional<Datum> Interpreter::CallModule(const ModuleMethodInfo& m, const ExprList& args,
                                             int line) {
  ArgsLease hostArgs(*this);
  EvalHostArgs(args, line, *hostArgs);
  Value out;
  HostError error;
  if (!host_.CallModuleMethod(m.declaration.name, hostArgs->values, out, error)) {
    Fail(line, error.message);
  }
  WriteBack(*hostArgs, line);
  if (m.declaration.result.empty()) return std::nullopt;
  return out;
}

std::optional<Datum> Interpreter::CallBuiltinNamed(const Builtin& b, const ExprList& args, int line,
                                                   const std::string& display) {
  std::vector<Datum> values = EvalArgs(args);
  Datum r = CallBuiltin(b, env_, values, line, display);
  if (!b.returnsValue) return std::nullopt;
  return r;
}

std::vector<Datum> Interpreter::EvalArgs(const ExprList& args) {
  std::vector<Datum> out;
  out.reserve(args.size());
  for (const ExprPtr& a : args) out.push_back(Eval(*a));
  return out;
}

Interpreter::ArgsLease::ArgsLease(Interpreter& in) : in_(in) {
  if (in_.argsDepth_ == in_.argsPool_.size()) in_.argsPool_.emplace_back();
  args_ = &in_.argsPool_[in_.argsDepth_++];
}

Interpreter::ArgsLease::~ArgsLease() {
  args_->places.clear();
  args_->before.clear();
  args_->values.clear();
  --in_.argsDepth_;
}

void Interpreter::EvalHostArgs(const ExprList& args, int line, HostCallArgs& out) {
  for (const ExprPtr& a : args) {
    Place p = PlaceOf(*a);
    Datum d = p.IsSet() ? Read(p) : Eval(*a);
    // A Nil read from a variable carries the class the variable was declared
    // with, in its text: the host may use it to choose among overloads, as
    // the dialect chooses by declared types.
    const SlotType* declared = p.var != nullptr     ? &p.var->type
                               : p.array != nullptr ? &p.array->elementType
                                                    : nullptr;
    if (declared != nullptr && !d.IsArray() && d.value.kind == Value::Kind::Nil &&
        declared->cls != nullptr && !declared->isArray) {
      d.value.text = declared->cls->name;
    }
    out.before.push_back(std::move(d));
    out.places.push_back(std::move(p));
  }
  for (const Datum& d : out.before) out.values.push_back(HostValue(d, line));
}

// Script arrays cross into the host as host integer arrays.
Value Interpreter::HostValue(const Datum& d, int line) {
  if (!d.IsArray()) return d.value;
  std::vector<int64_t> values;
  for (const Value& v : d.array->items) {
    if (v.kind != Value::Kind::Integer) {
      Fail(line, "Only Integer arrays can be passed to the host, not " + KindName(d));
    }
    values.push_back(v.integer);
  }
  ObjectRef array = host_.NewIntegerArray(values);
  if (!array) Fail(line, "The host could not make an integer array");
  return Value::Obj(std::move(array));
}

void Interpreter::WriteBack(const HostCallArgs& args, int line) {
  const std::vector<Value>& after = args.values;
  for (size_t i = 0; i < args.places.size() && i < after.size(); ++i) {
    if (!args.places[i].IsSet() || args.before[i].IsArray()) continue;
    if (!SameValue(args.before[i].value, after[i])) Store(args.places[i], after[i], line);
  }
}

}  // namespace fenra::host::script
