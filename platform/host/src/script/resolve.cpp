#include "script/resolve.h"

#include "script/lexer.h"
#include "script/operators.h"

namespace fenra::host::script {

int GlobalNames::SlotOf(const std::string& folded) {
  auto [it, added] = slots_.try_emplace(folded, static_cast<int>(slots_.size()));
  return it->second;
}

namespace {

const Value* LiteralValue(const ExprPtr& e) {
  if (e->kind != ExprKind::Literal) return nullptr;
  const Datum& d = static_cast<const LiteralExpr&>(*e).value;
  return d.IsArray() ? nullptr : &d.value;
}

// An operator on literals becomes the literal it gives. One that fails
// (a division by zero, a type mismatch) stays, to fail when it runs.
void FoldConstant(ExprPtr& e) {
  Value out;
  std::string error;
  if (e->kind == ExprKind::Unary) {
    const auto& u = static_cast<const UnaryExpr&>(*e);
    const Value* operand = LiteralValue(u.operand);
    if (operand == nullptr || !ApplyUnary(u.op, *operand, out, error)) return;
  } else {
    const auto& b = static_cast<const BinaryExpr&>(*e);
    const Value* left = LiteralValue(b.left);
    const Value* right = LiteralValue(b.right);
    if (left == nullptr || right == nullptr || !ApplyBinary(b.op, *left, *right, out, error)) {
      return;
    }
  }
  e = std::make_unique<LiteralExpr>(e->line, std::move(out));
  e->simple = true;
}

// Whether an operator on Integers always gives an Integer.
bool CannotFail(const BinaryExpr& b) {
  switch (b.op) {
    case Op::Add:
    case Op::Sub:
    case Op::Mul:
    case Op::And:
    case Op::Or:
    case Op::Xor:
      return true;
    case Op::Mod:
    case Op::IntDiv: {
      const Value* divisor = LiteralValue(b.right);
      return divisor != nullptr && divisor->kind == Value::Kind::Integer && divisor->integer != 0 &&
             divisor->integer != -1;
    }
    default:
      return false;
  }
}

bool IsComparison(Op op) {
  return op == Op::Eq || op == Op::Ne || op == Op::Lt || op == Op::Gt || op == Op::Le ||
         op == Op::Ge;
}

// Whether `b` may be worked out on numbers read from properties: see
// Expr::readsNumbers.
bool ReadsNumbers(const BinaryExpr& b) {
  bool arithmetic = b.op == Op::Add || b.op == Op::Sub || b.op == Op::Mul || b.op == Op::Div;
  auto operand = [](const Expr& e) {
    bool test = e.kind == ExprKind::Binary && IsComparison(static_cast<const BinaryExpr&>(e).op);
    return (e.simple || e.readsNumbers) && !test;
  };
  return (arithmetic || IsComparison(b.op)) && (b.left->readsNumbers || b.right->readsNumbers) &&
         operand(*b.left) && operand(*b.right);
}

// Walks a method's body (or the main statements, without a method) twice:
// first to number the variables the method declares, then to give every
// name its slots. A name used before its Dim still gets the local slot:
// until the Dim runs that slot is empty and the global one is used.
class Resolver {
 public:
  Resolver(GlobalNames& globals, MethodDef* method) : globals_(globals), method_(method) {}

  void Method(MethodDef& m) {
    for (Param& p : m.params) p.local = AddLocal(Fold(p.name));
    collecting_ = true;
    Walk(m.body);
    collecting_ = false;
    Walk(m.body);
    // Default values are evaluated in the caller's frame.
    method_ = nullptr;
    for (Param& p : m.params) {
      byName_ = true;
      Walk(p.defaultValue);
      byName_ = false;
    }
  }

  void Main(Block& main) {
    collecting_ = false;
    Walk(main);
  }

 private:
  int AddLocal(const std::string& folded) {
    auto [it, added] =
        method_->locals.try_emplace(folded, static_cast<int>(method_->locals.size()));
    return it->second;
  }

  void Declared(const std::string& name, VarSlot& slot) {
    std::string folded = Fold(name);
    if (collecting_) {
      if (method_ != nullptr) AddLocal(folded);
      return;
    }
    Fill(folded, slot);
  }

  void Fill(const std::string& folded, VarSlot& slot) {
    slot.global = globals_.SlotOf(folded);
    slot.local = -1;
    if (byName_) {
      slot.local = VarSlot::kLocalByName;
    } else if (method_ != nullptr) {
      auto it = method_->locals.find(folded);
      if (it != method_->locals.end()) slot.local = it->second;
    }
  }

  void Walk(Block& block) {
    for (StmtPtr& s : block) Walk(*s);
  }

  void Walk(ExprList& list) {
    for (ExprPtr& e : list) Walk(e);
  }

