#include "kiosk/DeskState.h"

#include "comm/MessageFrame.h"
#include "foundation/Files.h"
#include "foundation/Product.h"
#include "support/LoopbackServer.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using loopback::ScriptedServer;
using loopback::WaitUntil;

std::string ReplyFrame(const std::string& json)
{
    return MessageFrame::Encode(json, "");
}

std::string Entry(int section, const char* name, int number, const char* team, bool pair, bool printed)
{
    std::string e = "{\"4\":" + std::to_string(section) + ",\"5\":\"" + name + "\",\"6\":" + std::to_string(number) +
                    ",\"7\":\"" + team + "\"";
    if (pair)
        e += ",\"1\":1";
    if (printed)
        e += ",\"9\":1";
    return e + "}";
}

// A desk with its settings file in a private folder, English notes and the
// server address 127.0.0.1.
class DeskFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.Valid());
        KioskSettings::SetFilePathForTesting(settingsFile);

        KioskSettings s;
        s.SetServerIp("127.0.0.1");
        s.SetLangIndex(kLangEnglish);
        desk = std::make_unique<DeskState>();
        desk->SetSettings(s);
        desk->SetRepaintRequest([this] { ++repaints; });
    }
    void TearDown() override
    {
        desk.reset();
        KioskSettings::SetFilePathForTesting("");
    }

    // Sends a print request to a peer that answers with `reply` and waits
    // until the desk has let go of the connection.
    void Exchange(const std::string& replyBytes)
    {
        ScriptedServer server([&](int& fd) {
            loopback::ReadFrame(fd);
            loopback::SendAll(fd, replyBytes);
            loopback::ReadSome(fd, 1, 3s);
        });
        desk->SetServerPort(server.Port());
        desk->RequestPrint(1, 1);
        ASSERT_TRUE(WaitUntil([&] { return server.Accepted() == 1 && !desk->IsConnectionInProgress(); }));
    }

    TempDir folder{"bp-deskstate"};
    const std::string settingsFile = folder.File("Self_Print.txt");
    std::unique_ptr<DeskState> desk;
    std::atomic<int> repaints{0};
};

TEST_F(DeskFixture, RequestsAreByteExactAndGoToTheChosenAddress)
{
    std::mutex m;
    std::vector<std::string> seen;
    ScriptedServer server(
        [&](int& fd) {
            const std::string frame = loopback::ReadFrame(fd);
            std::lock_guard<std::mutex> lock(m);
            seen.push_back(frame);
        },
        4);
    desk->SetServerPort(server.Port());

    struct Case {
        const char* name;
        std::function<void()> send;
        std::string json;
    };
    // The version the kiosk sends is the program's own.
    const std::string version = std::string("\"99\":\"") + kProgramVersion + "\"";
    const Case cases[] = {
        {"print request", [&] { desk->RequestPrint(3, -12); }, "{\"11\":3,\"15\":-12,\"pub_MsgID\":205}\n"},
        {"poll without code or filter, short address ignored", [&] { desk->RequestSignupList("", false, "abcd", ""); },
         "{" + version + ",\"pub_MsgID\":203}\n"},
        {"confirmation with code and filter", [&] { desk->RequestSignupList("A;C#21~29", true, "127.0.0.1", "8125"); },
         "{\"2\":\"8125\",\"61\":\"A;C#21~29\",\"82\":1," + version + ",\"pub_MsgID\":203}\n"},
        {"code taken from the settings",
         [&] {
             KioskSettings s = desk->GetSettings();
             s.SetAccessCode("77");
             desk->SetSettings(s);
             desk->RequestSignupList("", false, "", "");
         },
         "{\"2\":\"77\"," + version + ",\"pub_MsgID\":203}\n"},
    };
    size_t n = 0;
    for (const Case& c : cases) {
        c.send();
        ++n;
        ASSERT_TRUE(WaitUntil([&] {
            std::lock_guard<std::mutex> lock(m);
            return seen.size() == n;
        })) << c.name;
        std::lock_guard<std::mutex> lock(m);
        EXPECT_EQ(seen.back(), ReplyFrame(c.json)) << c.name;
        // The peer hung up without a reply: the desk lets go and may send again.
        EXPECT_TRUE(WaitUntil([&] { return !desk->IsConnectionInProgress(); })) << c.name;
    }
}

