#include "kiosk/DesktopPicture.h"
#include "kiosk/DesktopLayout.h"
#include "platform/QPainterCanvas.h"
#include "platform/RecordingCanvas.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

SignupEntry Entry(const std::string& section, int32_t number, const std::string& name, bool pair)
{
    SignupEntry e;
    e.SetSectionName(section);
    e.SetTeamNumber(number);
    e.SetTeamName(name);
    e.SetIsPair(pair);
    return e;
}

DesktopPictureInput Thirty(LangIndex lang)
{
    DesktopPictureInput in;
    in.client = {0, 0, 1920, 1080};
    in.synchronized = true;
    in.lang = lang;
    in.title = lang == 0 ? "第十二届全国桥牌公开赛 第三轮" : "12th National Open - Round 3";
    in.eventText = lang == 0 ? "公开团体赛" : "Open Teams";
    in.reprintAllowed = true;
    in.listCountdown = 7;
    const char* names[] = {"Northern Lights", "长城", "Red Dragons", "Blue Harbour", "东方明珠", "Tigers"};
    for (int i = 1; i <= 24; ++i)
        in.entries.push_back(Entry("A", i, names[i % 6], false));
    for (int i = 1; i <= 3; ++i)
        in.entries.push_back(Entry("B", i, std::string("Pair ") + std::to_string(i), true));
    for (int i = 1; i <= 3; ++i)
        in.entries.push_back(Entry("B", -i, std::string("Pair E") + std::to_string(i), true));
    in.hoverIndex = 3;
    in.pressedIndex = 5;
    return in;
}

} // namespace

TEST(DesktopPicture, ButtonLinesNameSectionAndDirection)
{
    EXPECT_EQ(DesktopButtonFirstLine(Entry("A", 12, "x", false)), "A 12");
    EXPECT_EQ(DesktopButtonFirstLine(Entry("B", -5, "", true)), "B EW5");
    EXPECT_EQ(DesktopButtonFirstLine(Entry("B", 5, "", true)), "B NS5");
    EXPECT_EQ(DesktopButtonFirstLine(Entry("C", -3, "", false)), "C -3");
    EXPECT_EQ(DesktopButtonFirstLine(Entry("C", 0, "", true)), "C 0");
}

TEST(DesktopPicture, UnsynchronizedShowsOnlyFooterAndNote)
{
    RecordingCanvas dc;
    DesktopPictureInput in = Thirty(1);
    in.synchronized = false;
    in.entries.clear();
    in.note = u"Cannot connect to QIV server";
    PaintDesktopPicture(dc, in);
    const std::vector<std::u16string> texts = dc.Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], u"  Quorvane Print by self  - Open Teams  ");
    EXPECT_EQ(texts[1], u"Cannot connect to QIV server");
}

TEST(DesktopPicture, RendersTheScreenForPeopleToSee)
{
    const CanvasPicture background = CanvasPicture::FromResource(314);
    for (LangIndex lang : {0, 1}) {
        QImage image(1920, 1080, QImage::Format_RGB32);
        {
            QPainterCanvas dc(&image);
            DesktopPictureInput in = Thirty(lang);
            in.background = &background;
            PaintDesktopPicture(dc, in);
        }
        // The background colour shows nowhere once the picture is stretched.
        EXPECT_NE(image.pixelColor(5, 500), QColor(72, 96, 139));
        // A team button's face colour inside the first button.
        const Rect cell = DesktopCellRect({0, 0, 1920, 1080}, 30, 0);
        const QColor face = image.pixelColor(cell.left + 8, cell.bottom - 8);
        EXPECT_EQ(face, QColor(160, 80, 24));
        const std::string out = std::string(BP_BINARY_DIR) + "/desktop-" + (lang == 0 ? "zh" : "en") + ".png";
        EXPECT_TRUE(image.save(QString::fromStdString(out)));
    }
    // Before the first confirming reply: plain colour, the footer and a note.
    QImage image(1920, 1080, QImage::Format_RGB32);
    {
        QPainterCanvas dc(&image);
        DesktopPictureInput in = Thirty(1);
        in.synchronized = false;
        in.entries.clear();
        in.eventText.clear();
        in.note = u"Cannot connect to QIV server(cn:不能连接到 QIV server).";
        in.background = &background;
        PaintDesktopPicture(dc, in);
    }
    EXPECT_EQ(image.pixelColor(5, 500), QColor(72, 96, 139));
    EXPECT_EQ(image.pixelColor(300, 500), QColor(239, 228, 176)); // the note box
    EXPECT_TRUE(image.save(QString::fromStdString(std::string(BP_BINARY_DIR) + "/desktop-unsynchronized.png")));
}

namespace {

DesktopPictureInput LongList(LangIndex lang, int32_t n, int32_t page)
{
    DesktopPictureInput in = Thirty(lang);
    in.entries.clear();
    in.hoverIndex = -1;
    in.pressedIndex = -1;
    for (int32_t i = 1; i <= n; ++i)
        in.entries.push_back(Entry("A", i, "Team " + std::to_string(i), false));
    in.page = page;
    return in;
}

// The entry buttons a recording shows, by their face colour.
std::vector<Rect> EntryFaces(const RecordingCanvas& dc)
{
    std::vector<Rect> faces;
    for (const CanvasCall& call : dc.Calls(CanvasOp::FillRoundRect))
        if (call.colour == kTeamButtonColour)
            faces.push_back(call.rect);
    return faces;
}

} // namespace

