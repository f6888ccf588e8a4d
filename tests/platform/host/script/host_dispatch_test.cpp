// How scripts reach host objects: constants, properties, methods with and
// without parentheses, ByRef write-back, assignable methods, IsA, arrays
// and module methods, against a small stand-in host.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "core/bound_member.h"
#include "core/objects.h"
#include "script/lexer.h"
#include "script_test_host.h"

namespace fenra::host::script {
namespace {

Declaration Decl(std::string name, std::vector<Parameter> params, std::string result) {
  Declaration d;
  d.name = std::move(name);
  d.parameters = std::move(params);
  d.result.name = std::move(result);
  return d;
}

Parameter Param(std::string name, std::string type, bool byRef = false) {
  Parameter p;
  p.name = std::move(name);
  p.type.name = std::move(type);
  p.byRef = byRef;
  return p;
}

// A host object of the stand-in's classes; counted like every host object,
// so it goes when the script lets go of it.
class FakeObject : public HostObject {
 public:
  explicit FakeObject(const ClassInfo& cls) : HostObject(0), cls_(cls) {}
  const ClassInfo& Class() const override { return cls_; }
  std::map<std::string, Value> fields;  // by folded name
  std::vector<int64_t> values;          // an integer array's elements

 private:
  const ClassInfo& cls_;
};

// Shape (width; Grow(ByRef n); Area(); assignable Item(name); kSides) and
// its subclass Square (kCorners); the module method Twice(ByRef n) as integer.
// Shape's width and Nudge(n as integer) bind, and go by Scalars while width
// holds an Integer; `reads` counts the reads of width and `nudges` the
// calls of Nudge, however made.
class FakeHost : public testing::EmptyHost {
 public:
  FakeHost() {
    shape_.name = "Shape";
    shape_.fromPlugin = true;
    shape_.properties.push_back({"width", {"Integer", false}, true, true});
    shape_.methods.push_back({Decl("Shape", {}, ""), false});
    shape_.methods.push_back({Decl("Grow", {Param("n", "Integer", true)}, ""), false});
    shape_.methods.push_back({Decl("Area", {}, "Integer"), false});
    shape_.methods.push_back({Decl("Item", {Param("name", "String")}, "String"), true});
    shape_.methods.push_back({Decl("Take", {Param("s", "Shape")}, "String"), false});
    shape_.methods.push_back({Decl("Nudge", {Param("n", "Integer")}, ""), false});
    shape_.constants.push_back({"kSides", Value::Int(4), "kSides = 4"});
    square_.name = "Square";
    square_.super = &shape_;
    square_.constants.push_back({"kCorners", Value::Int(4), "kCorners = 4"});
    array_.name = "Integer()";
    twice_.declaration = Decl("Twice", {Param("n", "Integer", true)}, "Integer");
  }

  const ClassInfo* FindClass(std::string_view name) override {
    std::string key = Fold(name);
    if (key == "shape") return &shape_;
    if (key == "square") return &square_;
    return nullptr;
  }
  const ModuleMethodInfo* FindModuleMethod(std::string_view name) override {
    return Fold(name) == "twice" ? &twice_ : nullptr;
  }

