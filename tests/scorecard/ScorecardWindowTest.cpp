#include "scorecard/PairScorecardWindow.h"
#include "scorecard/TeamScorecardWindow.h"

#include "foundation/NumericJson.h"
#include "platform/RecordingCanvas.h"
#include "platform/UiSeam.h"
#include "render/PageGeometry.h"
#include "scorecard/SampleDeals.h"
#include "scorecard/TestPageSample.h"
#include "support/FixedRootServices.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// A scripted seam that also keeps where each menu was asked to open.
class AnchorSeam : public ScriptedUiSeam {
public:
    QAction* TrackMenu(QMenu& menu, const QPoint& at) override
    {
        anchors.push_back(at);
        texts.clear();
        for (QAction* a : menu.actions())
            texts.push_back(a->isSeparator() ? std::string("--") : a->text().toStdString());
        return ScriptedUiSeam::TrackMenu(menu, at);
    }
    std::vector<QPoint> anchors;
    std::vector<std::string> texts;
};

std::function<QAction*(QMenu&)> Choose(int command)
{
    return [command](QMenu& menu) -> QAction* {
        for (QAction* a : menu.actions())
            if (!a->isSeparator() && a->data().toInt() == command)
                return a;
        return nullptr;
    };
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
        b["2"] = std::string("C ") + char(kBidFirstContract + 4 + 10) + " C C C ";
        l.append(b);
    }
    PairBoardList boards;
    ReadPairBoards(boards, list);
    return boards;
}

class ScorecardWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root.eventText = u"Spring Open";
        root.printer = &printer;
        team.SetRootServices(&root);
        team.CreateInWidget(nullptr, 12579);
        team.resize(800, 900);
        pair.SetRootServices(&root);
        pair.CreateInWidget(nullptr, 13589);
        pair.resize(800, 900);
    }
    void BuildSample(bool printNow, const DealList* deals = nullptr)
    {
        const TeamScorecardJob job = MakeTestPageJob();
        team.BuildTeamScorecard(job.scorecard, deals ? *deals : job.deals, job.eventKind, job.scoreLabel, job.caption,
                                printNow);
    }

    FixedRootServices root;
    RecordingPrinter printer;
    AnchorSeam ui;
    TeamScorecardWindow team;
    PairScorecardWindow pair;
};

} // namespace

TEST_F(ScorecardWindowTest, TeamScorecardIsOnePortraitPageWithItsHeadingRowsAsRows)
{
    BuildSample(false);
    EXPECT_TRUE(team.isVisible());
    EXPECT_TRUE(printer.calls.empty());
    EXPECT_FALSE(team.IsLandscape());
    EXPECT_TRUE(team.UsesPrintColours());
    EXPECT_TRUE(team.UsesLargeHeaderFont());
    EXPECT_EQ(team.GetTitle(), u"队赛记分表");
    EXPECT_EQ(team.GetScorecardCaption(), kTestPageCaption);
    EXPECT_EQ(team.GetPageTitle(), Utf8ToWide(kTestPageCaption) + u" Scorecard[cn:记分表]");
    EXPECT_EQ(team.GetData().boards.size(), 6u);
    EXPECT_EQ(team.GetDeals().size(), 6u);
    ASSERT_EQ(team.rows.size(), 10u); // two headings, six boards, two totals
    EXPECT_EQ(team.headerRow.Cells().size(), 13u);
    EXPECT_EQ(team.GetPageCount(), 1);
    EXPECT_EQ(team.RowHeight(0), 1000);
    EXPECT_EQ(team.GetSubtitleHeight(), 0);
    // The heading rows are the first lines of the grid area.
    EXPECT_EQ(team.rows[0].GetLine(), 0);
    EXPECT_EQ(team.rows[0].GetRect().top, 0);
    EXPECT_EQ(team.rows[9].GetRect(), (Rect{0, 9000, 19550, 10000}));
    EXPECT_EQ(team.rows[0].Cells()[0].GetRect().Height(), 2000); // "No." spans both heading rows
    EXPECT_FALSE(team.ShowsLastPageStamp());
}

TEST_F(ScorecardWindowTest, PrintNowPrintsOnTheChosenPrinterWithoutShowing)
{
    BuildSample(true);
    EXPECT_FALSE(team.isVisible());
    ASSERT_EQ(printer.calls.size(), 1u);
    EXPECT_EQ(printer.calls[0], std::make_pair(1, PrintMode::OnChosen));
}

