#include "platform/Canvas.h"
#include "platform/Fonts.h"
#include "platform/QPainterCanvas.h"
#include "platform/RecordingCanvas.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>

#include <cmath>
#include <string>

#include <gtest/gtest.h>

namespace {

FontSpec Face(int height, const std::u16string& face = kPageFace)
{
    return FontSpec(height, face);
}

// ---------------------------------------------------------------- font cache

TEST(FontCache, TrimsLeastRecentlyUsedBeforeLookupAndKeepsFrontmostOfEqualTimes)
{
    int64_t now = 1000;
    FontCache cache([&] { return now; });
    // 31 fonts: heights 1..31; heights 1 and 2 share the oldest time.
    for (int h = 1; h <= 31; ++h) {
        now = (h <= 2) ? 1000 : 1000 + h;
        cache.Get(Face(h));
    }
    ASSERT_EQ(cache.Count(), 31u);
    // The next lookup trims first: only the front one of the two oldest goes.
    now = 5000;
    cache.Get(Face(3));
    EXPECT_EQ(cache.Count(), 30u);
    const auto specs = cache.Specs();
    EXPECT_EQ(specs.front().height, 2);
    EXPECT_EQ(cache.CreatedCount(), 31u) << "a hit must not create a font";

    // A miss after trimming appends: 31 again, and the next call trims height 2.
    cache.Get(Face(40));
    EXPECT_EQ(cache.Count(), 31u);
    cache.Get(Face(40));
    EXPECT_EQ(cache.Count(), 30u);
    EXPECT_EQ(cache.Specs().front().height, 3);
}

TEST(FontCache, MatchesEveryFieldAndTheFaceExactly)
{
    FontCache cache([] { return int64_t{7}; });
    const CanvasFont& plain = cache.Get(Face(100));
    EXPECT_EQ(&cache.Get(Face(100)), &plain);

    FontSpec bold = Face(100);
    bold.bold = 1;
    FontSpec underline = Face(100);
    underline.underline = 1;
    FontSpec italic = Face(100);
    italic.italic = 1;
    for (const FontSpec& other : {bold, underline, italic, Face(100, u"Microsoft sans serif"),
                                  Face(100, u"Microsoft Sans Serif"), Face(101)})
        EXPECT_NE(&cache.Get(other), &plain);
    EXPECT_EQ(cache.Count(), 7u);
    EXPECT_EQ(cache.Get(Face(100, u"Microsoft Sans Serif")).Spec().face, u"Microsoft Sans Serif");
}

TEST(FontSpecTest, DefaultsAndHeightFaceConstructor)
{
    const FontSpec fresh;
    EXPECT_EQ(fresh.height, 18);
    EXPECT_EQ(fresh.bold, 0);
    EXPECT_EQ(fresh.face, u"宋体");
    const FontSpec made(350, kPageFace);
    EXPECT_EQ(made.height, 350);
    EXPECT_EQ(made.underline, 0);
    EXPECT_EQ(made.italic, 0);
}

// ------------------------------------------------------------------- mapping

TEST(MappingTest, AnisotropicPageMappingAndTruncation)
{
    // 96 dpi, zoom 100 %: one logical unit is 1/2540 inch.
    Mapping m{MapMode::Anisotropic, {0, 0}, {25400, 25400}, {0, -300}, {960, 960}};
    EXPECT_EQ(m.LogicalToDevice({2540, 2540}), (Point{96, -204}));
    EXPECT_EQ(m.LogicalToDevice({21000, 0}), (Point{793, -300}));
    EXPECT_EQ(m.DeviceToLogical({100, -200}), (Point{2645, 2645}));
    // Towards zero on both sides of the origin.
    EXPECT_EQ(m.LogicalToDevice({-20, 0}).x, 0);
    EXPECT_EQ(m.LogicalToDevice({-30, 0}).x, -1);
    EXPECT_EQ(m.DeviceToLogical({-1, -300}).x, -26);

    Mapping text;
    text.viewportOrg = {5, 7};
    EXPECT_EQ(text.LogicalToDevice({1, 1}), (Point{6, 8}));
    EXPECT_DOUBLE_EQ(text.ScaleX(), 1.0);

    Mapping degenerate{MapMode::Anisotropic, {}, {0, 0}, {}, {10, 10}};
    EXPECT_EQ(degenerate.LogicalToDevice({5, 5}), (Point{0, 0})) << "a zero extent must not divide by zero";
}

// ---------------------------------------------------------- recording canvas

TEST(RecordingCanvasTest, DeterministicMetricsAndRecordedState)
{
    RecordingCanvas canvas;
    canvas.SelectFont(Face(100));
    EXPECT_EQ(canvas.TextExtent(u"AB宋，"), (Size{300, 100}));
    EXPECT_EQ(canvas.TextExtent(u"♠4"), (Size{100, 100}));

    canvas.SelectPen(SolidPen(30, Rgb(1, 2, 3)));
    canvas.MoveTo(10, 20);
    canvas.LineTo(30, 40);
    canvas.SelectPen(DotPen(10, kBlack));
    canvas.LineTo(50, 40);
    const auto lines = canvas.Calls(CanvasOp::Line);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].from, (Point{10, 20}));
    EXPECT_EQ(lines[0].to, (Point{30, 40}));
    EXPECT_EQ(lines[0].state.pen, SolidPen(30, Rgb(1, 2, 3)));
    EXPECT_EQ(lines[1].from, (Point{30, 40}));
    EXPECT_EQ(lines[1].state.pen.style, PenStyle::Dot);

    canvas.SetTextColour(Rgb(9, 9, 9));
    canvas.DrawTextIn(u"hi", {0, 0, 100, 100}, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    const CanvasCall* text = canvas.FindText(u"hi");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->state.textColour, Rgb(9, 9, 9));
    EXPECT_EQ(text->state.font.height, 100);
}

