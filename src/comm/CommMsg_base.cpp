#include "comm/CommMsg_base.h"

#include "foundation/NumericJson.h"

CommMsg_base::CommMsg_base()
    : Json::Value(Json::objectValue)
{
}

CommMsg_base::CommMsg_base(int32_t id)
    : Json::Value(Json::objectValue)
{
    ResetMessage(id);
}

CommMsg_base::~CommMsg_base() = default;

std::string CommMsg_base::ToJsonText() const
{
    return NumericJson::WriteCompact(*this) + "\n";
}

bool CommMsg_base::FromJsonText(const std::string& text)
{
    Json::Value parsed;
    const bool ok = NumericJson::Parse(text, parsed);
    const bool isObject = parsed.isObject();
    Json::Value& body = *this;
    // A partial parse keeps what was read before the error.
    body = isObject ? std::move(parsed) : Json::Value(Json::objectValue);
    return ok && isObject;
}

void CommMsg_base::ResetMessage(int32_t id)
{
    attachment.clear();
    Json::Value& body = *this;
    body = Json::Value(Json::objectValue);
    if (id != 0)
        body[MsgKeyId] = Json::Int(id);
}

int32_t CommMsg_base::MsgId() const
{
    return GetInt(MsgKeyId);
}

int32_t CommMsg_base::GetInt(const char* key) const
{
    return NumericJson::ReadInt(*this, key);
}

std::string CommMsg_base::GetText(const char* key) const
{
    return NumericJson::ReadText(*this, key);
}

bool CommMsg_base::GetFlag(const char* key) const
{
    return NumericJson::ReadFlag(*this, key);
}

const Json::Value& CommMsg_base::GetObject(const char* key) const
{
    return NumericJson::ReadObject(*this, key);
}

const Json::Value& CommMsg_base::GetArray(const char* key) const
{
    return NumericJson::ReadArray(*this, key);
}

void CommMsg_base::SetInt(const char* key, int32_t value)
{
    Json::Value& body = *this;
    body[key] = Json::Int(value);
}

void CommMsg_base::SetText(const char* key, const std::string& value)
{
    Json::Value& body = *this;
    if (value.empty())
        body.removeMember(key);
    else
        body[key] = value;
}

void CommMsg_base::SetFlag(const char* key, bool value)
{
    Json::Value& body = *this;
    if (value)
        body[key] = Json::Int(1);
    else
        body.removeMember(key);
}
