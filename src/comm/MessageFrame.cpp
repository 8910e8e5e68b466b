#include "comm/MessageFrame.h"

#include <algorithm>
#include <cstring>
#include <limits>

int32_t MessageFrame::ReadInt32(const char* p)
{
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    const uint32_t u = uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
    return static_cast<int32_t>(u);
}

void MessageFrame::WriteInt32(char* p, int32_t value)
{
    const auto u = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<char>((u >> (8 * i)) & 0xFF);
}

std::string MessageFrame::Encode(const std::string& jsonText, const std::string& attachment)
{
    const uint64_t total = uint64_t(kHeaderLength) + jsonText.size() + attachment.size();
    if (total > uint64_t(std::numeric_limits<int32_t>::max()))
        return std::string();
    std::string frame(size_t(total), '\0');
    WriteInt32(frame.data(), static_cast<int32_t>(total));
    WriteInt32(frame.data() + 4, static_cast<int32_t>(attachment.size()));
    if (!jsonText.empty())
        std::memcpy(frame.data() + kHeaderLength, jsonText.data(), jsonText.size());
    if (!attachment.empty())
        std::memcpy(frame.data() + kHeaderLength + jsonText.size(), attachment.data(), attachment.size());
    return frame;
}

bool MessageFrame::Decode(const char* frame, size_t length, MessageFrame& out)
{
    if (length < size_t(kMinimumDecodableLength) || length > size_t(std::numeric_limits<int32_t>::max()))
        return false;
    const int32_t total = static_cast<int32_t>(length);
    const int32_t attached = ReadInt32(frame + 4);
    if (attached < 0 || attached >= total)
        return false;
    out.totalLength = total;
    out.attachmentLength = attached;
    // An attachment that reaches into the header leaves no JSON text.
    const int32_t jsonEnd = total - attached;
    out.jsonText =
        jsonEnd > kHeaderLength ? std::string(frame + kHeaderLength, size_t(jsonEnd - kHeaderLength)) : std::string();
    out.attachment = attached > 0 ? std::string(frame + (total - attached), size_t(attached)) : std::string();
    return true;
}

void FrameBuffer::Append(const char* bytes, size_t length)
{
    if (length == 0)
        return;
    // Reclaim the consumed front before growing, so the storage holds at most
    // the unfinished frame and what followed it.
    if (start > 0 && data.size() + length > data.capacity())
        Compact();
    // Once a frame's length is known (and within the limit), room for all of
    // it is taken at once: a large reply then arrives without being copied
    // into ever larger storage chunk after chunk. Only what arrives is
    // touched, so a length announced and never sent costs no memory.
    if (data.size() - start < 4 && data.size() - start + length >= 4) {
        std::string head(data, start);
        head.append(bytes, std::min(length, size_t(4)));
        const int32_t total = MessageFrame::ReadInt32(head.data());
        if (total > 0 && total <= maxFrameLength && size_t(total) > data.capacity() - start)
            data.reserve(start + size_t(total));
    }
    data.append(bytes, length); // otherwise std::string grows its capacity geometrically
}

FrameBuffer::Cut FrameBuffer::TakeFrame(std::string& frame)
{
    const size_t available = Length();
    if (available < size_t(MessageFrame::kMinimumPeekLength))
        return Cut::Incomplete;
    const int32_t total = MessageFrame::ReadInt32(data.data() + start);
    if (total <= 0 || total > maxFrameLength)
        return Cut::Broken;
    if (size_t(total) > available)
        return Cut::Incomplete;
    if (start == 0 && size_t(total) == data.size() && size_t(total) > kKeptCapacity) {
        // The storage holds exactly this large frame: hand it over whole
        // rather than copy it.
        frame.swap(data);
        if (data.capacity() > kKeptCapacity)
            std::string().swap(data);
        else
            data.clear();
        return Cut::Frame;
    }
    frame.assign(data, start, size_t(total));
    start += size_t(total);
    if (start == data.size()) {
        if (data.capacity() > kKeptCapacity)
            std::string().swap(data);
        else
            data.clear();
        start = 0;
    }
    return Cut::Frame;
}

int32_t FrameBuffer::PeekLength() const
{
    if (Length() < 4)
        return 0;
    return MessageFrame::ReadInt32(data.data() + start);
}

void FrameBuffer::Compact()
{
    if (start == 0)
        return;
    data.erase(0, start);
    start = 0;
}

void FrameBuffer::Clear()
{
    std::string().swap(data);
    start = 0;
}
