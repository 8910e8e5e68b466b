#include "render/GridWindow.h"

#include "foundation/Files.h"
#include "platform/QPainterCanvas.h"
#include "platform/RecordingCanvas.h"
#include "platform/UiSeam.h"
#include "render/RowHeightStore.h"
#include "support/FixedRootServices.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QImage>
#include <QMouseEvent>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <fstream>

using Cell = Grid::Cell;
using Row = Grid::Row;

namespace {

Grid GridOf(size_t rows, size_t columns = 4)
{
    Grid g;
    for (size_t c = 0; c < columns; ++c)
        g.headerRow.AddCell(Cell("Col" + std::to_string(c), 1.0f));
    for (size_t r = 0; r < rows; ++r) {
        Row row;
        for (size_t c = 0; c < columns; ++c)
            row.AddCell(Cell(std::to_string(r + 1) + "." + std::to_string(c), 0.0f));
        g.rows.push_back(row);
    }
    return g;
}

void Mouse(WindowBase& w, QEvent::Type type, QPoint at, Qt::MouseButton button)
{
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent e(type, QPointF(at), QPointF(w.viewport()->mapToGlobal(at)), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(w.viewport(), &e);
}

// A window of a known client size, shown so that its viewport has its size.
class GridWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Off-white paper; every other colour tells its index.
        root.themeColour = [](int32_t index) {
            return index == 11 ? Rgb(250, 250, 245) : Rgb(index, 2 * index, 3 * index);
        };
        root.creditLine = u" - by test  V7";
        root.eventText = u"Spring Pairs";
        wnd.SetRootServices(&root);
        wnd.CreateInWidget(nullptr, 4242);
        wnd.resize(1000, 700);
        wnd.show();
    }
    // The client point at the centre of cell (r, c).
    QPoint CentreOf(size_t r, size_t c)
    {
        const Row& row = wnd.rows[r];
        const Rect content = wnd.GetContentRect(row.GetPage(), DrawMode::Screen);
        const Rect cell = row.Cells()[c].GetRect().Moved(content.left, content.top);
        const int32_t x = ((cell.left + cell.right) / 2) * 100 / wnd.UnitsPer100PxX();
        const int32_t y = ((cell.top + cell.bottom) / 2) * 100 / wnd.UnitsPer100PxY() - wnd.ScrollPosition();
        return QPoint(x, y);
    }

    FixedRootServices root;
    GridWindow wnd;
};

} // namespace

TEST_F(GridWindowTest, SetGridPaginatesAndShows)
{
    EXPECT_EQ(wnd.GetPageCount(), 1);  // empty: one page
    Grid g = GridOf(30);
    wnd.hide();
    wnd.SetGrid(u"Title", g.headerRow, g.rows, "", false);
    EXPECT_TRUE(wnd.isVisible());
    EXPECT_EQ(wnd.GetTitle(), u"Title");
    EXPECT_EQ(wnd.GetPageTitle(), u"Title");
    // Landscape: the content area is 21000 - 2500 - 1200 = 17300 high, so
    // 13 rows of 1200 follow the header line on each page.
    EXPECT_EQ(wnd.GetContentRect(1, DrawMode::Printer).Height(), 17300);
    EXPECT_EQ(wnd.GetPageCount(), 3);
    EXPECT_EQ(wnd.rows[12].GetPage(), 1);
    EXPECT_EQ(wnd.rows[13].GetPage(), 2);
    EXPECT_EQ(wnd.rows[13].GetLine(), 1);
    EXPECT_EQ(wnd.rows[29].GetPage(), 3);
    EXPECT_EQ(wnd.headerRow.Cells()[1].GetRect().Height(), 1200);

    // A subtitle takes 800 off the content area.
    wnd.SetGrid(u"", g.headerRow, g.rows, "sub", false);
    EXPECT_EQ(wnd.GetContentRect(1, DrawMode::Printer).Height(), 16500);
    EXPECT_EQ(wnd.GetPageTitle(), u"Options");
    EXPECT_EQ(wnd.GetSubtitleRect(wnd.GetBodyRect(wnd.GetPageRect(1, DrawMode::Printer), DrawMode::Printer)),
              (Rect{500 + 1412, 1700, 500 + 28250 - 1412, 2500}));

    // The scroll range covers every page.
    EXPECT_GT(wnd.ScrollLimit(), 0);
    const int32_t lastBottom = wnd.GetPageRect(wnd.GetPageCount(), DrawMode::Screen).bottom;
    EXPECT_EQ(wnd.GetContentHeight(), lastBottom * 100 / wnd.UnitsPer100PxY() + ScreenUnit() + 1);
}