TEST_F(ScorecardWindowTest, EachNewScorecardReplacesTheLastOne)
{
    BuildSample(false);
    TeamScorecard other;
    other.SetHomeTeam("1.A");
    team.BuildTeamScorecard(other, DealList(), 7, "", "", false);
    EXPECT_TRUE(team.GetData().boards.empty());
    EXPECT_TRUE(team.GetDeals().empty());
    EXPECT_EQ(team.GetEventKind(), 7);
    EXPECT_EQ(team.GetScorecardCaption(), "");
    EXPECT_EQ(team.rows.size(), 2u);
    EXPECT_TRUE(team.ShowsLastPageStamp());
    // Its own lists may be handed back to it.
    const DealList deals = SampleDeals(3);
    team.BuildTeamScorecard(other, deals, 0, "", "", false);
    team.BuildTeamScorecard(team.GetData(), team.GetDeals(), 0, "", "", false);
    EXPECT_EQ(team.GetDeals().size(), 3u);
    EXPECT_EQ(team.GetData().GetHomeTeam(), "1.A");
}

TEST_F(ScorecardWindowTest, AuctionTextComesFromTheFirstBoardWithTheNumber)
{
    Json::Value v;
    ASSERT_TRUE(NumericJson::Parse(R"({"_L":[{"1":2,"5":{"2":"open2"},"6":{"2":"closed2"}},
                                            {"1":2,"5":{"2":"later"}},{"1":3,"6":{"2":"c3"}}]})",
                                   v));
    TeamScorecard data;
    data.FromJson(v);
    team.BuildTeamScorecard(data, DealList(), 0, "", "", false);
    EXPECT_EQ(team.GetAuctionText(2, false), "open2");
    EXPECT_EQ(team.GetAuctionText(2, true), "closed2");
    EXPECT_EQ(team.GetAuctionText(3, false), "");
    EXPECT_EQ(team.GetAuctionText(3, true), "c3");
    EXPECT_EQ(team.GetAuctionText(4, false), "");

    const PairBoardList boards = PairBoards(2);
    PairBoardList twice = {boards[0], boards[1], boards[0]};
    twice[2].SetAuction("second");
    pair.BuildPairScorecard(twice, DealList(), 0, "T", "", false);
    EXPECT_EQ(pair.rows.size(), 3u); // both rows of board 1 are printed
    EXPECT_EQ(pair.GetAuctionText(1, false), boards[0].GetAuction());
    EXPECT_EQ(pair.GetAuctionText(1, true), "");
    EXPECT_EQ(pair.GetAuctionText(9, false), "");
}

TEST_F(ScorecardWindowTest, DiagramsBesideTheGridNarrowItsTitleBandAndGrid)
{
    const Rect body = team.GetBodyRect(kPaperPage, DrawMode::Printer);
    const Rect fullTitle = TitleRectOf(body, 1200);
    const struct {
        int deals;
        int32_t titleCut;
        int32_t gridWidth;
        int32_t rowHeight;
    } cases[] = {{8, 0, 19550, 1000}, {9, 4887, 19550 - 4887 - 100, 880}, {13, 7820, 19550 - 7820 - 100, 880},
                 {17, 0, 19550, 1000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.deals) + " deals");
        const DealList deals = SampleDeals(c.deals);
        BuildSample(false, &deals);
        EXPECT_EQ(team.GetTitleRect(body).right, fullTitle.right - c.titleCut);
        EXPECT_EQ(team.GetContentRect(1, DrawMode::Printer).Width(), c.gridWidth);
        EXPECT_EQ(team.rows[0].GetRect().Width(), c.gridWidth);
        EXPECT_EQ(team.RowHeight(0), c.rowHeight);
        EXPECT_EQ(team.ShowsLastPageStamp(), c.deals > 16);
    }
}

