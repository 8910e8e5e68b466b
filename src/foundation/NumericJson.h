#pragma once
// The kiosk's JSON objects use decimal numbers as keys. These helpers hold the
// conventions in one place:
//  - reading never throws: a missing member, a null member and a member of
//    the wrong type all read as missing ("", 0, false, an empty object or
//    array);
//  - a flag is true only for an integer greater than 0;
//  - writing leaves out an empty string, an integer 0 and a false flag, and
//    writes a true flag as the integer 1.
// Every record reads and writes its members through them.

#include <json/json.h>

#include <cstdint>
#include <string>

namespace NumericJson {

// The member `key` of `object`, or nullptr when `object` is not an object or
// has no such member.
const Json::Value* Member(const Json::Value& object, const char* key);

int32_t ReadInt(const Json::Value& object, const char* key);
std::string ReadText(const Json::Value& object, const char* key);
bool ReadFlag(const Json::Value& object, const char* key);
// The member when it is an object (or array), else an empty object (array).
const Json::Value& ReadObject(const Json::Value& object, const char* key);
const Json::Value& ReadArray(const Json::Value& object, const char* key);

// Conversions of a value already in hand, with the same rules.
int32_t AsInt(const Json::Value& value);
std::string AsText(const Json::Value& value);
bool AsFlag(const Json::Value& value);

void WriteInt(Json::Value& object, const char* key, int32_t value);
void WriteText(Json::Value& object, const char* key, const std::string& value);
void WriteFlag(Json::Value& object, const char* key, bool value);

// Parses `text` (comments allowed). Returns false when the text is not valid
// JSON; `out` then holds whatever was read before the error. Never throws,
// also not on nesting too deep for the parser.
bool Parse(const std::string& text, Json::Value& out);
// Compact text: no spaces, no indentation, members in ascending key order,
// non-ASCII characters as raw UTF-8; no line feed at the end.
std::string WriteCompact(const Json::Value& value);

} // namespace NumericJson