TEST_F(GridWindowTest, SetGridWithPrintNowPrintsOnTheChosenPrinter)
{
    RecordingPrinter printer;
    root.printer = &printer;
    wnd.hide();
    Grid g = GridOf(3);
    wnd.SetGrid(u"T", g.headerRow, g.rows, "", true);
    root.printer = nullptr;
    EXPECT_FALSE(wnd.isVisible());
    ASSERT_EQ(printer.calls.size(), 1u);
    EXPECT_EQ(printer.calls[0], std::make_pair(1, PrintMode::OnChosen));
}

TEST_F(GridWindowTest, SetGridCopesWithAHeaderTooShortForItsRows)
{
    Grid g = GridOf(3, 2);
    g.rows[0].AddCell(Cell("extra", 0.0f));
    g.rows[1].Cells()[1].SetColumnSpan(4);
    Row zeroWeights = g.headerRow;
    for (Cell& c : zeroWeights.Cells())
        c.SetWidthWeight(0.0f);
    wnd.SetGrid(u"T", zeroWeights, g.rows, "", false);
    EXPECT_EQ(wnd.rows[0].Cells().size(), 2u);
    EXPECT_EQ(wnd.rows[1].Cells()[1].GetColumnSpan(), 1);
    const int32_t width = wnd.GetContentRect(1, DrawMode::Screen).Width();
    EXPECT_EQ(wnd.rows[1].Cells()[1].GetRect().right, width / 2 + width / 2);
    RecordingCanvas dc;
    wnd.PaintView(dc, wnd.ClientRect());
}

