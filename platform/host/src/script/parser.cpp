#include "script/parser.h"

#include <algorithm>
#include <iterator>
#include <initializer_list>

#include "script/lexer.h"

namespace fenra::host::script {

bool IsReservedWord(std::string_view folded) {
  static constexpr std::string_view kWords[] = {
      "and",    "as",       "byref",  "byval",  "case",     "const", "continue", "dim",
      "do",     "downto",   "each",   "else",   "elseif",   "end",   "exit",     "false",
      "for",    "function", "if",     "in",     "is",       "isa",   "loop",     "mod",
      "new",    "next",     "nil",    "not",    "optional", "or",    "print",    "private",
      "public", "redim",    "return", "select", "step",     "sub",   "then",     "to",
      "true",   "until",    "var",    "wend",   "while",    "xor"};
  return std::find(std::begin(kWords), std::end(kWords), folded) != std::end(kWords);
}

namespace {

// Thrown inside the parser only; Parse() turns it into a ParseError.
struct Failure {
  ParseError error;
};

std::string Describe(const Token& t) {
  switch (t.kind) {
    case TokenKind::EndOfLine:
      return "end of line";
    case TokenKind::End:
      return "end of script";
    case TokenKind::String:
      return "\"" + t.text + "\"";
    default:
      return "'" + t.text + "'";
  }
}

bool IsChain(const Expr& e) {
  return e.kind == ExprKind::Name || e.kind == ExprKind::Member || e.kind == ExprKind::Call;
}

class Parser {
 public:
  Parser(std::vector<Token> tokens, bool interactive)
      : tokens_(std::move(tokens)), interactive_(interactive) {}

  void ParseProgram(Program& program) {
    for (;;) {
      SkipEndOfLines();
      if (Peek().Is(TokenKind::End)) return;
      if (StartsMethod()) {
        program.methods.push_back(ParseMethod());
      } else {
        ParseStatement(program.main);
      }
    }
  }

 private:
  // ----- tokens -----

  const Token& Peek(size_t ahead = 0) const {
    size_t i = std::min(pos_ + ahead, tokens_.size() - 1);
    return tokens_[i];
  }
  const Token& Next() {
    const Token& t = Peek();
    if (pos_ < tokens_.size() - 1) ++pos_;
    return t;
  }
  bool AcceptWord(std::string_view w) {
    if (!Peek().IsWord(w)) return false;
    Next();
    return true;
  }
  bool AcceptSymbol(std::string_view s) {
    if (!Peek().IsSymbol(s)) return false;
    Next();
    return true;
  }

  [[noreturn]] void Fail(const Token& at, std::string message) const {
    throw Failure{{at.line, std::move(message), at.Is(TokenKind::End)}};
  }
  [[noreturn]] void Expected(std::string_view what) const {
    Fail(Peek(), "Expected " + std::string(what) + ", found " + Describe(Peek()));
  }
  void ExpectWord(std::string_view w, std::string_view display) {
    if (!AcceptWord(w)) Expected("'" + std::string(display) + "'");
  }
  void ExpectSymbol(std::string_view s) {
    if (!AcceptSymbol(s)) Expected("'" + std::string(s) + "'");
  }
  // A word that can name something (not a keyword).
  std::string ExpectName(std::string_view what) {
    const Token& t = Peek();
    if (!t.Is(TokenKind::Word) || IsReservedWord(Fold(t.text))) Expected(what);
    return Next().text;
  }

  void SkipEndOfLines() {
    while (Peek().Is(TokenKind::EndOfLine)) Next();
  }

  bool AtEndOfStatement() const {
    const Token& t = Peek();
    return t.Is(TokenKind::EndOfLine) || t.Is(TokenKind::End) || (inline_ > 0 && t.IsWord("else"));
  }
  // Inside a one-line If the line break is left for the If to take, so
  // that an Else on the next line is never mistaken for this If's.
  void ExpectEndOfStatement() {
    if (!AtEndOfStatement()) Expected("end of line");
    if (inline_ == 0 && Peek().Is(TokenKind::EndOfLine)) Next();
  }

  // ----- methods -----

  bool StartsMethod() const {
    size_t i = 0;
    if (Peek().IsWord("private") || Peek().IsWord("public")) i = 1;
    return Peek(i).IsWord("sub") || Peek(i).IsWord("function");
  }

