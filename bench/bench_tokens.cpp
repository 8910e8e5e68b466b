// Time of the token functions over texts growing by 4x, with the fitted
// complexity: every one of them should show linear growth (O(N)), since the
// kiosk runs them on server texts under the desk lock.

#include "foundation/TextUtil.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

constexpr int64_t kSmallest = 1 << 10;
constexpr int64_t kLargest = 1 << 20;

// About `bytes` bytes of short tokens separated by `separator`.
std::string Tokens(int64_t bytes, const std::string& separator)
{
    std::string text;
    text.reserve(size_t(bytes) + 16);
    for (int64_t i = 0; int64_t(text.size()) < bytes; ++i)
        text += "t" + std::to_string(i % 100) + separator;
    return text;
}

void SplitTokensAll(benchmark::State& state)
{
    const std::string text = Tokens(state.range(0), ";");
    for (auto _ : state)
        benchmark::DoNotOptimize(SplitTokens(text, ";", false));
    state.SetComplexityN(state.range(0));
}

void TokenReaderWalk(benchmark::State& state)
{
    const std::string text = Tokens(state.range(0), "||");
    for (auto _ : state) {
        size_t bytes = 0;
        for (TokenReader reader(text, "||"); !reader.AtEnd();)
            bytes += reader.Next().size();
        benchmark::DoNotOptimize(bytes);
    }
    state.SetComplexityN(state.range(0));
}

void NthTokenLast(benchmark::State& state)
{
    const std::string text = Tokens(state.range(0), ";");
    const int32_t last = int32_t(CountTokens(text, ";")) - 1;
    for (auto _ : state)
        benchmark::DoNotOptimize(NthToken(text, ";", last));
    state.SetComplexityN(state.range(0));
}

// A message of nothing but separators: the text that once froze the kiosk.
void SplitTokensOnlySeparators(benchmark::State& state)
{
    const std::string text(size_t(state.range(0)), ';');
    for (auto _ : state)
        benchmark::DoNotOptimize(SplitTokens(text, ";", true));
    state.SetComplexityN(state.range(0));
}

void ReplaceAllGrowing(benchmark::State& state)
{
    const std::string text = Tokens(state.range(0), ";");
    for (auto _ : state)
        benchmark::DoNotOptimize(ReplaceAll(text, ";", "；"));
    state.SetComplexityN(state.range(0));
}

void NormaliseLineEndsMixed(benchmark::State& state)
{
    std::string text;
    while (int64_t(text.size()) < state.range(0))
        text += "line\r\nx\ry\n";
    for (auto _ : state)
        benchmark::DoNotOptimize(NormaliseLineEnds(text, "\r\n"));
    state.SetComplexityN(state.range(0));
}

void NormaliseFullWidthDigits(benchmark::State& state)
{
    std::string text;
    while (int64_t(text.size()) < state.range(0))
        text += "甲１２；３～９，";
    for (auto _ : state)
        benchmark::DoNotOptimize(NormaliseFullWidth(text));
    state.SetComplexityN(state.range(0));
}

} // namespace

BENCHMARK(SplitTokensAll)->RangeMultiplier(4)->Range(kSmallest, kLargest)->Complexity(benchmark::oN);
BENCHMARK(TokenReaderWalk)->RangeMultiplier(4)->Range(kSmallest, kLargest)->Complexity(benchmark::oN);
BENCHMARK(NthTokenLast)->RangeMultiplier(4)->Range(kSmallest, kLargest)->Complexity(benchmark::oN);
BENCHMARK(SplitTokensOnlySeparators)->RangeMultiplier(4)->Range(kSmallest, kLargest)->Complexity(benchmark::oN);
BENCHMARK(ReplaceAllGrowing)->RangeMultiplier(4)->Range(kSmallest, kLargest)->Complexity(benchmark::oN);
BENCHMARK(NormaliseLineEndsMixed)->RangeMultiplier(4)->Range(kSmallest, kLargest)->Complexity(benchmark::oN);
BENCHMARK(NormaliseFullWidthDigits)->RangeMultiplier(4)->Range(kSmallest, kLargest)->Complexity(benchmark::oN);
