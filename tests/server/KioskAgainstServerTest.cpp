// The kiosk's desk talking to the reference server over loopback, the way a
// tournament uses them together.

#include "ScoringServer.h"
#include "Tournament.h"

#include "foundation/Files.h"
#include "kiosk/DeskState.h"
#include "support/LoopbackServer.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace {

using loopback::WaitUntil;

class KioskAgainstServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.Valid());
        KioskSettings::SetFilePathForTesting(settingsFile);

        sim::ServerOptions options;
        options.port = 0;
        options.accessCode = "8125";
        server = std::make_unique<sim::ScoringServer>(sim::SampleTournament(), options);
        std::string error;
        ASSERT_TRUE(server->Start(error)) << error;

        desk = std::make_unique<DeskState>();
        desk->SetServerPort(server->Port());
        KioskSettings s;
        s.SetLangIndex(kLangEnglish);
        desk->SetSettings(s);
    }
    void TearDown() override
    {
        desk.reset();
        server.reset();
        KioskSettings::SetFilePathForTesting("");
    }

    // Waits until the reply has been handled and the connection released.
    bool Settled()
    {
        return WaitUntil([&] { return !desk->IsConnectionInProgress(); });
    }

    // The director confirms the settings dialog with these values.
    void Confirm(const std::string& code, const std::string& filter)
    {
        KioskSettings edited = desk->GetSettings();
        edited.SetServerIp("127.0.0.1");
        edited.SetAccessCode(code);
        edited.SetPartialFilter(filter);
        edited.SetTitle("Spring Congress");
        desk->SetPendingSettings(edited);
        desk->RequestSignupList(filter, true, "127.0.0.1", code);
        ASSERT_TRUE(Settled());
    }

    void Poll()
    {
        const KioskSettings s = desk->GetSettings();
        desk->RequestSignupList(s.GetPartialFilter(), false, s.GetServerIp(), s.GetAccessCode());
        ASSERT_TRUE(Settled());
    }

    TempDir folder{"bp-kiosk-server"};
    const std::string settingsFile = folder.File("Self_Print.txt");
    std::unique_ptr<sim::ScoringServer> server;
    std::unique_ptr<DeskState> desk;
};

TEST_F(KioskAgainstServer, AWrongCodeKeepsTheKioskUnsynchronizedAndTheRightOneSynchronizesIt)
{
    Confirm("1111", "");
    EXPECT_FALSE(desk->IsSynchronized());
    EXPECT_FALSE(std::filesystem::exists(settingsFile));
    // Nothing of the refused request shows: no buttons, no event in the
    // footer, only the note that the settings were not accepted.
    EXPECT_TRUE(desk->GetFullList().empty());
    EXPECT_EQ(desk->GetEventText(), "");
    EXPECT_EQ(desk->CurrentNote(),
              u"Settings not accepted, please check the access code(cn:设置未被接受,请检查访问码).");

    Confirm("8125", "C");
    EXPECT_TRUE(desk->IsSynchronized());
    EXPECT_EQ(desk->GetSettings().GetPartialFilter(), "C");
    EXPECT_EQ(ReadWholeFile(settingsFile), "{\"1\":\"127.0.0.1\",\"5\":\"Spring Congress\",\"7\":\"C\",\"9\":1}\n");
    const auto full = desk->GetFullList();
    ASSERT_EQ(full.size(), 24u);
    EXPECT_EQ(full[0].Label(), "NS1." + full[0].GetTeamName() + " (C)");
    EXPECT_EQ(full[23].GetTeamNumber(), -12); // East-West pairs sort last
    EXPECT_EQ(desk->GetPrintableList().size(), 23u); // one pair of C has printed already
    EXPECT_FALSE(desk->GetEventText().empty());
}

TEST_F(KioskAgainstServer, PrintingATeamAndAPairFillsTheQueueAndTheServerRemembersIt)
{
    Confirm("8125", "A;C#1~3");
    ASSERT_TRUE(desk->IsSynchronized());
    const size_t before = desk->GetPrintableList().size();
    ASSERT_EQ(desk->GetFullList().size(), 8u + 3u);

    desk->RequestPrint(1, 2);
    ASSERT_TRUE(Settled());
    EXPECT_EQ(desk->TeamJobCount(), 1u);
    EXPECT_EQ(desk->GetPrintableList().size(), before - 1);
    EXPECT_EQ(desk->CurrentNote(), u"Printing Scorecard[cn:正在打印记分表]");
    TeamScorecardJob job;
    ASSERT_TRUE(desk->TakeTeamJob(job));
    EXPECT_EQ(job.scorecard.boards.size(), 8u);
    EXPECT_EQ(job.deals.size(), 8u);
    EXPECT_EQ(job.scoreLabel, "IMP");
    EXPECT_FALSE(job.scorecard.boards[0].openRoom.GetAuction().empty());

    desk->RequestPrint(3, 2);
    ASSERT_TRUE(Settled());
    PairScorecardJob pair;
    ASSERT_TRUE(desk->TakePairScorecard(pair));
    EXPECT_EQ(pair.boards.size(), 10u);
    EXPECT_EQ(pair.deals.size(), 10u);
    EXPECT_NE(pair.title.find("NS2"), std::string::npos);

    // The next poll lists both as printed, so they stay off the screen.
    Poll();
    EXPECT_EQ(desk->GetPrintableList().size(), before - 2);
    EXPECT_TRUE(server->IsPrinted(1, 2));
    EXPECT_TRUE(server->IsPrinted(3, 2));

    // An entry the server does not know gives its note.
    desk->RequestPrint(9, 9);
    ASSERT_TRUE(Settled());
    EXPECT_NE(desk->CurrentNote().find(u"No scorecard for section 9"), std::u16string::npos);
    EXPECT_EQ(desk->TeamJobCount(), 0u);
}

} // namespace