  MethodPtr ParseMethod() {
    if (!AcceptWord("private")) AcceptWord("public");
    auto m = std::make_shared<MethodDef>();
    m->line = Peek().line;
    m->isFunction = Next().IsWord("function");
    m->name = ExpectName("a method name");
    if (AcceptSymbol("(") && !AcceptSymbol(")")) {
      do {
        m->params.push_back(ParseParam());
      } while (AcceptSymbol(","));
      ExpectSymbol(")");
    }
    if (AcceptWord("as")) {
      if (!m->isFunction) Fail(Peek(), "A Sub has no result type; use Function");
      m->result = ParseTypeName(true);
    } else if (m->isFunction) {
      Expected("'As' and the result type");
    }
    ExpectEndOfStatement();
    method_ = m.get();
    const char* closing = m->isFunction ? "End Function" : "End Sub";
    ParseBody(m->body, closing);
    ExpectWord("end", closing);
    ExpectWord(m->isFunction ? "function" : "sub", closing);
    ExpectEndOfStatement();
    method_ = nullptr;
    return m;
  }

  Param ParseParam() {
    Param p;
    for (;;) {
      if (AcceptWord("byref")) {
        p.byRef = true;
      } else if (AcceptWord("byval")) {
        p.byRef = false;
      } else if (AcceptWord("optional")) {
        p.optional = true;
      } else {
        break;
      }
    }
    p.name = ExpectName("a parameter name");
    if (AcceptSymbol("(")) {
      ExpectSymbol(")");
      p.type.isArray = true;
    }
    if (AcceptWord("as")) {
      bool isArray = p.type.isArray;
      p.type = ParseTypeName(true);
      p.type.isArray = p.type.isArray || isArray;
    }
    if (AcceptSymbol("=")) {
      p.defaultValue = ParseExpr();
      p.optional = true;
    }
    return p;
  }

  // A type name; with `allowArray`, "Integer()" names an array of them.
  TypeName ParseTypeName(bool allowArray) {
    const Token& t = Peek();
    if (!t.Is(TokenKind::Word)) Expected("a type name");
    TypeName type;
    type.name = Next().text;
    if (allowArray && Peek().IsSymbol("(") && Peek(1).IsSymbol(")")) {
      Next();
      Next();
      type.isArray = true;
    }
    return type;
  }

  // ----- blocks -----

  static bool IsTerminator(const Token& t) {
    for (const char* w : {"end", "else", "elseif", "next", "wend", "loop", "case"}) {
      if (t.IsWord(w)) return true;
    }
    return false;
  }

  // Statements up to the next line that starts with a block terminator
  // (left for the caller to check). `closing` names what should end it.
  void ParseBody(Block& body, std::string_view closing) {
    for (;;) {
      SkipEndOfLines();
      const Token& t = Peek();
      if (t.Is(TokenKind::End)) Fail(t, "Expected '" + std::string(closing) + "' before the end");
      if (IsTerminator(t)) return;
      if (StartsMethod()) Fail(t, "A Sub or Function cannot be declared inside a block");
      ParseStatement(body);
    }
  }

  void ParseLoopBody(Block& body, std::string_view closing, LoopKind kind) {
    loops_.push_back(kind);
    ParseBody(body, closing);
    loops_.pop_back();
  }

  // ----- statements -----

  void ParseStatement(Block& out) {
    Nest nest(*this);
    const Token& t = Peek();
    if (inline_ > 0) {
      for (const char* w : {"for", "while", "do", "select", "dim", "var", "const"}) {
        if (t.IsWord(w)) Fail(t, "'" + t.text + "' cannot follow Then on the same line");
      }
    }
    if (t.IsWord("dim") || t.IsWord("var")) return ParseDim(out, false);
    if (t.IsWord("const")) return ParseDim(out, true);
    if (t.IsWord("if")) return out.push_back(ParseIf());
    if (t.IsWord("for")) return out.push_back(ParseFor());
    if (t.IsWord("while")) return out.push_back(ParseWhile());
    if (t.IsWord("do")) return out.push_back(ParseDo());
    if (t.IsWord("select")) return out.push_back(ParseSelect());
    if (t.IsWord("exit") || t.IsWord("continue")) return out.push_back(ParseExit());
    if (t.IsWord("return")) return out.push_back(ParseReturn());
    if (t.IsWord("print")) return out.push_back(ParsePrint());
    if (t.IsWord("redim")) return out.push_back(ParseRedim());
    if (IsTerminator(t)) Fail(t, "Unexpected '" + t.text + "'");
    if (t.IsWord("sub") || t.IsWord("function")) {
      Fail(t, "A Sub or Function cannot be declared inside a block");
    }
    ParseSimple(out);
  }

