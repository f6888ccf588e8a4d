// The evaluator: runs parsed programs against a HostAccess, keeping
// variables and methods between runs for the interactive prompt.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "script/ast.h"
#include "script/builtins.h"
#include "script/datum.h"
#include "script/host_access.h"
#include "script/resolve.h"

namespace fenra::host::script {

class Interpreter {
 public:
  // `host` and `out` must outlive the interpreter. `scriptPath` and `args`
  // are what System.CommandLine and Args() report.
  Interpreter(HostAccess& host, std::ostream& out, std::string scriptPath = "",
              std::vector<std::string> args = {});
  ~Interpreter();
  Interpreter(const Interpreter&) = delete;
  Interpreter& operator=(const Interpreter&) = delete;

  // Parses and runs a whole script named `name` (used in messages). On a
  // parse or runtime error writes "name:line: message" to `err`. Returns
  // the exit status: 0, 1 after an error, or the code given to Quit.
  int Run(const std::string& name, std::string_view source, std::ostream& err);

  enum class ChunkResult { Done, Incomplete, Failed, Quit };
  // Runs a chunk of the interactive prompt: keeps what earlier chunks
  // declared and shows the value of a bare expression on `out`. Incomplete
  // when the chunk ends inside a construct; nothing has run then.
  ChunkResult RunChunk(std::string_view source, std::ostream& err);
  int QuitCode() const { return quitCode_; }

 private:
  using VariablePtr = std::shared_ptr<Variable>;

  // A method's running frame; the script's top level keeps its variables
  // in globals_ instead.
  struct Frame {
    std::vector<VariablePtr> locals;    // by the slots the method numbered
    const MethodDef* method = nullptr;  // null for the script's top level
    Datum result;
    uint64_t epoch = 0;  // epoch_ while the frame runs (see epoch_)
  };

  // Where a value can be stored: a variable or an array element.
  // A Place lives no longer than the call it is made for, while the
  // variable stays in its frame.
  struct Place {
    Variable* var = nullptr;
    std::shared_ptr<ArrayData> array;
    int64_t index = 0;
    bool IsSet() const { return var != nullptr || array != nullptr; }
  };

  enum class FlowKind { Normal, Exit, Continue, Return };
  struct Flow {
    FlowKind kind = FlowKind::Normal;
    LoopKind target = LoopKind::Any;
  };

  // ----- running (interpreter.cpp) -----
  void Install(Program& program);
  void RunMain(const Block& main);
  void RunTopLevel(const Stmt& s);  // interactive: shows values
  Flow Exec(const Block& block);
  // Exec, inline where loops run their bodies (interpreter.cpp only).
  Flow ExecBlock(const Block& block);
  Flow ExecStmt(const Stmt& s);
  Flow ExecDim(const DimStmt& s);
  Flow ExecAssign(const AssignStmt& s);
  bool AssignInteger(const AssignStmt& s);
  // Runs `s` by its IntegerPlan, made first when out of date; false when
  // it has none or its operator cannot give an Integer of these operands,
  // nothing having happened.
  bool AssignByPlan(const AssignStmt& s);
  void MakePlan(const AssignStmt& s);
  // Where the Integer an Integer literal or a variable declared Integer
  // keeps its value, valid while epoch_ stays; null for anything else.
  const int64_t* IntegerAt(const Expr& e);
  void AssignValue(const AssignStmt& s);  // any assignment, the general way
  Flow ExecCall(const CallStmt& s);
  Flow ExecIf(const IfStmt& s);
  Flow ExecFor(const ForStmt& s);
  Flow ExecForEach(const ForEachStmt& s);
  Flow ExecWhile(const WhileStmt& s);
  Flow ExecDo(const DoStmt& s);
  Flow ExecSelect(const SelectStmt& s);
  Flow ExecReturn(const ReturnStmt& s);
  Flow ExecPrint(const PrintStmt& s);
  Flow ExecRedim(const RedimStmt& s);
  // What a loop of `kind` does with the flow out of its body: true to
  // leave the loop, with `out` the flow to pass on.
  static bool LeavesLoop(const Flow& flow, LoopKind kind, Flow& out);
  bool MatchesCase(const Datum& subject, const CaseTest& test);
  VariablePtr LoopVariable(const std::string& name, const VarSlot& slot, const TypeName& declared,
                           const Datum& first, int line);