TEST_F(DeskFixture, AConfirmingListReplySynchronizesAndSavesThePendingSettings)
{
    KioskSettings confirmed = desk->GetSettings();
    confirmed.SetTitle("Spring Congress");
    confirmed.SetPartialFilter("A");
    confirmed.SetAccessCode("8125");
    confirmed.SetReprintAllowed(true);
    desk->SetPendingSettings(confirmed);

    const std::string list = "{\"_o\":[" + Entry(1, "A", 3, "Sharks", false, false) + "," +
                             Entry(1, "A", 1, "Dragons", false, true) + "," + Entry(1, "A", 2, "Owls", false, false) +
                             "]}";
    // "82" as the literal true confirms nothing, but the lists still change.
    Exchange(ReplyFrame("{\"1\":\"Round 3\",\"82\":true,\"85\":" + list + ",\"pub_MsgID\":203}"));
    EXPECT_FALSE(desk->IsSynchronized());
    EXPECT_EQ(desk->GetSettings().GetTitle(), "");
    EXPECT_EQ(desk->GetPrintableList().size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(settingsFile));

    Exchange(ReplyFrame("{\"1\":\"Round 4\",\"82\":1,\"85\":" + list + ",\"pub_MsgID\":203}"));
    EXPECT_TRUE(desk->IsSynchronized());
    const KioskSettings now = desk->GetSettings();
    EXPECT_EQ(now.GetTitle(), "Spring Congress");
    EXPECT_EQ(now.GetAccessCode(), "8125");
    EXPECT_EQ(ReadWholeFile(settingsFile),
              "{\"1\":\"127.0.0.1\",\"11\":1,\"5\":\"Spring Congress\",\"7\":\"A\",\"9\":1}\n");
    EXPECT_EQ(desk->GetEventText(), "Round 4");
    const auto full = desk->GetFullList();
    ASSERT_EQ(full.size(), 3u);
    EXPECT_EQ(full[0].GetTeamName(), "Dragons"); // sorted by number
    const auto printable = desk->GetPrintableList();
    ASSERT_EQ(printable.size(), 2u);
    EXPECT_EQ(printable[0].GetTeamName(), "Owls");
    EXPECT_EQ(printable[1].GetTeamName(), "Sharks");
    EXPECT_GE(repaints.load(), 2);

    // A list in which everything is printed leaves nothing to touch.
    const std::string done = "{\"_o\":[" + Entry(1, "A", 1, "Dragons", false, true) + "]}";
    Exchange(ReplyFrame("{\"85\":" + done + ",\"pub_MsgID\":203}"));
    EXPECT_TRUE(desk->IsSynchronized());
    EXPECT_TRUE(desk->GetPrintableList().empty());
    EXPECT_EQ(desk->GetEventText(), "");
}

std::string TeamReply(int section, int number, const char* home)
{
    return "{\"11\":" + std::to_string(section) + ",\"15\":" + std::to_string(number) + ",\"66\":{\"1\":\"" + home +
           "\",\"31\":\"IMP,23,28\",\"_L\":[{\"1\":1,\"3\":\" \",\"5\":{\"3\":\"3NT\",\"9\":400}}]}" +
           ",\"81\":0,\"83\":\"Open Teams\",\"85\":[{\"1\":1}],\"102\":\"IMP\",\"pub_MsgID\":207}";
}

TEST_F(DeskFixture, TeamScorecardsQueueInArrivalOrderAndLeaveThePrintableList)
{
    const std::string list =
        "{\"_o\":[" + Entry(1, "A", 1, "Dragons", false, false) + "," + Entry(1, "A", 2, "Owls", false, false) + "]}";
    Exchange(ReplyFrame("{\"85\":" + list + ",\"pub_MsgID\":203}"));
    ASSERT_EQ(desk->GetPrintableList().size(), 2u);

    // Two replies in one segment: one request has one reply, so the second
    // is dropped with the connection. Then a reply for an entry that is not
    // listed: it is queued after the first.
    Exchange(ReplyFrame(TeamReply(1, 2, "2.Owls")) + ReplyFrame(TeamReply(1, 2, "2.Owls again")));
    ASSERT_EQ(desk->TeamJobCount(), 1u);
    Exchange(ReplyFrame(TeamReply(1, 9, "9.Ghosts")));
    ASSERT_EQ(desk->TeamJobCount(), 2u);
    const auto printable = desk->GetPrintableList();
    ASSERT_EQ(printable.size(), 1u);
    EXPECT_EQ(printable[0].GetTeamName(), "Dragons");
    EXPECT_EQ(desk->CurrentNote(), u"Printing Scorecard[cn:正在打印记分表]");

    TeamScorecardJob job;
    ASSERT_TRUE(desk->TakeTeamJob(job));
    EXPECT_EQ(job.scorecard.GetHomeTeam(), "2.Owls");
    EXPECT_EQ(job.caption, "Open Teams");
    EXPECT_EQ(job.scoreLabel, "IMP");
    ASSERT_EQ(job.scorecard.boards.size(), 1u);
    EXPECT_EQ(job.scorecard.boards[0].openRoom.GetNsScore(), 400);
    EXPECT_EQ(job.deals.size(), 1u);
    ASSERT_TRUE(desk->TakeTeamJob(job));
    EXPECT_EQ(job.scorecard.GetHomeTeam(), "9.Ghosts");
    EXPECT_FALSE(desk->TakeTeamJob(job));
}

