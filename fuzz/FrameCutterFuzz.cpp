// Fuzz target frame_cutter: bytes of one connection arrive in pieces, are cut
// into frames and decoded. The first two bytes choose the piece size, a small
// length bound and when the buffer compacts, so that the fuzzer explores the
// cutter's states and not only one stream.

#include "FuzzCheck.h"

#include "comm/MessageFrame.h"

#include <algorithm>

namespace {

void CheckDecodedFrame(const std::string& frame)
{
    // A frame may be cut shorter than its own header (a length field of 1 to
    // 5); it is dropped by Decode and the stream is already lost by then.
    FUZZ_CHECK(frame.size() >= 1);
    if (frame.size() >= 4)
        FUZZ_CHECK(MessageFrame::ReadInt32(frame.data()) == static_cast<int32_t>(frame.size()));
    MessageFrame decoded;
    if (!MessageFrame::Decode(frame.data(), frame.size(), decoded))
        return;
    FUZZ_CHECK(decoded.totalLength == static_cast<int32_t>(frame.size()));
    FUZZ_CHECK(decoded.attachment.size() == size_t(decoded.attachmentLength));
    FUZZ_CHECK(decoded.jsonText.size() + decoded.attachment.size() + MessageFrame::kHeaderLength >= frame.size());
    // A frame whose attachment leaves the header alone is exactly what the
    // encoder makes of its two parts.
    if (decoded.attachmentLength <= decoded.totalLength - MessageFrame::kHeaderLength)
        FUZZ_CHECK(MessageFrame::Encode(decoded.jsonText, decoded.attachment) == frame);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const uint8_t mode = data[0];
    const size_t piece = 1 + data[1] % 64;
    data += 2;
    size -= 2;

    FrameBuffer buffer;
    if (mode & 1)
        buffer.SetMaxFrameLength(16 + mode * 4);
    size_t appended = 0;
    size_t cut = 0;
    bool broken = false;
    for (size_t at = 0; at < size && !broken; at += piece) {
        const size_t length = std::min(piece, size - at);
        buffer.Append(reinterpret_cast<const char*>(data + at), length);
        appended += length;
        std::string frame;
        for (;;) {
            const FrameBuffer::Cut result = buffer.TakeFrame(frame);
            if (result == FrameBuffer::Cut::Incomplete)
                break;
            if (result == FrameBuffer::Cut::Broken) {
                broken = true;
                break;
            }
            cut += frame.size();
            CheckDecodedFrame(frame);
        }
        FUZZ_CHECK(cut + buffer.Length() == appended);
        if (mode & 2)
            buffer.Compact();
    }
    buffer.Clear();
    FUZZ_CHECK(buffer.Length() == 0);
    return 0;
}
