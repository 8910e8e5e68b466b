#include "BridgeScoring.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace sim {

int32_t ContractScore(int32_t level, int32_t strain, int32_t doubled, bool vulnerable, int32_t tricks)
{
    const int32_t needed = level + 6;
    if (tricks < needed) {
        const int32_t down = needed - tricks;
        if (doubled == 0)
            return -(vulnerable ? 100 : 50) * down;
        int32_t penalty = 0;
        for (int32_t i = 1; i <= down; ++i) {
            if (vulnerable)
                penalty += i == 1 ? 200 : 300;
            else
                penalty += i == 1 ? 100 : (i <= 3 ? 200 : 300);
        }
        return -(doubled == 2 ? 2 * penalty : penalty);
    }
    const int32_t perTrick = strain <= 1 ? 20 : 30;
    int32_t trickScore = perTrick * level + (strain == 4 ? 10 : 0);
    const int32_t factor = doubled == 2 ? 4 : (doubled == 1 ? 2 : 1);
    trickScore *= factor;
    int32_t score = trickScore;
    score += trickScore >= 100 ? (vulnerable ? 500 : 300) : 50;
    if (level == 6)
        score += vulnerable ? 750 : 500;
    if (level == 7)
        score += vulnerable ? 1500 : 1000;
    if (doubled > 0)
        score += doubled == 2 ? 100 : 50;
    const int32_t over = tricks - needed;
    if (doubled == 0)
        score += over * perTrick;
    else
        score += over * (vulnerable ? 200 : 100) * (doubled == 2 ? 2 : 1);
    return score;
}

int32_t Imps(int32_t difference)
{
    static const int32_t limits[] = {20, 50, 90, 130, 170, 220, 270, 320, 370, 430, 500, 600,
                                     750, 900, 1100, 1300, 1500, 1750, 2000, 2250, 2500, 3000,
                                     3500, 4000};
    const int32_t d = std::abs(difference);
    int32_t imps = 0;
    for (int32_t limit : limits) {
        if (d < limit)
            break;
        ++imps;
    }
    return imps;
}

std::pair<std::string, std::string> VictoryPoints(int32_t homeImps, int32_t awayImps, int32_t boards)
{
    const double tau = (std::sqrt(5.0) - 1.0) / 2.0;
    const double blowout = 15.0 * std::sqrt(double(boards > 0 ? boards : 1));
    const double margin = std::min(std::abs(double(homeImps - awayImps)), blowout);
    const double winner = std::min(20.0, 10.0 + 10.0 * (1.0 - std::pow(tau, 3.0 * margin / blowout)) / (1.0 - std::pow(tau, 3.0)));
    const double rounded = std::round(winner * 100.0) / 100.0;
    char high[16];
    char low[16];
    std::snprintf(high, sizeof high, "%.2f", rounded);
    std::snprintf(low, sizeof low, "%.2f", 20.0 - rounded);
    if (homeImps >= awayImps)
        return {high, low};
    return {low, high};
}

std::vector<int32_t> Matchpoints(const std::vector<int32_t>& nsScores)
{
    std::vector<int32_t> mps(nsScores.size(), 0);
    for (size_t i = 0; i < nsScores.size(); ++i)
        for (size_t j = 0; j < nsScores.size(); ++j)
            if (i != j)
                mps[i] += nsScores[i] > nsScores[j] ? 2 : (nsScores[i] == nsScores[j] ? 1 : 0);
    return mps;
}

} // namespace sim