  // Dim/Var/Const: one DimStmt per "names As Type" group of the line.
  void ParseDim(Block& out, bool isConst) {
    Next();
    do {
      auto s = std::make_unique<DimStmt>(Peek().line);
      s->isConst = isConst;
      do {
        s->names.push_back(ParseDimName(isConst));
      } while (AcceptSymbol(","));
      if (AcceptWord("as")) {
        if (!isConst && AcceptWord("new")) {
          s->isNew = true;
          s->type = ParseTypeName(false);
          if (AcceptSymbol("(")) s->newArgs = ParseArgs();
        } else {
          s->type = ParseTypeName(false);
        }
      }
      if (AcceptSymbol("=")) {
        if (s->isNew) Fail(Peek(), "'As New' cannot also have '= value'");
        s->init = ParseExpr();
      } else if (isConst) {
        Expected("'=' and the constant's value");
      }
      out.push_back(std::move(s));
    } while (AcceptSymbol(","));
    ExpectEndOfStatement();
  }

  DimName ParseDimName(bool isConst) {
    DimName d;
    d.name = ExpectName("a variable name");
    if (!isConst && AcceptSymbol("(")) {
      d.isArray = true;
      if (!AcceptSymbol(")")) {
        d.upperBound = ParseExpr();
        if (Peek().IsSymbol(",")) Fail(Peek(), "Only one-dimensional arrays are supported");
        ExpectSymbol(")");
      }
    }
    return d;
  }

  StmtPtr ParseIf() {
    auto s = std::make_unique<IfStmt>(Next().line);
    IfBranch first;
    first.condition = ParseExpr();
    AcceptWord("then");
    if (!Peek().Is(TokenKind::EndOfLine) && !Peek().Is(TokenKind::End)) {
      ParseInlineIf(*s, std::move(first));
      return s;
    }
    ExpectEndOfStatement();
    ParseBody(first.body, "End If");
    s->branches.push_back(std::move(first));
    for (;;) {
      if (Peek().IsWord("elseif") || (Peek().IsWord("else") && Peek(1).IsWord("if"))) {
        if (Next().IsWord("else")) Next();
        IfBranch b;
        b.condition = ParseExpr();
        AcceptWord("then");
        ExpectEndOfStatement();
        ParseBody(b.body, "End If");
        s->branches.push_back(std::move(b));
      } else if (AcceptWord("else")) {
        ExpectEndOfStatement();
        ParseBody(s->elseBody, "End If");
        ExpectEndIf();
        return s;
      } else {
        ExpectEndIf();
        return s;
      }
    }
  }

  void ExpectEndIf() {
    if (!AcceptWord("endif")) {
      ExpectWord("end", "End If");
      ExpectWord("if", "End If");
    }
    ExpectEndOfStatement();
  }

  // If c Then statement [Else statement], all on one line.
  void ParseInlineIf(IfStmt& s, IfBranch first) {
    ++inline_;
    ParseStatement(first.body);
    s.branches.push_back(std::move(first));
    if (AcceptWord("else")) ParseStatement(s.elseBody);
    --inline_;
    ExpectEndOfStatement();
  }

  StmtPtr ParseFor() {
    int line = Next().line;
    if (AcceptWord("each")) return ParseForEach(line);
    auto s = std::make_unique<ForStmt>(line);
    s->variable = ExpectName("the loop variable");
    if (AcceptWord("as")) s->declaredType = ParseTypeName(false);
    ExpectSymbol("=");
    s->from = ParseExpr();
    if (AcceptWord("downto")) {
      s->downTo = true;
    } else {
      ExpectWord("to", "To");
    }
    s->to = ParseExpr();
    if (AcceptWord("step")) s->step = ParseExpr();
    ExpectEndOfStatement();
    ParseLoopBody(s->body, "Next", LoopKind::For);
    ExpectNext();
    return s;
  }

