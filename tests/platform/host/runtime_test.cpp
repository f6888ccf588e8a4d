// The runtime against a small plugin registered in-process through the
// same resolver a loaded plugin gets.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "REALplugin.h"
#include "fenra_host/runtime.h"

namespace {

using fenra::host::HostError;
using fenra::host::ObjectRef;
using fenra::host::Runtime;
using fenra::host::Value;

std::vector<std::string> gEvents;

template <class T>
T Service(const char* name) {
  return reinterpret_cast<T>(Runtime::Resolver()(name));
}

// Shape: own data { int64 width; double ratio; bool flag; REALstring label }.
struct ShapeData {
  int64_t width;
  double ratio;
  uint8_t flag;
  REALstring label;
};

REALclassDefinition gBase{};
REALclassDefinition gShape{};
REALclassDefinition gSquare{};

ShapeData* Data(REALobject instance) {
  return reinterpret_cast<ShapeData*>(reinterpret_cast<char*>(instance) + gShape.dataOffset);
}

void BaseConstruct(REALobject) {
  gEvents.push_back("base+");
}
void BaseDestruct(REALobject) {
  gEvents.push_back("base-");
}
void ShapeConstruct(REALobject) {
  gEvents.push_back("shape+");
}
void ShapeDestruct(REALobject instance) {
  gEvents.push_back("shape-");
  if (Data(instance)->label != nullptr) {
    Service<REALUnlockObjectProc>("REALUnlockObject")(
        reinterpret_cast<REALobject>(Data(instance)->label));
  }
}
void SquareConstruct(REALobject) {
  gEvents.push_back("square+");
}
void SquareDestruct(REALobject) {
  gEvents.push_back("square-");
}

void ShapeNew(REALobject instance, RBInteger width) {
  Data(instance)->width = width;
}
void ShapeNewText(REALobject instance, REALstring text) {
  Data(instance)->width =
      static_cast<RBInteger>(std::strlen(Service<StringGetCStringProc>("StringGetCString")(text)));
}
RBInteger GetArea(REALobject instance, intptr_t param) {
  return Data(instance)->width * param;
}
void SetArea(REALobject instance, intptr_t, RBInteger value) {
  Data(instance)->width = value / 2;
}
double Scale(REALobject instance, double factor, RBBoolean twice) {
  return static_cast<double>(Data(instance)->width) * factor * (twice ? 2 : 1);
}
void Grow(REALobject instance, RBInteger* amount, REALstring* note) {
  Data(instance)->width += *amount;
  *amount = Data(instance)->width;
  *note = Service<REALBuildStringProc>("REALBuildString")("grown", 5);
}
REALstring Describe(REALobject instance, RBColor colour) {
  std::string text = std::to_string(Data(instance)->width) + "/" + std::to_string(colour);
  return Service<REALBuildStringProc>("REALBuildString")(text.data(),
                                                         static_cast<intptr_t>(text.size()));
}
REALobject Twin(REALobject instance) {
  REALobject twin = Service<PluginNewInstanceProc>("PluginNewInstance")("Square");
  Data(twin)->width = Data(instance)->width;
  return twin;
}
RBInteger Pick(REALobject, REALobject) {
  return 1;
}
RBInteger PickSquare(REALobject, REALobject) {
  return 2;
}
RBInteger SumArray(REALobject, REALarray values) {
  RBInteger sum = 0;
  intptr_t last = Service<RuntimeUBoundProc>("RuntimeUBound")(values);
  for (intptr_t i = 0; i <= last; ++i) {
    sum += Service<RuntimeDirectReadIntArrayProc>("RuntimeDirectReadIntArray")(values, i);
  }
  return sum;
}
RBInteger Twice(RBInteger n) {
  return n * 2;
}

REALproperty gShapeProperties[] = {
    {nullptr, "width", "Integer", 0, REALstandardGetter, REALstandardSetter,
     offsetof(ShapeData, width), nullptr, 0, nullptr},
    {nullptr, "ratio", "Double", 0, REALstandardGetter, REALstandardSetter,
     offsetof(ShapeData, ratio), nullptr, 0, nullptr},
    {nullptr, "flag", "Boolean", 0, REALstandardGetter, REALstandardSetter,
     offsetof(ShapeData, flag), nullptr, 0, nullptr},
    {nullptr, "label", "String", 0, REALstandardGetter, REALstandardSetter,
     offsetof(ShapeData, label), nullptr, 0, nullptr},
    {nullptr, "area", "Integer", 0, reinterpret_cast<REALproc>(GetArea),
     reinterpret_cast<REALproc>(SetArea), 2, nullptr, 0, nullptr},
};

REALmethodDefinition gShapeMethods[] = {
    {reinterpret_cast<REALproc>(ShapeNew), nullptr, "Shape(width as integer=7)"},
    {reinterpret_cast<REALproc>(ShapeNewText), nullptr, "Shape(text as string)"},
    {reinterpret_cast<REALproc>(Scale), nullptr,
     "Scale(factor as double,twice as boolean=false) as double"},
    {reinterpret_cast<REALproc>(Grow), nullptr,
     "Grow(byref amount as integer,byref note as string)"},
    {reinterpret_cast<REALproc>(Describe), nullptr, "Describe(c as color) as string"},
    {reinterpret_cast<REALproc>(Twin), nullptr, "Twin() as Shape"},
    {reinterpret_cast<REALproc>(Pick), nullptr, "Pick(s as Shape) as integer"},
    {reinterpret_cast<REALproc>(PickSquare), nullptr, "Pick(s as Square) as integer"},
    {reinterpret_cast<REALproc>(SumArray), nullptr, "Sum(values() as integer) as integer"},
};

REALconstant gShapeConstants[] = {{"kSides =\t4", 0, 0}, {"kKind = \"SHAP\"", 0, 0}};
REALmethodDefinition gModule[] = {
    {reinterpret_cast<REALproc>(Twice), nullptr, "Twice(n as integer) as integer"}};

REALclassDefinition Definition(const char* name, const char* super, intptr_t size) {
  REALclassDefinition d{};
  d.version = 6;
  d.name = name;
  d.superName = super;
  d.dataSize = size;
  return d;
}

class RuntimeTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    gBase = Definition("Base", nullptr, 4);
    gBase.constructor = reinterpret_cast<REALproc>(BaseConstruct);
    gBase.destructor = reinterpret_cast<REALproc>(BaseDestruct);
    gShape = Definition("Shape", "Base", sizeof(ShapeData));
    gShape.constructor = reinterpret_cast<REALproc>(ShapeConstruct);
    gShape.destructor = reinterpret_cast<REALproc>(ShapeDestruct);
    gShape.properties = gShapeProperties;
    gShape.propertyCount = std::size(gShapeProperties);
    gShape.methods = gShapeMethods;
    gShape.methodCount = std::size(gShapeMethods);
    gShape.constants = gShapeConstants;
    gShape.constantCount = std::size(gShapeConstants);
    gSquare = Definition("Square", "Shape", 0);
    gSquare.constructor = reinterpret_cast<REALproc>(SquareConstruct);
    gSquare.destructor = reinterpret_cast<REALproc>(SquareDestruct);
    Service<RegisterPluginVersionProc>("RegisterPluginVersion")(6);
    for (REALclassDefinition* c : {&gBase, &gShape, &gSquare}) {
      Service<PluginRegisterClassProc>("PluginRegisterClass")(c);
    }
    Service<PluginRegisterMethodProc>("PluginRegisterMethod")(&gModule[0]);
  }
  void SetUp() override { gEvents.clear(); }

  Runtime& rt() { return Runtime::Get(); }
  Value New(const char* cls, std::vector<Value> args = {}) {
    Value out;
    HostError error;
    EXPECT_TRUE(rt().New(*rt().FindClass(cls), args, out, error)) << error.message;
    return out;
  }
  Value Get(const Value& target, const char* name) {
    Value out;
    HostError error;
    EXPECT_TRUE(rt().GetProperty(target, name, out, error)) << error.message;
    return out;
  }
  Value Call(const Value& target, const char* name, std::vector<Value>& args) {
    Value out;
    HostError error;
    EXPECT_TRUE(rt().CallMethod(target, name, args, out, error)) << error.message;
    return out;
  }
};