  // ----- values and places (interpreter.cpp) -----
  [[noreturn]] void Fail(int line, const std::string& message) const;
  SlotType ResolveType(const TypeName& type, int line);
  SlotType TypeOfValue(const Datum& d) const;
  Datum Convert(const Datum& d, const SlotType& type, int line, const std::string& what);
  // An upper bound for Dim or Redim: an Integer from -1 (empty) up.
  int64_t UpperBound(const Datum& d, int line) const;
  // The variable a name refers to, in the running method's frame first,
  // then among the globals; null when none is declared (yet).
  [[gnu::always_inline]] VariablePtr* SlotOf(const VarSlot& slot, const std::string& name) {
    if (frames_.size() > 1) {
      if (VariablePtr* local = LocalSlotOf(slot, name)) return local;
    }
    auto global = static_cast<size_t>(slot.global);  // -1 is out of range
    if (global < globals_.size() && globals_[global] != nullptr) return &globals_[global];
    return nullptr;
  }
  VariablePtr* LocalSlotOf(const VarSlot& slot, const std::string& name);
  [[gnu::always_inline]] Variable* Lookup(const VarSlot& slot, const std::string& name) {
    VariablePtr* found = SlotOf(slot, name);
    return found != nullptr ? found->get() : nullptr;
  }
  // Lookup of a name, through what the name kept of its last lookup.
  [[gnu::always_inline]] Variable* Lookup(const NameExpr& n) {
    if (n.epoch == epoch_) return n.variable;
    return LookupAgain(n);
  }
  Variable* LookupAgain(const NameExpr& n);
  void Declare(const VarSlot& slot, VariablePtr var);
  // A method's frame starts running, or ends; every frame but the top
  // level's is pushed and popped through these.
  void PushFrame(std::unique_ptr<Frame> frame);
  void PopFrame();
  void PopFramesToTopLevel();  // after an error at the prompt
  Frame& Current() { return *frames_.back(); }
  Frame& Global() { return *frames_.front(); }
  bool Condition(const Expr& e);
  // The place an expression names, when it names a variable or an array
  // element; unset otherwise (nothing is evaluated then but an index).
  Place PlaceOf(const Expr& e);
  Datum Read(const Place& p) const;
  void Store(const Place& p, const Datum& d, int line);
  void Assign(const Expr& target, const Datum& value, int line);

  // Stores into a variable without converting when the value has the
  // variable's type already (an Integer into an Integer ...); false when it
  // needs Convert.
  static bool StoreSameType(Variable& v, const Datum& d);

  // ----- expressions and calls (evaluate.cpp) -----
  Datum Eval(const Expr& e);
  // The value of `e`, read in place when it is kept already (a variable, a
  // literal), else evaluated into `scratch`. Valid until the next
  // evaluation, which may change or remove the variable.
  const Datum& EvalRef(const Expr& e, Datum& scratch);
  Datum EvalBinary(const BinaryExpr& e);
  Datum EvalNew(const NewExpr& e);
  Datum Construct(const ClassInfo& cls, const ExprList& args, int line);
  Datum EvalIsA(const IsAExpr& e);
  // Calls or reads what `callee` names with `args`; nothing for a Sub.
  std::optional<Datum> Invoke(const Expr& callee, const ExprList& args, int line);
  std::optional<Datum> InvokeName(const NameExpr& name, const ExprList& args, int line);
  std::optional<Datum> InvokeMember(const MemberExpr& member, const ExprList& args, int line);
  std::optional<Datum> InvokeStatic(const std::string& owner, const std::string& member,
                                    const ExprList& args, int line, bool& found);
  // `site`, when given, keeps what the member's call site found.
  std::optional<Datum> InvokeOnValue(const Datum& target, const std::string& member,
                                     const ExprList& args, int line, MemberSite* site = nullptr);
  std::optional<Datum> InvokeHostMember(const Value& target, const std::string& member,
                                        const ExprList& args, int line, MemberSite& site);
  // Fills `site` for objects of `cls`.
  void LearnMember(MemberSite& site, const ClassInfo& cls, const std::string& member,
                   bool withoutArgs);
  // The method overload bound for these arguments: the one `site` keeps
  // when they are of the same kinds as before, else bound now; null when
  // the host binds none (the call then goes by name).
  const BoundMember* BoundOverload(MemberSite& site, const std::string& member,
                                   const std::vector<Value>& args);
  Datum ClassConstant(const ClassInfo& cls, const std::string& name, int line, bool& found);
  std::optional<Datum> ArrayMember(ArrayData& a, const std::string& member, const ExprList& args,
                                   int line);
  Datum Element(const ArrayData& a, const Datum& index, int line) const;
  int64_t Index(const ArrayData& a, const Datum& index, int line, bool forInsert) const;
  std::optional<Datum> CallScript(const MethodPtr& m, const ExprList& args, int line);
  std::optional<Datum> CallModule(const ModuleMethodInfo& m, const ExprList& args, int line);
  std::optional<Datum> CallBuiltinNamed(const Builtin& b, const ExprList& args, int line,
                                        const std::string& display);
  std::vector<Datum> EvalArgs(const ExprList& args);
  // The arguments of a host call: their values, the place each came from
  // and their host values; ByRef results are written back to the
  // variables and elements they came from.
  struct HostCallArgs {
    std::vector<Place> places;
    std::vector<Datum> before;
    std::vector<Value> values;
  };
  // Lends a HostCallArgs for one call. Each nesting depth keeps its own
  // from call to call, so that calls allocate nothing once running.
  class ArgsLease {
   public:
    explicit ArgsLease(Interpreter& in);
    ~ArgsLease();
    ArgsLease(const ArgsLease&) = delete;
    ArgsLease& operator=(const ArgsLease&) = delete;
    HostCallArgs& operator*() { return *args_; }
    HostCallArgs* operator->() { return args_; }

