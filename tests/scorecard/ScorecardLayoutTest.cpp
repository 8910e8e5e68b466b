#include "scorecard/ScorecardLayout.h"

#include "render/PageGeometry.h"

#include <gtest/gtest.h>

TEST(ScorecardLayout, HandLevelByDealCount)
{
    const struct {
        size_t deals;
        int32_t level;
    } cases[] = {{0, kHandLevelNone},      {1, kHandLevelBand},       {8, kHandLevelBand},
                 {9, kHandLevelOneColumn}, {12, kHandLevelOneColumn}, {13, kHandLevelTwoColumns},
                 {16, kHandLevelTwoColumns}, {17, kHandLevelNone},    {1000, kHandLevelNone}};
    for (const auto& c : cases)
        EXPECT_EQ(HandLevelFor(c.deals), c.level) << c.deals << " deals";
}

TEST(ScorecardLayout, RowHeightSharesTheRoomAboveTheDiagrams)
{
    const struct {
        size_t rows;
        size_t deals;
        int32_t height;
    } cases[] = {
        {20, 8, 843},   // 16865 / 20
        {10, 9, 880},   // min(1686, 880): diagrams beside the grid
        {5, 0, 1000},   // at least eight rows count: min(25900 / 8, 1000)
        {30, 17, 863},  // no diagrams: 25900 / 30
        {13, 8, 1000},  // ten boards, two headings, one total: min(1297, 1000)
        {40, 16, 421},  // 16865 / 40
        {26, 0, 996},   // 25900 / 26
        {0, 12, 880},   // an empty grid still counts eight rows
    };
    for (const auto& c : cases)
        EXPECT_EQ(ScorecardRowHeight(c.rows, c.deals), c.height) << c.rows << " rows, " << c.deals << " deals";
}

TEST(ScorecardLayout, RowsAndTitleBandEndAboveTheBandOfDiagrams)
{
    // On paper the body is 27200 high; the band of diagrams starts 18134
    // below its top.
    for (size_t rows = 1; rows <= 60; ++rows)
        EXPECT_LE(1200 + int32_t(std::max<size_t>(rows, 8)) * ScorecardRowHeight(rows, 8), 18134) << rows;
}

TEST(ScorecardLayout, SideColumnsNarrowTheTitleBandAndTheGrid)
{
    const Rect body = BodyRectOf(Rect{0, 0, kA4Width, kA4Height}, DrawMode::Printer);
    ASSERT_EQ(body.Width(), 19550);
    const Rect title = TitleRectOf(body, 1200);
    const Rect content = ContentRectOf(body, 1200, 0);
    const struct {
        size_t deals;
        int32_t titleCut;
        int32_t contentCut;
    } cases[] = {
        {0, 0, 0},
        {8, 0, 0},
        {9, 4887, 4887 + 100},     // a quarter of the width, plus a gap before the grid's column
        {12, 4887, 4887 + 100},
        {13, 7820, 7820 + 100},    // two fifths
        {16, 7820, 7820 + 100},
        {17, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.deals) + " deals");
        const int32_t level = HandLevelFor(c.deals);
        const Rect t = ScorecardTitleRect(body, 1200, level);
        EXPECT_EQ(t, (Rect{title.left, title.top, title.right - c.titleCut, title.bottom}));
        const Rect g = ScorecardContentRect(content, level);
        EXPECT_EQ(g, (Rect{content.left, content.top, content.right - c.contentCut, content.bottom}));
    }
}