  StmtPtr ParseForEach(int line) {
    auto s = std::make_unique<ForEachStmt>(line);
    s->variable = ExpectName("the loop variable");
    if (AcceptWord("as")) s->declaredType = ParseTypeName(false);
    ExpectWord("in", "In");
    s->collection = ParseExpr();
    ExpectEndOfStatement();
    ParseLoopBody(s->body, "Next", LoopKind::For);
    ExpectNext();
    return s;
  }

  void ExpectNext() {
    ExpectWord("next", "Next");
    if (Peek().Is(TokenKind::Word)) ExpectName("the loop variable");
    ExpectEndOfStatement();
  }

  StmtPtr ParseWhile() {
    auto s = std::make_unique<WhileStmt>(Next().line);
    s->condition = ParseExpr();
    ExpectEndOfStatement();
    ParseLoopBody(s->body, "Wend", LoopKind::While);
    if (!AcceptWord("wend")) {
      ExpectWord("end", "Wend");
      ExpectWord("while", "Wend");
    }
    ExpectEndOfStatement();
    return s;
  }

  StmtPtr ParseDo() {
    auto s = std::make_unique<DoStmt>(Next().line);
    if (ParseLoopCondition(*s)) s->conditionAtTop = true;
    ExpectEndOfStatement();
    ParseLoopBody(s->body, "Loop", LoopKind::Do);
    ExpectWord("loop", "Loop");
    if (ParseLoopCondition(*s) && s->conditionAtTop) {
      Fail(Peek(), "A Do loop has one condition, at its top or at its bottom");
    }
    ExpectEndOfStatement();
    return s;
  }

  // [While|Until condition]; true when one was there.
  bool ParseLoopCondition(DoStmt& s) {
    if (AcceptWord("until")) {
      s.until = true;
    } else if (!AcceptWord("while")) {
      return false;
    }
    s.condition = ParseExpr();
    return true;
  }

  StmtPtr ParseSelect() {
    auto s = std::make_unique<SelectStmt>(Next().line);
    ExpectWord("case", "Case");
    s->subject = ParseExpr();
    ExpectEndOfStatement();
    for (;;) {
      SkipEndOfLines();
      if (AcceptWord("end")) {
        ExpectWord("select", "End Select");
        ExpectEndOfStatement();
        return s;
      }
      if (s->hasElse) Expected("'End Select'");
      int line = Peek().line;
      ExpectWord("case", "Case");
      if (AcceptWord("else")) {
        s->hasElse = true;
        ExpectEndOfStatement();
        ParseBody(s->elseBody, "End Select");
        continue;
      }
      CaseClause c;
      c.line = line;
      do {
        c.tests.push_back(ParseCaseTest());
      } while (AcceptSymbol(","));
      ExpectEndOfStatement();
      ParseBody(c.body, "End Select");
      s->cases.push_back(std::move(c));
    }
  }

  CaseTest ParseCaseTest() {
    CaseTest t;
    if (AcceptWord("is")) {
      t.kind = CaseTest::Kind::Is;
      if (!ComparisonOp(Peek(), t.op)) Expected("a comparison after 'Case Is'");
      Next();
      t.first = ParseExpr();
      return t;
    }
    t.first = ParseExpr();
    if (AcceptWord("to")) {
      t.kind = CaseTest::Kind::Range;
      t.last = ParseExpr();
    }
    return t;
  }

  StmtPtr ParseExit() {
    const Token& t = Next();
    bool isExit = t.IsWord("exit");
    int line = t.line;
    LoopKind target = LoopKind::Any;
    if (AcceptWord("for")) {
      target = LoopKind::For;
      if (Peek().Is(TokenKind::Word) && !AtEndOfStatement()) ExpectName("the loop variable");
    } else if (AcceptWord("while")) {
      target = LoopKind::While;
    } else if (AcceptWord("do")) {
      target = LoopKind::Do;
    } else if (isExit && (AcceptWord("sub") || AcceptWord("function"))) {
      target = LoopKind::Method;
    }
    CheckLoopIsOpen(t, target, isExit);
    ExpectEndOfStatement();
    if (isExit) return std::make_unique<ExitStmt>(line, target);
    return std::make_unique<ContinueStmt>(line, target);
  }