TEST_F(RuntimeTest, DataOffsetsFollowTheSuperclassAndAreAligned) {
  EXPECT_GT(gBase.dataOffset, 0);
  EXPECT_EQ(gShape.dataOffset, (gBase.dataOffset + 4 + 7) / 8 * 8);
  EXPECT_EQ(gSquare.dataOffset, gShape.dataOffset + static_cast<intptr_t>(sizeof(ShapeData)));
  EXPECT_EQ(rt().PluginVersion(), 6);
  EXPECT_TRUE(rt().FindClass("square")->IsA(*rt().FindClass("BASE")));
}

TEST_F(RuntimeTest, ConstructorsRunFromTheRootAndDestructorsFromTheOwnClass) {
  {
    Value square = New("Square", {Value::Int(3)});
    EXPECT_EQ((std::vector<std::string>{"base+", "shape+", "square+"}), gEvents);
    EXPECT_EQ(Get(square, "width").integer, 3);
    gEvents.clear();
  }
  EXPECT_EQ((std::vector<std::string>{"square-", "shape-", "base-"}), gEvents);
}

TEST_F(RuntimeTest, OverloadsChooseByCountTypesAndDefaults) {
  EXPECT_EQ(Get(New("Shape"), "width").integer, 7);
  EXPECT_EQ(Get(New("Shape", {Value::Str("hello")}), "width").integer, 5);
  Value out;
  HostError error;
  EXPECT_FALSE(rt().New(*rt().FindClass("Shape"), {Value::Bool(true)}, out, error));
  EXPECT_NE(error.message.find("no overload"), std::string::npos) << error.message;

  Value shape = New("Shape", {Value::Int(4)});
  std::vector<Value> square = {New("Square")};
  EXPECT_EQ(Call(shape, "Pick", square).integer, 2);
  std::vector<Value> plain = {New("Shape")};
  EXPECT_EQ(Call(shape, "Pick", plain).integer, 1);
  std::vector<Value> typedNil = {Value::Nil()};
  typedNil[0].text = "Square";
  EXPECT_EQ(Call(shape, "pick", typedNil).integer, 2);
}