std::string PairReply(int number, const char* title)
{
    return "{\"11\":2,\"15\":" + std::to_string(number) + ",\"66\":{\"_L\":[{\"11\":1,\"15\":\"7\",\"16\":\"3\"}]}" +
           ",\"81\":0,\"85\":[],\"87\":\"" + title + "\",\"88\":\"Session 1\",\"pub_MsgID\":208}";
}

TEST_F(DeskFixture, ALaterPairScorecardReplacesOneNotYetPrinted)
{
    const std::string list =
        "{\"_o\":[" + Entry(2, "C", 5, "Chen", true, false) + "," + Entry(2, "C", -5, "Wang", true, false) + "]}";
    Exchange(ReplyFrame("{\"85\":" + list + ",\"pub_MsgID\":203}"));
    const int repaintsBefore = repaints.load();

    // The first 208 reaches the kiosk in many small segments.
    const std::string first = ReplyFrame(PairReply(5, "NS 5"));
    ScriptedServer slow([&](int& fd) {
        loopback::ReadFrame(fd);
        for (char c : first) {
            loopback::SendAll(fd, std::string(1, c));
            std::this_thread::sleep_for(1ms);
        }
        loopback::ReadSome(fd, 1, 3s);
    });
    desk->SetServerPort(slow.Port());
    desk->RequestPrint(2, 5);
    ASSERT_TRUE(WaitUntil([&] { return slow.Accepted() == 1 && !desk->IsConnectionInProgress(); }));
    EXPECT_TRUE(desk->IsPairPending());

    Exchange(ReplyFrame(PairReply(-5, "EW 5")));
    PairScorecardJob pair;
    ASSERT_TRUE(desk->TakePairScorecard(pair));
    EXPECT_EQ(pair.title, "EW 5");
    EXPECT_EQ(pair.subtitle, "Session 1");
    ASSERT_EQ(pair.boards.size(), 1u);
    EXPECT_EQ(pair.boards[0].GetNsBoardScore(), "7");
    EXPECT_FALSE(desk->TakePairScorecard(pair));
    EXPECT_TRUE(desk->GetPrintableList().empty());
    EXPECT_EQ(desk->CurrentNote(), u"Printing Scorecard[cn:正在打印记分表]");
    EXPECT_EQ(repaints.load(), repaintsBefore); // the 208 asks for no repaint
}