TEST(RecordingCanvasTest, CalcRectMeasuresSingleAndWrappedText)
{
    RecordingCanvas canvas;
    canvas.SelectFont(Face(10));
    Rect r{100, 100, 101, 101};
    EXPECT_EQ(canvas.DrawText(u"abcd", r, DT_SINGLELINE | DT_CALCRECT), 10);
    EXPECT_EQ(r, (Rect{100, 100, 120, 110}));

    Rect wrap{0, 0, 20, 0};
    EXPECT_EQ(canvas.DrawText(u"aa bb cc\nd", wrap, DT_WORDBREAK | DT_CALCRECT), 40);
    EXPECT_EQ(wrap, (Rect{0, 0, 20, 40})) << "aa / bb / cc / d";
    EXPECT_TRUE(canvas.Texts().empty()) << "measuring draws nothing";
}

TEST(RecordingCanvasTest, LinesBeyondTheDrawnLengthAreCutWithoutSplittingACharacter)
{
    RecordingCanvas canvas;
    canvas.SelectFont(Face(10));
    const std::u16string cap(kMaxDrawnLineUnits, u'a');
    const std::u16string huge(kMaxDrawnLineUnits * 50, u'a');
    EXPECT_EQ(canvas.TextExtent(huge), canvas.TextExtent(cap));

    // One single line, one line per paragraph, and a wrapped paragraph: each
    // is laid out as at most the cut length.
    const int32_t capWidth = canvas.TextExtent(cap).cx;
    Rect single{0, 0, 1, 1};
    canvas.DrawText(huge + u"\n" + huge, single, DT_SINGLELINE | DT_CALCRECT);
    EXPECT_EQ(single, (Rect{0, 0, capWidth, 10}));
    Rect paragraphs{0, 0, 1, 1};
    canvas.DrawText(huge + u"\n" + u"b", paragraphs, DT_CALCRECT);
    EXPECT_EQ(paragraphs, (Rect{0, 0, capWidth, 20}));
    Rect wrapped{0, 0, 20, 0};
    canvas.DrawText(u"x " + huge, wrapped, DT_WORDBREAK | DT_CALCRECT);
    EXPECT_EQ(wrapped, (Rect{0, 0, canvas.TextExtent(cap.substr(2)).cx, 20})) << "x / the rest of the cut paragraph";

    // A pair of surrogates that the cut would split is left out whole.
    std::u16string split(kMaxDrawnLineUnits - 1, u'a');
    split += u"\U0001F0A1tail";
    EXPECT_EQ(CutToDrawnLine(split), std::u16string(kMaxDrawnLineUnits - 1, u'a'));
    std::u16string whole(kMaxDrawnLineUnits - 2, u'a');
    whole += u"\U0001F0A1tail";
    EXPECT_EQ(CutToDrawnLine(whole).size(), kMaxDrawnLineUnits);
}

// ------------------------------------------------------------ QPainter canvas

class QPainterCanvasTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        image = QImage(200, 200, QImage::Format_RGB32);
        image.fill(Qt::white);
    }
    QRgb At(int x, int y) const { return image.pixel(x, y) & 0xFFFFFF; }
    QImage image;
};

TEST_F(QPainterCanvasTest, PageMappingScalesFillsAndAlternatePolygons)
{
    {
        QPainterCanvas canvas(&image);
        EXPECT_EQ(canvas.DpiX(), 96);
        // 0.01 mm units at 96 dpi: 2540 units are 96 pixels.
        canvas.SetMapping({MapMode::Anisotropic, {}, {25400, 25400}, {0, 0}, {960, 960}});
        canvas.FillRect({0, 0, 2540, 1270}, Rgb(255, 0, 0));
        // A pentagram filled in alternate mode leaves its centre empty.
        const int cx = 3810, cy = 3810, rr = 1200;
        canvas.FillPolygon({{cx, cy - rr}, {cx + 705, cy + 970}, {cx - 1141, cy - 371}, {cx + 1141, cy - 371},
                            {cx - 705, cy + 970}},
                           Rgb(0, 0, 255));
    }
    EXPECT_EQ(At(10, 10), 0xFF0000u);
    EXPECT_EQ(At(94, 46), 0xFF0000u);
    EXPECT_EQ(At(98, 10), 0xFFFFFFu);
    EXPECT_EQ(At(10, 50), 0xFFFFFFu);
    EXPECT_EQ(At(144, 144), 0xFFFFFFu) << "centre of the star: alternate fill";
    EXPECT_EQ(At(144, 105), 0x0000FFu) << "a point of the star";
}

TEST_F(QPainterCanvasTest, ClipExclusionKeyedPicturesAndHairlines)
{
    QImage picture(2, 1, QImage::Format_RGB32);
    picture.setPixel(0, 0, qRgb(255, 1, 254));
    picture.setPixel(1, 0, qRgb(0, 128, 0));
    {
        QPainterCanvas canvas(&image);
        canvas.ExcludeClipRect({0, 0, 50, 50});
        canvas.FillRect({0, 0, 100, 100}, Rgb(10, 10, 10));
        canvas.DrawPicture(CanvasPicture::FromImage(picture, "two"), {100, 100, 200, 150}, kNoColour);
        // A 1-unit pen at 0.04 px per unit still draws one pixel.
        canvas.SetMapping({MapMode::Anisotropic, {}, {25400, 25400}, {0, 0}, {960, 960}});
        canvas.SelectPen(SolidPen(1, kBlack));
        canvas.MoveTo(0, 4500);
        canvas.LineTo(5000, 4500);
    }
    EXPECT_EQ(At(20, 20), 0xFFFFFFu) << "excluded";
    EXPECT_EQ(At(70, 70), 0x0A0A0Au);
    EXPECT_EQ(At(120, 125), 0xFFFFFFu) << "key colour not copied";
    EXPECT_EQ(At(180, 125), 0x008000u);
    int dark = 0;
    for (int y = 168; y <= 172; ++y)
        dark += qGray(image.pixel(100, y)) < 200;
    EXPECT_GE(dark, 1);
}

TEST_F(QPainterCanvasTest, FacesAreSubstitutedAndCellHeightsHonoured)
{
    EXPECT_EQ(QFontInfo(GetCachedFont(Face(100)).Native()).family(), QStringLiteral("WenQuanYi Micro Hei"));
    EXPECT_EQ(QFontInfo(GetCachedFont(Face(100, u"宋体")).Native()).family(), QStringLiteral("WenQuanYi Micro Hei"));
    EXPECT_EQ(QFontInfo(GetCachedFont(Face(100, u"Microsoft Sans Serif")).Native()).family(),
              QStringLiteral("DejaVu Sans"));

    QPainterCanvas canvas(&image);
    canvas.SelectFont(Face(1000));
    const Size extent = canvas.TextExtent(u"宋宋");
    EXPECT_NEAR(extent.cy, 1000, 15);
    EXPECT_GT(extent.cx, 1000);
    // Full-width characters are about one cell height wide in this face.
    EXPECT_LT(extent.cx, 2400);
}

