// Every printed scorecard page is painted on the recording canvas and its
// texts are checked against each other, against their own boxes, the
// header's picture and the page: a text that runs into another one, under the
// picture or out of its cell, hand line or auction grid is a text the player
// cannot read. The pages cover what pushes the layout hardest: many deals,
// long team names in both scripts, long suits in every seat with long
// auctions, and pair pages with many boards.

#include "scorecard/PairScorecardWindow.h"
#include "scorecard/TeamScorecardWindow.h"

#include "foundation/LocText.h"
#include "foundation/NumericJson.h"
#include "platform/RecordingCanvas.h"
#include "print/PrintJob.h"
#include "render/PageGeometry.h"
#include "render/PagePainter.h"
#include "scorecard/HandDiagrams.h"
#include "scorecard/HandRecordView.h"
#include "scorecard/SampleDeals.h"
#include "scorecard/TestPageSample.h"
#include "support/FixedRootServices.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {

// A drawn text, the box it was given and where its letters stand: the width
// it measures without its outer spaces, and the middle three fifths of the
// font's height (leading and descenders are no ink that could collide).
// `font` is the height it was drawn in, for the messages. Both boxes are in
// device units, through the mapping the text was drawn with (a part of a page
// may be drawn magnified, a page scaled to its paper).
struct Ink {
    std::u16string text;
    Rect box;
    Rect ink;
    bool clipped = true;
    int32_t font = 0;
};

std::string Show(const Ink& t)
{
    std::ostringstream o;
    o << '"' << WideToUtf8(t.text) << "\" font " << t.font << " ink " << t.ink.left << ',' << t.ink.top << '-'
      << t.ink.right << ',' << t.ink.bottom << " box " << t.box.left << ',' << t.box.top << '-' << t.box.right << ','
      << t.box.bottom;
    return o.str();
}

Rect DeviceRect(const CanvasCall& call, const Rect& logical)
{
    const Point a = call.state.mapping.LogicalToDevice(Point{logical.left, logical.top});
    const Point b = call.state.mapping.LogicalToDevice(Point{logical.right, logical.bottom});
    return Rect{a.x, a.y, b.x, b.y};
}

std::vector<Ink> InkOf(const RecordingCanvas& dc)
{
    std::vector<Ink> out;
    for (const CanvasCall& call : dc.Calls(CanvasOp::Text)) {
        if (call.format & DT_CALCRECT)
            continue;
        const size_t first = call.text.find_first_not_of(u' ');
        if (first == std::u16string::npos)
            continue;
        const size_t last = call.text.find_last_not_of(u' ');
        const int32_t h = std::abs(call.state.font.height);
        const int32_t w = RecordingCanvas::TextWidth(call.text, h);
        const int32_t lead = RecordingCanvas::TextWidth(call.text.substr(0, first), h);
        const int32_t trail = RecordingCanvas::TextWidth(call.text.substr(last + 1), h);
        const Rect& r = call.rect;
        int32_t left = r.left;
        if (call.format & DT_CENTER)
            left = (r.left + r.right - w) / 2;
        else if (call.format & DT_RIGHT)
            left = r.right - w;
        int32_t top = r.top;
        if ((call.format & DT_SINGLELINE) && (call.format & DT_VCENTER))
            top = (r.top + r.bottom - h) / 2;
        else if ((call.format & DT_SINGLELINE) && (call.format & DT_BOTTOM))
            top = r.bottom - h;
        Ink t;
        t.text = call.text;
        t.box = DeviceRect(call, r);
        t.ink = DeviceRect(call, Rect{left + lead, top + h / 5, left + w - trail, top + h - h / 5});
        t.clipped = (call.format & DT_NOCLIP) == 0;
        t.font = h;
        out.push_back(t);
    }
    return out;
}