// A reply with a list over its cap is refused whole: nothing of it is kept
// or printed, the screen stays as it was, a line says why, and the next good
// reply is taken as usual.
TEST_F(DeskFixture, RepliesWithAListOverItsCapAreRefusedWholeAndSaySo)
{
    std::string manyEntries;
    for (size_t i = 0; i <= kMaxSignupEntries; ++i)
        manyEntries += (i ? "," : "") + Entry(1, "A", int(i) + 1, "T", false, false);
    std::string manyTotals = "IMP,1,2";
    for (size_t i = 0; i < kMaxTotalsLines; ++i)
        manyTotals += ";IMP,1,2";
    std::string manyBoards;
    for (size_t i = 0; i <= kMaxScorecardBoards; ++i)
        manyBoards += std::string(i ? "," : "") + "{\"11\":1,\"15\":\"7\",\"16\":\"3\"}";
    struct Row {
        const char* name;
        std::string reply;
        const char* reason; // a part of the line on standard error
    };
    const Row rows[] = {
        {"list of 10001 entries", "{\"85\":{\"_o\":[" + manyEntries + "]},\"pub_MsgID\":203}", "list reply"},
        {"team totals of 101 lines",
         "{\"11\":1,\"15\":1,\"66\":{\"1\":\"1.Dragons\",\"31\":\"" + manyTotals +
             "\",\"_L\":[]},\"81\":0,\"83\":\"Open Teams\",\"85\":[],\"pub_MsgID\":207}",
         "totals lines"},
        {"pair scorecard of 1001 boards",
         "{\"11\":2,\"15\":1,\"66\":{\"_L\":[" + manyBoards + "]},\"81\":0,\"85\":[],\"pub_MsgID\":208}", "boards"},
    };
    const std::string list =
        "{\"_o\":[" + Entry(1, "A", 1, "Dragons", false, false) + "," + Entry(2, "B", 1, "Owls", true, false) + "]}";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Exchange(ReplyFrame("{\"85\":" + list + ",\"83\":\"Day 1\",\"pub_MsgID\":203}"));
        ASSERT_EQ(desk->GetPrintableList().size(), 2u);

        testing::internal::CaptureStderr();
        Exchange(ReplyFrame(row.reply));
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find("refused"), std::string::npos) << said;
        EXPECT_NE(said.find(row.reason), std::string::npos) << said;
        EXPECT_EQ(desk->TeamJobCount(), 0u);
        EXPECT_FALSE(desk->IsPairPending());
        EXPECT_EQ(desk->GetPrintableList().size(), 2u);
        EXPECT_EQ(desk->GetFullList().size(), 2u);
        EXPECT_EQ(desk->CurrentNote(), u"");

        Exchange(ReplyFrame(TeamReply(1, 1, "1.Dragons")));
        TeamScorecardJob job;
        ASSERT_TRUE(desk->TakeTeamJob(job));
        EXPECT_EQ(job.scorecard.GetHomeTeam(), "1.Dragons");
        desk->ShowNote(u"");
    }
}

TEST_F(DeskFixture, NotesComeFromThe999ReplyAndExpireAfterTenSeconds)
{
    Exchange(ReplyFrame("{\"pub_MsgID\":999,\"pub_Notes\":\"No such team / 无此队\"}"));
    EXPECT_EQ(desk->CurrentNote(), u"No such team / 无此队");

    {
        std::lock_guard<std::mutex> lock(desk->DeskMutex());
        const auto set = desk->NoteTimeLocked();
        EXPECT_EQ(desk->CurrentNoteLocked(set + 10400ms), u"No such team / 无此队");
        EXPECT_EQ(desk->CurrentNoteLocked(set + 10600ms), u"");
        desk->SetNoteLocked(u"again");
        EXPECT_EQ(desk->CurrentNoteLocked(desk->NoteTimeLocked() - 11s), u"");
    }

    // An empty note and an unknown id: nothing to show, the connection ends.
    Exchange(ReplyFrame("{\"pub_MsgID\":999}"));
    EXPECT_EQ(desk->CurrentNote(), u"");
    Exchange(ReplyFrame("{\"pub_MsgID\":4711,\"pub_Notes\":\"ignored\"}"));
    EXPECT_EQ(desk->CurrentNote(), u"");
}

TEST_F(DeskFixture, APeerThatHangsUpResetsOrAnnouncesAHugeFrameReleasesTheConnection)
{
    struct Case {
        const char* name;
        ScriptedServer::Script script;
    };
    const Case cases[] = {
        {"close without reply", [](int& fd) { loopback::ReadFrame(fd); }},
        {"reset",
         [](int& fd) {
             loopback::ReadFrame(fd);
             loopback::ResetClose(fd);
         }},
        {"huge announced frame",
         [](int& fd) {
             loopback::ReadFrame(fd);
             std::string h(8, '\0');
             MessageFrame::WriteInt32(h.data(), 0x7ffffff0);
             loopback::SendAll(fd, h + std::string(4000, 'x'));
             // Keeps the connection open: the kiosk has to hang up by itself.
             loopback::ReadSome(fd, 1, 4s);
         }},
    };
    for (const Case& c : cases) {
        ScriptedServer server(c.script);
        desk->SetServerPort(server.Port());
        desk->RequestPrint(1, 1);
        EXPECT_TRUE(WaitUntil([&] { return server.Accepted() == 1 && !desk->IsConnectionInProgress(); }, 3s)) << c.name;
        EXPECT_EQ(desk->TeamJobCount(), 0u) << c.name;
        EXPECT_EQ(desk->CurrentNote(), u"") << c.name;
    }
}

