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
