// The runtime against the test plugin (test_plugin/test_plugin.c), loaded
// as the host loads any plugin. A process holds one plugin: ctest gives
// every test a process of its own; run all at once, these skip when
// another test loaded the real plugin first.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/objects.h"
#include "fenra_host/runtime.h"
#include "runtime_calls_test.h"

namespace fenra::host {
namespace {

class RuntimeTest : public RuntimeCallsTest {
 protected:
  static void SetUpTestSuite() {
    if (Runtime::Get().PluginVersion() != 0) return;  // another plugin came first
    std::string error;
    loaded_ = Runtime::Get().LoadPlugin(FENRA_TEST_PLUGIN_PATH, error);
    ASSERT_TRUE(loaded_) << error;
  }
  void SetUp() override {
    if (!loaded_) GTEST_SKIP() << "another plugin is loaded in this process";
    TakeEvents();
  }

  Value Module(const char* name, std::vector<Value> args = {}) {
    Value out;
    HostError error;
    EXPECT_TRUE(rt().CallModuleMethod(name, args, out, error)) << error.message;
    return out;
  }
  std::string TakeEvents() { return Module("TakeEvents").text; }
  int64_t Offset(const char* cls) { return Module("DataOffset", {Value::Str(cls)}).integer; }
  static inline bool loaded_ = false;