  // Exit and Continue must name a loop they are in; a bare Exit outside any
  // loop leaves the method (or ends the script).
  void CheckLoopIsOpen(const Token& at, LoopKind target, bool isExit) const {
    if (target == LoopKind::Method) return;
    bool open = target == LoopKind::Any
                    ? !loops_.empty()
                    : std::find(loops_.begin(), loops_.end(), target) != loops_.end();
    if (open || (isExit && target == LoopKind::Any)) return;
    static const char* const kNames[] = {"", "For", "While", "Do"};
    std::string loop = kNames[static_cast<int>(target)];
    std::string what = std::string(isExit ? "Exit" : "Continue") + (loop.empty() ? "" : " " + loop);
    Fail(at, "'" + what + "' is not inside " + (loop.empty() ? "a loop" : "a " + loop + " loop"));
  }

  StmtPtr ParseReturn() {
    const Token& t = Next();
    ExprPtr value;
    if (!AtEndOfStatement()) value = ParseExpr();
    if (method_ != nullptr && method_->isFunction && !value) {
      Fail(t, "Return in a Function needs a value");
    }
    if (method_ != nullptr && !method_->isFunction && value) {
      Fail(t, "A Sub cannot return a value");
    }
    ExpectEndOfStatement();
    return std::make_unique<ReturnStmt>(t.line, std::move(value));
  }

  StmtPtr ParsePrint() {
    auto s = std::make_unique<PrintStmt>(Next().line);
    if (!AtEndOfStatement()) {
      do {
        s->values.push_back(ParseExpr());
      } while (AcceptSymbol(","));
    }
    ExpectEndOfStatement();
    return s;
  }

  StmtPtr ParseRedim() {
    auto s = std::make_unique<RedimStmt>(Next().line);
    ExprPtr e = ParsePostfix();
    auto* call = e->kind == ExprKind::Call ? static_cast<CallExpr*>(e.get()) : nullptr;
    if (call == nullptr || call->args.size() != 1) Fail(Peek(), "Redim needs array(upperBound)");
    s->array = std::move(call->callee);
    s->upperBound = std::move(call->args[0]);
    ExpectEndOfStatement();
    return s;
  }

  // Assignment, a call, or (interactively) a bare expression.
  void ParseSimple(Block& out) {
    const Token& first = Peek();
    if (interactive_ && inline_ == 0 && TryBareExpression(out)) return;
    if (!first.Is(TokenKind::Word) || IsReservedWord(Fold(first.text))) Expected("a statement");
    ExprPtr target = ParsePostfix();
    Op op = Op::Add;
    bool compound = CompoundOp(Peek(), op);
    if (compound || Peek().IsSymbol("=")) {
      Next();
      auto s = std::make_unique<AssignStmt>(first.line, std::move(target), ParseExpr());
      s->compound = compound;
      s->op = op;
      ExpectEndOfStatement();
      out.push_back(std::move(s));
      return;
    }
    ExprList args;
    if (target->kind == ExprKind::Call) {
      auto* call = static_cast<CallExpr*>(target.get());
      args = std::move(call->args);
      target = std::move(call->callee);
    } else if (!AtEndOfStatement() && StartsExpression(Peek())) {
      do {
        args.push_back(ParseExpr());
      } while (AcceptSymbol(","));
    }
    ExpectEndOfStatement();
    out.push_back(std::make_unique<CallStmt>(first.line, std::move(target), std::move(args)));
  }

  // Interactively, a line that is a whole expression other than a call
  // chain ("1 + 2", "Len(s) * 2") is shown rather than run; "x = 3" stays
  // an assignment and "x" or "f.Name" stay calls, which show values too.
  bool TryBareExpression(Block& out) {
    size_t start = pos_;
    int line = Peek().line;
    try {
      ExprPtr e = ParseExpr();
      if (AtEndOfStatement() && !IsChain(*e) && !IsAssignmentShape(*e)) {
        ExpectEndOfStatement();
        out.push_back(std::make_unique<ExpressionStmt>(line, std::move(e)));
        return true;
      }
    } catch (const Failure&) {
    }
    pos_ = start;
    return false;
  }

  static bool IsAssignmentShape(const Expr& e) {
    if (e.kind != ExprKind::Binary) return false;
    const auto& b = static_cast<const BinaryExpr&>(e);
    return b.op == Op::Eq && IsChain(*b.left);
  }

