// Time of reading a team scorecard frame (JSON text to the job) whose totals
// text grows by 4x, with the fitted complexity. Two shapes: a text of
// nothing but ";" (refused for too many lines, after one walk), and the most
// totals lines accepted, each line long.

#include "comm/ProtocolKeys.h"
#include "foundation/NumericJson.h"
#include "scorecard/ScorecardRecords.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

constexpr int64_t kSmallest = 1 << 12;
constexpr int64_t kLargest = 1 << 22;

std::string Frame(const std::string& totals)
{
    return R"({"pub_MsgID":207,"66":{"1":"3.Dragons","2":"8.Tigers","31":")" + totals +
           R"(","_L":[{"1":1,"5":{"3":"4H","9":620},"6":{"3":"4H","9":-100}}]}})";
}

void ReadFrame(benchmark::State& state, const std::string& frame, bool expectRead)
{
    for (auto _ : state) {
        Json::Value message;
        NumericJson::Parse(frame, message);
        ScorecardJob job;
        std::string refusal;
        if (ReadScorecardMessage(message, job, refusal) != expectRead) {
            state.SkipWithError("the frame was not read as expected");
            break;
        }
        benchmark::DoNotOptimize(job);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(frame.size()));
    state.SetComplexityN(state.range(0));
}

void TotalsOfOnlySeparators(benchmark::State& state)
{
    ReadFrame(state, Frame(std::string(size_t(state.range(0)), ';')), false);
}

void TotalsOfLongLinesAtTheCap(benchmark::State& state)
{
    const size_t lineBytes = size_t(state.range(0)) / kMaxTotalsLines;
    std::string totals;
    for (size_t i = 0; i < kMaxTotalsLines; ++i)
        totals += (i > 0 ? ";" : "") + std::string("IMP,") + std::string(lineBytes, '7') + ",1";
    ReadFrame(state, Frame(totals), true);
}

} // namespace

BENCHMARK(TotalsOfOnlySeparators)->RangeMultiplier(4)->Range(kSmallest, kLargest)->Complexity(benchmark::oN);
BENCHMARK(TotalsOfLongLinesAtTheCap)->RangeMultiplier(4)->Range(kSmallest, kLargest)->Complexity(benchmark::oN);