TEST_F(DeskFixture, ALongRequestArrivesWholeAfterGoingOutInPieces)
{
    std::string received;
    auto server = std::make_unique<ScriptedServer>([&](int& fd) { received = loopback::ReadFrame(fd); });
    desk->SetServerPort(server->Port());
    const std::string filter(40000, 'A');
    desk->RequestSignupList(filter, false, "", "");
    ASSERT_TRUE(WaitUntil([&] { return server->Accepted() == 1; }));
    server.reset(); // joins the peer thread once it has read the frame
    EXPECT_EQ(received, ReplyFrame("{\"61\":\"" + filter + "\",\"99\":\"" + std::string(kProgramVersion) + "\",\"pub_MsgID\":203}\n"));
}

TEST_F(DeskFixture, AServerThatCannotBeReachedGivesTheConnectNoteWithoutHoldingTheCaller)
{
    // Nothing listens on this port any more: refused at once.
    uint16_t port = 0;
    ::close(loopback::ListenLoopback(1, port));
    desk->SetServerPort(port);
    auto start = std::chrono::steady_clock::now();
    desk->RequestPrint(1, 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 100ms);
    ASSERT_TRUE(WaitUntil([&] { return !desk->IsConnectionInProgress(); }, 2s));
    EXPECT_EQ(desk->CurrentNote(), u"Cannot connect to QIV server(cn:不能连接到 QIV server).");

    // A listener whose accept queue is full never answers the handshake,
    // like a missing host on the LAN; the default connect time-out (3 s)
    // ends the wait on the connection's thread, not the caller's.
    desk->ShowNote(u"");
    const loopback::FullBacklog silent;
    desk->SetServerPort(silent.Port());
    start = std::chrono::steady_clock::now();
    desk->RequestPrint(1, 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 100ms);
    EXPECT_TRUE(desk->IsConnectionInProgress());
    ASSERT_TRUE(WaitUntil([&] { return !desk->IsConnectionInProgress(); }, 5s));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, 2s);
    EXPECT_EQ(desk->CurrentNote(), u"Cannot connect to QIV server(cn:不能连接到 QIV server).");
}

TEST_F(DeskFixture, ReleasingAConnectionWhileItsThreadWaitsIsSafe)
{
    // Silent peers: the receive threads are blocked in recv when the GUI
    // side replaces the connection and then destroys the desk. Under the
    // sanitizer build any use of a freed object shows here.
    ScriptedServer server([](int& fd) { loopback::ReadSome(fd, 1 << 20, 3s); }, 2);
    desk->SetServerPort(server.Port());
    desk->ConnectToServer("");
    ASSERT_TRUE(desk->IsConnectionInProgress());
    desk->ConnectToServer(""); // replaces the first connection
    ASSERT_TRUE(desk->IsConnectionInProgress());
    desk.reset();
    std::this_thread::sleep_for(100ms);
}

} // namespace

TEST_F(DeskFixture, DetachingTheSpoolWaitsForTheCallInFlightAndTheLockIsFreeWhileItWrites)
{
    PrintSpool spool(folder.File("spool") + "/");
    PrintJournal journal(folder.File("journal.jsonl"), nullptr);
    std::mutex gate;
    std::condition_variable opened;
    bool entered = false;
    bool release = false;
    // The notice that a scorecard was spooled comes on the connection's
    // thread after the writes; it stands still here until let go.
    desk->AttachSpool(&spool, &journal, [&] {
        std::unique_lock<std::mutex> lock(gate);
        entered = true;
        opened.notify_all();
        opened.wait(lock, [&] { return release; });
    });
    ScriptedServer server([&](int& fd) {
        loopback::ReadFrame(fd);
        loopback::SendAll(fd, ReplyFrame(TeamReply(1, 2, "2.Owls")));
        loopback::ReadSome(fd, 1, 3s);
    });
    desk->SetServerPort(server.Port());
    desk->RequestPrint(1, 2);
    {
        std::unique_lock<std::mutex> lock(gate);
        ASSERT_TRUE(opened.wait_for(lock, 5s, [&] { return entered; }));
    }
    // Written by then, and the desk's lock is free while the call goes on:
    // what paints takes it at once.
    EXPECT_EQ(spool.PendingCount(), 1u);
    EXPECT_TRUE(desk->DeskMutex().try_lock());
    desk->DeskMutex().unlock();

    // Detaching waits for the call that still uses what was attached.
    std::atomic<bool> detached{false};
    std::thread owner([&] {
        desk->AttachSpool(nullptr, nullptr, nullptr);
        detached = true;
    });
    std::this_thread::sleep_for(200ms);
    EXPECT_FALSE(detached) << "detached while a call still used the spool";
    {
        std::lock_guard<std::mutex> lock(gate);
        release = true;
    }
    opened.notify_all();
    owner.join();
    EXPECT_TRUE(detached);
}