  static bool StartsExpression(const Token& t) {
    switch (t.kind) {
      case TokenKind::Integer:
      case TokenKind::Double:
      case TokenKind::String:
      case TokenKind::Color:
        return true;
      case TokenKind::Symbol:
        return t.text == "(" || t.text == "-";
      case TokenKind::Word:
        return !IsReservedWord(Fold(t.text)) || t.IsWord("true") || t.IsWord("false") ||
               t.IsWord("nil") || t.IsWord("new") || t.IsWord("not");
      default:
        return false;
    }
  }

  static bool CompoundOp(const Token& t, Op& op) {
    if (t.IsSymbol("+="))
      op = Op::Add;
    else if (t.IsSymbol("-="))
      op = Op::Sub;
    else if (t.IsSymbol("*="))
      op = Op::Mul;
    else if (t.IsSymbol("/="))
      op = Op::Div;
    else
      return false;
    return true;
  }

  static bool ComparisonOp(const Token& t, Op& op) {
    static const std::pair<const char*, Op> kOps[] = {{"=", Op::Eq},  {"<>", Op::Ne},
                                                      {"<", Op::Lt},  {">", Op::Gt},
                                                      {"<=", Op::Le}, {">=", Op::Ge}};
    for (const auto& [s, o] : kOps) {
      if (t.IsSymbol(s)) {
        op = o;
        return true;
      }
    }
    return false;
  }

  // ----- expressions, loosest binding first -----

  // Counts nesting, so that absurdly deep text fails cleanly rather than
  // exhausting the stack.
  struct Nest {
    Parser& p;
    explicit Nest(Parser& parser) : p(parser) {
      if (++p.depth_ > kMaxNesting) p.Fail(p.Peek(), "Nested too deeply");
    }
    ~Nest() { --p.depth_; }
  };
  static constexpr int kMaxNesting = 200;

  ExprPtr ParseExpr() {
    Nest nest(*this);
    return ParseOr();
  }

  ExprPtr ParseOr() {
    ExprPtr left = ParseAnd();
    for (;;) {
      int line = Peek().line;
      Op op;
      if (AcceptWord("or"))
        op = Op::Or;
      else if (AcceptWord("xor"))
        op = Op::Xor;
      else
        return left;
      left = std::make_unique<BinaryExpr>(line, op, std::move(left), ParseAnd());
    }
  }

  ExprPtr ParseAnd() {
    ExprPtr left = ParseComparison();
    while (Peek().IsWord("and")) {
      int line = Next().line;
      left = std::make_unique<BinaryExpr>(line, Op::And, std::move(left), ParseComparison());
    }
    return left;
  }

  ExprPtr ParseComparison() {
    ExprPtr left = ParseAdditive();
    Op op;
    while (ComparisonOp(Peek(), op)) {
      int line = Next().line;
      left = std::make_unique<BinaryExpr>(line, op, std::move(left), ParseAdditive());
    }
    return left;
  }

  ExprPtr ParseAdditive() {
    ExprPtr left = ParseMultiplicative();
    while (Peek().IsSymbol("+") || Peek().IsSymbol("-")) {
      const Token& t = Next();
      Op op = t.text == "+" ? Op::Add : Op::Sub;
      left = std::make_unique<BinaryExpr>(t.line, op, std::move(left), ParseMultiplicative());
    }
    return left;
  }

  ExprPtr ParseMultiplicative() {
    ExprPtr left = ParseUnary();
    for (;;) {
      const Token& t = Peek();
      Op op;
      if (t.IsSymbol("*"))
        op = Op::Mul;
      else if (t.IsSymbol("/"))
        op = Op::Div;
      else if (t.IsSymbol("\\"))
        op = Op::IntDiv;
      else if (t.IsWord("mod"))
        op = Op::Mod;
      else
        return left;
      int line = Next().line;
      left = std::make_unique<BinaryExpr>(line, op, std::move(left), ParseUnary());
    }
  }

  ExprPtr ParseUnary() {
    Nest nest(*this);
    const Token& t = Peek();
    if (t.IsSymbol("-") || t.IsWord("not")) {
      Op op = t.IsSymbol("-") ? Op::Neg : Op::Not;
      int line = Next().line;
      return std::make_unique<UnaryExpr>(line, op, ParseUnary());
    }
    if (AcceptSymbol("+")) return ParseUnary();
    return ParsePower();
  }