  bool New(const ClassInfo& cls, const std::vector<Value>&, Value& out, HostError&) override {
    out = Value::Obj(Adopt(new FakeObject(cls)));
    return true;
  }
  bool GetProperty(const Value& target, std::string_view name, Value& out, HostError& e) override {
    FakeObject& o = Of(target);
    if (Fold(name) == "width") ++reads;
    auto it = o.fields.find(Fold(name));
    if (it == o.fields.end())
      return Refuse(e, o.Class().name + " has no property " + std::string(name));
    out = it->second;
    return true;
  }
  bool SetProperty(const Value& target, std::string_view name, const Value& value,
                   HostError&) override {
    Of(target).fields[Fold(name)] = value;
    return true;
  }
  bool CallMethod(const Value& target, std::string_view name, std::vector<Value>& args, Value& out,
                  HostError& e) override {
    FakeObject& o = Of(target);
    std::string key = Fold(name);
    if (key == "grow" && args.size() == 1 && args[0].kind == Value::Kind::Integer) {
      args[0] = Value::Int(args[0].integer + 1);
      return true;
    }
    if (key == "area" && args.empty()) {
      int64_t w = o.fields["width"].integer;
      out = Value::Int(w * w);
      return true;
    }
    if (key == "item" && args.size() == 1) {
      out = o.fields["item:" + args[0].text];
      return true;
    }
    if (key == "nudge" && args.size() == 1) {
      ++nudges;
      return true;
    }
    if (key == "take" && args.size() == 1) {
      out = Value::Str(args[0].kind == Value::Kind::Nil ? "nil typed " + args[0].text : "object");
      return true;
    }
    return Refuse(e, "no overload of " + o.Class().name + "." + std::string(name));
  }
  bool AssignMethod(const Value& target, std::string_view name, std::vector<Value>& args,
                    const Value& value, HostError& e) override {
    if (Fold(name) != "item" || args.size() != 1) return Refuse(e, "not assignable");
    Of(target).fields["item:" + args[0].text] = value;
    return true;
  }
  bool CallModuleMethod(std::string_view, std::vector<Value>& args, Value& out,
                        HostError&) override {
    int64_t sum = 0;
    for (Value& a : args) {
      if (a.kind == Value::Kind::Object) {  // an integer array
        for (int64_t v : static_cast<FakeObject*>(a.object.get())->values) sum += v;
      } else {
        sum += a.integer;
        a = Value::Int(a.integer * 2);
      }
    }
    out = Value::Int(sum);
    return true;
  }
  bool GetClassConstant(const ClassInfo& cls, std::string_view name, Value& out) override {
    for (const ConstantInfo& k : cls.constants) {  // its own only: the script walks up
      if (Fold(k.name) == Fold(name)) {
        out = k.value;
        return true;
      }
    }
    return false;
  }
  const BoundMember* BindProperty(const ClassInfo& cls, std::string_view name) override {
    return &cls == &shape_ && Fold(name) == "width" ? &width_ : nullptr;
  }
  const BoundMember* BindMethod(const ClassInfo& cls, std::string_view name,
                                const std::vector<Value>& args) override {
    bool integer = args.size() == 1 && args[0].kind == Value::Kind::Integer;
    return &cls == &shape_ && Fold(name) == "nudge" && integer ? &nudge_ : nullptr;
  }
  bool GetBound(const BoundMember&, const Value& target, Value& out, HostError& e) override {
    return GetProperty(target, "width", out, e);
  }
  bool CallBound(const BoundMember&, const Value& target, std::vector<Value>& args, Value& out,
                 HostError& e) override {
    return CallMethod(target, "nudge", args, out, e);
  }
  bool ScalarCall(const BoundMember& member, size_t count, Value::Kind& result) override {
    result = &member == &width_ ? widthKind : Value::Kind::Nil;
    bool scalar = result != Value::Kind::Double || doubleScalars;
    return scalar && count == (&member == &width_ ? 0u : 1u);
  }
  bool CallScalar(const BoundMember& member, Object& target, const Scalar*, size_t, Scalar& out,
                  HostError&) override {
    if (&member == &nudge_) {
      ++nudges;
      out = Scalar{};
      return true;
    }
    ++reads;
    ++scalarReads;
    const Value& width = static_cast<FakeObject&>(target).fields["width"];
    out.kind = width.kind;
    out.integer = width.integer;
    out.number = width.number;
    return true;
  }
  int reads = 0;
  int scalarReads = 0;
  int nudges = 0;
  // Double: width does not go by Scalars, unless doubleScalars.
  Value::Kind widthKind = Value::Kind::Integer;
  bool doubleScalars = false;

  std::vector<std::string> folderItems;  // the paths asked for
  std::vector<bool> folderExisted;       // whether each was a folder then

  ObjectRef NewFolderItem(const std::string& path) override {
    folderItems.push_back(path);
    folderExisted.push_back(std::filesystem::is_directory(path));
    return Adopt(new FakeObject(array_));
  }
  ObjectRef NewIntegerArray(const std::vector<int64_t>& values) override {
    auto* a = new FakeObject(array_);
    a->values = values;
    return Adopt(a);
  }

