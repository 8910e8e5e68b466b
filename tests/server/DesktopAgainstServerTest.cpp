// The kiosk screen against the reference server over loopback: the director
// confirms the settings from the menu, the buttons appear, and the screen
// polls the list on its own.

#include "DesktopServerFixture.h"

#include "foundation/LocText.h"

#include <algorithm>

using loopback::WaitUntil;

TEST_F(DesktopAgainstServer, TheRightCodeSynchronizesAndTheButtonsAppear)
{
    ConfirmSettings("0000");
    EXPECT_FALSE(desktop->Desk().IsSynchronized());
    EXPECT_EQ(desktop->Desk().GetSettings().GetAccessCode(), "");

    ConfirmSettings("8125");
    ASSERT_TRUE(desktop->Desk().IsSynchronized());
    EXPECT_EQ(desktop->Desk().GetSettings().GetAccessCode(), "8125");
    const auto printable = desktop->Desk().GetPrintableList();
    ASSERT_GT(printable.size(), 20u);
    const std::vector<std::u16string> texts = ScreenTexts();
    const std::u16string firstName = Utf8ToWide(printable[0].GetTeamName());
    EXPECT_NE(std::find(texts.begin(), texts.end(), firstName), texts.end());
}

TEST_F(DesktopAgainstServer, TheScreenPollsEveryElevenSeconds)
{
    ConfirmSettings("8125");
    ASSERT_TRUE(desktop->Desk().IsSynchronized());
    const size_t before = server->ConnectionsServed();
    for (int second = 1; second <= 22; ++second) {
        for (int tick = 0; tick < 10; ++tick)
            desktop->OnTick();
        ASSERT_TRUE(WaitUntil([&] { return !desktop->Desk().IsConnectionInProgress(); }));
        const size_t polls = server->ConnectionsServed() - before;
        EXPECT_EQ(polls, static_cast<size_t>(second / 11)) << "after " << second << " s";
    }
}
