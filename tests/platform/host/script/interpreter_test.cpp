// The evaluator on the language alone: values, operators, statements,
// methods, arrays, built-ins and error reports.
#include <gtest/gtest.h>

#include "script/repl.h"
#include "script_test_host.h"

namespace fenra::host::script {
namespace {

using testing::Error;
using testing::Output;
using testing::RunText;

TEST(InterpreterTest, ArithmeticKeepsIntegersAndPrintsDoublesAsTheDialect) {
  EXPECT_EQ(Output("Print 2 + 3 * 4\nPrint 7 \\ 2\nPrint 7 Mod 3\nPrint -7 \\ 2\n"),
            "14\n3\n1\n-3\n");
  EXPECT_EQ(Output("Print 7 / 2\nPrint 10 / 2\nPrint 2 ^ 10\nPrint -2 ^ 2\n"),
            "3.5\n5\n1024\n-4\n");
  EXPECT_EQ(Output("Print 0.1\nPrint 1 / 3\nPrint 1e20\nPrint 2.5e-7\nPrint 1 / 0\n"),
            "0.1\n0.3333333\n1e+20\n2.5e-07\nINF\n");
  EXPECT_EQ(Output("Print 1 + 0.5\nPrint &h7FFFFFFFFFFFFFFF + 1\n"), "1.5\n-9223372036854775808\n");
}

TEST(InterpreterTest, ComparisonsAndLogic) {
  EXPECT_EQ(Output("Print \"abc\" = \"ABC\"\nPrint \"a\" < \"B\"\nPrint 2 = 2.0\nPrint 3 <> 4\n"),
            "True\nTrue\nTrue\nTrue\n");
  EXPECT_EQ(Output("Print Not True\nPrint True Xor True\nPrint 12 And 10\nPrint 12 Or 3\n"),
            "False\nFalse\n8\n15\n");
  EXPECT_EQ(
      Output("Dim o As Object\nPrint o = Nil\nPrint o Is Nil\nPrint &cFF0000 = RGB(255, 0, 0)\n"),
      "True\nTrue\nTrue\n");
}

TEST(InterpreterTest, AndOrStopOnceDecided) {
  EXPECT_EQ(Output("Function Loud(b As Boolean) As Boolean\n"
                   "  Print \"evaluated\"\n"
                   "  Return b\n"
                   "End Function\n"
                   "Print False And Loud(True)\n"
                   "Print True Or Loud(True)\n"
                   "Print True And Loud(False)\n"),
            "False\nTrue\nevaluated\nFalse\n");
}

TEST(InterpreterTest, DimFormsAndConversions) {
  EXPECT_EQ(Output("Dim a, b As Double\n"
                   "Dim s As String = \"x\", n As Integer\n"
                   "Print a + b\nPrint s + \"y\"\nPrint n\n"
                   "Dim i As Integer = 3.9\nPrint i\n"
                   "Dim d As Double = 2\nPrint d / 4\n"
                   "Dim inferred = 1.5\ninferred = 2\nPrint inferred\n"
                   "Const kName = \"k\"\nPrint kName\n"
                   "Dim c As Color = &c0080FF\nPrint c\nPrint c.Green\n"),
            "0\nxy\n0\n3\n0.5\n2\nk\n&c0080FF\n128\n");
}

TEST(InterpreterTest, TypeErrorsStopTheScriptAtTheirLine) {
  EXPECT_EQ(Error("Dim s As String\n\ns = 5\n"),
            "test.bas:3: Type mismatch: expected String, got Integer for 's'\n");
  EXPECT_EQ(Error("Print \"n = \" + 5\n"),
            "test.bas:1: Type mismatch: cannot apply + to String and Integer\n");
  EXPECT_EQ(Error("Const k = 1\nk = 2\n"), "test.bas:2: Cannot assign to the constant 'k'\n");
  EXPECT_EQ(Error("x = 1\n"), "test.bas:1: Unknown variable 'x'; declare it with Dim\n");
  EXPECT_EQ(Error("Print Nothing(1)\n"), "test.bas:1: Unknown name 'Nothing'\n");
  EXPECT_EQ(Error("If 1 Then Print 2\n"),
            "test.bas:1: A condition must be a Boolean, got Integer\n");
  EXPECT_EQ(Error("Print 1 \\ 0\n"), "test.bas:1: Division by zero\n");
  EXPECT_EQ(Error("Dim o As Object\nPrint o.Name\n"),
            "test.bas:2: Nil object access: .Name of Nil\n");
  EXPECT_EQ(Error("Dim x As FenraNothing\n"), "test.bas:1: Unknown type 'FenraNothing'\n");
}

TEST(InterpreterTest, ParseErrorsUseTheSameForm) {
  testing::Outcome o = RunText("Print 1\nPrint (2\n");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.out, "");  // nothing runs when the script does not parse
  EXPECT_EQ(o.err, "test.bas:2: Expected ')', found end of line\n");
}

TEST(InterpreterTest, IfElseIfAndOneLineIf) {
  const char* script =
      "Sub Grade(n As Integer)\n"
      "  If n >= 90 Then\n"
      "    Print \"A\"\n"
      "  ElseIf n >= 80 Then\n"
      "    Print \"B\"\n"
      "  Else If n >= 70 Then\n"
      "    Print \"C\"\n"
      "  Else\n"
      "    Print \"F\"\n"
      "  End If\n"
      "End Sub\n"
      "Grade 95\nGrade(85)\nGrade 75\nGrade 10\n"
      "If 1 < 2 Then Print \"yes\" Else Print \"no\"\n"
      "If 1 > 2 Then Print \"yes\" Else Print \"no\"\n";
  EXPECT_EQ(Output(script), "A\nB\nC\nF\nyes\nno\n");
}

TEST(InterpreterTest, Loops) {
  EXPECT_EQ(Output("For i As Integer = 1 To 10 Step 3\n  Print i\nNext\n"), "1\n4\n7\n10\n");
  EXPECT_EQ(Output("For i As Integer = 3 DownTo 1\n  Print i\nNext i\n"), "3\n2\n1\n");
  EXPECT_EQ(Output("For x As Double = 0 To 1 Step 0.5\n  Print x\nNext\n"), "0\n0.5\n1\n");
  EXPECT_EQ(Output("Dim n As Integer = 3\nFor i As Integer = 1 To n\n  n = 2\n  Print i\nNext\n"),
            "1\n2\n");  // the end value is evaluated on every pass
  EXPECT_EQ(Output("Dim i As Integer\nWhile i < 3\n  i = i + 1\nWend\nPrint i\n"), "3\n");
  EXPECT_EQ(Output("Dim i As Integer\nDo\n  i = i + 1\nLoop Until i >= 4\nPrint i\n"), "4\n");
  EXPECT_EQ(Output("Dim i As Integer = 10\nDo While i < 3\n  i = i + 1\nLoop\nPrint i\n"), "10\n");
  EXPECT_EQ(Output("For i As Integer = 1 To 9\n"
                   "  If i Mod 2 = 0 Then Continue\n"
                   "  If i > 5 Then Exit For\n"
                   "  Print i\n"
                   "Next\n"),
            "1\n3\n5\n");
  EXPECT_EQ(Output("For i As Integer = 1 To 3\n"
                   "  Dim j As Integer\n"
                   "  While True\n"
                   "    j = j + 1\n"
                   "    If j = 2 Then Exit For\n"
                   "  Wend\n"
                   "Next\n"
                   "Print i, j\n"),
            "1\t2\n");
}

// Loops keep what their names found while nothing is declared and no
// frame comes or goes; each of those must be seen on the next pass.
TEST(InterpreterTest, LoopsSeeVariablesDeclaredAndFramesChangedAsTheyRun) {
  EXPECT_EQ(Output("Dim total As Integer\n"
                   "For i As Integer = 1 To 4\n"
                   "  Dim k As Integer = i * 10\n"
                   "  total = total + k\n"
                   "  If i = 2 Then\n"
                   "    Dim total As Double = 0.5\n"
                   "  End If\n"
                   "Next\n"
                   "Print total\n"),
            "70.5\n");
  EXPECT_EQ(Output("Dim limit As Integer = 5\n"
                   "Dim count As Integer\n"
                   "For i As Integer = 1 To limit\n"
                   "  count += 1\n"
                   "  If i = 1 Then\n"
                   "    Dim limit As Integer = 3\n"
                   "  End If\n"
                   "Next\n"
                   "Dim b As Double = 2.5\n"
                   "For j As Integer = 1 To b\n"
                   "  count = count + j\n"
                   "Next\n"
                   "Print count\n"),
            "6\n");
  // A call in the body runs the same statements in a frame of its own.
  EXPECT_EQ(Output("Function Nest(n As Integer) As Integer\n"
                   "  Dim s As Integer\n"
                   "  For k As Integer = 1 To n\n"
                   "    s = s + k\n"
                   "    If k = 1 And n > 1 Then s = s + Nest(n - 1)\n"
                   "  Next\n"
                   "  Return s\n"
                   "End Function\n"
                   "Sub AddUp(ByRef total As Integer, n As Integer)\n"
                   "  For k As Integer = 1 To n\n"
                   "    total = total + k\n"
                   "  Next\n"
                   "End Sub\n"
                   "Dim t As Integer = 100\n"
                   "For i As Integer = 1 To 2\n"
                   "  AddUp t, 4\n"
                   "  t = t + Nest(4)\n"
                   "Next\n"
                   "Print t\n"),
            "160\n");
  EXPECT_EQ(Error("Dim n As Integer\n"
                  "Dim d As Integer = 2\n"
                  "For i As Integer = 1 To 3\n"
                  "  d = d - 1\n"
                  "  n = i Mod d\n"
                  "Next\n"),
            "test.bas:5: Division by zero\n");
  EXPECT_EQ(Error("Const k As Integer = 1\nFor i As Integer = 1 To 2\n  k = k + i\nNext\n"),
            "test.bas:3: Cannot assign to the constant 'k'\n");
}

TEST(InterpreterTest, SelectCase) {
  const char* script =
      "Function Kind(v As Integer) As String\n"
      "  Select Case v\n"
      "  Case 0\n"
      "    Return \"zero\"\n"
      "  Case 1, 2, 3\n"
      "    Return \"few\"\n"
      "  Case 4 To 9\n"
      "    Return \"some\"\n"
      "  Case Is >= 10\n"
      "    Return \"many\"\n"
      "  Case Else\n"
      "    Return \"negative\"\n"
      "  End Select\n"
      "End Function\n"
      "Print Kind(0), Kind(2), Kind(9), Kind(10), Kind(-1)\n"
      "Select Case \"Movie\"\n"
      "Case \"MOVIE\"\n"
      "  Print \"strings ignore case\"\n"
      "End Select\n";
  EXPECT_EQ(Output(script), "zero\tfew\tsome\tmany\tnegative\nstrings ignore case\n");
}

TEST(InterpreterTest, SubsFunctionsAndParameters) {
  const char* script =
      "Function Fact(n As Integer) As Integer\n"
      "  If n <= 1 Then Return 1\n"
      "  Return n * Fact(n - 1)\n"
      "End Function\n"
      "Sub Bump(ByRef x As Integer, Optional by As Integer = 1)\n"
      "  x = x + by\n"
      "End Sub\n"
      "Sub Keep(x As Integer)\n"
      "  x = 99\n"
      "End Sub\n"
      "Function NoReturn() As String\n"
      "End Function\n"
      "Print Fact(10)\n"
      "Dim a As Integer = 1\n"
      "Bump a\nBump a, 10\nKeep a\n"
      "Print a\n"
      "Dim v(1) As Integer\n"
      "Bump v(1), 5\n"
      "Print v(1)\n"
      "Dim d As Double = 0.5\n"
      "Bump d\n"  // not an Integer variable: copied in and out
      "Print d\n"
      "Print \"[\" + NoReturn() + \"]\"\n";
  EXPECT_EQ(Output(script), "3628800\n12\n5\n1\n[]\n");
}

TEST(InterpreterTest, MethodsSeeGlobalsUntilTheirOwnDimRuns) {
  EXPECT_EQ(Output("Dim x As Integer = 1\n"
                   "Sub Show()\n"
                   "  For k As Integer = 1 To 2\n"
                   "    Print x\n"
                   "    Dim x As Integer = 10 + k\n"
                   "  Next\n"
                   "End Sub\n"
                   "Show\n"
                   "Show\n"
                   "Print x\n"),
            "1\n11\n1\n11\n1\n");
  // Each call has its own locals; a ByRef parameter is the caller's own.
  EXPECT_EQ(Output("Function Fact(n As Integer) As Integer\n"
                   "  Dim r As Integer = 1\n"
                   "  If n > 1 Then r = n * Fact(n - 1)\n"
                   "  Return r\n"
                   "End Function\n"
                   "Sub Twice(ByRef v As Integer)\n"
                   "  v = v * 2\n"
                   "End Sub\n"
                   "Sub Outer()\n"
                   "  Dim mine As Integer = 4\n"
                   "  Twice mine\n"
                   "  Print mine\n"
                   "End Sub\n"
                   "Print Fact(10)\n"
                   "Outer\n"),
            "3628800\n8\n");
}

TEST(InterpreterTest, OperandsAreReadInOrderAroundCallsThatChangeThem) {
  EXPECT_EQ(Output("Dim n As Integer = 1\n"
                   "Function Bump() As Integer\n"
                   "  n = 100\n"
                   "  Return 1\n"
                   "End Function\n"
                   "n = n + Bump\n"
                   "Print n\n"
                   "n = 1\n"
                   "n = Bump + n\n"
                   "Print n\n"
                   "n = 1\n"
                   "n += Bump\n"
                   "Print n\n"),
            "2\n101\n101\n");
}

TEST(InterpreterTest, IntegerArithmeticWrapsAndDividesAsBefore) {
  EXPECT_EQ(Output("Dim m As Integer = &h7FFFFFFFFFFFFFFF\n"
                   "m = m + 1\n"
                   "Print m\n"
                   "Print m \\ -1, m Mod -1\n"
                   "Dim a As Integer = -7\n"
                   "Print a \\ 2, a Mod 2, a / 2\n"
                   "a /= 2\n"
                   "Print a\n"
                   "a *= 3\n"
                   "Print a, 12 And 10, 12 Or 3, 12 Xor 10\n"
                   "Dim d As Double = 1\n"
                   "d = d + 1\n"
                   "Print d / 4\n"),
            "-9223372036854775808\n-9223372036854775808\t0\n-3\t-1\t-3.5\n-3\n"
            "-9\t8\t15\t6\n0.5\n");
  EXPECT_EQ(Error("Dim a As Integer = 1\nDim b As Integer\nPrint a Mod b\n"),
            "test.bas:3: Division by zero\n");
}

TEST(InterpreterTest, ConstantOperationsFailOnlyWhenTheyRun) {
  EXPECT_EQ(Output("If False Then Print 1 \\ 0\nPrint 2 ^ 3 + 1, \"a\" + \"b\", -(2 * 3)\n"),
            "9\tab\t-6\n");
  EXPECT_EQ(Error("Print 1\n\nPrint 1 \\ 0\n"), "test.bas:3: Division by zero\n");
  EXPECT_EQ(Error("Print \"n\" + 1\n"),
            "test.bas:1: Type mismatch: cannot apply + to String and Integer\n");
}

TEST(InterpreterTest, CallErrors) {
  const char* defs = "Sub Two(a As Integer, b As Integer)\nEnd Sub\n";
  EXPECT_EQ(Error(std::string(defs) + "Two 1\n"), "test.bas:3: Missing argument 'b' of Two\n");
  EXPECT_EQ(Error(std::string(defs) + "Two 1, 2, 3\n"),
            "test.bas:3: Too many arguments for 'Two': it takes 2\n");
  EXPECT_EQ(Error(std::string(defs) + "Print Two(1, 2)\n"),
            "test.bas:3: 'Two' does not return a value\n");
  EXPECT_EQ(Error("Sub Forever(n As Integer)\n  Forever n + 1\nEnd Sub\nForever 1\n"),
            "test.bas:2: Too many nested calls (stack overflow)\n");
  EXPECT_EQ(Error("Sub A()\nEnd Sub\nSub a()\nEnd Sub\n"), "test.bas:3: 'a' is already defined\n");
}

TEST(InterpreterTest, Arrays) {
  EXPECT_EQ(Output("Dim v(2) As Integer\n"
                   "v(0) = 5\nv.Append 7\n"
                   "Print Ubound(v), v.Ubound, v.Count\n"
                   "Redim v(1)\nPrint v(0), v(1), Ubound(v)\n"
                   "Dim w() As Integer = v\nw.Append 9\n"  // arrays are shared
                   "Print v.Ubound\n"
                   "v.Insert 0, 1\nv.Remove 1\nPrint v(0), v.IndexOf(9), v.IndexOf(42)\n"
                   "Dim total As Integer\nFor Each n As Integer In v\n  total = total + n\nNext\n"
                   "Print total\n"
                   "Dim s() As String = Split(\"b,a,c\", \",\")\ns.Sort\nPrint Join(s, \"-\")\n"),
            "3\t3\t4\n5\t0\t1\n2\n1\t2\t-1\n10\na-b-c\n");
  EXPECT_EQ(Error("Dim v(3) As Integer\nPrint v(4)\n"),
            "test.bas:2: Index 4 is out of bounds (0 to 3)\n");
  EXPECT_EQ(Error("Dim v() As Integer\nv(0) = 1\n"),
            "test.bas:2: Index 0 is out of bounds (the array is empty)\n");
  EXPECT_EQ(Error("Dim v(1) As Integer\nv.Append \"x\"\n"),
            "test.bas:2: Type mismatch: expected Integer, got String for the array element\n");
}

TEST(InterpreterTest, StringFunctionsCountCharacters) {
  EXPECT_EQ(Output("Dim s As String = \"héllo wörld\"\n"
                   "Print Len(s)\nPrint Left(s, 2)\nPrint Right(s, 3)\nPrint Mid(s, 2, 4)\n"
                   "Print InStr(s, \"WöR\")\nPrint InStr(8, s, \"l\")\nPrint InStr(s, \"zz\")\n"
                   "Print Uppercase(\"abc\") + Lowercase(\"DEF\")\n"
                   "Print \"[\" + Trim(\"  x  \") + \"]\"\n"
                   "Print Asc(\"é\"), Chr(65) + Chr(233)\n"
                   "Print ReplaceAll(\"a-A-a\", \"a\", \"b\"), NthField(\"x;y;z\", \";\", 2)\n"),
            "11\nhé\nrld\néllo\n7\n10\n0\nABCdef\n[x]\n233\tAé\nb-b-b\ty\n");
}

TEST(InterpreterTest, NumberFunctions) {
  EXPECT_EQ(Output("Print Str(2.5) + \"|\" + Str(42) + \"|\" + CStr(True)\n"
                   "Print Val(\"12.5abc\") + 1\nPrint Val(\"&hFF\")\nPrint Val(\"x\")\n"
                   "Print Hex(255), Hex(-1), Bin(5), Oct(8)\n"
                   "Print Abs(-3), Abs(-2.5), Round(2.5), Floor(-1.5), Ceil(1.2)\n"
                   "Print Min(3, 1, 2), Max(1, 2.5), Sqrt(16)\n"
                   "Print Format(3.14159, \"0.00\"), Format(1234567.891, \"#,##0.00\")\n"),
            "2.5|42|True\n13.5\n255\n0\n"
            "FF\tFFFFFFFFFFFFFFFF\t101\t10\n3\t2.5\t3\t-2\t2\n1\t2.5\t4\n3.14\t1,234,567.89\n");
}

TEST(InterpreterTest, ScriptArgumentsAndQuit) {
  EXPECT_EQ(Output("Dim a() As String = Args()\nPrint a.Count, a(1)\nPrint System.CommandLine\n"),
            "2\ta 2\ntest.bas a1 \"a 2\"\n");
  testing::Outcome o = RunText("Print \"before\"\nQuit 3\nPrint \"after\"\n");
  EXPECT_EQ(o.status, 3);
  EXPECT_EQ(o.out, "before\n");
}

TEST(InterpreterTest, ModulesAndClassesNeedTheirMembers) {
  EXPECT_EQ(Error("Print System\n"), "test.bas:1: 'System' is a module; use System.member\n");
  EXPECT_EQ(Error("Print System.Nothing\n"), "test.bas:1: System has no member 'Nothing'\n");
  EXPECT_EQ(Error("Print Len(\"a\", 2)\n"), "test.bas:1: Len takes 1 argument, got 2\n");
  EXPECT_EQ(Output("Dim System As Integer = 4\nPrint System\n"), "4\n");  // variables come first
}

// What the QTMLTest module asked of a stand-in host's engine controls.
std::vector<std::string>& ControlCalls() {
  static std::vector<std::string> calls;
  return calls;
}

class ControlledHost : public testing::EmptyHost {
 public:
  const EngineTestControls* TestControls() override {
    static const EngineTestControls controls{
        .setTrace = [](bool on) { ControlCalls().push_back(on ? "trace on" : "trace off"); },
        .traceIsOn = [] { return true; },
        .traceText = [] { return "NewRgn() -> 0x1\n"; },
        .clearTrace = [] { ControlCalls().push_back("clear trace"); },
        .failCall =
            [](const char* name, long nth, int16_t error) {
              ControlCalls().push_back("fail " + std::string(name) + " " + std::to_string(nth) +
                                       " " + std::to_string(error));
            },
        .failAllocations =
            [](long count) { ControlCalls().push_back("allocations " + std::to_string(count)); },
        .failIO =
            [](const char* pattern, const char* operation, long nth, int16_t error) {
              ControlCalls().push_back("fail io " + std::string(pattern) + " " + operation + " " +
                                       std::to_string(nth) + " " + std::to_string(error));
            },
        .clearFaults = [] { ControlCalls().push_back("clear faults"); },
        .queueDialogAnswer =
            [](const char* path) {
              ControlCalls().push_back(path != nullptr ? "answer " + std::string(path) : "cancel");
            },
        .pendingDialogAnswers = [] { return 2L; },
        .postKeyDown =
            [](uint8_t keyCode, long afterLooks) {
              ControlCalls().push_back("key " + std::to_string(keyCode) + " after " +
                                       std::to_string(afterLooks));
            },
        .postEvent =
            [](uint16_t what, uint32_t message, int16_t h, int16_t v, long afterLooks) {
              ControlCalls().push_back("event " + std::to_string(what) + " " +
                                       std::to_string(message) + " at " + std::to_string(h) + "," +
                                       std::to_string(v) + " after " + std::to_string(afterLooks));
            },
        .clearEvents = [] { ControlCalls().push_back("clear events"); },
        .setClock = [](long ms) { ControlCalls().push_back("clock " + std::to_string(ms)); },
        .advanceClock = [](long ms) { ControlCalls().push_back("advance " + std::to_string(ms)); },
        .screenPixel = [](int16_t h, int16_t v) -> uint32_t {
          return 0xFF000000u | static_cast<uint32_t>(h * 0x100 + v);
        },
        .offerLibrary =
            [](const char* name) {
              ControlCalls().push_back(std::string("offer ") + (name != nullptr ? name : "none"));
            },
    };
    return &controls;
  }
};

TEST(InterpreterTest, TheTestModuleReachesTheEngineThroughTheHost) {
  ControlledHost host;
  ControlCalls().clear();
  EXPECT_EQ(Output("QTMLTest.TraceOn\n"
                   "Print QTMLTest.TraceIsOn, QTMLTest.Trace\n"
                   "QTMLTest.FailCall \"NewMovie\", 2, -108\n"
                   "QTMLTest.FailAllocations -1\n"
                   "QTMLTest.FailIO \"*.mov\", \"shortread\", 0, -36\n"
                   "QTMLTest.AnswerDialog \"/tmp/a.mov\"\n"
                   "QTMLTest.CancelDialog\n"
                   "Print QTMLTest.PendingDialogs\n"
                   "QTMLTest.PressKey 53\n"
                   "QTMLTest.PressKey 53, 3\n"
                   "QTMLTest.Click 10, -2, 4\n"
                   "QTMLTest.PostEvent 2\n"
                   "Print QTMLTest.ScreenPixel(1, 2)\n"
                   "QTMLTest.ClearKeys\n"
                   "QTMLTest.SetClock 0\n"
                   "QTMLTest.AdvanceClock 40\n"
                   "QTMLTest.ClearFaults\n"
                   "QTMLTest.ClearTrace\n"
                   "QTMLTest.TraceOff\n",
                   &host),
            "True\tNewRgn() -> 0x1\n\n2\n&c000102\n");
  EXPECT_EQ(ControlCalls(), (std::vector<std::string>{
                                "trace on", "fail NewMovie 2 -108", "allocations -1",
                                "fail io *.mov shortread 0 -36", "answer /tmp/a.mov", "cancel",
                                "key 53 after 0", "key 53 after 3", "event 1 0 at 10,-2 after 4",
                                "event 2 0 at 0,0 after 0", "clear events", "clock 0", "advance 40",
                                "clear faults", "clear trace", "trace off"}));
  EXPECT_EQ(Error("QTMLTest.PressKey 256\n", &host),
            "test.bas:1: QTMLTest.PressKey: a key code is 0 to 255\n");
  EXPECT_EQ(Error("QTMLTest.Click 1, 40000\n", &host),
            "test.bas:1: QTMLTest.Click: a point's coordinates are 16-bit\n");
  EXPECT_EQ(Error("QTMLTest.PostEvent 16\n", &host),
            "test.bas:1: QTMLTest.PostEvent: an event kind is 0 to 15\n");
  EXPECT_EQ(Error("QTMLTest.TraceOn\n"),
            "test.bas:1: QTMLTest.TraceOn: the host has no QuickTime engine\n");
  EXPECT_EQ(Error("QTMLTest.FailIO \"a\", \"seek\", 1, -36\n", &host),
            "test.bas:1: QTMLTest.FailIO: no file operation 'seek' (open, read, write, sync, "
            "truncate, rename, remove, stat, shortread or *)\n");
  EXPECT_EQ(Error("QTMLTest.FailIO \"a\", \"read\", -1, -36\n", &host),
            "test.bas:1: QTMLTest.FailIO: n counts from 1 (0: every one), got -1\n");
}

// The prompt over scripted lines.
std::string Prompt(const std::vector<std::string>& lines, std::string* errors = nullptr) {
  testing::EmptyHost host;
  size_t next = 0;
  LineReader read = [&](const char*, std::string& line) {
    if (next == lines.size()) return false;
    line = lines[next++];
    return true;
  };
  std::ostringstream out, err;
  RunPrompt(host, read, out, err);
  if (errors != nullptr) *errors = err.str();
  return out.str();
}

TEST(PromptTest, ShowsValuesKeepsStateAndWaitsForOpenBlocks) {
  std::string errors;
  std::string out = Prompt({"Dim x As Integer = 4", "x * 2", "x", "For i As Integer = 1 To 2",
                            "  Print i", "Next", "Function Sq(n As Integer) As Integer",
                            "Return n * n", "End Function", "Sq(x)", "Print y", "x + 1"},
                           &errors);
  EXPECT_EQ(out, "8\n4\n1\n2\n16\n5\n");
  EXPECT_EQ(errors, "line 1: Unknown name 'y'\n");
}

// A method keeps seeing globals declared by later chunks, and a name
// redefined at the prompt calls the new definition.
TEST(PromptTest, MethodsFromEarlierChunksSeeLaterGlobals) {
  std::string errors;
  std::string out =
      Prompt({"Function Total() As Integer", "Return later * 2", "End Function", "Total()",
              "Dim later As Integer = 21", "Total()", "later = 5", "Total()"},
             &errors);
  EXPECT_EQ(out, "42\n10\n");
  EXPECT_EQ(errors, "line 2: Unknown name 'later'\n");
}

// A method defined at the prompt keeps working on the variables later
// chunks declare again, whatever their type.
TEST(PromptTest, LoopsOfEarlierMethodsFollowRedeclaredGlobals) {
  std::string errors;
  std::string out = Prompt({"Dim n As Integer", "Sub Count()", "For i As Integer = 1 To 3",
                            "n = n + i", "Next", "End Sub", "Count", "n", "Dim n As Double = 0.5",
                            "Count", "n", "Dim n As Integer = 1", "Count", "n"},
                           &errors);
  EXPECT_EQ(out, "6\n6.5\n7\n");
  EXPECT_EQ(errors, "");
}

}  // namespace
}  // namespace fenra::host::script
