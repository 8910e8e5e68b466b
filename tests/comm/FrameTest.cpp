#include "comm/MessageFrame.h"
#include "comm/ServerMessage.h"

#include <gtest/gtest.h>

#include <vector>

#include <chrono>
#include <string>

namespace {

std::string Header(int32_t total, int32_t attached)
{
    std::string h(8, '\0');
    MessageFrame::WriteInt32(h.data(), total);
    MessageFrame::WriteInt32(h.data() + 4, attached);
    return h;
}

TEST(MessageFrame, EncodeWritesLittleEndianLengthsThenTextThenAttachment)
{
    const std::string frame = MessageFrame::Encode("{}\n", std::string("\x01\x02", 2));
    ASSERT_EQ(frame.size(), 13u);
    EXPECT_EQ(frame.substr(0, 8), std::string("\x0d\0\0\0\x02\0\0\0", 8));
    EXPECT_EQ(frame.substr(8), std::string("{}\n\x01\x02", 5));

    // Lengths above 255 show the byte order.
    const std::string big = MessageFrame::Encode(std::string(300, 'x'), "");
    EXPECT_EQ(big.substr(0, 4), std::string("\x34\x01\0\0", 4));
}

TEST(MessageFrame, DecodeSplitsTextAndAttachment)
{
    struct Case {
        const char* name;
        std::string frame;
        bool ok;
        std::string json;
        std::string attachment;
    };
    const Case cases[] = {
        {"text only", Header(12, 0) + "abcd", true, "abcd", ""},
        {"attachment takes all bytes after the header", Header(12, 4) + "abcd", true, "", "abcd"},
        {"text and attachment", Header(12, 1) + "abcd", true, "abc", "d"},
        {"nine bytes is the shortest frame", Header(9, 0) + "{", true, "{", ""},
        {"eight bytes carry nothing", Header(8, 0), false, "", ""},
        {"negative attachment", Header(12, -1) + "abcd", false, "", ""},
        {"attachment as long as the frame", Header(12, 12) + "abcd", false, "", ""},
        {"attachment reaching into the header", Header(12, 9) + "abcd", true, "", (Header(12, 9) + "abcd").substr(3)},
    };
    for (const Case& c : cases) {
        MessageFrame out;
        EXPECT_EQ(MessageFrame::Decode(c.frame.data(), c.frame.size(), out), c.ok) << c.name;
        if (c.ok) {
            EXPECT_EQ(out.jsonText, c.json) << c.name;
            EXPECT_EQ(out.attachment, c.attachment) << c.name;
        }
    }
}

TEST(FrameBuffer, CutsOnlyWholeFramesAndDropsTheStreamOnImpossibleLengths)
{
    FrameBuffer buffer;
    std::string frame;

    // Five bytes are not examined, even when they announce a short frame.
    buffer.Append(Header(5, 0).data(), 5);
    EXPECT_EQ(buffer.TakeFrame(frame), FrameBuffer::Cut::Incomplete);
    buffer.Clear();

    // A six-byte frame is cut as soon as six bytes are there.
    buffer.Append(Header(6, 0).data(), 6);
    ASSERT_EQ(buffer.TakeFrame(frame), FrameBuffer::Cut::Frame);
    EXPECT_EQ(frame.size(), 6u);
    EXPECT_EQ(buffer.Length(), 0u);

    const std::string whole = Header(11, 0) + "abc";
    buffer.Append(whole.data(), 10);
    EXPECT_EQ(buffer.TakeFrame(frame), FrameBuffer::Cut::Incomplete);
    buffer.Append(whole.data() + 10, 1);
    ASSERT_EQ(buffer.TakeFrame(frame), FrameBuffer::Cut::Frame);
    EXPECT_EQ(frame, whole);

    for (int32_t bad : {0, -1, MessageFrame::kMaxFrameLength + 1, 0x7fffffff}) {
        FrameBuffer b;
        const std::string h = Header(bad, 0) + "xx";
        b.Append(h.data(), h.size());
        EXPECT_EQ(b.TakeFrame(frame), FrameBuffer::Cut::Broken) << bad;
    }
}

TEST(FrameBuffer, ABurstOfManyFramesIsCutInLinearTime)
{
    // 200000 frames arriving together: copying the remainder once per frame
    // would move hundreds of gigabytes.
    const std::string one = MessageFrame::Encode("{\"1\":1}\n", "");
    std::string burst;
    burst.reserve(one.size() * 200000);
    for (int i = 0; i < 200000; ++i)
        burst += one;

    const auto start = std::chrono::steady_clock::now();
    FrameBuffer buffer;
    for (size_t at = 0; at < burst.size(); at += 32764)
        buffer.Append(burst.data() + at, std::min<size_t>(32764, burst.size() - at));
    std::string frame;
    int cut = 0;
    while (buffer.TakeFrame(frame) == FrameBuffer::Cut::Frame)
        ++cut;
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(cut, 200000);
    EXPECT_LT(took, std::chrono::seconds(5));
}

TEST(FrameBuffer, LargeFramesComeOutWholeHoweverTheyArrive)
{
    // Two large frames and a small one back to back, in pieces that split
    // the length headers themselves: each comes out byte for byte.
    std::string text(3 * 1024 * 1024 + 7, ' ');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = char('a' + i % 23);
    const std::vector<std::string> frames = {MessageFrame::Encode(text, "att"), MessageFrame::Encode("{}", ""),
                                             MessageFrame::Encode(text.substr(5), "")};
    std::string stream;
    for (const std::string& f : frames)
        stream += f;
    for (size_t piece : {size_t(1), size_t(3), size_t(4093), size_t(32764), stream.size()}) {
        FrameBuffer buffer;
        std::vector<std::string> cut;
        std::string frame;
        for (size_t at = 0; at < stream.size(); at += piece) {
            buffer.Append(stream.data() + at, std::min(piece, stream.size() - at));
            while (buffer.TakeFrame(frame) == FrameBuffer::Cut::Frame)
                cut.push_back(frame);
        }
        EXPECT_EQ(cut, frames) << "pieces of " << piece;
        EXPECT_EQ(buffer.Length(), 0u);
    }
}

TEST(FrameBuffer, GivesBackTheStorageOfALargeFrameOnceItIsCut)
{
    // Small frames keep their modest storage for the next reply; a large one
    // must not keep megabytes reserved for the rest of the run.
    const struct {
        size_t jsonBytes;
        bool released;
    } cases[] = {{100, false}, {3 * 1024 * 1024, true}};
    for (const auto& c : cases) {
        const std::string frame = MessageFrame::Encode(std::string(c.jsonBytes, 'j'), "");
        FrameBuffer buffer;
        for (size_t at = 0; at < frame.size(); at += 32764)
            buffer.Append(frame.data() + at, std::min<size_t>(32764, frame.size() - at));
        std::string cut;
        ASSERT_EQ(buffer.TakeFrame(cut), FrameBuffer::Cut::Frame) << c.jsonBytes;
        EXPECT_EQ(buffer.Length(), 0u);
        EXPECT_LE(buffer.Capacity(), FrameBuffer::kKeptCapacity) << c.jsonBytes;
        if (!c.released) {
            EXPECT_GT(buffer.Capacity(), 0u) << "a small buffer is kept";
        }
    }
}

TEST(ServerMessage, RequestsSerialiseInAscendingKeyOrderWithALineFeed)
{
    ServerMessage print(kMsgPrintRequest);
    print.SetInt("15", -7);
    print.SetInt("11", 2);
    EXPECT_EQ(print.ToJsonText(), "{\"11\":2,\"15\":-7,\"pub_MsgID\":205}\n");

    ServerMessage list(kMsgSignupList);
    list.SetText("99", "7.26.15");
    list.SetText("2", "");
    list.SetText("61", "A;C#21~29");
    list.SetFlag("82", true);
    EXPECT_EQ(list.ToJsonText(), "{\"61\":\"A;C#21~29\",\"82\":1,\"99\":\"7.26.15\",\"pub_MsgID\":203}\n");
    list.SetFlag("82", false);
    list.SetText("61", "");
    EXPECT_EQ(list.ToJsonText(), "{\"99\":\"7.26.15\",\"pub_MsgID\":203}\n");

    // Integers are written even when they are 0; texts stay raw UTF-8.
    ServerMessage zero(kMsgPrintRequest);
    zero.SetInt("11", 0);
    zero.SetText("87", "东西");
    EXPECT_EQ(zero.ToJsonText(), "{\"11\":0,\"87\":\"东西\",\"pub_MsgID\":205}\n");
}

TEST(ServerMessage, ReadingFollowsTheNumericJsonRules)
{
    ServerMessage m;
    EXPECT_TRUE(m.FromJsonText("{\"pub_MsgID\":203,\"82\":true,\"83\":1,\"1\":\"x\",\"81\":\"9\"}"));
    EXPECT_EQ(m.MsgId(), 203);
    EXPECT_FALSE(m.GetFlag("82")); // the literal true is no flag
    EXPECT_EQ(m.GetText("83"), "");
    EXPECT_EQ(m.GetText("1"), "x");
    EXPECT_EQ(m.GetInt("81"), 0);

    // Text that is not JSON, or JSON that is not an object, leaves no keys.
    for (const char* text : {"not json", "[1,2,3]", "7", ""}) {
        ServerMessage n(kMsgNote);
        n.SetAttachment("keep");
        EXPECT_FALSE(n.FromJsonText(text)) << text;
        EXPECT_TRUE(n.isObject()) << text;
        EXPECT_EQ(n.size(), 0u) << text;
        EXPECT_EQ(n.MsgId(), 0) << text;
    }

    ServerMessage r;
    r.SetAttachment("abc");
    r["5"] = 1;
    r.ResetMessage(0);
    EXPECT_EQ(r.AttachmentLength(), 0);
    EXPECT_EQ(r.size(), 0u);
}

} // namespace
