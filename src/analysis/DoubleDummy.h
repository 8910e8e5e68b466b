#pragma once
// Double-dummy analysis of whole deals through the system's double-dummy
// solver library: the tricks each seat takes as declarer in each strain with
// every card in view, and the par score that follows from them for the
// dealer and the vulnerability. Deals are solved many at a time, which lets
// the library spread them over every core.
//
// Plain C++, no Qt.

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

// Told after each batch how many of the deals are solved.
using SolveProgress = std::function<void(size_t solved, size_t total)>;

// The tables of `deals` (each a full deal of 52 card codes), in order,
// asked of the library sixteen at a time. On a failure
// returns false with `error` naming the board and the library's reason.
bool SolveTrickTables(const std::vector<const Deal*>& deals, std::vector<TrickTable>& tables, std::string& error,
                      const SolveProgress& progress = {});

// The trick text of a table (Deals.h: one character per trick count, "0" to
// "9" and "a" to "d" for ten to thirteen, as the scoring server writes them).
std::string TrickTableText(const TrickTable& table);
// The table of a trick text; false for a text that is not one.
bool TrickTableFromText(const std::string& text, TrickTable& table);

// The par of a deal: its score for North-South (negative when East-West
// score) and the contracts that reach it, such as "4S N", "5DX EW"; score 0
// and no contract for a deal passed out.
struct ParResult {
    int32_t score = 0;
    std::vector<std::string> contracts;
};
// `dealer` a seat, `vulnerability` a kVul value.
bool ComputePar(const TrickTable& table, int32_t dealer, int32_t vulnerability, ParResult& par, std::string& error);