  void Walk(ExprPtr& e) {
    if (e == nullptr) return;
    switch (e->kind) {
      case ExprKind::Literal:
        e->simple = true;
        return;
      case ExprKind::Name: {
        auto& n = static_cast<NameExpr&>(*e);
        if (!collecting_) Fill(Fold(n.name), n.slot);
        e->simple = true;
        return;
      }
      case ExprKind::Member: {
        auto& m = static_cast<MemberExpr&>(*e);
        Walk(m.object);
        e->readsMembers = m.object->kind == ExprKind::Name;
        e->readsNumbers = e->readsMembers;
        return;
      }
      case ExprKind::Call: {
        auto& c = static_cast<CallExpr&>(*e);
        Walk(c.callee);
        return Walk(c.args);
      }
      case ExprKind::Unary: {
        auto& u = static_cast<UnaryExpr&>(*e);
        Walk(u.operand);
        e->simple = u.operand->simple;
        e->readsMembers = u.operand->readsMembers;
        e->readsNumbers = u.op == Op::Neg && u.operand->readsNumbers;
        return FoldConstant(e);
      }
      case ExprKind::Binary: {
        auto& b = static_cast<BinaryExpr&>(*e);
        Walk(b.left);
        Walk(b.right);
        e->simple = b.left->simple && b.right->simple;
        e->readsMembers = (b.left->readsMembers || b.right->readsMembers) &&
                          (b.left->simple || b.left->readsMembers) &&
                          (b.right->simple || b.right->readsMembers) && CannotFail(b);
        e->readsNumbers = ReadsNumbers(b);
        return FoldConstant(e);
      }
      case ExprKind::New:
        return Walk(static_cast<NewExpr&>(*e).args);
      case ExprKind::IsA:
        return Walk(static_cast<IsAExpr&>(*e).operand);
    }
  }

  void Walk(Stmt& s) {
    switch (s.kind) {
      case StmtKind::Dim: {
        auto& d = static_cast<DimStmt&>(s);
        for (DimName& n : d.names) {
          Walk(n.upperBound);
          Declared(n.name, n.slot);
        }
        Walk(d.newArgs);
        return Walk(d.init);
      }
      case StmtKind::Assign: {
        auto& a = static_cast<AssignStmt&>(s);
        Walk(a.target);
        return Walk(a.value);
      }
      case StmtKind::Call: {
        auto& c = static_cast<CallStmt&>(s);
        Walk(c.callee);
        return Walk(c.args);
      }
      case StmtKind::Expression:
        return Walk(static_cast<ExpressionStmt&>(s).expr);
      case StmtKind::If: {
        auto& i = static_cast<IfStmt&>(s);
        for (IfBranch& b : i.branches) {
          Walk(b.condition);
          Walk(b.body);
        }
        return Walk(i.elseBody);
      }
      case StmtKind::For: {
        auto& f = static_cast<ForStmt&>(s);
        Declared(f.variable, f.slot);
        Walk(f.from);
        Walk(f.to);
        Walk(f.step);
        return Walk(f.body);
      }
      case StmtKind::ForEach: {
        auto& f = static_cast<ForEachStmt&>(s);
        Declared(f.variable, f.slot);
        Walk(f.collection);
        return Walk(f.body);
      }
      case StmtKind::While: {
        auto& w = static_cast<WhileStmt&>(s);
        Walk(w.condition);
        return Walk(w.body);
      }
      case StmtKind::Do: {
        auto& d = static_cast<DoStmt&>(s);
        Walk(d.condition);
        return Walk(d.body);
      }
      case StmtKind::Select: {
        auto& sel = static_cast<SelectStmt&>(s);
        Walk(sel.subject);
        for (CaseClause& c : sel.cases) {
          for (CaseTest& t : c.tests) {
            Walk(t.first);
            Walk(t.last);
          }
          Walk(c.body);
        }
        return Walk(sel.elseBody);
      }
      case StmtKind::Return:
        return Walk(static_cast<ReturnStmt&>(s).value);
      case StmtKind::Print:
        return Walk(static_cast<PrintStmt&>(s).values);
      case StmtKind::Redim: {
        auto& r = static_cast<RedimStmt&>(s);
        Walk(r.array);
        return Walk(r.upperBound);
      }
      case StmtKind::Exit:
      case StmtKind::Continue:
        return;
    }
  }

  GlobalNames& globals_;
  MethodDef* method_;
  bool collecting_ = false;
  bool byName_ = false;
};

}  // namespace

void ResolveNames(Program& program, GlobalNames& globals) {
  for (MethodPtr& m : program.methods) Resolver(globals, m.get()).Method(*m);
  Resolver(globals, nullptr).Main(program.main);
}

}  // namespace fenra::host::script