   private:
    Interpreter& in_;
    HostCallArgs* args_;
  };
  void EvalHostArgs(const ExprList& args, int line, HostCallArgs& out);
  Value HostValue(const Datum& d, int line);
  void WriteBack(const HostCallArgs& args, int line);
  // The value of a call of `callee`; an error when it returned none.
  Datum Required(std::optional<Datum> d, const Expr& callee);
  // Integer arithmetic (and comparisons of Integers) on literals and
  // variables read in place, as most loops do: no Datum is made. Only what
  // can neither fail nor change anything is worked out so; false leaves
  // `e` to Eval, nothing having happened.
  bool EvalInteger(const Expr& e, int64_t& out);
  bool EvalIntegerTest(const Expr& e, bool& out);
  // EvalInteger of an operand: an Integer literal or variable read here,
  // anything else through EvalInteger.
  [[gnu::always_inline]] bool IntegerOperand(const Expr& e, int64_t& out) {
    if (e.kind == ExprKind::Name) {
      const Variable* v = Lookup(static_cast<const NameExpr&>(e));
      if (v == nullptr || v->datum.value.kind != Value::Kind::Integer || v->datum.IsArray()) {
        return false;
      }
      out = v->datum.value.integer;
      return true;
    }
    if (e.kind == ExprKind::Literal) {
      const Datum& d = static_cast<const LiteralExpr&>(e).value;
      if (d.value.kind != Value::Kind::Integer || d.IsArray()) return false;
      out = d.value.integer;
      return true;
    }
    return EvalInteger(e, out);
  }
  // Integer arithmetic on properties (an expression that readsMembers):
  // worked out without making values when every leaf is an Integer literal
  // or variable or a read of name.member through a getter bound to give an
  // Integer. That is decided before any getter is called, so false leaves
  // `e` to Eval with nothing having happened.
  bool MemberInteger(const Expr& e, int64_t& out);
  bool IntegerReady(const Expr& e);
  int64_t ReadyInteger(const Expr& e);
  // Arithmetic (+ - * / and unary -) and comparisons on properties (an
  // expression that readsNumbers), worked out on Integers and Doubles
  // without making values when every leaf is a literal, a variable or a
  // read of name.member through a getter bound to give one of those. As
  // with MemberInteger, false leaves `e` to Eval with nothing having
  // happened. MemberNumber takes arithmetic, MemberTest a comparison.
  bool MemberNumber(const Expr& e, Number& out);
  bool MemberTest(const Expr& e, bool& out);
  bool NumberReady(const Expr& e);
  Number ReadyNumber(const Expr& e);
  // `name = value` or `name op= value` by MemberNumber; false, nothing
  // having happened, when it does not apply.
  bool AssignNumber(const AssignStmt& s);
  // The object of `m`, when `m.object` is a variable holding an object of
  // the class the member's site was bound for; null otherwise.
  Object* SiteTarget(const MemberExpr& m);
  // The value of a literal, a variable or Integer arithmetic on them
  // (simple), when it is an Integer, Double, Boolean or Color; false leaves
  // `e` to Eval, nothing having happened.
  bool EvalScalar(const Expr& e, Scalar& out);
  // Reads or calls the member `m` with `args` by Scalars, when its site is
  // bound to go so, its object is a variable holding an object of the
  // site's class and the arguments are what EvalScalar evaluates, of the
  // kinds the site was bound for. `out` is the result (Nil for a Sub).
  // False leaves the call to Invoke, nothing having happened.
  bool ScalarMember(const MemberExpr& m, const ExprList& args, Scalar& out);
  // Stores a Scalar into a variable of its own type in place; false when
  // the variable needs Assign.
  static bool StoreScalar(Variable& v, const Scalar& s);
  // Whether evaluating `e` can change no variable, so that a value read in
  // place before it stays valid.
  bool Inert(const Expr& e);
  bool Inert(const ExprList& list);
  void MarkStackBase();
  bool StackExhausted() const;

  HostAccess& host_;
  std::ostream& out_;
  Environment env_;
  std::vector<std::unique_ptr<Frame>> frames_;
  std::deque<HostCallArgs> argsPool_;  // by nesting depth
  size_t argsDepth_ = 0;
  GlobalNames globalNames_;
  std::vector<VariablePtr> globals_;  // by the slots globalNames_ hands out
  // Which variables the names of the running frame refer to can change
  // only when a variable is declared or a frame is pushed or popped; each
  // of those sets epoch_ to a number never used before (or, at a pop, back
  // to the caller's), so what a name found stays right while epoch_ stays.
  uint64_t epoch_ = 1;
  uint64_t lastEpoch_ = 1;
  std::unordered_map<std::string, MethodPtr> methods_;  // by folded name
  bool interactive_ = false;
  int quitCode_ = 0;
  // Recursion is bounded by the stack actually used since the run began,
  // so that a deep script stops with an error instead of a crash.
  uintptr_t stackBase_ = 0;
  size_t stackBudget_ = 0;
};

}  // namespace fenra::host::script
