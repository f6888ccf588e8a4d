// The syntax tree of a script: what the parser builds and the evaluator
// walks. Every node carries the line it starts on, for error messages.
// Names keep the spelling of the source; lookups fold case themselves.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "fenra_host/runtime.h"
#include "script/datum.h"

namespace fenra::host::script {

// Where the variable a name refers to is kept, found once before the
// program runs. `local` indexes the frame of the method the name is used
// in (-1 when that method declares no variable of the name; kLocalByName
// when the frame is only known at run time, as for a default value, which
// is evaluated in the caller's frame). `global` indexes the script's
// globals: every name a program uses has one, declared or not yet.
struct VarSlot {
  static constexpr int kLocalByName = -2;
  int local = -1;
  int global = -1;
};

// ---------------------------------------------------------------------------
// Expressions
// ---------------------------------------------------------------------------

enum class ExprKind { Literal, Name, Member, Call, Unary, Binary, New, IsA };

// clang-format off
enum class Op {
  Add, Sub, Mul, Div, IntDiv, Mod, Pow,  // arithmetic
  Eq, Ne, Lt, Gt, Le, Ge, Is,            // comparison
  And, Or, Xor,                          // logic (bitwise on Integers)
  Neg, Not                               // unary
};
// clang-format on

struct Expr {
  Expr(ExprKind k, int l) : kind(k), line(l) {}
  virtual ~Expr() = default;
  ExprKind kind;
  int line;
  // Made of literals, names and operators only, found before the program
  // runs: what the evaluator may work out without making values.
  bool simple = false;
  // Made of literals, names, reads of name.member and the operators that
  // cannot fail on Integers (Mod and \ only by a literal other than 0 and
  // -1), with at least one such read: Integer arithmetic on properties,
  // which the evaluator works out without values when every read goes to
  // an Integer getter.
  bool readsMembers = false;
  // Made of literals, names, reads of name.member and the operators + - *
  // / and unary -, with at least one such read, perhaps compared at the
  // top (= <> < > <= >=): arithmetic and tests on properties, which the
  // evaluator works out on numbers without making values when every leaf
  // is an Integer or a Double and every read goes to a getter bound to
  // give one.
  bool readsNumbers = false;
};
using ExprPtr = std::unique_ptr<Expr>;
using ExprList = std::vector<ExprPtr>;

struct LiteralExpr : Expr {
  LiteralExpr(int l, Datum v) : Expr(ExprKind::Literal, l), value(std::move(v)) {}
  Datum value;
};

struct NameExpr : Expr {
  NameExpr(int l, std::string n) : Expr(ExprKind::Name, l), name(std::move(n)) {}
  std::string name;
  VarSlot slot;
  // The variable the name referred to at its last lookup (null for none),
  // valid while the interpreter's epoch is still `epoch` (0: never looked up).
  mutable uint64_t epoch = 0;
  mutable Variable* variable = nullptr;
};

// What the call site of a member found for the class of the last object
// it was used on, kept while objects of that class come: the member's
// declarations and the host's bound member.
struct MemberSite {
  static constexpr size_t kMaxArgs = 6;  // methods with more are not bound
  const ClassInfo* cls = nullptr;
  const PropertyInfo* property = nullptr;
  const MethodInfo* method = nullptr;
  const BoundMember* getter = nullptr;
  // The method overload bound for the arguments last passed: their kinds,
  // and the classes of the objects among them.
  const BoundMember* overload = nullptr;
  size_t argCount = 0;
  Value::Kind argKinds[kMaxArgs] = {};
  const ClassInfo* argClasses[kMaxArgs] = {};
  // Whether the getter, or the overload bound, goes by Scalars (see
  // HostAccess::ScalarCall), and the kind it gives (Nil for nothing).
  bool scalar = false;
  Value::Kind scalarResult = Value::Kind::Nil;
};

// object.name
struct MemberExpr : Expr {
  MemberExpr(int l, ExprPtr o, std::string n)
      : Expr(ExprKind::Member, l), object(std::move(o)), name(std::move(n)) {}
  ExprPtr object;
  std::string name;
  mutable MemberSite site;  // filled as the program runs
};

// callee(args): a function or method call, or an array element.
struct CallExpr : Expr {
  CallExpr(int l, ExprPtr c, ExprList a)
      : Expr(ExprKind::Call, l), callee(std::move(c)), args(std::move(a)) {}
  ExprPtr callee;
  ExprList args;
};

struct UnaryExpr : Expr {
  UnaryExpr(int l, Op o, ExprPtr e) : Expr(ExprKind::Unary, l), op(o), operand(std::move(e)) {}
  Op op;
  ExprPtr operand;
};

struct BinaryExpr : Expr {
  BinaryExpr(int l, Op o, ExprPtr a, ExprPtr b)
      : Expr(ExprKind::Binary, l), op(o), left(std::move(a)), right(std::move(b)) {}
  Op op;
  ExprPtr left;
  ExprPtr right;
};

struct NewExpr : Expr {
  NewExpr(int l, std::string c, ExprList a)
      : Expr(ExprKind::New, l), className(std::move(c)), args(std::move(a)) {}
  std::string className;
  ExprList args;
};

// operand IsA ClassName
struct IsAExpr : Expr {
  IsAExpr(int l, ExprPtr e, std::string c)
      : Expr(ExprKind::IsA, l), operand(std::move(e)), className(std::move(c)) {}
  ExprPtr operand;
  std::string className;
};

// ---------------------------------------------------------------------------
// Statements
// ---------------------------------------------------------------------------

enum class StmtKind {
  Dim,
  Assign,
  Call,
  Expression,
  If,
  For,
  ForEach,
  While,
  Do,
  Select,
  Exit,
  Continue,
  Return,
  Print,
  Redim
};

struct Stmt {
  Stmt(StmtKind k, int l) : kind(k), line(l) {}
  virtual ~Stmt() = default;
  StmtKind kind;
  int line;
};
using StmtPtr = std::unique_ptr<Stmt>;
using Block = std::vector<StmtPtr>;

// One name of a Dim: "a", or "v(3)" / "v()" for an array.
struct DimName {
  std::string name;
  bool isArray = false;
  ExprPtr upperBound;  // null for "v()" (an empty array)
  VarSlot slot;
};

// Dim / Var / Const. `type` is empty when not written.
struct DimStmt : Stmt {
  explicit DimStmt(int l) : Stmt(StmtKind::Dim, l) {}
  std::vector<DimName> names;
  TypeName type;
  bool isConst = false;
  bool isNew = false;  // "As New Class(args)"
  ExprList newArgs;
  ExprPtr init;  // "= value"
};

// An assignment of Integer arithmetic worked out from the Integers it
// reads and writes, as loops assign: target = *left op *right, each
// pointing into an Integer variable or a literal. Made again whenever the
// interpreter's epoch is no longer `epoch`; `ready` false when the
// assignment is of another form or its variables are not all Integers.
struct IntegerPlan {
  uint64_t epoch = 0;
  bool ready = false;
  Op op = Op::Add;
  int64_t* target = nullptr;
  const int64_t* left = nullptr;
  const int64_t* right = nullptr;
};

// target = value, or target op= value when `op` is set.
struct AssignStmt : Stmt {
  AssignStmt(int l, ExprPtr t, ExprPtr v)
      : Stmt(StmtKind::Assign, l), target(std::move(t)), value(std::move(v)) {}
  ExprPtr target;
  ExprPtr value;
  bool compound = false;
  Op op = Op::Add;
  mutable IntegerPlan plan;
};

// A call written as a statement: `callee args` or `callee(args)`. The
// callee is a name or a member; without arguments it may also be a bare
// variable, whose value the interactive prompt shows.
struct CallStmt : Stmt {
  CallStmt(int l, ExprPtr c, ExprList a)
      : Stmt(StmtKind::Call, l), callee(std::move(c)), args(std::move(a)) {}
  ExprPtr callee;
  ExprList args;
};

// A bare expression (the interactive prompt only): its value is shown.
struct ExpressionStmt : Stmt {
  ExpressionStmt(int l, ExprPtr e) : Stmt(StmtKind::Expression, l), expr(std::move(e)) {}
  ExprPtr expr;
};

struct IfBranch {
  ExprPtr condition;
  Block body;
};

struct IfStmt : Stmt {
  explicit IfStmt(int l) : Stmt(StmtKind::If, l) {}
  std::vector<IfBranch> branches;  // If, then each ElseIf
  Block elseBody;
};

struct ForStmt : Stmt {
  explicit ForStmt(int l) : Stmt(StmtKind::For, l) {}
  std::string variable;
  VarSlot slot;
  TypeName declaredType;  // "For i As Integer = ..."
  ExprPtr from;
  ExprPtr to;    // evaluated before every pass, as the dialect does
  ExprPtr step;  // null for 1
  bool downTo = false;
  Block body;
};

struct ForEachStmt : Stmt {
  explicit ForEachStmt(int l) : Stmt(StmtKind::ForEach, l) {}
  std::string variable;
  VarSlot slot;
  TypeName declaredType;
  ExprPtr collection;
  Block body;
};

struct WhileStmt : Stmt {
  explicit WhileStmt(int l) : Stmt(StmtKind::While, l) {}
  ExprPtr condition;
  Block body;
};

// Do [While|Until c] ... Loop [While|Until c]; no condition loops forever.
struct DoStmt : Stmt {
  explicit DoStmt(int l) : Stmt(StmtKind::Do, l) {}
  ExprPtr condition;
  bool conditionAtTop = false;
  bool until = false;
  Block body;
};

// One test of a Case: a value, "a To b", or "Is op value".
struct CaseTest {
  enum class Kind { Value, Range, Is } kind = Kind::Value;
  ExprPtr first;
  ExprPtr last;    // Range
  Op op = Op::Eq;  // Is
};

struct CaseClause {
  std::vector<CaseTest> tests;
  Block body;
  int line = 0;
};

struct SelectStmt : Stmt {
  explicit SelectStmt(int l) : Stmt(StmtKind::Select, l) {}
  ExprPtr subject;
  std::vector<CaseClause> cases;
  bool hasElse = false;
  Block elseBody;
};

// What an Exit or Continue leaves: the innermost loop, or one named kind.
enum class LoopKind { Any, For, While, Do, Method };

struct ExitStmt : Stmt {
  ExitStmt(int l, LoopKind t) : Stmt(StmtKind::Exit, l), target(t) {}
  LoopKind target;
};

struct ContinueStmt : Stmt {
  ContinueStmt(int l, LoopKind t) : Stmt(StmtKind::Continue, l), target(t) {}
  LoopKind target;
};

struct ReturnStmt : Stmt {
  ReturnStmt(int l, ExprPtr v) : Stmt(StmtKind::Return, l), value(std::move(v)) {}
  ExprPtr value;  // null in a Sub
};

struct PrintStmt : Stmt {
  explicit PrintStmt(int l) : Stmt(StmtKind::Print, l) {}
  ExprList values;  // printed one after the other, separated by tabs
};

struct RedimStmt : Stmt {
  explicit RedimStmt(int l) : Stmt(StmtKind::Redim, l) {}
  ExprPtr array;
  ExprPtr upperBound;
};

// ---------------------------------------------------------------------------
// Methods and programs
// ---------------------------------------------------------------------------

struct Param {
  std::string name;
  TypeName type;  // isArray for "a() As Integer"
  bool byRef = false;
  bool optional = false;  // "Optional", or a default value
  ExprPtr defaultValue;
  int local = -1;  // its slot in the method's frame
};

struct MethodDef {
  std::string name;
  std::vector<Param> params;
  TypeName result;  // empty for a Sub
  bool isFunction = false;
  Block body;
  int line = 0;
  // The variables its frame holds (parameters first), by folded name.
  std::unordered_map<std::string, int> locals;
};
using MethodPtr = std::shared_ptr<MethodDef>;

// A parsed script: its Subs and Functions, and the statements run in order.
struct Program {
  std::vector<MethodPtr> methods;
  Block main;
};

}  // namespace fenra::host::script
