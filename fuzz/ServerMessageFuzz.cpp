// Fuzz target server_message: the JSON text of a frame read as a message, the
// way the kiosk reads every reply, then every member read with the kiosk's
// reading rules and the message written and read back.

#include "FuzzCheck.h"

#include "comm/ProtocolKeys.h"
#include "comm/ServerMessage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ServerMessage message;
    const bool parsed = message.FromJsonText(fuzz::AsText(data, size));
    FUZZ_CHECK(message.isObject());
    (void)message.MsgId();
    for (const std::string& key : message.getMemberNames()) {
        (void)message.GetInt(key.c_str());
        (void)message.GetText(key.c_str());
        (void)message.GetFlag(key.c_str());
        (void)message.GetObject(key.c_str());
        (void)message.GetArray(key.c_str());
    }
    if (!parsed)
        return 0;
    // What the kiosk writes it must read back unchanged.
    const std::string text = message.ToJsonText();
    ServerMessage again;
    FUZZ_CHECK(again.FromJsonText(text));
    FUZZ_CHECK(again.ToJsonText() == text);
    return 0;
}