  static int64_t References(const Value& v) {
    return static_cast<HostObject*>(v.object.get())->References();
  }
};

TEST_F(RuntimeTest, RegistersClassesWithAlignedDataOffsets) {
  EXPECT_EQ(rt().PluginVersion(), 6);
  ASSERT_EQ(rt().PluginClasses().size(), 3u);
  EXPECT_EQ(rt().PluginClasses()[1]->name, "Square");
  EXPECT_EQ(Class("square").super, &Class("Shape"));
  EXPECT_TRUE(Class("Square").IsA(Class("SHAPE")));
  EXPECT_FALSE(Class("Shape").IsA(Class("Square")));

  // Roots start after the instance header; a subclass after its
  // superclass's data, 8-byte aligned.
  int64_t shape = Offset("Shape");
  EXPECT_GT(shape, 0);
  EXPECT_EQ(shape % 8, 0);
  EXPECT_EQ(Offset("Counter"), shape);
  EXPECT_EQ(Offset("Square"), (shape + Class("Shape").ownDataSize + 7) / 8 * 8);
  EXPECT_EQ(Class("Square").ownDataSize, 4);
  EXPECT_EQ(rt().ModuleMethods().front().declaration.name, "Twice");
}

TEST_F(RuntimeTest, PropertiesKnowTheirAccess) {
  auto access = [&](const char* name) {
    for (const PropertyInfo& p : Class("Shape").properties) {
      if (p.name == name) return std::string(p.readable ? "r" : "") + (p.writable ? "w" : "");
    }
    return std::string("?");
  };
  EXPECT_EQ(access("width"), "rw");
  EXPECT_EQ(access("serial"), "r");
  EXPECT_EQ(access("name"), "r");
  EXPECT_EQ(access("sink"), "w");
}

TEST_F(RuntimeTest, ConstantsReadNumbersAndCodes) {
  Value v;
  ASSERT_TRUE(rt().GetClassConstant(Class("Square"), "KSIDES", v));  // through the subclass
  EXPECT_EQ(v.kind, Value::Kind::Integer);
  EXPECT_EQ(v.integer, 4);
  ASSERT_TRUE(rt().GetClassConstant(Class("Shape"), "kRatio", v));
  EXPECT_EQ(v.kind, Value::Kind::Double);
  EXPECT_DOUBLE_EQ(v.number, -2.5);
  ASSERT_TRUE(rt().GetClassConstant(Class("Shape"), "kKind", v));
  EXPECT_EQ(v.text, "SHAP");
  ASSERT_TRUE(rt().GetClassConstant(Class("Shape"), "kTabs", v));
  EXPECT_EQ(v.integer, 0);
  EXPECT_FALSE(rt().GetClassConstant(Class("Shape"), "kNone", v));
}

TEST_F(RuntimeTest, ConstructorsRunFromTheRootDestructorsFromTheOwnClass) {
  {
    Value square = New("Square", {Value::Int(3)});  // Shape's constructors serve Square
    EXPECT_EQ(TakeEvents(), "shape+ square+");
    EXPECT_EQ(Get(square, "width").integer, 3);
    EXPECT_EQ(Get(square, "corners").integer, 4);
  }
  EXPECT_EQ(TakeEvents(), "square- shape-");

  // PluginNewInstance runs the registered constructors, not a host one.
  Value shape = New("Shape", {Value::Int(9)});
  TakeEvents();
  Value twin = Call(shape, "Twin");
  EXPECT_EQ(TakeEvents(), "shape+ square+");
  EXPECT_EQ(twin.object->Class().name, "Square");
  EXPECT_EQ(Get(twin, "width").integer, 9);
  EXPECT_EQ(References(twin), 1);  // adopted, not locked again
}

TEST_F(RuntimeTest, NewInstancesAreZeroFilled) {
  Value counter = New("Counter");
  EXPECT_EQ(counter.object->Class().name, "Counter");
  Value shape = New("Shape", {Value::Int(1)});
  EXPECT_EQ(Get(shape, "ratio").number, 0.0);
  EXPECT_FALSE(Get(shape, "flag").boolean);
  EXPECT_EQ(Get(shape, "label").text, "");
  EXPECT_EQ(Get(shape, "buddy").kind, Value::Kind::Nil);

  Value out;
  HostError error;
  EXPECT_FALSE(rt().New(Class("Counter"), {Value::Int(1)}, out, error));
  EXPECT_NE(error.message.find("Counter"), std::string::npos) << error.message;
}

TEST_F(RuntimeTest, StandardAccessorsReadAndWriteEveryType) {
  Value shape = New("Shape");
  EXPECT_EQ(Get(shape, "width").integer, 7);  // "Shape()"
  Set(shape, "width", Value::Int(-5'000'000'000));
  Set(shape, "ratio", Value::Int(2));  // an Integer where a Double is declared
  Set(shape, "flag", Value::Bool(true));
  Set(shape, "scale", Value::Dbl(0.25));
  Set(shape, "tint", Value::Colour(0x123456));
  Set(shape, "label", Value::Str("tag"));
  Set(shape, "label", Value::Str("other"));  // the first one is released
  EXPECT_EQ(Get(shape, "width").integer, -5'000'000'000);
  EXPECT_EQ(Get(shape, "ratio").number, 2.0);
  EXPECT_TRUE(Get(shape, "flag").boolean);
  EXPECT_EQ(Get(shape, "scale").number, 0.25);
  EXPECT_EQ(Get(shape, "tint").integer, 0x123456);
  EXPECT_EQ(Get(shape, "LABEL").text, "other");
  EXPECT_GT(Get(shape, "serial").integer, 0);

  HostError error;
  EXPECT_FALSE(rt().SetProperty(shape, "flag", Value::Str("x"), error));
  EXPECT_FALSE(rt().SetProperty(shape, "serial", Value::Int(1), error));
  EXPECT_NE(error.message.find("read-only"), std::string::npos) << error.message;
  EXPECT_FALSE(rt().SetProperty(shape, "buddy", New("Counter"), error));  // not a Shape
}

TEST_F(RuntimeTest, ObjectFieldsHoldOneReferenceUntilTheInstanceGoes) {
  Value buddy = New("Square");
  {
    Value shape = New("Shape");
    Set(shape, "buddy", buddy);
    EXPECT_EQ(References(buddy), 2);
    Value back = Call(shape, "Buddy");  // the plugin locks what it returns
    EXPECT_EQ(back.object, buddy.object);
    EXPECT_EQ(References(buddy), 3);
    back = Value::Nil();
    Set(shape, "buddy", Value::Nil());
    EXPECT_EQ(References(buddy), 1);
    Set(shape, "buddy", buddy);
    // A string the plugin keeps is locked by it and released with the
    // instance (AddressSanitizer tells otherwise).
    Call(shape, "Keep", {Value::Str("kept")});
    EXPECT_EQ(Get(shape, "label").text, "kept");
  }
  EXPECT_EQ(References(buddy), 1);
}

TEST_F(RuntimeTest, PluginAccessorsGetTheirParamBack) {
  Value shape = New("Shape", {Value::Int(5)});
  EXPECT_EQ(Get(shape, "area").integer, 10);
  Set(shape, "area", Value::Int(40));
  EXPECT_EQ(Get(shape, "width").integer, 20);
  EXPECT_EQ(Get(shape, "AREA").integer, 40);  // names of any case, by name as bound
  EXPECT_DOUBLE_EQ(Call(shape, "sCALE", {Value::Int(2)}).number, 40.0);
  EXPECT_EQ(Get(shape, "name").text,
            "shape " + std::to_string(Get(shape, "serial").integer) + "/5");
  Set(shape, "sink", Value::Int(3));
  Value out;
  HostError error;
  EXPECT_FALSE(rt().GetProperty(shape, "sink", out, error));
  EXPECT_NE(error.message.find("cannot be read"), std::string::npos) << error.message;
  EXPECT_FALSE(rt().SetProperty(shape, "name", Value::Str("x"), error));
}

TEST_F(RuntimeTest, CallsPassEveryTypeAndFillDefaults) {
  Value shape = New("Shape", {Value::Int(5)});
  EXPECT_DOUBLE_EQ(Call(shape, "Scale", {Value::Int(3)}).number, 15.0);
  EXPECT_DOUBLE_EQ(Call(shape, "Scale", {Value::Dbl(0.5), Value::Bool(true)}).number, 5.0);
  EXPECT_EQ(Call(shape, "Offset", {Value::Int(1)}).integer, 10000 - 100 + 16);  // -1, &h10
  EXPECT_EQ(Call(shape, "Offset", {Value::Int(1), Value::Int(2), Value::Int(3)}).integer, 10203);
  EXPECT_EQ(Call(shape, "Mix",
                 {Value::Int(-3), Value::Dbl(1.5), Value::Bool(true), Value::Colour(0xA0B0C0),
                  Value::Str("s")})
                .text,
            "-3 1.50 1 A0B0C0 s");
  Value array = Value::Obj(rt().NewIntegerArray({1, 2, 3, 4}));
  EXPECT_EQ(Call(shape, "Sum", {array}).integer, 10);
  EXPECT_EQ(Call(shape, "Sum", {Value::Nil()}).integer, 0);
  Value half = Call(shape, "Half", {Value::Dbl(3.0)});
  EXPECT_EQ(half.kind, Value::Kind::Double);
  EXPECT_DOUBLE_EQ(half.number, 1.5);
}

TEST_F(RuntimeTest, ByRefArgumentsAreWrittenBack) {
  Value shape = New("Shape", {Value::Int(5)});
  std::vector<Value> args = {Value::Int(2), Value::Str("before")};
  Value out;
  HostError error;
  ASSERT_TRUE(rt().CallMethod(shape, "Grow", args, out, error)) << error.message;
  EXPECT_EQ(args[0].integer, 7);
  EXPECT_EQ(args[1].text, "grown");
  EXPECT_EQ(Get(shape, "width").integer, 7);
}

TEST_F(RuntimeTest, OverloadsChooseByCountTypeAndClass) {
  EXPECT_EQ(Get(New("Shape", {Value::Str("hello")}), "width").integer, 5);
  Value shape = New("Shape", {Value::Int(4)});
  EXPECT_EQ(Call(shape, "Pick", {New("Square")}).integer, 2);
  EXPECT_EQ(Call(shape, "Pick", {New("Shape")}).integer, 1);
  Value typedNil = Value::Nil();
  typedNil.text = "Square";  // a Nil from a variable declared As Square
  EXPECT_EQ(Call(shape, "pick", {typedNil}).integer, 2);
  EXPECT_EQ(Call(shape, "Pick", {Value::Nil()}).integer, 1);  // the first declared
  // A subclass's method hides its superclass's.
  EXPECT_EQ(Call(New("Square"), "Kind").text, "square");
  EXPECT_EQ(Call(shape, "Kind").text, "shape");
  // An exact Double beats the Single overload.
  EXPECT_EQ(Call(shape, "Half", {Value::Int(3)}).number, 1.5);

  EXPECT_EQ(CallFails(shape, "Scale", {Value::Str("x")}),
            "no overload of Shape.Scale accepts (String)");
  EXPECT_EQ(CallFails(shape, "Pick", {Value::Int(1)}),
            "no overload of Shape.Pick accepts (Integer)");
  EXPECT_EQ(CallFails(shape, "Pick", {New("Counter")}),
            "no overload of Shape.Pick accepts (Counter)");
  EXPECT_EQ(CallFails(shape, "Offset", {}), "no overload of Shape.Offset accepts ()");
  EXPECT_EQ(CallFails(shape, "Sum", {Value::Int(1)}), "no overload of Shape.Sum accepts (Integer)");
  EXPECT_EQ(CallFails(shape, "Pair", {Value::Int(1), Value::Int(2)}),
            "more than one overload of Shape.Pair equally accepts (Integer, Integer)");
  EXPECT_EQ(Call(shape, "Pair", {Value::Int(1), Value::Dbl(2)}).integer, 3);
  Value out;
  HostError error;
  EXPECT_FALSE(rt().New(Class("Shape"), {Value::Bool(true)}, out, error));
  EXPECT_EQ(error.message, "no overload of Shape constructor accepts (Boolean)");
}

// A bound member reads and calls as the member does by name.
TEST_F(RuntimeTest, BoundMembersAnswerAsTheirNames) {
  Value shape = New("Shape", {Value::Int(5)});
  const BoundMember* width = rt().BindProperty(Class("Shape"), "WIDTH");  // standard
  const BoundMember* area = rt().BindProperty(Class("Shape"), "area");    // its own getter
  const BoundMember* name = rt().BindProperty(Class("Shape"), "name");    // a string getter
  ASSERT_NE(width, nullptr);
  ASSERT_NE(area, nullptr);
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(rt().BindProperty(Class("Shape"), "width"), width);  // bound once
  Value out;
  HostError error;
  ASSERT_TRUE(rt().GetBound(*width, shape, out, error)) << error.message;
  EXPECT_EQ(out.integer, 5);
  ASSERT_TRUE(rt().GetBound(*area, shape, out, error)) << error.message;
  EXPECT_EQ(out.integer, Get(shape, "area").integer);
  ASSERT_TRUE(rt().GetBound(*name, shape, out, error)) << error.message;
  EXPECT_EQ(out.text, Get(shape, "name").text);
  // Write-only, missing, and methods are not bound as properties.
  EXPECT_EQ(rt().BindProperty(Class("Shape"), "sink"), nullptr);
  EXPECT_EQ(rt().BindProperty(Class("Shape"), "nothing"), nullptr);
  EXPECT_EQ(rt().BindProperty(Class("Shape"), "Kind"), nullptr);
}

TEST_F(RuntimeTest, BoundMethodsChooseTheOverloadOfTheirArguments) {
  Value shape = New("Shape", {Value::Int(4)});
  auto call = [&](const char* name, std::vector<Value> args) {
    Value out;
    HostError error;
    const BoundMember* bound = rt().BindMethod(shape.object->Class(), name, args);
    EXPECT_NE(bound, nullptr) << name;
    if (bound != nullptr) {
      EXPECT_TRUE(rt().CallBound(*bound, shape, args, out, error)) << error.message;
    }
    return out;
  };
  EXPECT_EQ(call("Pick", {New("Square")}).integer, 2);
  EXPECT_EQ(call("Pick", {New("Shape")}).integer, 1);
  EXPECT_EQ(call("Half", {Value::Int(3)}).number, 1.5);
  EXPECT_EQ(call("Pair", {Value::Int(1), Value::Dbl(2)}).integer, 3);
  EXPECT_EQ(call("Offset", {Value::Int(1)}).integer, 10000 - 100 + 16);  // defaults filled
  EXPECT_EQ(call("Kind", {}).text, "shape");
  // A Nil leaves the choice to its declared class; no overload, none bound.
  EXPECT_EQ(rt().BindMethod(Class("Shape"), "Pick", {Value::Nil()}), nullptr);
  EXPECT_EQ(rt().BindMethod(Class("Shape"), "Pick", {Value::Int(1)}), nullptr);
  EXPECT_EQ(rt().BindMethod(Class("Shape"), "Pair", {Value::Int(1), Value::Int(2)}), nullptr);
  EXPECT_EQ(rt().BindMethod(Class("Shape"), "width", {}), nullptr);  // a property

  std::vector<Value> args = {Value::Int(2), Value::Str("before")};
  const BoundMember* grow = rt().BindMethod(Class("Shape"), "Grow", args);
  ASSERT_NE(grow, nullptr);
  Value out;
  HostError error;
  ASSERT_TRUE(rt().CallBound(*grow, shape, args, out, error)) << error.message;
  EXPECT_EQ(args[0].integer, 6);
  EXPECT_EQ(args[1].text, "grown");
}

TEST_F(RuntimeTest, BoundHostMembers) {
  Value picture = Value::Obj(rt().NewPicture(4, 3, 32));
  Value graphics = Get(picture, "Graphics");
  const ClassInfo& cls = graphics.object->Class();
  std::vector<Value> at = {Value::Int(1), Value::Int(2)};
  const BoundMember* pixel = rt().BindMethod(cls, "Pixel", at);
  const BoundMember* width = rt().BindProperty(cls, "Width");
  ASSERT_NE(pixel, nullptr);
  ASSERT_NE(width, nullptr);
  Value out;
  HostError error;
  ASSERT_TRUE(rt().CallBound(*pixel, graphics, at, out, error)) << error.message;
  EXPECT_EQ(out.kind, Value::Kind::Color);
  EXPECT_EQ(out.integer, 0xFFFFFF);  // white when new
  ASSERT_TRUE(rt().GetBound(*width, graphics, out, error)) << error.message;
  EXPECT_EQ(out.integer, 4);
  // Doubles are converted to the declared Integers as by name.
  std::vector<Value> doubles = {Value::Dbl(1.7), Value::Dbl(2.2)};
  const BoundMember* fromDoubles = rt().BindMethod(cls, "Pixel", doubles);
  ASSERT_NE(fromDoubles, nullptr);
  EXPECT_TRUE(rt().CallBound(*fromDoubles, graphics, doubles, out, error)) << error.message;
}

// Calls by Scalars answer as bound calls do, for members whose every
// parameter and result is a number, Boolean or colour passed by value.
TEST_F(RuntimeTest, ScalarCallsAnswerAsBoundCalls) {
  Value shape = New("Shape", {Value::Int(5)});
  Object& target = *shape.object.get();
  auto scalar = [](Value v) {
    Scalar s{};
    s.kind = v.kind;
    s.integer = v.integer;
    s.number = v.number;
    s.boolean = v.boolean;
    return s;
  };
  auto call = [&](const BoundMember* bound, std::vector<Value> args) {
    std::vector<Scalar> scalars;
    for (const Value& v : args) scalars.push_back(scalar(v));
    Value bound_out;
    Scalar out{};
    HostError error;
    EXPECT_TRUE(rt().CallBound(*bound, shape, args, bound_out, error)) << error.message;
    EXPECT_TRUE(rt().CallScalar(*bound, target, scalars.data(), scalars.size(), out, error));
    EXPECT_EQ(out.kind, bound_out.kind);
    EXPECT_EQ(out.integer, bound_out.integer);
    EXPECT_EQ(out.number, bound_out.number);
    EXPECT_EQ(out.boolean, bound_out.boolean);
    return out;
  };
  Value::Kind kind = Value::Kind::String;
  const BoundMember* width = rt().BindProperty(Class("Shape"), "width");  // standard
  const BoundMember* area = rt().BindProperty(Class("Shape"), "area");    // its own getter
  ASSERT_TRUE(rt().ScalarCall(*width, 0, kind));
  EXPECT_EQ(kind, Value::Kind::Integer);
  EXPECT_EQ(call(width, {}).integer, 5);
  ASSERT_TRUE(rt().ScalarCall(*area, 0, kind));
  call(area, {});
  EXPECT_FALSE(rt().ScalarCall(*rt().BindProperty(Class("Shape"), "name"), 0, kind));

  std::vector<Value> pair = {Value::Int(1), Value::Dbl(2)};
  const BoundMember* pairs = rt().BindMethod(Class("Shape"), "Pair", pair);
  ASSERT_TRUE(rt().ScalarCall(*pairs, 2, kind));
  EXPECT_EQ(call(pairs, pair).integer, 3);
  std::vector<Value> half = {Value::Int(3)};  // into a Single
  const BoundMember* halves = rt().BindMethod(Class("Shape"), "Half", half);
  ASSERT_TRUE(rt().ScalarCall(*halves, 1, kind));
  EXPECT_EQ(kind, Value::Kind::Double);
  EXPECT_EQ(call(halves, half).number, 1.5);
  std::vector<Value> scale = {Value::Dbl(2), Value::Bool(true)};
  const BoundMember* scales = rt().BindMethod(Class("Shape"), "Scale", scale);
  ASSERT_TRUE(rt().ScalarCall(*scales, 2, kind));
  call(scales, scale);
  std::vector<Value> offset = {Value::Int(1), Value::Int(-2), Value::Int(3)};  // integers alone
  const BoundMember* offsets = rt().BindMethod(Class("Shape"), "Offset", offset);
  ASSERT_TRUE(rt().ScalarCall(*offsets, 3, kind));
  EXPECT_EQ(call(offsets, offset).integer, Call(shape, "Offset", offset).integer);
  // A default to fill, a ByRef, a string: these go by Values.
  EXPECT_FALSE(rt().ScalarCall(*scales, 1, kind));
  std::vector<Value> grow = {Value::Int(2), Value::Str("")};
  EXPECT_FALSE(rt().ScalarCall(*rt().BindMethod(Class("Shape"), "Grow", grow), 2, kind));
  EXPECT_FALSE(rt().ScalarCall(*rt().BindMethod(Class("Shape"), "Kind", {}), 0, kind));

  // A host method: Graphics.Pixel, from Integers and from Doubles.
  Value picture = Value::Obj(rt().NewPicture(4, 3, 32));
  Value graphics = Get(picture, "Graphics");
  std::vector<Value> at = {Value::Int(1), Value::Int(2)};
  const BoundMember* pixel = rt().BindMethod(graphics.object->Class(), "Pixel", at);
  ASSERT_TRUE(rt().ScalarCall(*pixel, 2, kind));
  EXPECT_EQ(kind, Value::Kind::Color);
  Scalar args[2] = {scalar(Value::Dbl(1.7)), scalar(Value::Dbl(-1))};
  Scalar out{};
  HostError error;
  const BoundMember* fromDoubles =
      rt().BindMethod(graphics.object->Class(), "Pixel", {Value::Dbl(1.7), Value::Dbl(-1)});
  ASSERT_TRUE(rt().CallScalar(*fromDoubles, *graphics.object.get(), args, 2, out, error));
  EXPECT_EQ(out.kind, Value::Kind::Color);
  EXPECT_EQ(out.integer, 0);  // outside the picture
  args[1] = scalar(Value::Dbl(2.9));
  ASSERT_TRUE(rt().CallScalar(*fromDoubles, *graphics.object.get(), args, 2, out, error));
  EXPECT_EQ(out.integer, 0xFFFFFF);
  EXPECT_FALSE(rt().ScalarCall(*rt().BindProperty(graphics.object->Class(), "Width"), 0, kind));
}

TEST_F(RuntimeTest, AssignableMethodsTakeTheValueLast) {
  Value shape = New("Shape");
  EXPECT_EQ(Call(shape, "Item", {Value::Int(2)}).text, "item2");
  std::vector<Value> args = {Value::Int(3)};
  HostError error;
  ASSERT_TRUE(rt().AssignMethod(shape, "Item", args, Value::Str("x"), error)) << error.message;
  EXPECT_EQ(Get(shape, "label").text, "3:x");
  EXPECT_FALSE(rt().AssignMethod(shape, "Kind", args, Value::Str("x"), error));
}

TEST_F(RuntimeTest, ModuleMethods) {
  EXPECT_EQ(Module("twice", {Value::Int(21)}).integer, 42);
  EXPECT_EQ(Module("Join", {Value::Str("a")}).text, "a-");
  EXPECT_EQ(Module("Join", {Value::Str("a"), Value::Str("+"), Value::Str("b")}).text, "a+b");
  Value square = Module("MakeSquare", {Value::Int(6)});
  EXPECT_EQ(Get(square, "width").integer, 6);
  Value out;
  HostError error;
  std::vector<Value> none;
  EXPECT_FALSE(rt().CallModuleMethod("Missing", none, out, error));
  EXPECT_EQ(error.message, "no module method Missing");
}

TEST_F(RuntimeTest, MisuseIsAHostErrorNotACrash) {
  Value out;
  HostError error;
  EXPECT_FALSE(rt().GetProperty(Value::Nil(), "width", out, error));
  EXPECT_NE(error.message.find("Nil"), std::string::npos);
  EXPECT_FALSE(rt().GetProperty(New("Shape"), "nothing", out, error));
  EXPECT_EQ(error.message, "no member Shape.nothing");
  std::vector<Value> none;
  EXPECT_FALSE(rt().CallMethod(New("Shape"), "Nothing", none, out, error));
}

TEST_F(RuntimeTest, ThePluginReachesHostServices) {
  Value item = Module("ItemAt", {Value::Str("/tmp/some file.mov")});
  ASSERT_EQ(item.kind, Value::Kind::Object);
  EXPECT_EQ(item.object->Class().name, "FolderItem");
  EXPECT_EQ(Module("PathOf", {item}).text, "/tmp/some file.mov");
  EXPECT_EQ(Module("ItemAt", {Value::Str("")}).kind, Value::Kind::Nil);

  Value block = Module("NewBlock", {Value::Int(4)});
  EXPECT_EQ(Get(block, "Size").integer, 4);
  EXPECT_EQ(Module("BlockSum", {block}).integer, 1 + 2 + 3 + 4);
  EXPECT_EQ(Module("PictureInfo", {Value::Obj(rt().NewPicture(3, 2, 32))}).text, "3x2");

  Value control;
  HostError error;
  ASSERT_TRUE(rt().New(Class("MoviePlayer"), {}, control, error));
  Set(control, "Left", Value::Int(5));
  Set(control, "Top", Value::Int(6));
  Set(control, "Width", Value::Int(100));
  Set(control, "Height", Value::Int(50));
  EXPECT_EQ(Module("Bounds", {control}).text, "6,5,56,105");  // top, left, bottom, right

  Value movie;
  ASSERT_TRUE(rt().New(Class("Movie"), {}, movie, error)) << error.message;
  EXPECT_TRUE(Module("HasMovie", {movie}).boolean);
  EXPECT_FALSE(Module("HasMovie", {Value::Nil()}).boolean);

  EXPECT_EQ(Module("PascalLength", {Value::Str(std::string(300, 'x'))}).integer, 255);
  EXPECT_EQ(Module("Converted", {Value::Str("abc")}).text, "abc");
  EXPECT_TRUE(Module("Resolves", {Value::Str("REALBuildPictureFromDIB")}).boolean);
  EXPECT_FALSE(Module("Resolves", {Value::Str("NoSuchService")}).boolean);
}

}  // namespace
}  // namespace fenra::host