bool Meets(const Rect& a, const Rect& b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// The faults on one painted page, one line each; `sheet` in device units.
std::vector<std::string> InkFaults(const RecordingCanvas& dc, const Rect& sheet = kPaperPage)
{
    std::vector<std::string> faults;
    const std::vector<Ink> texts = InkOf(dc);
    for (size_t i = 0; i < texts.size(); ++i) {
        const Ink& a = texts[i];
        const Rect& k = a.ink;
        if (k.left < sheet.left || k.right > sheet.right || k.top < sheet.top || k.bottom > sheet.bottom)
            faults.push_back("off the page: " + Show(a));
        if (a.clipped && (k.left < a.box.left || k.right > a.box.right || k.top < a.box.top || k.bottom > a.box.bottom))
            faults.push_back("out of its box: " + Show(a));
        for (const CanvasCall& p : dc.Calls(CanvasOp::Picture))
            if (Meets(k, DeviceRect(p, p.rect)))
                faults.push_back("under the picture: " + Show(a));
        for (size_t j = i + 1; j < texts.size(); ++j) {
            const Ink& b = texts[j];
            // A text drawn twice on purpose (the doubled end mark of an
            // auction, a shadow) is one text.
            // (Sizes within a unit: a magnified box is rounded where it
            // lies.)
            if (a.text == b.text && std::abs(a.box.Width() - b.box.Width()) <= 1 &&
                std::abs(a.box.Height() - b.box.Height()) <= 1)
                continue;
            if (Meets(k, b.ink))
                faults.push_back("overlap: " + Show(a) + " / " + Show(b));
        }
    }
    return faults;
}

// A rising auction of `calls` bids closed by three passes, in the
// two-bytes-per-call text.
std::string RisingAuction(int calls)
{
    std::string text;
    for (int i = 0; i < calls; ++i) {
        text += char(kBidFirstContract + i);
        text += ' ';
    }
    for (int i = 0; i < 3; ++i)
        text += std::string(1, char(kBidPass)) + " ";
    return text;
}

// Deals whose every seat holds a suit of eight (even boards) or seven (odd
// boards) cards.
DealList LongSuitDeals(int count)
{
    DealList pbn;
    ParsePbn("[Board \"1\"]\r\n[Deal \"N:AKQJT98.76.76.76 76.AKQJT98.54.54 54.54.AKQJT98.32 32.32.32.AKQJT98\"]\r\n"
             "[Board \"2\"]\r\n[Deal \"N:AKQJT987.65.65.6 65.AKQJT987.4.54 43.4.AKQJT987.32 2.32.32.AKQJT987\"]",
             pbn);
    return CycledDeals(pbn, count, 1);
}

PairBoardList PairBoards(int count)
{
    Json::Value list(Json::objectValue);
    Json::Value& l = list["_L"];
    for (int i = 0; i < count; ++i) {
        Json::Value b(Json::objectValue);
        b["11"] = i + 1;
        b["3"] = "3NT";
        b["7"] = "=";
        b["9"] = 400;
        b["2"] = RisingAuction(i % 2 ? 22 : 14);
        l.append(b);
    }
    PairBoardList boards;
    ReadPairBoards(boards, list);
    return boards;
}

struct TeamPage {
    int deals = 4;
    bool longSuits = false;
    std::string home = "3.晨星队";
    std::string away = "8.远航队";
};

struct PairPage {
    int boards = 20;
    int deals = 8;
};

class PageInkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root.eventText = u"Spring Open";
        team.SetRootServices(&root);
        team.CreateInWidget(nullptr, kTeamScorecardViewId);
        team.resize(800, 900);
        pair.SetRootServices(&root);
        pair.CreateInWidget(nullptr, kPairScorecardViewId);
        pair.resize(800, 900);
    }

    // The faults of every page of the team scorecard.
    std::vector<std::string> TeamFaults(const TeamPage& page)
    {
        TeamScorecardJob job = MakeTestPageJob();
        job.deals = page.longSuits ? LongSuitDeals(page.deals) : SampleDeals(page.deals);
        job.scorecard.SetHomeTeam(page.home);
        job.scorecard.SetAwayTeam(page.away);
        // One board row and both rooms' auctions (five and seven rows
        // long) for every deal.
        const std::vector<TeamBoard> sample = job.scorecard.boards;
        job.scorecard.boards.clear();
        for (int i = 0; i < page.deals; ++i) {
            TeamBoard b = sample[size_t(i) % sample.size()];
            b.SetBoardNo(i + 1);
            b.openRoom.SetAuction(RisingAuction(i % 3 == 0 ? 22 : 14));
            b.closedRoom.SetAuction(RisingAuction(i % 2 == 0 ? 22 : 14));
            job.scorecard.boards.push_back(b);
        }
        team.BuildTeamScorecard(job, false);
        return PageFaults(team);
    }

    std::vector<std::string> PairFaults(const PairPage& page)
    {
        pair.BuildPairScorecard(PairBoards(page.boards), page.deals ? LongSuitDeals(page.deals) : DealList{}, 0,
                                "Spring Open, round 2", "Pair 7: Lindqvist - Okafor", false);
        return PageFaults(pair);
    }

    static std::vector<std::string> PageFaults(PageView& view)
    {
        std::vector<std::string> faults;
        for (int32_t p = 1; p <= view.GetPageCount(); ++p) {
            RecordingCanvas dc(600, 600);
            view.PaintPage(dc, kPaperPage, Rect{}, p, DrawMode::Printer);
            for (const std::string& f : InkFaults(dc))
                faults.push_back("page " + std::to_string(p) + ": " + f);
        }
        return faults;
    }

    FixedRootServices root;
    TeamScorecardWindow team;
    PairScorecardWindow pair;
};

std::string Joined(const std::vector<std::string>& faults)
{
    std::string out;
    for (size_t i = 0; i < faults.size() && i < 12; ++i)
        out += faults[i] + "\n";
    if (faults.size() > 12)
        out += "... " + std::to_string(faults.size() - 12) + " more\n";
    return out;
}

