// The lexer and the parser: tokens, tree shapes, and syntax errors.
#include <gtest/gtest.h>

#include "script/lexer.h"
#include "script/parser.h"

namespace fenra::host::script {
namespace {

std::vector<Token> Lex(const std::string& text) {
  std::vector<Token> tokens;
  LexError error;
  EXPECT_TRUE(Tokenize(text, tokens, error)) << error.message;
  return tokens;
}

std::string LexError_(const std::string& text) {
  std::vector<Token> tokens;
  LexError error;
  if (Tokenize(text, tokens, error)) return "no error";
  return std::to_string(error.line) + ": " + error.message;
}

TEST(LexerTest, ReadsEveryLiteralForm) {
  std::vector<Token> t = Lex("42 &hFF &b101 &o17 1.5e3 .25 \"say \"\"hi\"\"\" &cFF8000 &c11223344");
  ASSERT_EQ(t.size(), 11u);  // nine literals, end of line, end
  EXPECT_EQ(t[0].integer, 42);
  EXPECT_EQ(t[1].integer, 255);
  EXPECT_EQ(t[2].integer, 5);
  EXPECT_EQ(t[3].integer, 15);
  EXPECT_TRUE(t[4].Is(TokenKind::Double));
  EXPECT_DOUBLE_EQ(t[4].number, 1500);
  EXPECT_DOUBLE_EQ(t[5].number, 0.25);
  EXPECT_EQ(t[6].text, "say \"hi\"");
  EXPECT_TRUE(t[7].Is(TokenKind::Color));
  EXPECT_EQ(t[7].integer, 0xFF8000);
  EXPECT_EQ(t[8].integer, 0x112233);  // the alpha byte is dropped
  EXPECT_TRUE(t[9].Is(TokenKind::EndOfLine));
  EXPECT_TRUE(t[10].Is(TokenKind::End));
}

TEST(LexerTest, TooLargeIntegerBecomesDouble) {
  std::vector<Token> t = Lex("99999999999999999999");
  EXPECT_TRUE(t[0].Is(TokenKind::Double));
}

TEST(LexerTest, DropsCommentsAndJoinsContinuedLines) {
  std::vector<Token> t =
      Lex("a = 1 ' comment\n"
          "// whole line\n"
          "REM also a comment\n"
          "b = 2 + _   ' continued\n"
          "  3\n"
          "c.d\n");
  std::vector<std::string> words;
  for (const Token& tok : t) words.push_back(tok.Is(TokenKind::EndOfLine) ? "|" : tok.text);
  std::vector<std::string> expected = {"a", "=", "1", "|", "b", "=", "2", "+",
                                       "3", "|", "c", ".", "d", "|", ""};
  EXPECT_EQ(words, expected);
  EXPECT_EQ(t[8].line, 5);  // "3" keeps its own line
  EXPECT_EQ(t[10].line, 6);
}

TEST(LexerTest, ReportsMalformedInputWithItsLine) {
  EXPECT_EQ(LexError_("x = 1\ny = \"open"), "2: Unterminated string");
  EXPECT_EQ(LexError_("x = 12abc"), "1: Malformed number '12a'");
  EXPECT_EQ(LexError_("x = 1 @ 2"), "1: Unexpected character '@'");
  EXPECT_EQ(LexError_("x = &hZZ"), "1: Malformed literal '&h'");
  EXPECT_EQ(LexError_("x = &c12"), "1: Malformed colour '&c12'");
}

Program ParseOk(const std::string& text, bool interactive = false) {
  Program p;
  ParseError error;
  EXPECT_TRUE(Parse(text, p, error, interactive)) << error.line << ": " << error.message;
  return p;
}

ParseError ParseFail(const std::string& text, bool interactive = false) {
  Program p;
  ParseError error;
  EXPECT_FALSE(Parse(text, p, error, interactive));
  return error;
}

TEST(ParserTest, PrecedenceFollowsTheDialect) {
  // -2 ^ 2 is -(2 ^ 2); Not binds tighter than And; comparisons looser than +.
  Program p = ParseOk("x = -2 ^ 2\ny = Not a And b\nz = 1 + 2 = 3\n");
  auto value = [&](size_t i) -> const Expr& {
    return *static_cast<const AssignStmt&>(*p.main[i]).value;
  };
  ASSERT_EQ(value(0).kind, ExprKind::Unary);
  EXPECT_EQ(static_cast<const UnaryExpr&>(value(0)).operand->kind, ExprKind::Binary);
  ASSERT_EQ(value(1).kind, ExprKind::Binary);
  EXPECT_EQ(static_cast<const BinaryExpr&>(value(1)).op, Op::And);
  EXPECT_EQ(static_cast<const BinaryExpr&>(value(1)).left->kind, ExprKind::Unary);
  EXPECT_EQ(static_cast<const BinaryExpr&>(value(2)).op, Op::Eq);
}

TEST(ParserTest, CallsWithAndWithoutParentheses) {
  Program p = ParseOk(
      "f.Delete\n"
      "QTMLTest.FailCall \"NewMovie\", 1, -108\n"
      "DoIt(1, 2)\n"
      "ud.Item(\"name\", 1) = \"x\"\n");
  ASSERT_EQ(p.main.size(), 4u);
  const auto& bare = static_cast<const CallStmt&>(*p.main[0]);
  EXPECT_EQ(bare.callee->kind, ExprKind::Member);
  EXPECT_TRUE(bare.args.empty());
  EXPECT_EQ(static_cast<const CallStmt&>(*p.main[1]).args.size(), 3u);
  const auto& paren = static_cast<const CallStmt&>(*p.main[2]);
  EXPECT_EQ(paren.callee->kind, ExprKind::Name);
  EXPECT_EQ(paren.args.size(), 2u);
  const auto& assign = static_cast<const AssignStmt&>(*p.main[3]);
  EXPECT_EQ(assign.target->kind, ExprKind::Call);
}

TEST(ParserTest, DimFormsAndMethods) {
  Program p = ParseOk(
      "Dim a, b As Double\n"
      "Dim s As String = \"x\", n As Integer\n"
      "Dim r As New FenraRect(10, 20)\n"
      "Dim v(3) As Integer\n"
      "Const k = 5\n"
      "Function Twice(ByRef x As Integer, Optional y As Integer = 2) As Integer\n"
      "  Return x * y\n"
      "End Function\n");
  ASSERT_EQ(p.main.size(), 6u);
  EXPECT_EQ(static_cast<const DimStmt&>(*p.main[0]).names.size(), 2u);
  EXPECT_TRUE(static_cast<const DimStmt&>(*p.main[3]).isNew);
  EXPECT_EQ(static_cast<const DimStmt&>(*p.main[3]).newArgs.size(), 2u);
  EXPECT_TRUE(static_cast<const DimStmt&>(*p.main[4]).names[0].isArray);
  EXPECT_TRUE(static_cast<const DimStmt&>(*p.main[5]).isConst);
  ASSERT_EQ(p.methods.size(), 1u);
  const MethodDef& m = *p.methods[0];
  EXPECT_TRUE(m.isFunction);
  ASSERT_EQ(m.params.size(), 2u);
  EXPECT_TRUE(m.params[0].byRef);
  EXPECT_TRUE(m.params[1].optional);
  EXPECT_EQ(m.result.name, "Integer");
}

TEST(ParserTest, OneLineIfLeavesTheNextLinesElseAlone) {
  Program p = ParseOk(
      "If a Then\n"
      "  If b Then x = 1\n"
      "Else\n"
      "  x = 2\n"
      "End If\n");
  ASSERT_EQ(p.main.size(), 1u);
  const auto& outer = static_cast<const IfStmt&>(*p.main[0]);
  EXPECT_EQ(outer.branches.size(), 1u);
  EXPECT_EQ(outer.elseBody.size(), 1u);
  const auto& inner = static_cast<const IfStmt&>(*outer.branches[0].body[0]);
  EXPECT_TRUE(inner.elseBody.empty());
}

TEST(ParserTest, ErrorsNameTheLine) {
  ParseError e = ParseFail("x = 1\nIf x Then\n  y = 2\nNext\n");
  EXPECT_EQ(e.line, 4);
  EXPECT_EQ(e.message, "Expected 'End If', found 'Next'");
  e = ParseFail("Print 1 +\n");
  EXPECT_EQ(e.message, "Expected an expression, found end of line");
  EXPECT_FALSE(e.incomplete);
  e = ParseFail("Sub A()\n  Return 1\nEnd Sub\n");
  EXPECT_EQ(e.line, 2);
  EXPECT_EQ(e.message, "A Sub cannot return a value");
  e = ParseFail("Dim m(2, 3) As Integer\n");
  EXPECT_EQ(e.message, "Only one-dimensional arrays are supported");
  e = ParseFail("1 + 2\n");
  EXPECT_EQ(e.message, "Expected a statement, found '1'");
  e = ParseFail("For i = 1 To 2\n  Exit While\nNext\n");
  EXPECT_EQ(e.message, "'Exit While' is not inside a While loop");
  e = ParseFail("Sub A()\n  Continue\nEnd Sub\n");
  EXPECT_EQ(e.message, "'Continue' is not inside a loop");
}

TEST(ParserTest, UnfinishedConstructsAreIncomplete) {
  EXPECT_TRUE(ParseFail("For i = 1 To 3\n  Print i\n", true).incomplete);
  EXPECT_TRUE(ParseFail("Sub A()\n", true).incomplete);
  EXPECT_TRUE(ParseFail("If x Then", true).incomplete);
  EXPECT_FALSE(ParseFail("x = (1 +\n", true).incomplete);
}

TEST(ParserTest, InteractiveLinesMayBeBareExpressions) {
  Program p = ParseOk("1 + 2\nx = 3\nx\nFoo 1, 2\n", true);
  ASSERT_EQ(p.main.size(), 4u);
  EXPECT_EQ(p.main[0]->kind, StmtKind::Expression);
  EXPECT_EQ(p.main[1]->kind, StmtKind::Assign);
  EXPECT_EQ(p.main[2]->kind, StmtKind::Call);
  EXPECT_EQ(p.main[3]->kind, StmtKind::Call);
}

}  // namespace
}  // namespace fenra::host::script