TEST_F(ScorecardWindowTest, TeamPageDrawsTheHeaderSeatingBoxesAndDiagrams)
{
    BuildSample(false);
    RecordingCanvas dc(600, 600);
    team.PaintPage(dc, kPaperPage, Rect{}, 1, DrawMode::Printer);
    const Rect body = team.GetBodyRect(kPaperPage, DrawMode::Printer);
    const Rect content = team.GetContentRect(1, DrawMode::Printer);

    const CanvasCall* vs = dc.FindText(u" vs ");
    ASSERT_NE(vs, nullptr);
    EXPECT_EQ(vs->rect, (Rect{content.left, body.top, content.right, body.top + 1200}));
    EXPECT_EQ(vs->state.font.height, 608);
    const CanvasCall* home = dc.FindText(u"3.晨星队");
    const CanvasCall* away = dc.FindText(u"8.远航队");
    ASSERT_NE(home, nullptr);
    ASSERT_NE(away, nullptr);
    EXPECT_EQ(home->state.textColour, Rgb(208, 0, 0));
    EXPECT_EQ(away->state.textColour, Rgb(0, 0, 192));
    EXPECT_EQ(home->format, unsigned(DT_RIGHT | DT_VCENTER | DT_SINGLELINE));
    EXPECT_EQ(home->rect.right, (content.left + content.right) / 2 - RecordingCanvas::TextWidth(u" vs ", 608) / 2);
    EXPECT_EQ(away->rect.left, (content.left + content.right) / 2 + RecordingCanvas::TextWidth(u" vs ", 608) / 2);
    // The square picture reaches 600 below the title band.
    const auto pictures = dc.Calls(CanvasOp::Picture);
    ASSERT_FALSE(pictures.empty());
    EXPECT_EQ(pictures[0].rect, (Rect{content.left + 60, body.top, content.left + 60 + 1800, body.top + 1800}));
    EXPECT_EQ(pictures[0].state.stretchMode, StretchMode::Halftone);
    EXPECT_EQ(dc.FindText(u"队赛记分表"), nullptr) << "the team header replaces the title";

    // Seating: the home team's players in red in the open room's North and
    // South, in the closed room's East and West.
    const CanvasCall* openNorth = dc.FindText(u"李明远");
    const CanvasCall* openEast = dc.FindText(u" 周志强");
    const CanvasCall* closedEast = dc.FindText(u" 陈晓雯");
    const CanvasCall* closedWest = dc.FindText(u"林子健 ");
    ASSERT_TRUE(openNorth && openEast && closedEast && closedWest);
    EXPECT_EQ(openNorth->state.textColour, Rgb(208, 0, 0));
    EXPECT_EQ(openEast->state.textColour, Rgb(0, 0, 192));
    EXPECT_EQ(closedEast->state.textColour, Rgb(208, 0, 0));
    EXPECT_EQ(closedWest->state.textColour, Rgb(208, 0, 0));
    EXPECT_NE(dc.FindText(u" Open "), nullptr);
    EXPECT_NE(dc.FindText(u" Close "), nullptr);
    // The boxes sit in the blank part of the two totals lines (rows 9 and 10).
    const Rect area{content.left, content.top + 8000, content.left + team.rows[8].Cells()[0].GetRect().Width(),
                    content.top + 10000};
    EXPECT_EQ(openNorth->state.font.height, 600);
    EXPECT_GE(openNorth->rect.top, area.top);
    EXPECT_LE(closedWest->rect.right, area.right);

    // Six diagrams below the grid, none with its last-page stamp.
    const auto texts = dc.Texts();
    EXPECT_EQ(std::count_if(texts.begin(), texts.end(), [](const std::u16string& t) { return t.rfind(u"Dlr:", 0) == 0; }),
              6);
    EXPECT_EQ(dc.FindText(u"Quorvane - Spring Open"), nullptr);
}

TEST_F(ScorecardWindowTest, NoTotalsMeansNoSeatingBoxes)
{
    TeamScorecard data = MakeTestPageJob().scorecard;
    data.sums.clear();
    team.BuildTeamScorecard(data, DealList(), 0, "", "", false);
    RecordingCanvas dc(600, 600);
    team.PaintPage(dc, kPaperPage, Rect{}, 1, DrawMode::Printer);
    EXPECT_EQ(dc.FindText(u"李明远"), nullptr);
    EXPECT_EQ(dc.FindText(u" Open "), nullptr);
    // Without deals the page gets its stamp.
    EXPECT_NE(dc.FindText(u"Quorvane - Spring Open"), nullptr);
}