TEST_F(GridWindowTest, HoverAndClicksOnClickableCells)
{
    ScriptedUiSeam ui;
    Grid g = GridOf(20);
    g.rows[2].Cells()[1].OnClick().SetClickId(4);
    g.rows[2].Cells()[2].OnClick().SetClickId(5);
    g.rows[15].Cells()[3].OnClick().SetClickId(6);  // page 2
    wnd.SetGrid(u"T", g.headerRow, g.rows, "", false);
    wnd.ComputeZoom();

    const QPoint a = CentreOf(2, 1), b = CentreOf(2, 2);
    Mouse(wnd, QEvent::MouseMove, a, Qt::NoButton);
    EXPECT_EQ(wnd.HoverRow(), 2);
    EXPECT_EQ(wnd.HoverCell(), 1);
    Mouse(wnd, QEvent::MouseMove, CentreOf(3, 1), Qt::NoButton);
    EXPECT_EQ(wnd.HoverRow(), -1);

    // Press and release on the same cell: the base reports the click.
    Mouse(wnd, QEvent::MouseButtonPress, a, Qt::LeftButton);
    EXPECT_EQ(wnd.PressedRow(), 2);
    Mouse(wnd, QEvent::MouseButtonRelease, a, Qt::LeftButton);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, u"请重载此函数\n行:2 列:1\r\n OnclickInfo=\r\nID_onClick=4");
    EXPECT_EQ(wnd.PressedRow(), -1);

    // Press on one cell, release on another: nothing.
    Mouse(wnd, QEvent::MouseButtonPress, a, Qt::LeftButton);
    Mouse(wnd, QEvent::MouseButtonRelease, b, Qt::LeftButton);
    EXPECT_EQ(ui.messages.size(), 1u);
    // Released outside any clickable cell: the pressed cell is forgotten.
    Mouse(wnd, QEvent::MouseButtonPress, b, Qt::LeftButton);
    EXPECT_EQ(wnd.PressedCell(), 2);
    Mouse(wnd, QEvent::MouseButtonRelease, CentreOf(3, 0), Qt::LeftButton);
    EXPECT_EQ(wnd.PressedRow(), -1);
    EXPECT_EQ(wnd.PressedCell(), -1);
    EXPECT_EQ(ui.messages.size(), 1u);

    // A cell on page 2, reached by scrolling.
    wnd.verticalScrollBar()->setValue(wnd.ScrollLimit());
    const QPoint c = CentreOf(15, 3);
    ASSERT_GT(c.y(), 0);
    EXPECT_EQ(wnd.HitTest(c.x(), c.y()), (CellHit{15, 3}));

    // The right button opens the menu hook (nothing in the base).
    Mouse(wnd, QEvent::MouseButtonPress, a, Qt::RightButton);
    EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(GridWindowTest, PaintsPapersHeadersAndFootersOfVisiblePages)
{
    Grid g = GridOf(30);
    wnd.SetGrid(u"Title", g.headerRow, g.rows, "", false);
    wnd.SetFooterTimeForTests("2026-12-08 09:05");
    RecordingCanvas dc;
    wnd.PaintView(dc, wnd.ClientRect());
    // Only the pages in view are drawn: at the top, not the last one.
    EXPECT_NE(dc.FindText(u"Title (Page1/3) "), nullptr);
    EXPECT_EQ(dc.FindText(u"Title (Page3/3) "), nullptr);
    const CanvasCall* footer = dc.FindText(u" - by test  V7 (2026-12-08 09:05 printing)");
    ASSERT_NE(footer, nullptr);
    EXPECT_EQ(footer->format, DT_RIGHT | DT_SINGLELINE);
    EXPECT_EQ(footer->state.font, FontSpec(350, kPageFace));
    // Theme colours on screen: the text colour is the root's colour 1.
    EXPECT_EQ(footer->state.textColour, Rgb(1, 2, 3));
    const Rect page1 = wnd.GetPageRect(1, DrawMode::Screen);
    const Rect body = wnd.GetBodyRect(page1, DrawMode::Screen);
    EXPECT_EQ(footer->rect, (Rect{body.left, body.bottom, body.right, page1.bottom}));

    // The paper: shadow, paper fill in the root's paper colour, then the frame.
    const std::vector<CanvasCall> fills = dc.Calls(CanvasOp::FillRect);
    ASSERT_GE(fills.size(), 4u);
    EXPECT_EQ(fills[0].colour, Rgb(128, 128, 128));
    EXPECT_EQ(fills[1].rect, (Rect{page1.right, page1.top + 60, page1.right + 60, page1.bottom + 60}));
    EXPECT_EQ(fills[1].colour, Rgb(32, 32, 32));
    EXPECT_EQ(fills[3].rect, page1);
    EXPECT_EQ(fills[3].colour, Rgb(250, 250, 245));

    // Scrolled to the end: the first page is no longer drawn.
    wnd.verticalScrollBar()->setValue(wnd.ScrollLimit());
    RecordingCanvas scrolled;
    wnd.PaintView(scrolled, wnd.ClientRect());
    EXPECT_EQ(scrolled.FindText(u"Title (Page1/3) "), nullptr);
    EXPECT_NE(scrolled.FindText(u"Title (Page3/3) "), nullptr);
}

TEST_F(GridWindowTest, ColourOperations)
{
    struct PrintColours : GridWindow {
        bool UsesPrintColours() override { return true; }
    } fixed;
    // Paper: fixed black on white, gray 178, and the print palette.
    EXPECT_EQ(wnd.TextColour(DrawMode::Printer), kBlack);
    EXPECT_EQ(wnd.PaperColour(DrawMode::Printer), kWhite);
    EXPECT_EQ(wnd.PaletteColour(DrawMode::Printer, PaletteSlot::Gray), Rgb(178, 178, 178));
    EXPECT_EQ(wnd.PaletteColour(DrawMode::Printer, PaletteSlot::Teal), Rgb(0, 64, 64));
    EXPECT_EQ(wnd.PaletteColour(DrawMode::Printer, PaletteSlot::Red), Rgb(208, 0, 0));
    EXPECT_EQ(wnd.PaletteColour(DrawMode::Printer, PaletteSlot::Blue), Rgb(0, 0, 192));
    EXPECT_EQ(wnd.PaletteColour(DrawMode::Printer, static_cast<PaletteSlot>(4)), kBlack);
    EXPECT_EQ(wnd.LineColour25(DrawMode::Printer), Rgb(63, 63, 63));
    EXPECT_EQ(wnd.LineColour50(DrawMode::Printer), Rgb(127, 127, 127));
    // Screen with the theme.
    EXPECT_EQ(wnd.TextColour(DrawMode::Screen), Rgb(1, 2, 3));
    EXPECT_EQ(wnd.PaperColour(DrawMode::Screen), Rgb(250, 250, 245));
    EXPECT_EQ(wnd.PaletteColour(DrawMode::Screen, PaletteSlot::Teal), Rgb(5, 10, 15));
    // Screen with the print palette: off-white paper, but the palette's gray
    // is that of paper.
    EXPECT_EQ(fixed.PaperColour(DrawMode::Screen), Rgb(248, 248, 240));
    EXPECT_EQ(fixed.TextColour(DrawMode::Screen), kBlack);
    EXPECT_EQ(fixed.PaletteColour(DrawMode::Screen, PaletteSlot::Gray), Rgb(178, 178, 178));
    EXPECT_EQ(fixed.PaletteColour(DrawMode::Screen, PaletteSlot::Blue), Rgb(0, 0, 192));
}