TEST_F(PageInkTest, TeamPagesHideNoText)
{
    const std::string latin = "12.Northern Lights Bridge Club of the Upper Valley";
    const std::string chinese = "12.北方之光桥牌俱乐部上游联队";
    const TeamPage pages[] = {
        {4},
        {9},
        {13},
        {16},
        {13, false, latin, "7.Southern Cross Bridge Society"},
        {16, false, chinese, "7.南十字星桥牌协会"},
        {4, true},
        {9, true},
        {16, true, latin, chinese},
    };
    for (const TeamPage& page : pages) {
        SCOPED_TRACE(std::to_string(page.deals) + " deals" + (page.longSuits ? ", long suits, " : ", ") + page.home);
        const std::vector<std::string> faults = TeamFaults(page);
        EXPECT_TRUE(faults.empty()) << Joined(faults);
    }
}

TEST_F(PageInkTest, PairPagesHideNoText)
{
    const PairPage pages[] = {{20, 8}, {25, 8}, {26, 8}, {12, 4}, {16, 16}, {26, 0}};
    for (const PairPage& page : pages) {
        SCOPED_TRACE(std::to_string(page.boards) + " boards, " + std::to_string(page.deals) + " deals");
        const std::vector<std::string> faults = PairFaults(page);
        EXPECT_TRUE(faults.empty()) << Joined(faults);
    }
}

TEST_F(PageInkTest, TestPageHidesNoText)
{
    team.BuildTeamScorecard(MakeTestPageJob(), false);
    const std::vector<std::string> faults = PageFaults(team);
    EXPECT_TRUE(faults.empty()) << Joined(faults);
}

TEST_F(PageInkTest, HandRecordPagesHideNoText)
{
    // Seventeen boards of long suits in every seat, each with a long auction
    // starting at a seat other than the board's dealer, a trick table with
    // counts of 10 to 13, a par line of several contracts and a long title;
    // at every number of deals a page, and on Letter paper as printed there.
    HandRecordFile file;
    file.event = "北方之光桥牌俱乐部冬季双人赛 Northern Lights Winter Pairs";
    file.site = "Riverside Club";
    file.date = "2026.12.10";
    std::vector<BoardPar> pars;
    const DealList deals = LongSuitDeals(17);
    for (int i = 0; i < 17; ++i) {
        HandRecordBoard b;
        b.deal = deals[size_t(i)];
        b.deal.SetTrickTexts("d0d00a9b8c0d0d07a8b9");
        b.dealer = (i + 2) % 4;
        b.vulnerability = i % 4;
        b.auction = RisingAuction(i % 2 ? 22 : 9);
        b.auctionFirst = (i + 1) % 4;
        file.boards.push_back(b);
        pars.push_back(BoardPar{true, i % 2 ? -1430 : 2210, "7SX NS -3, 7SX SW -3, 6NT EW +1, 6NT W +1"});
    }
    const struct {
        int32_t perPage;
        bool letter;
        int32_t pages;
    } cases[] = {{16, false, 2}, {8, false, 3}, {4, false, 5}, {16, true, 2}, {4, true, 5}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.perPage) + " a page" + (c.letter ? ", Letter" : ""));
        HandRecordView view;
        view.SetRootServices(&root);
        view.CreateInWidget(nullptr, kHandRecordViewId);
        view.SetDealsPerPage(c.perPage);
        view.SetHandRecords(file, pars);
        ASSERT_EQ(view.GetPageCount(), c.pages);
        if (!c.letter) {
            const std::vector<std::string> faults = PageFaults(view);
            EXPECT_TRUE(faults.empty()) << Joined(faults);
            continue;
        }
        // As the print job puts it on Letter, header and footer included.
        constexpr int32_t kDpi = 600;
        const PaperMapping paper = MapPaperToA4Proportionally(2159, 2794);
        const Rect sheet{0, 0, (2159 * kDpi) / 254, (2794 * kDpi) / 254};
        for (int32_t p = 1; p <= view.GetPageCount(); ++p) {
            RecordingCanvas dc(kDpi, kDpi);
            PaintPrintedPage(view, dc, p, kDpi, kDpi, paper.windowExt, paper.DeviceOrigin(kDpi, kDpi));
            const std::vector<std::string> faults = InkFaults(dc, sheet);
            EXPECT_TRUE(faults.empty()) << "page " << p << ":\n" << Joined(faults);
        }
    }
}

TEST(HandLineRect, StopsShortOfAnAuctionBesideItOnly)
{
    const Rect box{1000, 1000, 3000, 2000}; // lines of 250
    const std::array<Rect, 2> auctions{Rect{2500, 900, 4000, 1510}, Rect{}};
    // Lines 0 and 1 stand beside the auction; line 2 only touches it with
    // its leading, line 3 is clear of it.
    EXPECT_EQ(HandLineRect(box, 0, auctions), (Rect{1000, 1000, 2440, 1250}));
    EXPECT_EQ(HandLineRect(box, 1, auctions), (Rect{1000, 1250, 2440, 1500}));
    EXPECT_EQ(HandLineRect(box, 2, auctions), (Rect{1000, 1500, 3000, 1750}));
    EXPECT_EQ(HandLineRect(box, 3, auctions), (Rect{1000, 1750, 3000, 2000}));
}

} // namespace
