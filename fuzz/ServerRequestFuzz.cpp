// Fuzz target server_request: the bytes of one request as the reference
// scoring server receives them on a connection, cut into a frame, decoded and
// answered, without a socket. Each input meets a fresh server with the sample
// tournament, so that a finding reproduces from its input alone.

#include "FuzzCheck.h"

#include "ScoringServer.h"

#include "comm/MessageFrame.h"

namespace {

// The reply bytes for the first frame of the received bytes, through the
// server's own request handling (the path its connections take); empty when
// the server would drop the connection instead.
std::string ReplyBytes(sim::ScoringServer& server, const sim::ServerOptions& options, const std::string& received)
{
    FrameBuffer buffer;
    buffer.SetMaxFrameLength(sim::MaxRequestLength(options));
    buffer.Append(received.data(), received.size());
    std::string frame;
    if (buffer.TakeFrame(frame) != FrameBuffer::Cut::Frame)
        return std::string();
    return server.HandleRequestBytes(frame);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    sim::ServerOptions options;
    options.port = 0; // never started: nothing listens
    sim::ScoringServer server(sim::SampleTournament(), options);
    const std::string reply = ReplyBytes(server, options, fuzz::AsText(data, size));
    if (reply.size() <= 8)
        return 0;
    // A reply is one whole frame holding a JSON object the kiosk can read.
    MessageFrame decoded;
    FUZZ_CHECK(MessageFrame::Decode(reply.data(), reply.size(), decoded));
    FUZZ_CHECK(decoded.totalLength == MessageFrame::ReadInt32(reply.data()));
    ServerMessage back;
    FUZZ_CHECK(back.FromJsonText(decoded.jsonText));
    FUZZ_CHECK(back.MsgId() != 0);
    return 0;
}