TEST_F(RuntimeTest, StandardAccessorsReadAndWriteTheData) {
  Value shape = New("Shape", {Value::Int(1)});
  HostError error;
  ASSERT_TRUE(rt().SetProperty(shape, "ratio", Value::Int(2), error));
  ASSERT_TRUE(rt().SetProperty(shape, "flag", Value::Bool(true), error));
  ASSERT_TRUE(rt().SetProperty(shape, "label", Value::Str("tag"), error));
  EXPECT_EQ(Get(shape, "ratio").number, 2.0);
  EXPECT_TRUE(Get(shape, "flag").boolean);
  EXPECT_EQ(Get(shape, "label").text, "tag");
  ASSERT_TRUE(rt().SetProperty(shape, "label", Value::Str("other"), error));
  EXPECT_EQ(Get(shape, "LABEL").text, "other");
  EXPECT_FALSE(rt().SetProperty(shape, "flag", Value::Str("x"), error));
}

TEST_F(RuntimeTest, PluginAccessorsGetTheirParamBack) {
  Value shape = New("Shape", {Value::Int(5)});
  EXPECT_EQ(Get(shape, "area").integer, 10);
  HostError error;
  ASSERT_TRUE(rt().SetProperty(shape, "area", Value::Int(40), error));
  EXPECT_EQ(Get(shape, "width").integer, 20);
}

