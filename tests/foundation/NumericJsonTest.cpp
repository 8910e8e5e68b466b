#include "foundation/NumericJson.h"

#include <gtest/gtest.h>

using namespace NumericJson;

TEST(NumericJson, ReadsWrongTypesAsMissing)
{
    Json::Value v;
    ASSERT_TRUE(Parse(R"({"1":"text","2":7,"3":true,"4":2.5,"5":{"a":1},"6":[1],"7":null,"8":-3,
                          "9":5000000000,"10":3.0,"11":"12"})",
                      v));
    EXPECT_EQ(ReadText(v, "1"), "text");
    EXPECT_EQ(ReadText(v, "2"), "");
    EXPECT_EQ(ReadText(v, "7"), "");
    EXPECT_EQ(ReadInt(v, "2"), 7);
    EXPECT_EQ(ReadInt(v, "1"), 0);
    EXPECT_EQ(ReadInt(v, "3"), 0);
    EXPECT_EQ(ReadInt(v, "4"), 0);
    EXPECT_EQ(ReadInt(v, "5"), 0);
    EXPECT_EQ(ReadInt(v, "9"), 0);
    EXPECT_EQ(ReadInt(v, "10"), 3);
    EXPECT_EQ(ReadInt(v, "11"), 0);
    EXPECT_EQ(ReadInt(v, "missing"), 0);
    EXPECT_TRUE(ReadFlag(v, "2"));
    EXPECT_FALSE(ReadFlag(v, "3")); // the literal true is not a flag
    EXPECT_FALSE(ReadFlag(v, "8"));
    EXPECT_FALSE(ReadFlag(v, "1"));
    EXPECT_FALSE(ReadFlag(v, "4"));
    EXPECT_TRUE(ReadFlag(v, "9"));
    EXPECT_TRUE(ReadObject(v, "5").isMember("a"));
    EXPECT_TRUE(ReadObject(v, "6").isObject());
    EXPECT_EQ(ReadObject(v, "6").size(), 0u);
    EXPECT_EQ(ReadArray(v, "6").size(), 1u);
    EXPECT_TRUE(ReadArray(v, "5").isArray());
    // Reading members of something that is not an object.
    const Json::Value array(Json::arrayValue), text("x");
    EXPECT_EQ(ReadInt(array, "1"), 0);
    EXPECT_EQ(ReadText(text, "1"), "");
    EXPECT_EQ(Member(text, "1"), nullptr);
}

TEST(NumericJson, WritesCompactlyLeavingOutEmptyValues)
{
    Json::Value v;
    WriteText(v, "5", "");
    WriteInt(v, "9", 0);
    WriteFlag(v, "11", false);
    EXPECT_TRUE(v.isNull());
    WriteText(v, "7", "A;C#21~29");
    WriteInt(v, "9", 1);
    WriteFlag(v, "11", true);
    WriteFlag(v, "12", true);
    WriteText(v, "1", "标题");
    EXPECT_EQ(WriteCompact(v), R"({"1":"标题","11":1,"12":1,"7":"A;C#21~29","9":1})");
}

TEST(NumericJson, ParseNeverThrows)
{
    Json::Value v;
    EXPECT_FALSE(Parse("", v));
    EXPECT_FALSE(Parse("{\"1\":", v));
    EXPECT_FALSE(Parse(std::string(100000, '['), v));
    EXPECT_TRUE(Parse("// comment\n{\"1\":2}", v));
    EXPECT_EQ(ReadInt(v, "1"), 2);
    // A truncated object keeps the members read before the error.
    EXPECT_FALSE(Parse(R"({"1":"a","5":"b","9":)", v));
    EXPECT_EQ(ReadText(v, "1"), "a");
    EXPECT_EQ(ReadText(v, "5"), "b");
}
