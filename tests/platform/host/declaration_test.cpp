#include <gtest/gtest.h>

#include "fenra_host/runtime.h"

namespace {

using fenra::host::Declaration;

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

TEST(Declarations, MalformedTextIsRefused) {
  Declaration d;
  std::string error;
  for (const char* text : {"", "(x as integer)", "Foo(x integer)", "Foo(x as integer",
                           "Foo(as integer)", "Foo() as", "Foo() junk"}) {
    EXPECT_FALSE(Declaration::Parse(text, d, error)) << text;
    EXPECT_FALSE(error.empty()) << text;
  }
}

}  // namespace
