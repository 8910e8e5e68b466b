// The built-in sample tournament. Everything is generated from fixed seeds,
// so every run (and every test) sees the same deals, results and names.

#include "BridgeScoring.h"
#include "Tournament.h"

#include "tournament/Bids.h"
#include "tournament/BridgeBasics.h"
#include "tournament/Deals.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace sim {

namespace {

// A small deterministic generator: std::mt19937 output is fixed by the
// standard, unlike the distributions, so ranges are cut by hand.
class Dice {
public:
    explicit Dice(uint32_t seed) : engine(seed) {}
    int32_t Below(int32_t n) { return int32_t(engine() % uint32_t(n)); }
    bool Chance(int32_t percent) { return Below(100) < percent; }

private:
    std::mt19937 engine;
};

struct Deal {
    int32_t board = 0;
    std::array<std::string, 4> hands; // card codes, North East South West
    std::array<std::array<int32_t, 5>, 4> tricks{}; // seat, strain

    int32_t Hcp(int32_t seat) const
    {
        int32_t points = 0;
        for (char c : hands[size_t(seat)])
            points += std::max(0, CardRank(c) - 10);
        return points;
    }
    int32_t Length(int32_t seat, int32_t suit) const
    {
        return int32_t(SuitCards(hands[size_t(seat)], suit).size());
    }
    std::string Codes() const { return hands[0] + hands[1] + hands[2] + hands[3]; }
    std::string TrickText() const
    {
        std::string text;
        for (const auto& seat : tricks)
            for (int32_t t : seat)
                text += TrickCountChar(t);
        return text;
    }
};

Deal MakeDeal(int32_t board, Dice& dice)
{
    std::string pack;
    for (int32_t i = 0; i < kCardsPerDeal; ++i)
        pack += char(kFirstCardCode + i);
    for (int32_t i = kCardsPerDeal - 1; i > 0; --i)
        std::swap(pack[size_t(i)], pack[size_t(dice.Below(i + 1))]);
    Deal deal;
    deal.board = board;
    for (size_t seat = 0; seat < 4; ++seat) {
        std::string hand = pack.substr(seat * 13, 13);
        // Highest card first within a suit.
        std::sort(hand.begin(), hand.end(), [](char a, char b) { return a > b; });
        // The suit order of a hand read from PBN text: spades, hearts, clubs,
        // diamonds, so that the deal survives a tournament file unchanged.
        deal.hands[seat] = SuitCards(hand, kSuitSpades) + SuitCards(hand, kSuitHearts) + SuitCards(hand, kSuitClubs) +
                           SuitCards(hand, kSuitDiamonds);
    }
    // A rough estimate of the tricks each side takes in each strain, from
    // high-card strength and trump length. The table is only displayed.
    const int32_t nsHcp = deal.Hcp(kSeatNorth) + deal.Hcp(kSeatSouth);
    for (int32_t strain = 0; strain < 5; ++strain) {
        double estimate = 6.5 + (nsHcp - 20) * 0.33;
        if (strain < 4) {
            const int32_t fit = deal.Length(kSeatNorth, strain) + deal.Length(kSeatSouth, strain);
            estimate += (fit - 6.5) * 0.8;
        } else {
            for (int32_t suit = 0; suit < 4; ++suit)
                if (deal.Length(kSeatNorth, suit) + deal.Length(kSeatSouth, suit) <= 3)
                    estimate -= 0.8;
        }
        const int32_t ns = std::clamp(int32_t(estimate + 0.5), 0, 13);
        deal.tricks[kSeatNorth][size_t(strain)] = ns;
        deal.tricks[kSeatSouth][size_t(strain)] = ns;
        deal.tricks[kSeatEast][size_t(strain)] = 13 - ns;
        deal.tricks[kSeatWest][size_t(strain)] = 13 - ns;
    }
    return deal;
}

// One table's result on a deal.
struct TableResult {
    int32_t declarer = 0;
    int32_t level = 1;
    int32_t strain = 4;
    int32_t doubled = 0;
    int32_t tricks = 7;
    std::string lead;
    std::string auction;
    int32_t nsScore = 0;

