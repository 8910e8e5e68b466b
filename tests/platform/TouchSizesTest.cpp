#include "platform/DialogUnits.h"
#include "platform/TouchStyle.h"

#include <QFont>
#include <QFontMetrics>

#include <gtest/gtest.h>

namespace {

TEST(TouchTargetPixels, NineMillimetresWhereTheScreenSaysItsSizeAndNeverUnder48)
{
    struct Case {
        const char* what;
        double dpi;
        int pixels;
    };
    const Case cases[] = {
        {"no size reported", 0, 48},
        {"a made-up size", 5000, 48},
        {"nonsense", -96, 48},
        {"a desktop monitor (96 dpi, 9 mm = 34 px)", 96, 48},
        {"a 15.6-inch 1920x1080 panel", 141, 50},
        {"a 10.1-inch 1280x800 panel", 149.4, 53},
        {"a 13.3-inch 1920x1080 panel", 165.6, 59},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TouchTargetPixels(c.dpi), c.pixels) << c.what;
}

TEST(DialogUnits, StretchedUpAndDownForAFingerButNeverPastTheScreen)
{
    const QFont font = TouchDialogFont(12);
    const DialogUnits plain(font);
    // The font's own unit already gives a 10-unit control this much.
    const int own = plain.Y(10);
    ASSERT_LT(own, 48) << "the cases below assume the font alone is too small";

    const DialogUnits touch(font, 10, 48, 139, 800);
    EXPECT_GE(touch.Y(10), 48);
    EXPECT_LT(touch.Y(10), 48 + 2) << "no taller than needed";
    EXPECT_EQ(touch.X(268), plain.X(268)) << "only the height changes";
    EXPECT_LE(touch.Y(139), 800);

    // A screen too low for the dialog at the touch height: as tall as fits.
    const DialogUnits low(font, 10, 80, 139, 700);
    EXPECT_LE(low.Y(139), 700);
    EXPECT_GE(low.Y(10), own);
    // A font large enough already is left alone.
    const DialogUnits large(font, 40, 48, 139, 800);
    EXPECT_EQ(large.Y(40), plain.Y(40));
}

} // namespace