TEST(DesktopPicture, AHugeListDrawsOnlyThePageShown)
{
    const Rect client{0, 0, 1920, 1080};
    const DesktopPictureInput whole = LongList(1, 100000, 69);
    const DesktopPageLayout layout = ComputeDesktopPageLayout(client, 100000, 69);
    ASSERT_EQ(layout.count, 143);

    // The window hands over only the page's entries; the picture is the same.
    DesktopPictureInput slice = whole;
    slice.entries.assign(whole.entries.begin() + layout.first, whole.entries.begin() + layout.first + layout.count);
    slice.listSize = 100000;
    for (const DesktopPictureInput* in : {&whole, static_cast<const DesktopPictureInput*>(&slice)}) {
        RecordingCanvas dc;
        PaintDesktopPicture(dc, *in);
        const std::vector<Rect> faces = EntryFaces(dc);
        ASSERT_EQ(faces.size(), 143u);
        for (int32_t slot = 0; slot < layout.count; ++slot) {
            const Rect cell = DesktopSlotRect(layout, slot);
            EXPECT_EQ(faces[size_t(slot)], (Rect{cell.left + 2, cell.top + 2, cell.right - 2, cell.bottom - 2}));
        }
        EXPECT_NE(dc.FindText(u"A " + IntToWide(layout.first + 1)), nullptr);
        EXPECT_EQ(dc.FindText(u"A " + IntToWide(layout.first)), nullptr);
        EXPECT_NE(dc.FindText(u"  Page 70 of 700  "), nullptr);
        EXPECT_NE(dc.FindText(u"Previous page"), nullptr);
        EXPECT_NE(dc.FindText(u"Next page"), nullptr);
    }
}

TEST(DesktopPicture, PageTextsFollowTheLanguage)
{
    EXPECT_EQ(DesktopPageIndicatorText(0, 3, 1), "Page 1 of 3");
    EXPECT_EQ(DesktopPageIndicatorText(11, 12, 0), "第 12 页,共 12 页");
    RecordingCanvas dc;
    PaintDesktopPicture(dc, LongList(0, 400, 2));
    EXPECT_NE(dc.FindText(u"上一页"), nullptr);
    EXPECT_NE(dc.FindText(u"下一页"), nullptr);
    EXPECT_NE(dc.FindText(u"  第 3 页,共 3 页  "), nullptr);
    // A list that fits on one screen has no page bar.
    RecordingCanvas one;
    PaintDesktopPicture(one, LongList(0, 143, 2));
    EXPECT_EQ(one.FindText(u"上一页"), nullptr);
    EXPECT_EQ(EntryFaces(one).size(), 143u);
}

TEST(DesktopPicture, HitTestFindsTheEntryDrawnOnTheSecondPage)
{
    for (const Rect client : {Rect{0, 0, 1920, 1080}, Rect{0, 0, 1280, 800}}) {
        DesktopPictureInput in = LongList(1, 400, 1);
        in.client = client;
        RecordingCanvas dc;
        PaintDesktopPicture(dc, in);
        const DesktopPageLayout layout = ComputeDesktopPageLayout(client, 400, 1);
        // Each button's first line names its entry: "A k" is entry k - 1.
        int32_t seen = 0;
        for (const CanvasCall& call : dc.Calls(CanvasOp::Text)) {
            if (call.text.rfind(u"A ", 0) != 0)
                continue;
            const int32_t number = std::stoi(WideToUtf8(call.text.substr(2)));
            const int32_t x = (call.rect.left + call.rect.right) / 2, y = (call.rect.top + call.rect.bottom) / 2;
            EXPECT_EQ(DesktopHitTest(client, 400, true, x, y, 1), number - 1) << WideToUtf8(call.text);
            ++seen;
        }
        EXPECT_EQ(seen, layout.count);
        EXPECT_GT(layout.first, 0);
    }
}

TEST(DesktopPicture, RendersALongListForPeopleToSee)
{
    const CanvasPicture background = CanvasPicture::FromResource(314);
    for (const auto& [w, h] : {std::pair{1920, 1080}, std::pair{1280, 800}}) {
        for (LangIndex lang : {0, 1}) {
            QImage image(w, h, QImage::Format_RGB32);
            DesktopPictureInput in = LongList(lang, 400, 1);
            in.client = {0, 0, w, h};
            in.background = &background;
            for (int32_t i = 0; i < 400; i += 7)
                in.entries[size_t(i)] = Entry("B", -(i + 1), "东方明珠 Pair " + std::to_string(i + 1), true);
            {
                QPainterCanvas dc(&image);
                PaintDesktopPicture(dc, in);
            }
            const DesktopPageLayout layout = ComputeDesktopPageLayout(in.client, 400, 1);
            EXPECT_EQ(image.pixelColor(layout.next.left + 10, layout.next.bottom - 10), QColor(200, 212, 230));
            const std::string out = std::string(BP_BINARY_DIR) + "/desktop-400-" + std::to_string(w) + "-" +
                                    (lang == 0 ? "zh" : "en") + ".png";
            EXPECT_TRUE(image.save(QString::fromStdString(out)));
        }
    }
}
