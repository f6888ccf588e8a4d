// Running programs: statements, variables and the places values are stored.
#include "script/interpreter.h"

#include <sys/resource.h>

#include <algorithm>
#include <new>

#include "script/lexer.h"
#include "script/operators.h"
#include "script/parser.h"

namespace fenra::host::script {

Interpreter::Interpreter(HostAccess& host, std::ostream& out, std::string scriptPath,
                         std::vector<std::string> args)
    : host_(host), out_(out) {
  env_.host = &host;
  env_.out = &out;
  env_.scriptPath = std::move(scriptPath);
  env_.args = std::move(args);
  frames_.push_back(std::make_unique<Frame>());
  frames_.back()->epoch = epoch_;
}

Interpreter::~Interpreter() = default;

// ---------------------------------------------------------------------------
// Entry points
// ---------------------------------------------------------------------------

void Interpreter::MarkStackBase() {
  stackBase_ = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
  rlimit limit{};
  size_t stack = 8u << 20;
  if (getrlimit(RLIMIT_STACK, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
    stack = static_cast<size_t>(limit.rlim_cur);
  }
  // Half of it at most, leaving the rest to the host, the plugin and QuickTime.
  stackBudget_ = std::min<size_t>(stack, 64u << 20) / 2;
}

bool Interpreter::StackExhausted() const {
  auto here = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
  size_t used = here < stackBase_ ? stackBase_ - here : here - stackBase_;
  return used > stackBudget_;
}

int Interpreter::Run(const std::string& name, std::string_view source, std::ostream& err) {
  MarkStackBase();
  Program program;
  ParseError pe;
  if (!Parse(source, program, pe)) {
    err << name << ":" << pe.line << ": " << pe.message << "\n";
    return 1;
  }
  // What the script printed comes before its error, whatever the buffering.
  int status = 0;
  try {
    Install(program);
    RunMain(program.main);
  } catch (const ScriptError& e) {
    out_.flush();
    err << name << ":" << e.line << ": " << e.message << "\n";
    status = 1;
  } catch (const QuitRequest& q) {
    status = q.code;
  } catch (const std::bad_alloc&) {
    out_.flush();
    err << name << ": out of memory\n";
    status = 1;
  }
  out_.flush();
  return status;
}

Interpreter::ChunkResult Interpreter::RunChunk(std::string_view source, std::ostream& err) {
  MarkStackBase();
  Program program;
  ParseError pe;
  if (!Parse(source, program, pe, true)) {
    if (pe.incomplete) return ChunkResult::Incomplete;
    err << "line " << pe.line << ": " << pe.message << "\n";
    return ChunkResult::Failed;
  }
  interactive_ = true;
  try {
    Install(program);
    for (const StmtPtr& s : program.main) RunTopLevel(*s);
  } catch (const ScriptError& e) {
    PopFramesToTopLevel();
    out_.flush();
    err << "line " << e.line << ": " << e.message << "\n";
    return ChunkResult::Failed;
  } catch (const QuitRequest& q) {
    quitCode_ = q.code;
    return ChunkResult::Quit;
  } catch (const std::bad_alloc&) {
    PopFramesToTopLevel();
    err << "out of memory\n";
    return ChunkResult::Failed;
  }
  return ChunkResult::Done;
}

void Interpreter::Install(Program& program) {
  ResolveNames(program, globalNames_);
  globals_.resize(globalNames_.Count());
  std::unordered_map<std::string, int> seen;
  for (MethodPtr& m : program.methods) {
    std::string key = Fold(m->name);
    if (seen.count(key) != 0) Fail(m->line, "'" + m->name + "' is already defined");
    seen[key] = m->line;
    methods_[key] = m;  // at the prompt a later definition replaces an earlier one
  }
}

void Interpreter::RunMain(const Block& main) {
  Flow flow = Exec(main);
  (void)flow;  // Return, or an Exit outside any loop, ends the script
}

void Interpreter::RunTopLevel(const Stmt& s) {
  std::optional<Datum> shown;
  if (s.kind == StmtKind::Call) {
    const auto& call = static_cast<const CallStmt&>(s);
    shown = Invoke(*call.callee, call.args, s.line);
  } else if (s.kind == StmtKind::Expression) {
    shown = Eval(*static_cast<const ExpressionStmt&>(s).expr);
  } else {
    ExecStmt(s);
  }
  if (shown) out_ << DisplayText(*shown) << "\n";
}

// ---------------------------------------------------------------------------
// Statements
// ---------------------------------------------------------------------------

// Integer arithmetic into an Integer variable, as loops do: worked out in
// place, without making a Datum; false when it needs the general way.
// Inline in the loops that run statements.
[[gnu::always_inline]] inline bool Interpreter::AssignInteger(const AssignStmt& s) {
  if (s.target->kind != ExprKind::Name) return false;
  Variable* v = Lookup(static_cast<const NameExpr&>(*s.target));
  if (v == nullptr || v->isConst || v->type.base != SlotType::Base::Integer || v->type.isArray) {
    return false;
  }
  int64_t value = 0;
  if (s.value->simple && s.value->kind == ExprKind::Binary) {
    // `a op b`, as most loops assign, worked out here.
    const auto& b = static_cast<const BinaryExpr&>(*s.value);
    int64_t x = 0, y = 0;
    if (!IntegerOperand(*b.left, x) || !IntegerOperand(*b.right, y) ||
        !IntegerArithmetic(b.op, x, y, value)) {
      return false;
    }
  } else if (s.value->simple) {
    if (!IntegerOperand(*s.value, value)) return false;
  } else if (s.value->readsMembers) {
    // The getters must be called once: only an operator that cannot fail
    // may follow them.
    if (s.compound && s.op != Op::Add && s.op != Op::Sub && s.op != Op::Mul) return false;
    if (!MemberInteger(*s.value, value)) return false;
  } else {
    return false;
  }
  if (s.compound) {
    int64_t result = 0;
    if (!IntegerArithmetic(s.op, v->datum.value.integer, value, result)) return false;
    value = result;
  }
  v->datum.value.integer = value;
  return true;
}

const int64_t* Interpreter::IntegerAt(const Expr& e) {
  if (e.kind == ExprKind::Literal) {
    const Datum& d = static_cast<const LiteralExpr&>(e).value;
    return d.value.kind == Value::Kind::Integer && !d.IsArray() ? &d.value.integer : nullptr;
  }
  if (e.kind != ExprKind::Name) return nullptr;
  Variable* v = Lookup(static_cast<const NameExpr&>(e));
  if (v == nullptr || v->type.base != SlotType::Base::Integer || v->type.isArray) return nullptr;
  return &v->datum.value.integer;
}

void Interpreter::MakePlan(const AssignStmt& s) {
  static constexpr int64_t kZero = 0;
  IntegerPlan& plan = s.plan;
  plan = IntegerPlan{};
  plan.epoch = epoch_;
  if (s.target->kind != ExprKind::Name) return;
  Variable* target = Lookup(static_cast<const NameExpr&>(*s.target));
  if (target == nullptr || target->isConst || IntegerAt(*s.target) == nullptr) return;
  plan.target = &target->datum.value.integer;
  if (s.compound) {
    plan.op = s.op;
    plan.left = plan.target;
    plan.right = IntegerAt(*s.value);
  } else if (s.value->kind == ExprKind::Binary) {
    const auto& b = static_cast<const BinaryExpr&>(*s.value);
    plan.op = b.op;
    plan.left = IntegerAt(*b.left);
    plan.right = IntegerAt(*b.right);
  } else {
    plan.left = IntegerAt(*s.value);
    plan.right = &kZero;  // target = left + 0
  }
  // Only an operator IntegerArithmetic works out (on 1 and 1 it fails for no other reason).
  int64_t ignored = 0;
  plan.ready =
      plan.left != nullptr && plan.right != nullptr && IntegerArithmetic(plan.op, 1, 1, ignored);
}

[[gnu::always_inline]] inline bool Interpreter::AssignByPlan(const AssignStmt& s) {
  const IntegerPlan& plan = s.plan;
  if (plan.epoch != epoch_) MakePlan(s);
  int64_t value = 0;
  if (!plan.ready || !IntegerArithmetic(plan.op, *plan.left, *plan.right, value)) return false;
  *plan.target = value;
  return true;
}

[[gnu::always_inline]] inline Interpreter::Flow Interpreter::ExecBlock(const Block& block) {
  for (const StmtPtr& s : block) {
    // Assignments, the most common statements, go on normally always.
    if (s->kind == StmtKind::Assign) {
      const auto& a = static_cast<const AssignStmt&>(*s);
      if (!AssignByPlan(a) && !AssignInteger(a)) AssignValue(a);
      continue;
    }
    Flow flow = ExecStmt(*s);
    if (flow.kind != FlowKind::Normal) return flow;
  }
  return {};
}

Interpreter::Flow Interpreter::Exec(const Block& block) {
  return ExecBlock(block);
}

Interpreter::Flow Interpreter::ExecStmt(const Stmt& s) {
  switch (s.kind) {
    case StmtKind::Dim:
      return ExecDim(static_cast<const DimStmt&>(s));
    case StmtKind::Assign:
      return ExecAssign(static_cast<const AssignStmt&>(s));
    case StmtKind::Call:
      return ExecCall(static_cast<const CallStmt&>(s));
    case StmtKind::Expression:
      Eval(*static_cast<const ExpressionStmt&>(s).expr);
      return {};
    case StmtKind::If:
      return ExecIf(static_cast<const IfStmt&>(s));
    case StmtKind::For:
      return ExecFor(static_cast<const ForStmt&>(s));
    case StmtKind::ForEach:
      return ExecForEach(static_cast<const ForEachStmt&>(s));
    case StmtKind::While:
      return ExecWhile(static_cast<const WhileStmt&>(s));
    case StmtKind::Do:
      return ExecDo(static_cast<const DoStmt&>(s));
    case StmtKind::Select:
      return ExecSelect(static_cast<const SelectStmt&>(s));
    case StmtKind::Exit:
      return {FlowKind::Exit, static_cast<const ExitStmt&>(s).target};
    case StmtKind::Continue:
      return {FlowKind::Continue, static_cast<const ContinueStmt&>(s).target};
    case StmtKind::Return:
      return ExecReturn(static_cast<const ReturnStmt&>(s));
    case StmtKind::Print:
      return ExecPrint(static_cast<const PrintStmt&>(s));
    case StmtKind::Redim:
      return ExecRedim(static_cast<const RedimStmt&>(s));
  }
  return {};
}

Interpreter::Flow Interpreter::ExecDim(const DimStmt& s) {
  SlotType declared;
  if (!s.type.empty()) declared = ResolveType(s.type, s.line);
  for (const DimName& n : s.names) {
    SlotType type = declared;
    Datum value;
    if (n.isArray) {
      type.isArray = true;
      value = DefaultValue(type);
      if (n.upperBound) {
        int64_t ub = UpperBound(Eval(*n.upperBound), s.line);
        value.array->items.assign(static_cast<size_t>(ub + 1), DefaultValue(type.Element()).value);
      }
      if (s.init) value = Convert(Eval(*s.init), type, s.line, "'" + n.name + "'");
    } else if (s.isNew) {
      if (type.base != SlotType::Base::Object || type.cls == nullptr) {
        Fail(s.line, "'As New' needs a class, not " + type.Display());
      }
      value = Construct(*type.cls, s.newArgs, s.line);
    } else if (s.init) {
      Datum d = Eval(*s.init);
      if (s.type.empty()) type = TypeOfValue(d);
      value = Convert(d, type, s.line, "'" + n.name + "'");
    } else {
      value = DefaultValue(type);
    }
    auto var = std::make_shared<Variable>();
    var->type = type;
    var->datum = std::move(value);
    var->isConst = s.isConst;
    Declare(n.slot, std::move(var));
  }
  return {};
}

Interpreter::Flow Interpreter::ExecAssign(const AssignStmt& s) {
  if (!AssignByPlan(s) && !AssignInteger(s)) AssignValue(s);
  return {};
}

void Interpreter::AssignValue(const AssignStmt& s) {
  Scalar scalar{};
  if (!s.compound && s.value->kind == ExprKind::Call) {
    const auto& call = static_cast<const CallExpr&>(*s.value);
    if (call.callee->kind == ExprKind::Member &&
        ScalarMember(static_cast<const MemberExpr&>(*call.callee), call.args, scalar)) {
      if (scalar.kind == Value::Kind::Nil) Required(std::nullopt, *call.callee);
      if (s.target->kind == ExprKind::Name) {
        Variable* v = Lookup(static_cast<const NameExpr&>(*s.target));
        if (v != nullptr && StoreScalar(*v, scalar)) return;
      }
      Assign(*s.target, ValueOfScalar(scalar), s.line);
      return;
    }
  }
  if (s.value->readsNumbers && AssignNumber(s)) return;
  Datum value = Eval(*s.value);
  if (s.compound) {
    Datum scratch;
    const Datum& current = EvalRef(*s.target, scratch);
    Value result;
    std::string error;
    if (current.IsArray() || value.IsArray() ||
        !ApplyBinary(s.op, current.value, value.value, result, error)) {
      Fail(s.line, error.empty() ? "Type mismatch: arrays have no arithmetic" : error);
    }
    value = result;
  }
  Assign(*s.target, value, s.line);
}

Interpreter::Flow Interpreter::ExecCall(const CallStmt& s) {
  Scalar ignored{};
  if (s.callee->kind == ExprKind::Member &&
      ScalarMember(static_cast<const MemberExpr&>(*s.callee), s.args, ignored)) {
    return {};
  }
  Invoke(*s.callee, s.args, s.line);
  return {};
}

Interpreter::Flow Interpreter::ExecIf(const IfStmt& s) {
  for (const IfBranch& b : s.branches) {
    if (Condition(*b.condition)) return Exec(b.body);
  }
  return Exec(s.elseBody);
}

bool Interpreter::LeavesLoop(const Flow& flow, LoopKind kind, Flow& out) {
  bool mine = flow.target == LoopKind::Any || flow.target == kind;
  switch (flow.kind) {
    case FlowKind::Normal:
      return false;
    case FlowKind::Continue:
      if (mine) return false;
      out = flow;
      return true;
    case FlowKind::Exit:
      out = mine ? Flow{} : flow;
      return true;
    case FlowKind::Return:
      out = flow;
      return true;
  }
  return false;
}

Interpreter::VariablePtr Interpreter::LoopVariable(const std::string& name, const VarSlot& slot,
                                                   const TypeName& declared, const Datum& first,
                                                   int line) {
  if (declared.empty()) {
    if (VariablePtr* v = SlotOf(slot, name)) {
      if ((*v)->isConst) Fail(line, "Cannot use the constant '" + name + "' as a loop variable");
      return *v;
    }
  }
  // An undeclared loop variable is declared here, typed by its first value.
  auto v = std::make_shared<Variable>();
  v->type = declared.empty() ? TypeOfValue(first) : ResolveType(declared, line);
  v->datum = DefaultValue(v->type);
  Declare(slot, v);
  return v;
}

Interpreter::Flow Interpreter::ExecFor(const ForStmt& s) {
  Datum first = Eval(*s.from);
  VariablePtr v = LoopVariable(s.variable, s.slot, s.declaredType, first, s.line);
  Store(Place{v.get(), nullptr, 0}, first, s.line);
  Datum step = s.step ? Eval(*s.step) : Datum(Value::Int(1));
  if (step.IsArray() || !IsNumeric(step.value)) Fail(s.line, "Step must be a number");
  std::string error;
  if (s.downTo && !ApplyUnary(Op::Neg, step.value, step.value, error)) Fail(s.line, error);
  Op past = AsDouble(step.value) >= 0 ? Op::Gt : Op::Lt;
  // An Integer counter always holds an Integer.
  bool countsIntegers = v->type.base == SlotType::Base::Integer && !v->type.isArray;
  bool integerSteps = countsIntegers && step.value.kind == Value::Kind::Integer && !step.IsArray();
  int64_t by = step.value.integer;
  // An Integer counter against an Integer literal or variable, as most
  // loops count, reads the bound through where it is kept, found again
  // only when epoch_ changes.
  const int64_t* bound = nullptr;
  uint64_t boundEpoch = 0;
  Datum scratch;
  for (;;) {
    int64_t end = 0;
    if (countsIntegers && boundEpoch != epoch_) {
      bound = IntegerAt(*s.to);
      boundEpoch = epoch_;
    }
    if (bound != nullptr) {
      int64_t at = v->datum.value.integer;
      if (past == Op::Gt ? at > *bound : at < *bound) return {};
    } else if (v->datum.value.kind == Value::Kind::Integer && s.to->simple &&
               IntegerOperand(*s.to, end)) {
      int64_t at = v->datum.value.integer;
      if (past == Op::Gt ? at > end : at < end) return {};
    } else {
      const Datum& limit = EvalRef(*s.to, scratch);
      Value done;
      if (limit.IsArray() || !ApplyBinary(past, v->datum.value, limit.value, done, error)) {
        Fail(s.line, "For needs numbers: " + (error.empty() ? KindName(limit) : error));
      }
      if (done.boolean) return {};
    }
    Flow flow = ExecBlock(s.body);
    Flow out;
    if (flow.kind != FlowKind::Normal && LeavesLoop(flow, LoopKind::For, out)) return out;
    if (integerSteps) {
      auto next = static_cast<uint64_t>(v->datum.value.integer) + static_cast<uint64_t>(by);
      v->datum.value.integer = static_cast<int64_t>(next);
      continue;
    }
    Value next;
    if (!ApplyBinary(Op::Add, v->datum.value, step.value, next, error)) Fail(s.line, error);
    Store(Place{v.get(), nullptr, 0}, next, s.line);
  }
}

Interpreter::Flow Interpreter::ExecForEach(const ForEachStmt& s) {
  Datum collection = Eval(*s.collection);
  if (!collection.IsArray()) Fail(s.line, "For Each needs an array, got " + KindName(collection));
  std::shared_ptr<ArrayData> a = collection.array;
  Datum first = a->items.empty() ? DefaultValue(a->elementType) : Datum(a->items[0]);
  VariablePtr v = LoopVariable(s.variable, s.slot, s.declaredType, first, s.line);
  for (size_t i = 0; i < a->items.size(); ++i) {
    Store(Place{v.get(), nullptr, 0}, a->items[i], s.line);
    Flow out;
    if (LeavesLoop(ExecBlock(s.body), LoopKind::For, out)) return out;
  }
  return {};
}

Interpreter::Flow Interpreter::ExecWhile(const WhileStmt& s) {
  while (Condition(*s.condition)) {
    Flow out;
    if (LeavesLoop(ExecBlock(s.body), LoopKind::While, out)) return out;
  }
  return {};
}

// The loop ends when its condition equals `until`: While stops on False, Until on True.
Interpreter::Flow Interpreter::ExecDo(const DoStmt& s) {
  for (;;) {
    if (s.condition && s.conditionAtTop && Condition(*s.condition) == s.until) return {};
    Flow out;
    if (LeavesLoop(ExecBlock(s.body), LoopKind::Do, out)) return out;
    if (s.condition && !s.conditionAtTop && Condition(*s.condition) == s.until) return {};
  }
}

bool Interpreter::MatchesCase(const Datum& subject, const CaseTest& test) {
  int line = test.first->line;
  auto compare = [&](Op op, const Expr& e) {
    Datum other = Eval(e);
    Value r;
    std::string error;
    if (subject.IsArray() || other.IsArray() ||
        !ApplyBinary(op, subject.value, other.value, r, error)) {
      Fail(line, error.empty() ? "Type mismatch: Case cannot compare arrays" : error);
    }
    return r.boolean;
  };
  switch (test.kind) {
    case CaseTest::Kind::Value:
      return compare(Op::Eq, *test.first);
    case CaseTest::Kind::Range:
      return compare(Op::Ge, *test.first) && compare(Op::Le, *test.last);
    case CaseTest::Kind::Is:
      return compare(test.op, *test.first);
  }
  return false;
}

Interpreter::Flow Interpreter::ExecSelect(const SelectStmt& s) {
  Datum subject = Eval(*s.subject);
  for (const CaseClause& c : s.cases) {
    for (const CaseTest& t : c.tests) {
      if (MatchesCase(subject, t)) return Exec(c.body);
    }
  }
  return Exec(s.elseBody);
}

Interpreter::Flow Interpreter::ExecReturn(const ReturnStmt& s) {
  const MethodDef* m = Current().method;
  if (s.value) {
    Datum d = Eval(*s.value);
    if (m != nullptr) {
      Current().result = Convert(d, ResolveType(m->result, s.line), s.line, "the result");
    }
  }
  return {FlowKind::Return, LoopKind::Method};
}

Interpreter::Flow Interpreter::ExecPrint(const PrintStmt& s) {
  std::string line;
  for (size_t i = 0; i < s.values.size(); ++i) {
    if (i > 0) line += '\t';
    line += DisplayText(Eval(*s.values[i]));
  }
  out_ << line << "\n";
  return {};
}

Interpreter::Flow Interpreter::ExecRedim(const RedimStmt& s) {
  Datum target = Eval(*s.array);
  if (!target.IsArray()) Fail(s.line, "Redim needs an array, got " + KindName(target));
  int64_t ub = UpperBound(Eval(*s.upperBound), s.line);
  ArrayData& a = *target.array;
  a.items.resize(static_cast<size_t>(ub + 1), DefaultValue(a.elementType).value);
  return {};
}

// ---------------------------------------------------------------------------
// Types, variables and places
// ---------------------------------------------------------------------------

void Interpreter::Fail(int line, const std::string& message) const {
  throw ScriptError{line, message};
}

SlotType Interpreter::ResolveType(const TypeName& type, int line) {
  struct Named {
    const char* name;
    SlotType::Base base;
  };
  static const Named kTypes[] = {
      {"integer", SlotType::Base::Integer}, {"int8", SlotType::Base::Integer},
      {"int16", SlotType::Base::Integer},   {"int32", SlotType::Base::Integer},
      {"int64", SlotType::Base::Integer},   {"uint8", SlotType::Base::Integer},
      {"uint16", SlotType::Base::Integer},  {"uint32", SlotType::Base::Integer},
      {"uint64", SlotType::Base::Integer},  {"double", SlotType::Base::Double},
      {"single", SlotType::Base::Double},   {"currency", SlotType::Base::Double},
      {"boolean", SlotType::Base::Boolean}, {"string", SlotType::Base::String},
      {"text", SlotType::Base::String},     {"color", SlotType::Base::Color},
      {"variant", SlotType::Base::Variant}, {"auto", SlotType::Base::Variant},
      {"object", SlotType::Base::Object},
  };
  SlotType t;
  t.isArray = type.isArray;
  t.name = type.empty() ? "Variant" : type.name;
  if (type.empty()) return t;
  std::string key = Fold(type.name);
  for (const Named& n : kTypes) {
    if (key == n.name) {
      t.base = n.base;
      return t;
    }
  }
  const ClassInfo* cls = host_.FindClass(type.name);
  if (cls == nullptr) Fail(line, "Unknown type '" + type.name + "'");
  t.base = SlotType::Base::Object;
  t.cls = cls;
  t.name = cls->name;
  return t;
}

SlotType Interpreter::TypeOfValue(const Datum& d) const {
  if (d.IsArray()) {
    SlotType t = d.array->elementType;
    t.isArray = true;
    return t;
  }
  SlotType t;
  switch (d.value.kind) {
    case Value::Kind::Integer:
      t.base = SlotType::Base::Integer;
      break;
    case Value::Kind::Double:
      t.base = SlotType::Base::Double;
      break;
    case Value::Kind::Boolean:
      t.base = SlotType::Base::Boolean;
      break;
    case Value::Kind::String:
      t.base = SlotType::Base::String;
      break;
    case Value::Kind::Color:
      t.base = SlotType::Base::Color;
      break;
    case Value::Kind::Object:
      t.base = SlotType::Base::Object;
      t.cls = &d.value.object->Class();
      break;
    case Value::Kind::Nil:
      t.name = "Variant";
      return t;
  }
  t.name = KindName(d);
  return t;
}

Datum Interpreter::Convert(const Datum& d, const SlotType& type, int line,
                           const std::string& what) {
  Datum out;
  std::string error;
  if (!ConvertForSlot(d, type, out, error)) Fail(line, error + " for " + what);
  return out;
}

int64_t Interpreter::UpperBound(const Datum& d, int line) const {
  if (d.IsArray() || d.value.kind != Value::Kind::Integer) {
    Fail(line, "An array bound must be an Integer, got " + KindName(d));
  }
  if (d.value.integer < -1 || d.value.integer > (int64_t{1} << 24)) {
    Fail(line, "Array bound " + std::to_string(d.value.integer) + " is out of range");
  }
  return d.value.integer;
}

Interpreter::VariablePtr* Interpreter::LocalSlotOf(const VarSlot& slot, const std::string& name) {
  Frame& frame = Current();
  int local = slot.local;
  if (local == VarSlot::kLocalByName) {
    auto it = frame.method->locals.find(Fold(name));
    local = it != frame.method->locals.end() ? it->second : -1;
  }
  if (local >= 0 && frame.locals[local] != nullptr) return &frame.locals[local];
  return nullptr;
}

void Interpreter::Declare(const VarSlot& slot, VariablePtr var) {
  if (frames_.size() > 1) {
    Current().locals[slot.local] = std::move(var);
  } else {
    globals_[slot.global] = std::move(var);
  }
  Current().epoch = epoch_ = ++lastEpoch_;
}

Variable* Interpreter::LookupAgain(const NameExpr& n) {
  n.variable = Lookup(n.slot, n.name);
  n.epoch = epoch_;
  return n.variable;
}

void Interpreter::PushFrame(std::unique_ptr<Frame> frame) {
  frame->epoch = epoch_ = ++lastEpoch_;
  frames_.push_back(std::move(frame));
}

// The caller's names refer to what they did before the call: a method
// declares nothing outside its own frame.
void Interpreter::PopFrame() {
  frames_.pop_back();
  epoch_ = Current().epoch;
}

void Interpreter::PopFramesToTopLevel() {
  frames_.resize(1);
  epoch_ = Current().epoch;
}

bool Interpreter::Condition(const Expr& e) {
  bool test = false;
  if (e.simple && EvalIntegerTest(e, test)) return test;
  if (e.readsNumbers && MemberTest(e, test)) return test;
  Datum scratch;
  const Datum& d = EvalRef(e, scratch);
  if (d.IsArray() || d.value.kind != Value::Kind::Boolean) {
    Fail(e.line, "A condition must be a Boolean, got " + KindName(d));
  }
  return d.value.boolean;
}

Interpreter::Place Interpreter::PlaceOf(const Expr& e) {
  if (e.kind == ExprKind::Name) {
    const auto& n = static_cast<const NameExpr&>(e);
    VariablePtr* v = SlotOf(n.slot, n.name);
    if (v != nullptr && !(*v)->isConst) return Place{v->get(), nullptr, 0};
    return {};
  }
  if (e.kind != ExprKind::Call) return {};
  const auto& call = static_cast<const CallExpr&>(e);
  if (call.callee->kind != ExprKind::Name || call.args.size() != 1) return {};
  Variable* v = Lookup(static_cast<const NameExpr&>(*call.callee));
  if (v == nullptr || !v->datum.IsArray()) return {};
  std::shared_ptr<ArrayData> a = v->datum.array;
  return Place{nullptr, a, Index(*a, Eval(*call.args[0]), e.line, false)};
}

Datum Interpreter::Read(const Place& p) const {
  if (p.var != nullptr) return p.var->datum;
  return Element(*p.array, Value::Int(p.index), 0);
}

bool Interpreter::StoreSameType(Variable& v, const Datum& d) {
  if (d.IsArray() || v.type.isArray) return false;
  Value& to = v.datum.value;
  const Value& from = d.value;
  switch (v.type.base) {
    case SlotType::Base::Integer:
    case SlotType::Base::Color:
      if (from.kind != to.kind) return false;
      to.integer = from.integer;
      return true;
    case SlotType::Base::Double:
      if (from.kind != Value::Kind::Double) return false;
      to.number = from.number;
      return true;
    case SlotType::Base::Boolean:
      if (from.kind != Value::Kind::Boolean) return false;
      to.boolean = from.boolean;
      return true;
    default:
      return false;
  }
}

void Interpreter::Store(const Place& p, const Datum& d, int line) {
  if (p.var != nullptr) {
    if (StoreSameType(*p.var, d)) return;
    p.var->datum = Convert(d, p.var->type, line, "the variable");
    return;
  }
  int64_t i = Index(*p.array, Value::Int(p.index), line, false);
  p.array->items[static_cast<size_t>(i)] =
      Convert(d, p.array->elementType, line, "the array element").value;
}

void Interpreter::Assign(const Expr& target, const Datum& value, int line) {
  if (target.kind == ExprKind::Name) {
    const std::string& name = static_cast<const NameExpr&>(target).name;
    Variable* v = Lookup(static_cast<const NameExpr&>(target));
    if (v == nullptr) Fail(line, "Unknown variable '" + name + "'; declare it with Dim");
    if (v->isConst) Fail(line, "Cannot assign to the constant '" + name + "'");
    if (StoreSameType(*v, value)) return;
    v->datum = Convert(value, v->type, line, "'" + name + "'");
    return;
  }
  if (target.kind == ExprKind::Call) {
    const auto& call = static_cast<const CallExpr&>(target);
    Place p = PlaceOf(target);
    if (p.IsSet()) return Store(p, value, line);
    if (call.callee->kind == ExprKind::Name) {
      const auto& callee = static_cast<const NameExpr&>(*call.callee);
      const std::string& name = callee.name;
      Fail(line, Lookup(callee) != nullptr ? "'" + name + "' is not an array"
                                           : "Unknown array '" + name + "'");
    }
    if (call.callee->kind != ExprKind::Member) Fail(line, "Cannot assign to this expression");
    const auto& m = static_cast<const MemberExpr&>(*call.callee);
    Datum object = Eval(*m.object);
    if (object.IsArray() || object.value.kind != Value::Kind::Object) {
      Fail(line, object.value.kind == Value::Kind::Nil
                     ? "Nil object access: cannot assign to ." + m.name + "(...) of Nil"
                     : KindName(object) + " has no assignable method '" + m.name + "'");
    }
    ArgsLease args(*this);
    EvalHostArgs(call.args, line, *args);
    HostError error;
    if (!host_.AssignMethod(object.value, m.name, args->values, HostValue(value, line), error)) {
      Fail(line, error.message);
    }
    WriteBack(*args, line);
    return;
  }
  if (target.kind != ExprKind::Member) Fail(line, "Cannot assign to this expression");
  const auto& m = static_cast<const MemberExpr&>(target);
  if (m.object->kind == ExprKind::Name) {
    const auto& ownerName = static_cast<const NameExpr&>(*m.object);
    const std::string& owner = ownerName.name;
    if (Lookup(ownerName) == nullptr && (host_.FindClass(owner) || FindModule(owner))) {
      Fail(line, "Cannot assign to " + owner + "." + m.name);
    }
  }
  Datum object = Eval(*m.object);
  if (object.IsArray() || object.value.kind != Value::Kind::Object) {
    Fail(line, object.value.kind == Value::Kind::Nil && !object.IsArray()
                   ? "Nil object access: cannot set ." + m.name + " of Nil"
                   : KindName(object) + " has no property '" + m.name + "'");
  }
  HostError error;
  if (!host_.SetProperty(object.value, m.name, HostValue(value, line), error)) {
    Fail(line, error.message);
  }
}

}  // namespace fenra::host::script
