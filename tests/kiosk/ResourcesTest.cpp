#include "platform/Canvas.h"

#include <gtest/gtest.h>

TEST(Resources, DesktopBackgroundIsCompiledIn)
{
    const CanvasPicture background = CanvasPicture::FromResource(314);
    ASSERT_FALSE(background.IsNull());
    EXPECT_EQ(background.PixelSize().cx, 1345);
    EXPECT_EQ(background.PixelSize().cy, 709);
    EXPECT_TRUE(CanvasPicture::FromResource(1).IsNull());
}
