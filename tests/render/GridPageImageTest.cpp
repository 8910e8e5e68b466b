// One grid page painted through the QPainter canvas, on paper and on screen,
// written next to the test output for a person to look at, with a few pixel
// checks that the main parts landed where they belong.

#include "render/GridWindow.h"

#include "platform/QPainterCanvas.h"
#include "render/GridPainting.h"
#include "render/PagePainter.h"
#include "support/FixedRootServices.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

using Cell = Grid::Cell;
using Row = Grid::Row;

// The print palette on an off-white paper with near-black text, so that the
// paper and the text are told apart from a blank image.
Colour StampColour(int32_t index)
{
    switch (index) {
    case 5: return Rgb(0, 64, 64);
    case 8: return Rgb(208, 0, 0);
    case 9: return Rgb(0, 0, 192);
    case 11: return Rgb(250, 250, 245);
    default: return Rgb(16, 16, 16);
    }
}

Cell Text(const std::string& text, float weight = 0.0f)
{
    return Cell(text, weight);
}

// A small scorecard-like grid: every layout, badge, highlight, span and
// click marker appears once.
void FillGrid(Row& header, std::vector<Row>& rows)
{
    for (auto [text, weight] : {std::pair{"Bd", 0.6f}, {"Contract", 1.2f}, {"By", 0.9f}, {"Lead", 1.4f},
                                {"NS", 1.0f}, {"EW", 1.0f}, {"IMP", 1.4f}})
        header.AddCell(Text(text, weight));
    const char* contracts[] = {"4\u2660", "3NT", "2\u2665X", "5\u2663", "1\u2666", "6\u2660"};
    for (int b = 0; b < 6; ++b) {
        Row row;
        row.AddCell(Text(std::to_string(b + 1)));
        Cell contract = Text(contracts[b]);
        row.AddCell(contract);
        Cell by = Text("Lee");
        by.SetSeat(b % 4);
        by.SetAlign(0);
        row.AddCell(by);
        Cell lead = Text(b % 2 ? "\u2665K" : "\u2663A");
        lead.SetLeadText(b % 2 ? "10" : "9a");
        lead.SetSubText("=");
        row.AddCell(lead);
        Cell ns = Text(b % 2 ? "" : "620");
        ns.SetSubText(b % 2 ? "" : "open");
        row.AddCell(ns);
        Cell ew = Text(b % 2 ? "100" : "");
        ew.SetColourIndex(8);
        row.AddCell(ew);
        Cell imp = Text(b == 2 ? "12" : "3");
        imp.SetColourIndex(9);
        if (b == 2) {
            imp.SetBadgeText("swing");
            imp.SetHighlight(1);
        }
        imp.OnClick().SetClickId(b + 1);
        row.AddCell(imp);
        rows.push_back(row);
    }
    Row total;
    total.SetKind(RowKind::Heading);
    Cell label = Text("Total");
    label.SetColumnSpan(4);
    label.SetBorderFlags(0x80c);
    total.AddCell(label);
    for (int i = 0; i < 3; ++i) {
        Cell covered = Text("");
        covered.SetColumnSpan(-1);
        total.AddCell(covered);
    }
    total.AddCell(Text("IMP"));
    Cell twoLines = Text("23");
    twoLines.SetRowSpan(2);
    twoLines.SetColourIndex(8);
    total.AddCell(twoLines);
    total.AddCell(Text("28"));
    rows.push_back(total);
    Row vp;
    vp.AddCell(Text("VP"));
    vp.Cells()[0].SetColumnSpan(4);
    for (int i = 0; i < 3; ++i) {
        vp.AddCell(Text(""));
        vp.Cells().back().SetColumnSpan(-1);
    }
    vp.AddCell(Text("VP"));
    vp.AddCell(Text(""));
    vp.Cells().back().SetRowSpan(-1);
    vp.AddCell(Text("12.33"));
    rows.push_back(vp);
}