TEST_F(RuntimeTest, CallsPassEveryTypeAndWriteByRefBack) {
  Value shape = New("Shape", {Value::Int(5)});
  std::vector<Value> args = {Value::Int(3)};
  EXPECT_DOUBLE_EQ(Call(shape, "Scale", args).number, 15.0);
  args = {Value::Dbl(0.5), Value::Bool(true)};
  EXPECT_DOUBLE_EQ(Call(shape, "Scale", args).number, 5.0);
  args = {Value::Int(2), Value::Str("")};
  Call(shape, "Grow", args);
  EXPECT_EQ(args[0].integer, 7);
  EXPECT_EQ(args[1].text, "grown");
  args = {Value::Colour(0x102030)};
  EXPECT_EQ(Call(shape, "Describe", args).text, "7/1056816");
  std::vector<Value> none;
  Value twin = Call(shape, "Twin", none);
  ASSERT_EQ(twin.kind, Value::Kind::Object);
  EXPECT_EQ(twin.object->Class().name, "Square");
  EXPECT_EQ(Get(twin, "width").integer, 7);
  std::vector<Value> array = {Value::Obj(rt().NewIntegerArray({1, 2, 3, 4}))};
  EXPECT_EQ(Call(shape, "Sum", array).integer, 10);
}

TEST_F(RuntimeTest, ConstantsAndModuleMethods) {
  Value value;
  ASSERT_TRUE(rt().GetClassConstant(*rt().FindClass("Square"), "KSIDES", value));
  EXPECT_EQ(value.integer, 4);
  ASSERT_TRUE(rt().GetClassConstant(*rt().FindClass("Shape"), "kKind", value));
  EXPECT_EQ(value.text, "SHAP");
  std::vector<Value> args = {Value::Int(21)};
  Value out;
  HostError error;
  ASSERT_TRUE(rt().CallModuleMethod("twice", args, out, error)) << error.message;
  EXPECT_EQ(out.integer, 42);
}

TEST_F(RuntimeTest, MisuseIsAHostErrorNotACrash) {
  Value out;
  HostError error;
  EXPECT_FALSE(rt().GetProperty(Value::Nil(), "width", out, error));
  EXPECT_NE(error.message.find("Nil"), std::string::npos);
  EXPECT_FALSE(rt().GetProperty(New("Shape"), "nothing", out, error));
  std::vector<Value> args;
  EXPECT_FALSE(rt().CallModuleMethod("Missing", args, out, error));
}

TEST(HostStrings, AreLaidOutForDirectReading) {
  auto build = Service<REALBuildStringProc>("REALBuildString");
  REALstring text = build("hello", 5);
  const auto* record = reinterpret_cast<const REALstringData*>(text);
  EXPECT_EQ(record->length, 5);
  EXPECT_EQ(std::string(record->buffer + 1, 5), "hello");
  EXPECT_STREQ(Service<StringGetCStringProc>("StringGetCString")(text), "hello");
  const unsigned char* pascal = Service<StringGetPStringProc>("StringGetPString")(text);
  EXPECT_EQ(pascal[0], 5);
  REALstring copy = Service<REALConvertStringProc>("REALConvertString")(text, 0);
  EXPECT_NE(copy, text);
  auto unlock = Service<REALUnlockObjectProc>("REALUnlockObject");
  unlock(reinterpret_cast<REALobject>(copy));
  unlock(reinterpret_cast<REALobject>(text));
  EXPECT_EQ(Runtime::Resolver()("NoSuchService"), nullptr);
}

TEST(HostValues, MemoryBlocksArraysAndFolderItems) {
  REALmemoryBlock block = Service<newMemoryBlockProc>("newMemoryBlock")(16);
  EXPECT_EQ(Service<memoryBlockGetSizeProc>("memoryBlockGetSize")(block), 16);
  EXPECT_NE(Service<memoryBlockGetPtrProc>("memoryBlockGetPtr")(block), nullptr);
  Service<REALUnlockObjectProc>("REALUnlockObject")(reinterpret_cast<REALobject>(block));

  REALfolderItem item = Service<FolderItemFromPathProc>("FolderItemFromPath")("/tmp/x.mov");
  REALstring path = Service<REALpathFromFolderItemProc>("REALpathFromFolderItem")(item);
  EXPECT_STREQ(Service<StringGetCStringProc>("StringGetCString")(path), "/tmp/x.mov");
  Service<REALUnlockObjectProc>("REALUnlockObject")(reinterpret_cast<REALobject>(path));
  Service<REALUnlockObjectProc>("REALUnlockObject")(reinterpret_cast<REALobject>(item));
  EXPECT_EQ(Service<RuntimeUBoundProc>("RuntimeUBound")(nullptr), -1);
}

}  // namespace