TEST_F(ScorecardWindowTest, PairScorecardOf26BoardsWithoutDiagramsTakesTwoPages)
{
    root.lang = kLangEnglish;
    pair.BuildPairScorecard(PairBoards(25), DealList(), 0, "Spring Pairs", "", false);
    EXPECT_EQ(pair.RowHeight(0), 1000);
    EXPECT_EQ(pair.GetPageCount(), 1); // 25 rows of 1000 fill page 1 under the heading line
    EXPECT_EQ(pair.GetContentRect(1, DrawMode::Printer).top,
              pair.GetBodyRect(kPaperPage, DrawMode::Printer).top + 1200);

    pair.BuildPairScorecard(PairBoards(26), DealList(), 0, "Spring Pairs", "", false);
    EXPECT_EQ(pair.RowHeight(0), 996);
    EXPECT_EQ(pair.GetPageCount(), 2);
    EXPECT_EQ(pair.rows[24].GetPage(), 1);
    EXPECT_EQ(pair.rows[25].GetPage(), 2);
    EXPECT_EQ(pair.GetScorecardCaption(), "");
    EXPECT_EQ(pair.GetPageTitle(), u" Scorecard[cn:记分表]");
    EXPECT_TRUE(pair.ShowsLastPageStamp());
    for (int32_t p : {1, 2}) {
        RecordingCanvas dc(600, 600);
        pair.PaintPage(dc, kPaperPage, Rect{}, p, DrawMode::Printer);
        EXPECT_NE(dc.FindText(u"Spring Pairs (" + IntToWide(p) + u")"), nullptr) << p;
        // The column headings repeat on every page.
        EXPECT_NE(dc.FindText(u"NS players"), nullptr) << p;
    }
}

TEST_F(ScorecardWindowTest, PairSubtitleTakesItsBandOnlyWhenGiven)
{
    pair.BuildPairScorecard(PairBoards(3), SampleDeals(4), 2, "T", "Pair 5  70.5%", false);
    EXPECT_EQ(pair.GetEventKind(), 2);
    EXPECT_EQ(pair.GetSubtitleHeight(), 800);
    const Rect body = pair.GetBodyRect(kPaperPage, DrawMode::Printer);
    EXPECT_EQ(pair.GetContentRect(1, DrawMode::Printer).top, body.top + 2000);
    RecordingCanvas dc(600, 600);
    pair.PaintPage(dc, kPaperPage, Rect{}, 1, DrawMode::Printer);
    EXPECT_NE(dc.FindText(u"  Pair 5  70.5% "), nullptr);
    EXPECT_NE(dc.FindText(u"T"), nullptr);
    // Four diagrams, each with only the open room's auction.
    const auto texts = dc.Texts();
    EXPECT_EQ(std::count(texts.begin(), texts.end(), u"3N"), 3);
}

TEST_F(ScorecardWindowTest, MenuPrintsClosesOrDoesNothing)
{
    BuildSample(false);
    ui.menuHandlers.push_back(Choose(kScorecardMenuPrint));
    team.OnMenu(0);
    EXPECT_EQ(ui.texts, (std::vector<std::string>{"Print...", "--", "Close(Back to the main window)"}));
    ASSERT_EQ(printer.calls.size(), 1u);
    EXPECT_EQ(printer.calls[0], std::make_pair(1, PrintMode::WithDialog));

    ui.menuHandlers.push_back([](QMenu&) -> QAction* { return nullptr; });
    team.OnMenu(1);
    EXPECT_TRUE(team.isVisible());
    EXPECT_EQ(printer.calls.size(), 1u);

    ui.menuHandlers.push_back(Choose(kScorecardMenuClose));
    team.OnMenu(0);
    EXPECT_FALSE(team.isVisible());
    // A hidden window still lays out and prints the next scorecard.
    BuildSample(true);
    EXPECT_EQ(printer.calls.back(), std::make_pair(1, PrintMode::OnChosen));

    root.lang = kLangChinese;
    team.OnMenu(0);
    EXPECT_EQ(ui.texts, (std::vector<std::string>{"打印...", "--", "关闭(回到主窗口)"}));
    EXPECT_EQ(ui.menusShown, 4);
}

TEST_F(ScorecardWindowTest, RightClickAndOptionsButtonOpenTheSameMenuBelowTheButton)
{
    BuildSample(false);
    team.OnOptionsButton();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(200, 300), QPointF(team.viewport()->mapToGlobal(QPoint(200, 300))),
                      Qt::RightButton, Qt::RightButton, Qt::NoModifier);
    QCoreApplication::sendEvent(team.viewport(), &press);
    ASSERT_EQ(ui.anchors.size(), 2u);
    ASSERT_NE(team.OptionsButton(), nullptr);
    const int buttonBottom = team.OptionsButton()->mapToGlobal(QPoint(0, team.OptionsButton()->height())).y();
    EXPECT_EQ(ui.anchors[0].y(), buttonBottom);
    EXPECT_EQ(ui.anchors[1].y(), buttonBottom);
    EXPECT_EQ(ui.anchors[0], ui.anchors[1]);
}