    std::string ContractText() const
    {
        static const char* strains[] = {"C", "D", "H", "S", "NT"};
        return std::to_string(level) + strains[strain] + (doubled == 2 ? "XX" : (doubled == 1 ? "X" : ""));
    }
    std::string ResultText() const
    {
        const int32_t over = tricks - (level + 6);
        if (over == 0)
            return "=";
        return (over > 0 ? "+" : "") + std::to_string(over);
    }
    Json::Value ToJson() const
    {
        Json::Value out(Json::objectValue);
        if (declarer != 0)
            out["1"] = declarer;
        out["2"] = auction;
        out["3"] = ContractText();
        out["5"] = lead;
        out["7"] = ResultText();
        if (nsScore != 0)
            out["9"] = nsScore;
        return out;
    }
};

char BidCode(int32_t level, int32_t strain)
{
    return char(kBidFirstContract + 5 * (level - 1) + strain);
}

std::string BuildAuction(int32_t board, int32_t declarer, int32_t level, int32_t strain, int32_t doubled)
{
    std::string calls;
    auto call = [&](char code, char mark = ' ') {
        calls += code;
        calls += mark;
    };
    int32_t seat = BoardDealer(board);
    while (seat != declarer) {
        call(char(kBidPass));
        seat = (seat + 1) % 4;
    }
    if (level > 1) {
        call(BidCode(1, strain));
        call(char(kBidPass));
        // Partner's jump to the final contract is conventional: alerted.
        call(BidCode(level, strain), level >= 3 && strain < 4 ? '!' : ' ');
    } else {
        call(BidCode(level, strain));
    }
    if (doubled > 0)
        call(char(kBidDouble));
    for (int i = 0; i < 3; ++i)
        call(char(kBidPass));
    return calls;
}

std::string LeadText(const Deal& deal, int32_t leader, int32_t trumps)
{
    // Top of the longest side suit, or fourth best from four or more.
    int32_t best = -1;
    for (int32_t suit = 3; suit >= 0; --suit) {
        if (suit == trumps)
            continue;
        if (best < 0 || deal.Length(leader, suit) > deal.Length(leader, best))
            best = suit;
    }
    const std::string cards = SuitCards(deal.hands[size_t(leader)], best);
    if (cards.empty())
        return std::string();
    const char card = cards.size() >= 4 ? cards[3] : cards[0];
    return SuitText(best, true) + RankLetters(std::string(1, card));
}

TableResult PlayTable(const Deal& deal, int32_t eventKind, Dice& dice)
{
    const int32_t nsHcp = deal.Hcp(kSeatNorth) + deal.Hcp(kSeatSouth);
    const bool nsDeclare = nsHcp > 20 || (nsHcp == 20 && dice.Chance(50));
    const int32_t first = nsDeclare ? kSeatNorth : kSeatEast;
    const int32_t second = first + 2;

    // The strain with the most tricks for the side, majors and no trump
    // preferred on ties; now and then a table chooses no trump anyway.
    int32_t strain = 4;
    int32_t expected = deal.tricks[size_t(first)][4];
    for (int32_t s = 3; s >= 0; --s) {
        const int32_t fit = deal.Length(first, s) + deal.Length(second, s);
        const int32_t t = deal.tricks[size_t(first)][size_t(s)];
        if (fit >= 8 && t > expected) {
            strain = s;
            expected = t;
        }
    }
    if (strain != 4 && deal.tricks[size_t(first)][4] >= expected - 1 && dice.Chance(25)) {
        strain = 4;
        expected = deal.tricks[size_t(first)][4];
    }

    TableResult r;
    r.strain = strain;
    r.level = std::clamp(expected - 6, 1, 7);
    if (r.level > 1 && dice.Chance(25))
        --r.level; // a cautious table stops low
    else if (r.level < 7 && dice.Chance(12))
        ++r.level; // an optimistic one overbids
    // Declarer: the partner with more trumps, or more strength at no trump.
    if (strain < 4)
        r.declarer = deal.Length(first, strain) >= deal.Length(second, strain) ? first : second;
    else
        r.declarer = deal.Hcp(first) >= deal.Hcp(second) ? first : second;

    const int32_t roll = dice.Below(100);
    r.tricks = std::clamp(expected + (roll < 20 ? -1 : (roll < 75 ? 0 : 1)), 0, 13);
    if (r.tricks <= r.level + 4 && dice.Chance(60))
        r.doubled = 1; // going two or more down attracts a double

    const int32_t vul = BoardVulnerability(deal.board, eventKind);
    const bool declarerVul = nsDeclare ? (vul == kVulNorthSouth || vul == kVulBoth) : (vul == kVulEastWest || vul == kVulBoth);
    const int32_t score = ContractScore(r.level, r.strain, r.doubled, declarerVul, r.tricks);
    r.nsScore = nsDeclare ? score : -score;
    r.lead = LeadText(deal, (r.declarer + 1) % 4, strain);
    r.auction = BuildAuction(deal.board, r.declarer, r.level, r.strain, r.doubled);
    return r;
}

Json::Value DealsJson(const std::vector<Deal>& deals)
{
    Json::Value out(Json::arrayValue);
    for (const Deal& d : deals) {
        Json::Value one(Json::objectValue);
        one["1"] = d.board;
        one["2"] = d.Codes();
        one["3"] = d.TrickText();
        out.append(one);
    }
    return out;
}

std::vector<Deal> MakeDeals(int32_t firstBoard, int32_t count, uint32_t seed)
{
    Dice dice(seed);
    std::vector<Deal> deals;
    for (int32_t b = 0; b < count; ++b)
        deals.push_back(MakeDeal(firstBoard + b, dice));
    return deals;
}

const char* const kPlayers[] = {
    "王明", "李华", "张伟", "刘洋", "陈静", "杨帆", "赵磊", "黄敏", "周杰", "吴琳", "徐强", "孙丽",
    "Anna Berg", "Tom Hale", "Lena Voss", "Marc Dupont", "Kenji Sato", "Olga Petrova", "Raj Mehta",
    "Sofia Rossi", "马超", "朱琦", "胡斌", "郭婷", "林峰", "何萍", "高翔", "罗娜", "梁军", "宋雪",
    "Ivan Horak", "Eva Lind", "Paul Grant", "Nina Holm", "Jan Kowal", "Mia Chen", "Leo Park",
    "Ada Wong", "郑毅", "谢芳", "韩冰", "唐宁", "冯涛", "邓颖", "曹阳", "彭丹", "曾志", "萧然",
};
constexpr size_t kPlayerCount = sizeof kPlayers / sizeof kPlayers[0];

std::string Player(size_t i)
{
    return kPlayers[i % kPlayerCount];
}

const char* const kTeamNames[] = {"Dragons", "长城", "Owls", "Phoenix", "黄河", "Sharks", "Tigers",
                                  "Comets", "East Wind", "北斗", "Falcons", "Lotus", "Mavericks", "明珠"};

Section TeamSection(int32_t id, const std::string& name, int32_t teams, const std::vector<Deal>& deals,
                    size_t firstTeamName, size_t firstPlayer, uint32_t seed)
{
    Section section;
    section.id = id;
    section.name = name;
    section.kind = SectionKind::Team;
    section.eventKind = 0;
    section.caption = "Open Teams · Round 3 · Section " + name;
    section.scoreLabel = "IMP";
    section.deals = DealsJson(deals);
    Dice dice(seed);
    for (int32_t home = 1; home + 1 <= teams; home += 2) {
        const int32_t away = home + 1;
        auto label = [&](int32_t n) { return std::to_string(n) + "." + kTeamNames[(firstTeamName + size_t(n) - 1) % 14]; };
        auto player = [&](int32_t team, size_t k) { return Player(firstPlayer + size_t(team - 1) * 4 + k); };
        Json::Value card(Json::objectValue);
        card["1"] = label(home);
        card["2"] = label(away);
        card["3"] = player(home, 0);  // open room: home North-South
        card["4"] = player(home, 1);
        card["5"] = player(away, 0);
        card["6"] = player(away, 1);
        card["7"] = player(away, 2);  // closed room: away North-South
        card["8"] = player(away, 3);
        card["9"] = player(home, 2);
        card["10"] = player(home, 3);
        Json::Value boards(Json::arrayValue);
        int32_t homeImps = 0;
        int32_t awayImps = 0;
        static const char* marks[] = {" ", "|", "-", "+"};
        for (const Deal& d : deals) {
            const TableResult open = PlayTable(d, section.eventKind, dice);
            const TableResult closed = PlayTable(d, section.eventKind, dice);
            Json::Value b(Json::objectValue);
            b["1"] = d.board;
            b["3"] = marks[BoardVulnerability(d.board, section.eventKind) & 3];
            b["5"] = open.ToJson();
            b["6"] = closed.ToJson();
            const int32_t diff = open.nsScore - closed.nsScore;
            if (diff != 0)
                b["7"] = diff;
            const int32_t imps = Imps(diff);
            if (imps > 0 && diff > 0) {
                b["8"] = std::to_string(imps);
                homeImps += imps;
            } else if (imps > 0) {
                b["9"] = std::to_string(imps);
                awayImps += imps;
            }
            boards.append(b);
        }
        const auto vp = VictoryPoints(homeImps, awayImps, int32_t(deals.size()));
        card["31"] = "IMP," + std::to_string(homeImps) + "," + std::to_string(awayImps) + ";VP," + vp.first + "," + vp.second;
        card["_L"] = boards;
        for (int32_t n : {home, away}) {
            Entry e;
            e.number = n;
            e.name = kTeamNames[(firstTeamName + size_t(n) - 1) % 14];
            e.scorecard = card;
            section.entries.push_back(e);
        }
    }
    return section;
}

Section PairSection(int32_t id, const std::string& name, int32_t tables, const std::vector<Deal>& deals,
                    size_t firstPlayer, uint32_t seed)
{
    Section section;
    section.id = id;
    section.name = name;
    section.kind = SectionKind::Pair;
    section.eventKind = 0;
    section.deals = DealsJson(deals);
    Dice dice(seed);

    auto pairName = [&](int32_t number) {
        // North-South pair n holds players 2n-2 and 2n-1 of its block;
        // East-West pairs follow all North-South pairs.
        const size_t base = firstPlayer + (number > 0 ? size_t(number - 1) : size_t(tables - number - 1)) * 2;
        return Player(base) + " - " + Player(base + 1);
    };
    // Every North-South pair plays every board; on board b pair i meets
    // East-West pair (i + b) mod tables.
    const size_t boards = deals.size();
    std::vector<std::vector<TableResult>> results(boards);
    std::vector<std::vector<int32_t>> nsMps(boards);
    for (size_t b = 0; b < boards; ++b) {
        std::vector<int32_t> scores;
        for (int32_t t = 0; t < tables; ++t) {
            results[b].push_back(PlayTable(deals[b], section.eventKind, dice));
            scores.push_back(results[b].back().nsScore);
        }
        nsMps[b] = Matchpoints(scores);
    }
    const int32_t top = 2 * (tables - 1);
    const int32_t possible = top * int32_t(boards);

    struct Total {
        int32_t number;
        int32_t mps;
    };
    std::vector<Total> totals;
    for (int32_t i = 0; i < tables; ++i) {
        int32_t ns = 0;
        int32_t ew = 0;
        for (size_t b = 0; b < boards; ++b) {
            ns += nsMps[b][size_t(i)];
            const size_t table = size_t((i - int32_t(b) % tables + tables) % tables); // where EW pair i sat
            ew += top - nsMps[b][table];
        }
        totals.push_back({i + 1, ns});
        totals.push_back({-(i + 1), ew});
    }
    auto rank = [&](int32_t number, int32_t mps) {
        int32_t better = 0;
        for (const Total& t : totals)
            if ((t.number > 0) == (number > 0) && t.mps > mps)
                ++better;
        return better + 1;
    };

    for (const Total& t : totals) {
        Json::Value list(Json::arrayValue);
        for (size_t b = 0; b < boards; ++b) {
            const int32_t i = t.number > 0 ? t.number - 1 : -t.number - 1;
            const size_t table = t.number > 0 ? size_t(i) : size_t((i - int32_t(b) % tables + tables) % tables);
            const int32_t ewPair = int32_t((table + b) % size_t(tables)) + 1;
            Json::Value one = results[b][table].ToJson();
            one["11"] = deals[b].board;
            one["15"] = std::to_string(nsMps[b][table]);
            one["16"] = std::to_string(top - nsMps[b][table]);
            one["17"] = pairName(int32_t(table) + 1);
            one["18"] = pairName(-ewPair);
            list.append(one);
        }
        Entry e;
        e.number = t.number;
        e.name = pairName(t.number);
        Json::Value card(Json::objectValue);
        card["_L"] = list;
        e.scorecard = card;
        const std::string seat = t.number > 0 ? "NS" : "EW";
        const int32_t abs = t.number > 0 ? t.number : -t.number;
        e.title = "Open Pairs · Section " + name + " · " + seat + std::to_string(abs) + " " + e.name;
        char percent[32];
        std::snprintf(percent, sizeof percent, "%.2f%%", possible > 0 ? 100.0 * t.mps / possible : 0.0);
        e.subtitle = "Total " + std::to_string(t.mps) + " / " + std::to_string(possible) + " MP (" + percent +
                     "), rank " + std::to_string(rank(t.number, t.mps)) + " " + seat;
        section.entries.push_back(e);
    }
    return section;
}

} // namespace

Tournament SampleTournament()
{
    Tournament t;
    t.eventText = "2024 春季公开赛 Spring Congress · Round 3";
    const std::vector<Deal> teamDeals = MakeDeals(1, 8, 20240301u);
    t.sections.push_back(TeamSection(1, "A", 8, teamDeals, 0, 0, 11u));
    t.sections.push_back(TeamSection(2, "B", 6, teamDeals, 8, 32, 12u));
    const std::vector<Deal> pairDeals = MakeDeals(1, 10, 20240302u);
    t.sections.push_back(PairSection(3, "C", 12, pairDeals, 4, 13u));
    t.sections.push_back(PairSection(4, "D", 5, pairDeals, 20, 14u));
    // A few entries have printed already.
    t.sections[0].entries[2].printed = true;
    t.sections[2].entries[5].printed = true;
    return t;
}

} // namespace sim
