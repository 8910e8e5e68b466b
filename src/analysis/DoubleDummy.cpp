#include "analysis/DoubleDummy.h"

#include "tournament/BridgeBasics.h"

#include <dds/dll.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>

namespace {

// Deals per call of the library: a page of hand records. The library takes
// up to MAXNOOFTABLES; sixteen keep both cores busy as well (each deal is
// five jobs, one per strain) and let the progress be told page by page.
constexpr size_t kDealsPerCall = 16;
static_assert(kDealsPerCall <= MAXNOOFTABLES);

// The library's strains: spades, hearts, diamonds, clubs, no trump; ours:
// clubs, diamonds, hearts, spades, no trump.
constexpr int32_t kLibraryStrain[5] = {3, 2, 1, 0, 4}; // ours -> the library's

// A deal in the library's text form, "N:AKQ.T98.... ...", hands in our order.
std::string LibraryDealText(const Deal& deal)
{
    static constexpr int32_t kWrittenSuits[4] = {kSuitSpades, kSuitHearts, kSuitDiamonds, kSuitClubs};
    std::string text = "N:";
    for (int32_t seat = 0; seat < 4; ++seat) {
        if (seat > 0)
            text += ' ';
        const std::string hand = deal.Hand(seat);
        for (int32_t s = 0; s < 4; ++s) {
            if (s > 0)
                text += '.';
            std::string cards = SuitCards(hand, kWrittenSuits[s]);
            std::sort(cards.begin(), cards.end(), [](char a, char b) { return CardRank(a) > CardRank(b); });
            text += RankLetters(cards);
        }
    }
    return text;
}

std::string LibraryError(int code)
{
    char line[80] = {};
    ErrorMessage(code, line);
    return std::string(line) + " (code " + std::to_string(code) + ")";
}

int LibraryVulnerability(int32_t vulnerability)
{
    switch (vulnerability) {
    case kVulBoth: return 1;
    case kVulNorthSouth: return 2;
    case kVulEastWest: return 3;
    default: return 0;
    }
}

} // namespace

bool SolveTrickTables(const std::vector<const Deal*>& deals, std::vector<TrickTable>& tables, std::string& error,
                      const SolveProgress& progress)
{
    // The library sizes its thread pool and memory for the machine's cores.
    static std::once_flag threadsSet;
    std::call_once(threadsSet, [] { SetMaxThreads(0); });
    tables.clear();
    tables.reserve(deals.size());
    // The request and answer structures hold room for the library's largest
    // batch (a few hundred kilobytes): on the heap, not the stack.
    auto request = std::make_unique<ddTableDealsPBN>();
    auto answer = std::make_unique<ddTablesRes>();
    int filter[DDS_STRAINS] = {0, 0, 0, 0, 0}; // every strain
    for (size_t start = 0; start < deals.size(); start += kDealsPerCall) {
        const size_t count = std::min<size_t>(kDealsPerCall, deals.size() - start);
        std::memset(request.get(), 0, sizeof(ddTableDealsPBN));
        request->noOfTables = static_cast<int>(count);
        for (size_t i = 0; i < count; ++i) {
            const std::string text = LibraryDealText(*deals[start + i]);
            std::strncpy(request->deals[i].cards, text.c_str(), sizeof(request->deals[i].cards) - 1);
        }
        std::memset(answer.get(), 0, sizeof(ddTablesRes));
        const int rc = CalcAllTablesPBN(request.get(), -1, filter, answer.get(), nullptr);
        if (rc != RETURN_NO_FAULT) {
            // Name the board: solving the deals one by one finds the culprit.
            for (size_t i = 0; i < count; ++i) {
                ddTableDealPBN one{};
                const std::string text = LibraryDealText(*deals[start + i]);
                std::strncpy(one.cards, text.c_str(), sizeof(one.cards) - 1);
                ddTableResults result{};
                const int single = CalcDDtablePBN(one, &result);
                if (single != RETURN_NO_FAULT) {
                    error = "board " + std::to_string(deals[start + i]->GetBoard()) +
                            ": the double-dummy solver refused the deal: " + LibraryError(single);
                    return false;
                }
            }
            error = "the double-dummy solver failed: " + LibraryError(rc);
            return false;
        }
        for (size_t i = 0; i < count; ++i) {
            TrickTable table{};
            for (int32_t seat = 0; seat < 4; ++seat)
                for (int32_t strain = 0; strain < 5; ++strain)
                    table[size_t(seat)][size_t(strain)] = answer->results[i].resTable[kLibraryStrain[strain]][seat];
            tables.push_back(table);
        }
        if (progress)
            progress(tables.size(), deals.size());
    }
    return true;
}

std::string TrickTableText(const TrickTable& table)
{
    static constexpr char kDigits[] = "0123456789abcd";
    std::string text;
    for (const auto& seat : table)
        for (int32_t tricks : seat)
            text += kDigits[std::clamp(tricks, 0, 13)];
    return text;
}

bool TrickTableFromText(const std::string& text, TrickTable& table)
{
    if (text.size() != 20)
        return false;
    static constexpr char kDigits[] = "0123456789abcd";
    for (size_t i = 0; i < 20; ++i) {
        const char* digit = std::find(kDigits, kDigits + 14, text[i]);
        if (digit == kDigits + 14)
            return false;
        table[i / 5][i % 5] = static_cast<int32_t>(digit - kDigits);
    }
    return true;
}

bool ComputePar(const TrickTable& table, int32_t dealer, int32_t vulnerability, ParResult& par, std::string& error)
{
    par = ParResult();
    ddTableResults results{};
    for (int32_t seat = 0; seat < 4; ++seat)
        for (int32_t strain = 0; strain < 5; ++strain)
            results.resTable[kLibraryStrain[strain]][seat] = table[size_t(seat)][size_t(strain)];
    parResultsMaster master{};
    const int rc = DealerParBin(&results, &master, std::clamp(dealer, 0, 3), LibraryVulnerability(vulnerability));
    if (rc != RETURN_NO_FAULT) {
        error = "the par could not be worked out: " + LibraryError(rc);
        return false;
    }
    par.score = master.score;
    static const char* const kStrains[] = {"NT", "S", "H", "D", "C"};
    static const char* const kSeats[] = {"N", "E", "S", "W", "NS", "EW"};
    for (int i = 0; i < std::clamp(master.number, 0, 10); ++i) {
        const contractType& c = master.contracts[i];
        if (c.level < 1 || c.level > 7 || c.denom < 0 || c.denom > 4 || c.seats < 0 || c.seats > 5)
            continue;
        std::string text = std::to_string(c.level) + kStrains[c.denom] + (c.underTricks > 0 ? "X" : "") + " " +
                           kSeats[c.seats];
        if (c.underTricks > 0)
            text += " -" + std::to_string(c.underTricks);
        else if (c.overTricks > 0)
            text += " +" + std::to_string(c.overTricks);
        par.contracts.push_back(text);
    }
    return true;
}