 private:
  static FakeObject& Of(const Value& v) { return *static_cast<FakeObject*>(v.object.get()); }
  static bool Refuse(HostError& e, std::string message) {
    e.message = std::move(message);
    return false;
  }

  ClassInfo shape_, square_, array_;
  BoundMember width_, nudge_;
  ModuleMethodInfo twice_;
};

class HostDispatchTest : public ::testing::Test {
 protected:
  std::string Output(const std::string& source) { return testing::Output(source, &host_); }
  std::string Error(const std::string& source) { return testing::Error(source, &host_); }
  FakeHost host_;
};

TEST_F(HostDispatchTest, ConstantsThroughTheClassASubclassAndAnInstance) {
  EXPECT_EQ(Output("Print Shape.kSides, Square.kSides, Square.kCorners\n"
                   "Dim q As New Square\nPrint q.kSides\n"),
            "4\t4\t4\n4\n");
  EXPECT_EQ(Error("Print Shape.kCorners\n"),
            "test.bas:1: Shape has no constant 'kCorners' (other members need an instance)\n");
}

TEST_F(HostDispatchTest, PropertiesAndMethodsWithOrWithoutParentheses) {
  EXPECT_EQ(Output("Dim s As Shape = New Shape\n"
                   "s.width = 3\n"
                   "s.width += 1\n"
                   "Print s.width, s.Area, s.Area()\n"),
            "4\t16\t16\n");
  EXPECT_EQ(Error("Dim s As New Shape\nPrint s.Grow(1)\n"),
            "test.bas:2: 'Grow' does not return a value\n");
  EXPECT_EQ(Error("Dim s As New Shape\nPrint s.Missing\n"),
            "test.bas:2: Shape has no property Missing\n");
  EXPECT_EQ(Error("Dim s As New Shape\ns.Area 1, 2\n"), "test.bas:2: no overload of Shape.Area\n");
}

TEST_F(HostDispatchTest, ByRefArgumentsWriteBackToVariablesAndElements) {
  EXPECT_EQ(Output("Dim s As New Shape\n"
                   "Dim n As Integer = 1\n"
                   "s.Grow n\n"
                   "s.Grow(n)\n"
                   "Dim v(2) As Integer\n"
                   "s.Grow v(2)\n"
                   "Print n, v(2)\n"
                   "Print Twice(n) + 1, n\n"),
            "3\t1\n4\t6\n");
}

TEST_F(HostDispatchTest, AssignableMethods) {
  EXPECT_EQ(Output("Dim s As New Shape\n"
                   "s.Item(\"name\") = \"movie\"\n"
                   "Print s.Item(\"name\")\n"),
            "movie\n");
}

TEST_F(HostDispatchTest, IsAAndObjectTypes) {
  EXPECT_EQ(Output("Dim q As New Square\nDim s As New Shape\nDim o As Shape\n"
                   "Print q IsA Shape, s IsA Square, o IsA Shape, Not (q IsA Square)\n"
                   "o = q\nPrint o Is q, o = s\n"),
            "True\tFalse\tFalse\tFalse\nTrue\tFalse\n");
  EXPECT_EQ(Error("Dim q As Square = New Shape\n"),
            "test.bas:1: Type mismatch: expected Square, got Shape for 'q'\n");
}

TEST_F(HostDispatchTest, ArraysCrossAsHostIntegerArrays) {
  EXPECT_EQ(Output("Dim v() As Integer = Array(1, 2, 3)\nPrint Twice(v)\n"), "6\n");
  EXPECT_EQ(Error("Dim v() As String = Array(\"a\")\nPrint Twice(v)\n"),
            "test.bas:2: Only Integer arrays can be passed to the host, not String()\n");
}

TEST_F(HostDispatchTest, FolderItemsForPathsAndAFreshTemporaryFolder) {
  EXPECT_EQ(Output("Dim f As Object = GetFolderItem(\"a/../b.txt\")\n"
                   "Dim t As Object = SpecialFolder.Temporary\n"
                   "Dim u As Object = SpecialFolder.Temporary\n"),
            "");
  ASSERT_EQ(host_.folderItems.size(), 3u);
  EXPECT_EQ(host_.folderItems[0], (std::filesystem::current_path() / "b.txt").string());
  EXPECT_EQ(host_.folderItems[1], host_.folderItems[2]);  // one folder for the whole run
  EXPECT_TRUE(host_.folderExisted[1]);
  EXPECT_FALSE(std::filesystem::exists(host_.folderItems[1]));  // removed when the run ended
}

TEST_F(HostDispatchTest, ANilVariableNamesItsDeclaredClass) {
  EXPECT_EQ(Output("Dim s As New Shape\nDim none As Square\nPrint s.Take(none), s.Take(s)\n"),
            "nil typed Square\tobject\n");
}

// Arithmetic on bound Integer properties and calls of bound methods skip
// making values; each getter and method still runs once a read or call,
// in the order written, and errors are those of the general way.
TEST_F(HostDispatchTest, BoundMembersRunOnceEachTimeWhateverWayTheyGo) {
  EXPECT_EQ(Output("Dim s As New Shape\ns.width = 3\nDim n As Integer\n"
                   "For i As Integer = 1 To 4\n"
                   "  n = n + s.width * 2 - i\n"
                   "  n += s.width\n"
                   "  s.Nudge(i)\n"
                   "Next\n"
                   "Dim d As Double = s.width + 0.5\n"
                   "Print n, d, -s.width Mod 2\n"),
            "26\t3.5\t-1\n");
  EXPECT_EQ(host_.reads, 4 * 2 + 2);
  EXPECT_EQ(host_.nudges, 4);
  host_.reads = 0;
  EXPECT_EQ(Output("Dim s As New Shape\ns.width = 0\nDim n As Integer = 6\n"
                   "For i As Integer = 1 To 3\n  n /= s.width - i\nNext\nPrint n\n"),
            "-1\n");
  EXPECT_EQ(host_.reads, 3);
  EXPECT_EQ(Error("Dim s As New Shape\nFor i As Integer = 1 To 2\n  Print s.Nudge(i)\nNext\n"),
            "test.bas:3: 'Nudge' does not return a value\n");
  // A width that is no Integer is read the general way, once a read too.
  host_.reads = 0;
  host_.widthKind = Value::Kind::Double;
  EXPECT_EQ(Output("Dim s As New Shape\ns.width = 1.5\nDim d As Double\n"
                   "For i As Integer = 1 To 3\n  d = d + s.width\nNext\nPrint d\n"),
            "4.5\n");
  EXPECT_EQ(host_.reads, 3);
}

// Comparisons of bound properties, and arithmetic mixing them with
// Doubles, go by Scalars from their second pass on, with the answers of
// the general way (a Double into an Integer truncated, / giving Doubles,
// a NaN equal to anything) and each getter once a read.
TEST_F(HostDispatchTest, BoundNumbersCompareAndMixWithDoubles) {
  EXPECT_EQ(Output("Dim s As New Shape\ns.width = 3\nDim hits As Integer\n"
                   "For i As Integer = 1 To 5\n"
                   "  If s.width < i Then hits += 1\n"
                   "  If i - s.width >= 0 Then hits += 10\n"
                   "Next\n"
                   "Print hits, s.width / 2\n"),
            "32\t1.5\n");
  EXPECT_EQ(host_.scalarReads, 2 * 4);
  host_.reads = host_.scalarReads = 0;
  host_.widthKind = Value::Kind::Double;
  host_.doubleScalars = true;
  EXPECT_EQ(Output("Dim s As New Shape\ns.width = 1.5\n"
                   "Dim d As Double\nDim n As Integer\nDim hits As Integer\n"
                   "For i As Integer = 1 To 4\n"
                   "  d = d + s.width * i / 2 - -s.width\n"
                   "  If s.width * i > 3 Then hits += 1\n"
                   "  d -= s.width\n"
                   "  n = s.width * i\n"
                   "Next\n"
                   "Print d, hits, n, s.width <= 1.5, s.width <> 1.5, s.width / 0\n"
                   "s.width = 0 / 0\n"
                   "Print s.width = 7\n"),
            "7.5\t2\t6\tTrue\tFalse\tINF\nTrue\n");
  EXPECT_EQ(host_.reads, 4 * 5 + 4);
  EXPECT_EQ(host_.scalarReads, 3 * 5);
}

}  // namespace
}  // namespace fenra::host::script
