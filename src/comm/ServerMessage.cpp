#include "comm/ServerMessage.h"

#include "foundation/NumericJson.h"

ServerMessage::ServerMessage() : Json::Value(Json::objectValue)
{
}

ServerMessage::ServerMessage(int32_t id) : Json::Value(Json::objectValue)
{
    ResetMessage(id);
}

ServerMessage::~ServerMessage() = default;

std::string ServerMessage::ToJsonText() const
{
    return NumericJson::WriteCompact(*this) + "\n";
}

bool ServerMessage::FromJsonText(const std::string& text)
{
    Json::Value parsed;
    const bool ok = NumericJson::Parse(text, parsed);
    const bool isObject = parsed.isObject();
    Json::Value& body = *this;
    // A partial parse keeps what was read before the error.
    body = isObject ? std::move(parsed) : Json::Value(Json::objectValue);
    return ok && isObject;
}

void ServerMessage::ResetMessage(int32_t id)
{
    attachment.clear();
    Json::Value& body = *this;
    body = Json::Value(Json::objectValue);
    if (id != 0)
        body[MsgKey::kId] = Json::Int(id);
}

int32_t ServerMessage::MsgId() const
{
    return GetInt(MsgKey::kId);
}

int32_t ServerMessage::GetInt(const char* key) const
{
    return NumericJson::ReadInt(*this, key);
}

std::string ServerMessage::GetText(const char* key) const
{
    return NumericJson::ReadText(*this, key);
}

bool ServerMessage::GetFlag(const char* key) const
{
    return NumericJson::ReadFlag(*this, key);
}

const Json::Value& ServerMessage::GetObject(const char* key) const
{
    return NumericJson::ReadObject(*this, key);
}

const Json::Value& ServerMessage::GetArray(const char* key) const
{
    return NumericJson::ReadArray(*this, key);
}

void ServerMessage::SetInt(const char* key, int32_t value)
{
    Json::Value& body = *this;
    body[key] = Json::Int(value);
}

void ServerMessage::SetText(const char* key, const std::string& value)
{
    Json::Value& body = *this;
    if (value.empty())
        body.removeMember(key);
    else
        body[key] = value;
}

void ServerMessage::SetFlag(const char* key, bool value)
{
    Json::Value& body = *this;
    if (value)
        body[key] = Json::Int(1);
    else
        body.removeMember(key);
}
