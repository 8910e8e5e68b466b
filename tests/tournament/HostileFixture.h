#pragma once
// The hostile JSON fixture shared by the tournament and scorecard tests: wrong
// member types, ranges that would expand to billions of numbers, texts that
// are not what their readers expect, and deep nesting. Every reader is run
// over every value in it.

#include "foundation/NumericJson.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <string>

namespace hostile {

inline Json::Value Load()
{
    const std::string path = std::string(BP_SOURCE_DIR) + "/tests/tournament/fixtures/hostile.json";
    std::string text;
    std::ifstream in(path, std::ios::binary);
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    Json::Value root;
    EXPECT_FALSE(text.empty()) << path;
    EXPECT_TRUE(NumericJson::Parse(text, root)) << path;
    return root;
}

// Calls `visit` for `value` and every value nested in it, depth first.
inline void ForEachValue(const Json::Value& value, const std::function<void(const Json::Value&)>& visit)
{
    visit(value);
    if (value.isArray() || value.isObject())
        for (const Json::Value& child : value)
            ForEachValue(child, visit);
}

} // namespace hostile
