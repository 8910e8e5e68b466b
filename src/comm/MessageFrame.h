#pragma once
// The wire form of one message, the same in both directions:
//
//   offset 0  int32 totalLength       the whole frame, this header included
//   offset 4  int32 attachmentLength  binary bytes at the end; 0 for none
//   offset 8  JSON text               totalLength - 8 - attachmentLength bytes
//   then      attachment              attachmentLength bytes
//
// Both integers are 32-bit signed little-endian, whatever the host order.
// Frames follow each other directly on the stream; there is no magic number
// and no checksum, so a damaged length cannot be resynchronised.

#include <cstddef>
#include <cstdint>
#include <string>

struct MessageFrame {
    static constexpr int32_t kHeaderLength = 8;
    // A frame shorter than this cannot carry a JSON byte and is dropped.
    static constexpr int32_t kMinimumDecodableLength = 9;
    // The stream is not examined before this many bytes are buffered.
    static constexpr int32_t kMinimumPeekLength = 6;
    // No message of ours comes near this; a peer that announces more is
    // broken or hostile, and its connection is dropped instead of buffering.
    static constexpr int32_t kMaxFrameLength = 64 * 1024 * 1024;

    int32_t totalLength = 0;
    int32_t attachmentLength = 0;
    std::string jsonText;
    std::string attachment;

    // The frame bytes for `jsonText` and `attachment`; empty when the frame
    // would not fit the 32-bit length field.
    static std::string Encode(const std::string& jsonText, const std::string& attachment);

    // Splits one whole frame (`length` bytes, `length` taken as the frame's
    // totalLength). False when the frame is shorter than 9 bytes or its
    // attachment length is outside 0 <= A < length.
    static bool Decode(const char* frame, size_t length, MessageFrame& out);

    static int32_t ReadInt32(const char* p);
    static void WriteInt32(char* p, int32_t value);
};

// Bytes received on one connection, cut into whole frames. Consumed bytes are
// skipped by an offset and only compacted once per batch, and the storage
// grows geometrically, so a burst of many frames costs linear time.
class FrameBuffer {
public:
    enum class Cut {
        Incomplete, // no whole frame yet (or nothing buffered)
        Frame,      // one whole frame was taken
        Broken,     // the header announces a length <= 0 or above the bound
    };

    void Append(const char* data, size_t length);
    // Storage above this is given back once every byte is cut, so one large
    // reply does not keep its buffer for the rest of the run.
    static constexpr size_t kKeptCapacity = 64 * 1024;

    // Takes the next whole frame into `frame`. After Broken nothing more can
    // be cut from this stream; the caller drops the connection and Clear()s.
    Cut TakeFrame(std::string& frame);
    // Moves the unread bytes to the front of the storage.
    void Compact();
    void Clear();

    // The length the next frame announces; 0 with fewer than 4 bytes.
    int32_t PeekLength() const;
    // Bytes received and not yet cut.
    size_t Length() const { return data.size() - start; }
    size_t Capacity() const { return data.capacity(); }

    void SetMaxFrameLength(int32_t bound) { maxFrameLength = bound; }

private:
    std::string data;
    size_t start = 0;
    int32_t maxFrameLength = MessageFrame::kMaxFrameLength;
};
