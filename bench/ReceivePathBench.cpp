// The kiosk's receive path: cutting frames out of the bytes as they arrive
// and dispatching the decoded messages. Each case should grow linearly with
// the number of frames or the size of one frame (run with
// --benchmark_filter=... and read the fitted complexity).

#include "comm/MessageFrame.h"
#include "comm/MessageProcessor.h"
#include "comm/ServerConnection.h"
#include "comm/ServerMessage.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstddef>
#include <string>

namespace {

// Feeds `bytes` in receive-sized chunks, as the receive loop does.
template <class Sink>
void FeedInChunks(const std::string& bytes, Sink sink)
{
    for (size_t at = 0; at < bytes.size(); at += ServerConnection::kRecvChunk)
        sink(bytes.data() + at, std::min(ServerConnection::kRecvChunk, bytes.size() - at));
}

std::string SmallFrames(int64_t n)
{
    ServerMessage message(207);
    message.SetInt("11", 1);
    message.SetInt("15", 7);
    const std::string one = MessageFrame::Encode(message.ToJsonText(), "");
    std::string all;
    all.reserve(one.size() * size_t(n));
    for (int64_t i = 0; i < n; ++i)
        all += one;
    return all;
}

class Counter : public MessageProcessor {
public:
    void OnSocketMessage(int, ServerMessage&) override { ++count; }
    size_t count = 0;
};

void CutManyFrames(benchmark::State& state)
{
    const std::string bytes = SmallFrames(state.range(0));
    std::string frame;
    for (auto _ : state) {
        FrameBuffer buffer;
        size_t frames = 0;
        FeedInChunks(bytes, [&](const char* p, size_t n) {
            buffer.Append(p, n);
            while (buffer.TakeFrame(frame) == FrameBuffer::Cut::Frame)
                ++frames;
        });
        benchmark::DoNotOptimize(frames);
    }
    state.SetComplexityN(state.range(0));
    state.SetBytesProcessed(int64_t(bytes.size()) * state.iterations());
}
BENCHMARK(CutManyFrames)->RangeMultiplier(4)->Range(256, 65536)->Complexity(benchmark::oN);

void DispatchManyFrames(benchmark::State& state)
{
    const std::string bytes = SmallFrames(state.range(0));
    for (auto _ : state) {
        Counter counter;
        ServerConnection connection;
        connection.SetProcessor(&counter);
        FeedInChunks(bytes, [&](const char* p, size_t n) {
            connection.AppendReceived(p, n);
            connection.ProcessReceived();
        });
        if (counter.count != size_t(state.range(0)))
            state.SkipWithError("frames lost");
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(DispatchManyFrames)->RangeMultiplier(4)->Range(256, 16384)->Complexity(benchmark::oN);

void DispatchOneLargeFrame(benchmark::State& state)
{
    // One reply of state.range(0) bytes (a JSON text with one long field),
    // arriving in chunks and looked at after each chunk.
    ServerMessage message(203);
    message.SetText("77", std::string(size_t(state.range(0)), 'p'));
    const std::string bytes = MessageFrame::Encode(message.ToJsonText(), "");
    for (auto _ : state) {
        Counter counter;
        ServerConnection connection;
        connection.SetMaxFrameLength(MessageFrame::kMaxFrameLength);
        connection.SetProcessor(&counter);
        FeedInChunks(bytes, [&](const char* p, size_t n) {
            connection.AppendReceived(p, n);
            connection.ProcessReceived();
        });
        if (counter.count != 1)
            state.SkipWithError("frame lost");
    }
    state.SetComplexityN(state.range(0));
    state.SetBytesProcessed(int64_t(bytes.size()) * state.iterations());
}
BENCHMARK(DispatchOneLargeFrame)->RangeMultiplier(2)->Range(256 << 10, 8 << 20)->Complexity(benchmark::oN);

} // namespace

BENCHMARK_MAIN();