TEST_F(GridWindowTest, RowHeightComesFromTheStoreOfTheWindowId)
{
    EXPECT_EQ(wnd.RowHeight(0), 1200);
    EXPECT_EQ(wnd.RowHeight(900), 0);
    EXPECT_EQ(wnd.RowHeight(0), 900);
    Grid g = GridOf(3);
    wnd.SetGrid(u"T", g.headerRow, g.rows, "", false);
    EXPECT_EQ(wnd.rows[0].GetRect().Height(), 900);
    EXPECT_NE(ReadWholeFile(ProcessRowHeightStore().Path()).find("\"4242\":900"), std::string::npos);
    // Out of range: the stored height is removed.
    wnd.RowHeight(5000);
    EXPECT_EQ(wnd.RowHeight(0), 1200);
}

TEST_F(GridWindowTest, RendersAPageToAPicture)
{
    Grid g = GridOf(30);
    g.rows[1].Cells()[2].OnClick().SetClickId(1);
    wnd.SetGrid(u"Scorecard", g.headerRow, g.rows, "Round 3", false);
    wnd.SetFooterTimeForTests("2026-12-08 09:05");
    QImage image(wnd.ClientRect().Width(), wnd.ClientRect().Height(), QImage::Format_RGB32);
    {
        QPainterCanvas canvas(&image);
        wnd.PaintView(canvas, wnd.ClientRect());
    }
    const std::string path = std::string(BP_BINARY_DIR) + "/grid-window-view.png";
    ASSERT_TRUE(image.save(QString::fromStdString(path)));
    // The paper is the root's paper colour, the view around it gray.
    EXPECT_EQ(image.pixelColor(2, 2), QColor(128, 128, 128));
    const Rect page = wnd.GetPageRect(1, DrawMode::Screen);
    const int32_t px = (page.left + 3000) * 100 / wnd.UnitsPer100PxX();
    const int32_t py = (page.top + 600) * 100 / wnd.UnitsPer100PxY();
    EXPECT_EQ(image.pixelColor(px, py), QColor(250, 250, 245));
}

TEST(RowHeightStoreFile, LoadsOnceAndRewritesTheWholeFile)
{
    TempDir dir("bp-rowheight");
    ASSERT_TRUE(dir.Valid());
    const std::string path = dir.File("RowHeight_brg.txt");
    std::ofstream(path) << "{\"7\":900,\"8\":\"1000\",\"9\":-5}\n";

    RowHeightStore store(path);
    EXPECT_EQ(store.Query(7), 900);
    EXPECT_EQ(store.Query(8), 0);  // not an integer
    EXPECT_EQ(store.Query(9), 0);  // not positive
    EXPECT_EQ(store.Query(1), 0);
    // Loaded once: a later change of the file is not seen.
    std::ofstream(path) << "{\"7\":1500}\n";
    EXPECT_EQ(store.Query(7), 900);

    EXPECT_EQ(store.Store(3, 2000, kLangEnglish), u"");
    EXPECT_EQ(ReadWholeFile(path), "{\"3\":2000,\"7\":900,\"8\":\"1000\",\"9\":-5}\n");
    store.Store(7, 499, kLangEnglish);
    store.Store(8, 3001, kLangEnglish);
    store.Store(9, 500, kLangEnglish);
    EXPECT_EQ(ReadWholeFile(path), "{\"3\":2000,\"9\":500}\n");

    // A file that is not a JSON object leaves the store empty, and storing
    // still works.
    for (const char* text : {"not json", "[1,2]", "42", ""}) {
        std::ofstream(path) << text;
        RowHeightStore other(path);
        EXPECT_EQ(other.Query(3), 0) << text;
        other.Store(5, 800, kLangEnglish);
        EXPECT_EQ(ReadWholeFile(path), "{\"5\":800}\n") << text;
    }
}
