#pragma once
// One message exchanged with the scoring server: a JSON object with numeric
// text keys, plus an optional binary attachment that travels beside it in
// the frame.

#include "comm/ProtocolKeys.h"

#include <json/value.h>

#include <cstdint>
#include <string>

class ServerMessage : public Json::Value {
public:
    ServerMessage();
    // ResetMessage(id) on a new message.
    explicit ServerMessage(int32_t id);
    virtual ~ServerMessage();
    ServerMessage(const ServerMessage&) = default;
    ServerMessage& operator=(const ServerMessage&) = default;
    ServerMessage(ServerMessage&&) = default;
    ServerMessage& operator=(ServerMessage&&) = default;

    // Compact single-line JSON, members in ascending key order, raw UTF-8,
    // followed by one line feed.
    virtual std::string ToJsonText() const;
    // Replaces the body with the parse of `text`. A text that does not parse,
    // or parses to something other than an object, leaves the body an empty
    // object. Returns whether the text parsed as an object.
    virtual bool FromJsonText(const std::string& text);

    // Drops the attachment and every member; a non-zero `id` becomes the
    // integer member "pub_MsgID".
    void ResetMessage(int32_t id);

    int32_t MsgId() const;

    const std::string& Attachment() const { return attachment; }
    int32_t AttachmentLength() const { return static_cast<int32_t>(attachment.size()); }
    void SetAttachment(std::string bytes) { attachment = std::move(bytes); }

    // Member access with the kiosk's reading rules: missing, null or
    // wrongly typed members read as 0, "", false or an empty object/array.
    int32_t GetInt(const char* key) const;
    std::string GetText(const char* key) const;
    bool GetFlag(const char* key) const;
    const Json::Value& GetObject(const char* key) const;
    const Json::Value& GetArray(const char* key) const;

    // Integers are always written; an empty text and a false flag remove the
    // key; a true flag is the integer 1.
    void SetInt(const char* key, int32_t value);
    void SetText(const char* key, const std::string& value);
    void SetFlag(const char* key, bool value);

private:
    std::string attachment;
};
