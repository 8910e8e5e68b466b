#pragma once
// Double-dummy analysis of whole deals through the system's double-dummy
// solver library: the tricks each seat takes as declarer in each strain with
// every card in view, and the par score that follows from them for the
// dealer and the vulnerability. Deals are solved a page (sixteen) at a time,
// which lets the library spread them over every core.
//
// The library runs in a child process of its own, started for one analysis:
// loading it starts a thread pool and sets aside memory that a program
// printing scorecards should not pay for, its clean-up at exit is not safe
// once it has been loaded at run time, and a fault inside it must not take
// the caller down. The child hands back plain text through a pipe.
//
// Plain C++ and POSIX, no Qt.

#include "tournament/Deals.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Tricks by declarer seat (N, E, S, W) and strain (C, D, H, S, NT), the
// order of the trick texts in Deals.h.
using TrickTable = std::array<std::array<int32_t, 5>, 4>;

// The trick text of a table (Deals.h: one character per trick count, "0" to
// "9" and "a" to "d" for ten to thirteen, as the scoring server writes them).
std::string TrickTableText(const TrickTable& table);
// The table of a trick text; false for a text that is not one.
bool TrickTableFromText(const std::string& text, TrickTable& table);

// The par of a deal: its score for North-South (negative when East-West
// score) and the contracts that reach it, such as "4S N", "5DX EW -2";
// score 0 and no contract for a deal passed out.
struct ParResult {
    int32_t score = 0;
    std::vector<std::string> contracts;
};

// One deal to analyse: the 52 cards, the dealer (a seat) and the
// vulnerability (a kVul value); its trick table is solved unless `known`
// holds it already (a trick text from the hand record).
struct DealToAnalyse {
    const Deal* deal = nullptr;
    int32_t dealer = 0;
    int32_t vulnerability = 0;
    std::string known;
};

struct DealAnalysis {
    TrickTable tricks{};
    ParResult par;
};

// Told after each call of the solver how many of the deals to solve are
// solved. Called in the child process: it may write to a terminal, nothing
// else it does is seen by the caller.
using SolveProgress = std::function<void(size_t solved, size_t total)>;

// The trick table and par of every deal, in order. On a failure (the library
// missing, a deal it refuses, the child ending without an answer) returns
// false with one line in `error`, naming the board when one is at fault.
bool AnalyseDeals(const std::vector<DealToAnalyse>& deals, std::vector<DealAnalysis>& results, std::string& error,
                  const SolveProgress& progress = {});
