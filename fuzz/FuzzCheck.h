#pragma once
// What every fuzz harness shares: the entry point libFuzzer (or the replay
// main) calls, the input as text, and a check that stops the run the way a
// sanitizer finding does, so that a broken property is kept as a crash.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fuzz {

inline std::string AsText(const uint8_t* data, size_t size)
{
    return std::string(reinterpret_cast<const char*>(data), size);
}

} // namespace fuzz

// A property the code under test promises; abort() makes libFuzzer save the
// input and makes the replay test fail.
#define FUZZ_CHECK(condition)                                                                                          \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition);                      \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (0)
