#pragma once
// Duplicate scoring for the reference server's sample tournament: contract
// scores, the IMP scale, victory points and matchpoints. The kiosk itself
// computes none of this; the server sends every number ready-made.

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

// The score of a contract for the declaring side: positive when made,
// negative when defeated. `doubled` is 0, 1 (X) or 2 (XX); `strain` 0 clubs
// ... 3 spades, 4 no trump.
int32_t ContractScore(int32_t level, int32_t strain, int32_t doubled, bool vulnerable, int32_t tricks);

// International match points for a point difference (sign ignored).
int32_t Imps(int32_t difference);

// Victory points of both teams on the 20-point continuous scale for a match
// of `boards` boards, as texts with two decimals ("12.35").
std::pair<std::string, std::string> VictoryPoints(int32_t homeImps, int32_t awayImps, int32_t boards);

// North-South matchpoints of each score among `nsScores` (two per beaten
// score, one per tie); the East-West share is the top (2 * (n - 1)) minus it.
std::vector<int32_t> Matchpoints(const std::vector<int32_t>& nsScores);

} // namespace sim