TEST_F(QPainterCanvasTest, TextExtentsFollowTheSelectedFontWhateverWasMeasuredBefore)
{
    // Widths are kept per font once measured: every part of a description
    // must tell the fonts apart, and a width must not outlive its font.
    const std::u16string latin = u"Microsoft Sans Serif";
    FontSpec bold = Face(300, latin);
    bold.bold = 1;
    FontSpec italic = Face(300, latin);
    italic.italic = 1;
    const FontSpec fonts[] = {Face(300), Face(300, latin), bold, italic, Face(301, latin), Face(-300, latin)};
    auto expected = [](const FontSpec& spec, const QString& text) {
        const QFontMetricsF metrics(CanvasFont(spec).Native());
        return Size{static_cast<int32_t>(std::lround(metrics.horizontalAdvance(text))),
                    static_cast<int32_t>(std::lround(metrics.ascent() + metrics.descent()))};
    };
    for (int round = 0; round < 2; ++round) {
        QPainterCanvas canvas(&image);
        for (const FontSpec& spec : fonts) {
            SCOPED_TRACE(std::to_string(spec.height) + (spec.bold ? " bold" : "") + (spec.italic ? " italic" : ""));
            canvas.SelectFont(spec, round == 0 ? FontSource::Cache : FontSource::Temporary);
            EXPECT_EQ(canvas.TextExtent(u"West 4♠"), expected(spec, QStringLiteral("West 4♠")));
            Rect box{0, 0, 5000, 5000};
            canvas.DrawText(u"West 4♠", box, DT_CALCRECT | DT_SINGLELINE);
            EXPECT_EQ(box.Width(), expected(spec, QStringLiteral("West 4♠")).cx);
        }
    }
}

TEST_F(QPainterCanvasTest, TextIsAlignedAndClippedToItsBox)
{
    {
        QPainterCanvas canvas(&image);
        canvas.SelectFont(Face(40));
        canvas.SetBkMode(BkMode::Transparent);
        canvas.DrawTextIn(u"WWWWWWWWWWWW", {50, 50, 100, 100}, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        canvas.DrawTextIn(u"I", {0, 150, 200, 200}, DT_RIGHT | DT_BOTTOM | DT_SINGLELINE);
    }
    int inside = 0, outside = 0;
    for (int y = 0; y < 150; ++y)
        for (int x = 0; x < 200; ++x) {
            const bool dark = qGray(image.pixel(x, y)) < 128;
            const bool inBox = x >= 50 && x < 100 && y >= 50 && y < 100;
            (inBox ? inside : outside) += dark;
        }
    EXPECT_GT(inside, 50);
    EXPECT_EQ(outside, 0) << "clipped to the box";
    int rightEdge = 0, leftHalf = 0;
    for (int y = 150; y < 200; ++y)
        for (int x = 0; x < 200; ++x)
            if (qGray(image.pixel(x, y)) < 128)
                (x >= 180 ? rightEdge : leftHalf) += 1;
    EXPECT_GT(rightEdge, 0);
    EXPECT_EQ(leftHalf, 0);
}

} // namespace

// ------------------------------------------------------------- PDF printing

#include "support/TempDir.h"

#include <QPrinter>
#include <QProcess>

namespace {

TEST(QPainterCanvasPrinter, PageUnitsOnAPdfPrinterKeepTextExtractable)
{
    TempDir dir("bp-canvas");
    ASSERT_TRUE(dir.Valid());
    const QString path = QString::fromStdString(dir.File("canvas.pdf"));
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setFullPage(true);
        QPainterCanvas dc(&printer);
        ASSERT_TRUE(dc.IsActive());
        // One logical unit is 0.01 mm on the printer, as the print job maps it.
        dc.SetMapping({MapMode::Anisotropic, {}, {25400, 25400}, {}, {dc.DpiX() * 10, dc.DpiY() * 10}});
        dc.SetBkMode(BkMode::Transparent);
        dc.SelectFont(FontSpec(600, kPageFace));
        dc.DrawTextIn(u"Board 12 桥牌", {1000, 1000, 20000, 2000}, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        dc.SelectPen(SolidPen(30, kBlack));
        dc.MoveTo(1000, 2100);
        dc.LineTo(20000, 2100);
    }
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
    ASSERT_TRUE(pdftotext.waitForFinished(30000));
    const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput());
    EXPECT_TRUE(text.contains(QStringLiteral("Board 12"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromUtf8("桥牌"))) << text.toStdString();

    QProcess pdfinfo;
    pdfinfo.start(QStringLiteral("pdfinfo"), {path});
    ASSERT_TRUE(pdfinfo.waitForFinished(30000));
    const QString info = QString::fromUtf8(pdfinfo.readAllStandardOutput());
    EXPECT_TRUE(info.contains(QStringLiteral("(A4)"))) << info.toStdString();
}

} // namespace