  // ^ binds tighter than negation: -2 ^ 2 is -4; its right side may be negated.
  ExprPtr ParsePower() {
    ExprPtr left = ParseIs();
    while (Peek().IsSymbol("^")) {
      int line = Next().line;
      ExprPtr right;
      if (Peek().IsSymbol("-")) {
        int l = Next().line;
        right = std::make_unique<UnaryExpr>(l, Op::Neg, ParseIs());
      } else {
        right = ParseIs();
      }
      left = std::make_unique<BinaryExpr>(line, Op::Pow, std::move(left), std::move(right));
    }
    return left;
  }

  ExprPtr ParseIs() {
    ExprPtr left = ParsePostfix();
    for (;;) {
      int line = Peek().line;
      if (AcceptWord("isa")) {
        if (!Peek().Is(TokenKind::Word)) Expected("a class name after IsA");
        left = std::make_unique<IsAExpr>(line, std::move(left), Next().text);
      } else if (AcceptWord("is")) {
        left = std::make_unique<BinaryExpr>(line, Op::Is, std::move(left), ParsePostfix());
      } else {
        return left;
      }
    }
  }

  ExprPtr ParsePostfix() {
    ExprPtr e = ParsePrimary();
    for (;;) {
      if (Peek().IsSymbol(".")) {
        int line = Next().line;
        if (!Peek().Is(TokenKind::Word)) Expected("a member name after '.'");
        e = std::make_unique<MemberExpr>(line, std::move(e), Next().text);
      } else if (Peek().IsSymbol("(") && e->kind != ExprKind::Literal) {
        int line = Next().line;
        e = std::make_unique<CallExpr>(line, std::move(e), ParseArgs());
      } else {
        return e;
      }
    }
  }

  // The arguments after an opening parenthesis, through the closing one.
  ExprList ParseArgs() {
    ExprList args;
    if (AcceptSymbol(")")) return args;
    do {
      args.push_back(ParseExpr());
    } while (AcceptSymbol(","));
    ExpectSymbol(")");
    return args;
  }

  ExprPtr ParsePrimary() {
    const Token& t = Peek();
    int line = t.line;
    switch (t.kind) {
      case TokenKind::Integer:
        Next();
        return std::make_unique<LiteralExpr>(line, Value::Int(t.integer));
      case TokenKind::Double:
        Next();
        return std::make_unique<LiteralExpr>(line, Value::Dbl(t.number));
      case TokenKind::String:
        Next();
        return std::make_unique<LiteralExpr>(line, Value::Str(t.text));
      case TokenKind::Color:
        Next();
        return std::make_unique<LiteralExpr>(line, Value::Colour(static_cast<uint32_t>(t.integer)));
      default:
        break;
    }
    if (AcceptSymbol("(")) {
      ExprPtr e = ParseExpr();
      ExpectSymbol(")");
      return e;
    }
    if (AcceptWord("true")) return std::make_unique<LiteralExpr>(line, Value::Bool(true));
    if (AcceptWord("false")) return std::make_unique<LiteralExpr>(line, Value::Bool(false));
    if (AcceptWord("nil")) return std::make_unique<LiteralExpr>(line, Value::Nil());
    if (AcceptWord("new")) {
      if (!Peek().Is(TokenKind::Word)) Expected("a class name after New");
      std::string cls = Next().text;
      ExprList args;
      if (AcceptSymbol("(")) args = ParseArgs();
      return std::make_unique<NewExpr>(line, std::move(cls), std::move(args));
    }
    return std::make_unique<NameExpr>(line, ExpectName("an expression"));
  }

  std::vector<Token> tokens_;
  size_t pos_ = 0;
  bool interactive_;
  int inline_ = 0;                     // depth of one-line Ifs being parsed
  int depth_ = 0;                      // nesting of statements and expressions
  std::vector<LoopKind> loops_;        // the loops open around the statement being parsed
  const MethodDef* method_ = nullptr;  // the method being parsed, if any
};

}  // namespace

bool Parse(std::string_view source, Program& program, ParseError& error, bool interactive) {
  std::vector<Token> tokens;
  LexError lexError;
  if (!Tokenize(source, tokens, lexError)) {
    error = {lexError.line, lexError.message, false};
    return false;
  }
  try {
    Parser(std::move(tokens), interactive).ParseProgram(program);
  } catch (const Failure& f) {
    error = f.error;
    return false;
  }
  return true;
}

}  // namespace fenra::host::script
