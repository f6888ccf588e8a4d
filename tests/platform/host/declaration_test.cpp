#include <gtest/gtest.h>

#include "core/calls.h"
#include "fenra_host/runtime.h"

namespace {

using fenra::host::Declaration;
using fenra::host::Value;

Declaration Parse(const char* text) {
  Declaration d;
  std::string error;
  EXPECT_TRUE(Declaration::Parse(text, d, error)) << text << ": " << error;
  return d;
}

TEST(Declarations, NamesParametersAndResults) {
  Declaration d = Parse("Item(name as string,index as integer) as string");
  EXPECT_EQ(d.name, "Item");
  ASSERT_EQ(d.parameters.size(), 2u);
  EXPECT_EQ(d.parameters[0].name, "name");
  EXPECT_EQ(d.parameters[0].type.name, "string");
  EXPECT_EQ(d.parameters[1].type.name, "integer");
  EXPECT_EQ(d.result.name, "string");

  Declaration constructor = Parse("FenraRect(w as integer,h as integer)");
  EXPECT_TRUE(constructor.result.empty());
  Declaration none = Parse("Fenra_QTVersion() as integer");
  EXPECT_TRUE(none.parameters.empty());
  EXPECT_EQ(none.result.name, "integer");
  EXPECT_TRUE(Parse("Reset").parameters.empty());
}

TEST(Declarations, ByRefArraysAndDefaults) {
  Declaration d = Parse(
      "Foo(ByRef x As Integer, a() as integer, flag as boolean=false, s as string=\"a,b\", "
      "n as integer = -1, h as integer=&hFF, r as FenraRect = nil) As Double");
  ASSERT_EQ(d.parameters.size(), 7u);
  EXPECT_TRUE(d.parameters[0].byRef);
  EXPECT_TRUE(d.parameters[1].type.isArray);
  EXPECT_EQ(d.parameters[1].type.name, "integer");
  EXPECT_TRUE(d.parameters[2].hasDefault);
  EXPECT_EQ(d.parameters[2].defaultText, "false");
  EXPECT_EQ(d.parameters[3].defaultText, "\"a,b\"");
  EXPECT_EQ(d.parameters[4].defaultText, "-1");
  EXPECT_EQ(d.parameters[5].defaultText, "&hFF");
  EXPECT_EQ(d.parameters[6].defaultText, "nil");
  EXPECT_EQ(d.result.name, "Double");
  EXPECT_FALSE(d.parameters[0].hasDefault);
}

TEST(Declarations, KeywordsIgnoreCaseAndBlanksAreOptional) {
  Declaration d =
      Parse("Foo(byref x as integer, a() as integer, flag as boolean=false, s as string=\"\")");
  ASSERT_EQ(d.parameters.size(), 4u);
  EXPECT_TRUE(d.parameters[0].byRef);
  EXPECT_EQ(d.parameters[3].defaultText, "\"\"");

  d = Parse(" Bar ( BYVAL  x\tAS Double ,BYREF y As FenraRect )AS integer() ");
  ASSERT_EQ(d.parameters.size(), 2u);
  EXPECT_FALSE(d.parameters[0].byRef);
  EXPECT_EQ(d.parameters[0].type.name, "Double");
  EXPECT_TRUE(d.parameters[1].byRef);
  EXPECT_EQ(d.parameters[1].type.name, "FenraRect");
  EXPECT_TRUE(d.result.isArray);
  EXPECT_EQ(d.result.name, "integer");

  // Names that begin like keywords are names.
  d = Parse("Baz(asset as integer, byrefs as string, byvalue as double)");
  EXPECT_EQ(d.parameters[0].name, "asset");
  EXPECT_FALSE(d.parameters[1].byRef);
  EXPECT_EQ(d.parameters[1].name, "byrefs");
  EXPECT_EQ(d.parameters[2].name, "byvalue");

  // A property's declaration: a name and a type, no parentheses.
  d = Parse("Width as integer");
  EXPECT_EQ(d.name, "Width");
  EXPECT_TRUE(d.parameters.empty());
  EXPECT_EQ(d.result.name, "integer");
}

TEST(Declarations, DefaultsBecomeValuesOfTheirTypes) {
  Declaration d = Parse(
      "F(a as integer=-12, b as double=-1.5, c as integer=&hFF, d as boolean=TRUE, "
      "e as string=\"x, y\", f as FenraRect=Nil, g as color=&h00FF00, h as single=2)");
  auto value = [&](size_t i) { return fenra::host::DefaultValue(d.parameters[i]); };
  EXPECT_EQ(value(0).integer, -12);
  EXPECT_EQ(value(1).kind, Value::Kind::Double);
  EXPECT_DOUBLE_EQ(value(1).number, -1.5);
  EXPECT_EQ(value(2).integer, 255);
  EXPECT_TRUE(value(3).boolean);
  EXPECT_EQ(value(4).text, "x, y");
  EXPECT_EQ(value(5).kind, Value::Kind::Nil);
  EXPECT_EQ(value(6).integer, 0x00FF00);
  EXPECT_EQ(value(7).kind, Value::Kind::Double);
  EXPECT_DOUBLE_EQ(value(7).number, 2.0);
}

TEST(Declarations, MalformedTextIsRefused) {
  Declaration d;
  std::string error;
  for (const char* text :
       {"", "(x as integer)", "Foo(x integer)", "Foo(x as integer", "Foo(as integer)", "Foo() as",
        "Foo() junk", "Foo(x as integer,)", "Foo(x() as)", "Foo(x( as integer)"}) {
    EXPECT_FALSE(Declaration::Parse(text, d, error)) << text;
    EXPECT_FALSE(error.empty()) << text;
  }
}

}  // namespace
