#include "foundation/NumericJson.h"

#include <memory>

namespace NumericJson {

namespace {
const Json::Value& EmptyObject()
{
    static const Json::Value empty(Json::objectValue);
    return empty;
}
const Json::Value& EmptyArray()
{
    static const Json::Value empty(Json::arrayValue);
    return empty;
}
} // namespace

const Json::Value* Member(const Json::Value& object, const char* key)
{
    if (!object.isObject())
        return nullptr;
    return object.find(key, key + std::char_traits<char>::length(key));
}

int32_t AsInt(const Json::Value& value)
{
    // isInt() also accepts unsigned and integral doubles that fit in 32 bits;
    // anything else (text, fractions, out-of-range numbers) reads as 0.
    return value.isInt() ? value.asInt() : 0;
}

std::string AsText(const Json::Value& value)
{
    return value.isString() ? value.asString() : std::string();
}

bool AsFlag(const Json::Value& value)
{
    if (!value.isIntegral())
        return false; // text, fractions and the literal true are not flags
    if (value.isInt64())
        return value.asInt64() > 0;
    return true; // an unsigned integer beyond the signed range

}

int32_t ReadInt(const Json::Value& object, const char* key)
{
    const Json::Value* m = Member(object, key);
    return m ? AsInt(*m) : 0;
}

std::string ReadText(const Json::Value& object, const char* key)
{
    const Json::Value* m = Member(object, key);
    return m ? AsText(*m) : std::string();
}

bool ReadFlag(const Json::Value& object, const char* key)
{
    const Json::Value* m = Member(object, key);
    return m ? AsFlag(*m) : false;
}

const Json::Value& ReadObject(const Json::Value& object, const char* key)
{
    const Json::Value* m = Member(object, key);
    return m && m->isObject() ? *m : EmptyObject();
}

const Json::Value& ReadArray(const Json::Value& object, const char* key)
{
    const Json::Value* m = Member(object, key);
    return m && m->isArray() ? *m : EmptyArray();
}

void WriteInt(Json::Value& object, const char* key, int32_t value)
{
    if (value != 0)
        object[key] = Json::Int(value);
}

void WriteText(Json::Value& object, const char* key, const std::string& value)
{
    if (!value.empty())
        object[key] = value;
}

void WriteFlag(Json::Value& object, const char* key, bool value)
{
    if (value)
        object[key] = Json::Int(1);
}

bool Parse(const std::string& text, Json::Value& out)
{
    out = Json::Value();
    Json::CharReaderBuilder builder;
    builder["allowComments"] = true;
    builder["collectComments"] = false;
    builder["stackLimit"] = 256;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    std::string errors;
    try {
        return reader->parse(text.data(), text.data() + text.size(), &out, &errors);
    } catch (const std::exception&) {
        out = Json::Value();
        return false;
    }
}

std::string WriteCompact(const Json::Value& value)
{
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    builder["emitUTF8"] = true;
    return Json::writeString(builder, value);
}

} // namespace NumericJson