int DarkPixels(const QImage& image, const QRect& area)
{
    int dark = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            dark += qGray(image.pixel(x, y)) < 120;
    return dark;
}

class GridPageImageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root.themeColour = StampColour;
        root.creditLine = u"Scorecard kiosk";
        root.eventText = u"Spring Teams";
        wnd.SetRootServices(&root);
        wnd.CreateInWidget(nullptr, 77);
        wnd.SetFooterTimeForTests("2026-12-08 09:05");
        Row header;
        std::vector<Row> rows;
        FillGrid(header, rows);
        wnd.SetGrid(u"Spring Teams - Round 3", header, rows, "Open room / closed room", false);
        wnd.resize(900, 700);
    }
    FixedRootServices root;
    GridWindow wnd;
};

TEST_F(GridPageImageTest, PaperPageRendersToPng)
{
    ASSERT_EQ(wnd.GetPageCount(), 1);
    // The landscape page as printed at 127 dpi, 0.05 pixels per unit.
    const QImage image = RenderPageImage(wnd, 1, 127);
    ASSERT_EQ(image.size(), QSize(1485, 1050));
    const Rect page = wnd.GetPageRect(1, DrawMode::Printer);
    const std::string path = std::string(BP_BINARY_DIR) + "/grid-page-paper.png";
    ASSERT_TRUE(image.save(QString::fromStdString(path)));

    auto px = [](int units) { return units / 20; };
    const Rect body = wnd.GetBodyRect(page, DrawMode::Printer);
    const Rect content = wnd.GetContentRect(1, DrawMode::Printer);
    // The title band holds dark title text.
    EXPECT_GT(DarkPixels(image, QRect(px(body.left), px(body.top), px(body.Width()), px(1200))), 200);
    // The header band is shaded (235) at its left end, inside the frame.
    EXPECT_EQ(qGray(image.pixel(px(content.left) + 4, px(content.top) + 3)), 235);
    // The table frame: a dark vertical rule at the content's left edge.
    EXPECT_LT(qGray(image.pixel(px(content.left), px(content.top + 3000))), 120);
    // The stamp's square picture sits in the bottom right corner of the body.
    const QRgb corner = image.pixel(px(body.right) - 3, px(body.bottom) - 50);
    EXPECT_EQ(corner & 0xFFFFFF, 0x004040u) << "the picture's teal frame";
    // The footer text is on paper below the body.
    EXPECT_GT(DarkPixels(image, QRect(px(body.left), px(body.bottom) + 2, px(body.Width()), px(500))), 20);
}

TEST_F(GridPageImageTest, ScreenPageShowsMarkersOnItsPaper)
{
    QImage image(1485, 1050, QImage::Format_RGB32);
    image.fill(QColor(128, 128, 128));
    // The window places its pages itself; the picture shows the first one.
    const Rect page = wnd.GetPageRect(1, DrawMode::Screen);
    {
        QPainterCanvas dc(&image);
        dc.SetMapping({MapMode::Anisotropic, {page.left, page.top}, {29700, 21000}, {}, {1485, 1050}});
        dc.SetTextColour(Rgb(16, 16, 16));
        wnd.DrawPaper(dc, page, wnd.PaperColour(DrawMode::Screen));
        wnd.PaintPage(dc, page, page, 1, DrawMode::Screen);
        wnd.DrawHeaderFooter(dc, page, 1, 1, DrawMode::Screen);
    }
    const std::string path = std::string(BP_BINARY_DIR) + "/grid-page-screen.png";
    ASSERT_TRUE(image.save(QString::fromStdString(path)));
    // Click markers (216, 216, 208) appear in the last column on screen.
    int markers = 0;
    for (int y = 0; y < 1050; ++y)
        for (int x = 0; x < 1485; ++x)
            markers += (image.pixel(x, y) & 0xFFFFFF) == 0xD8D8D0u;
    EXPECT_GT(markers, 50);
}

} // namespace
