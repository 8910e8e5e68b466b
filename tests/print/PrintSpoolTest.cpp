#include "print/PrintSpool.h"

#include "foundation/NumericJson.h"
#include "print/LocalTime.h"
#include "support/TextForm.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <set>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A scorecard message with what a careless copy would change: Chinese text,
// a fraction, a number beyond 32 bits, nesting and an empty member.
Json::Value Message(int board)
{
    Json::Value m(Json::objectValue);
    m["pub_MsgID"] = 207;
    m["87"] = "春季桥牌公开赛 \"A\" 组";
    m["vp"] = 7.67;
    m["big"] = Json::Int64(1) << 40;
    m["66"]["_L"][0]["11"] = board;
    m["66"]["_L"][0]["3"] = "3NT";
    m["empty"] = "";
    return m;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// The names of the files (not folders) directly in `folder`, sorted.
std::vector<std::string> Names(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec))
        if (e.is_regular_file())
            names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> Ids(const std::vector<SpoolEntry>& entries)
{
    std::vector<std::string> ids;
    for (const SpoolEntry& e : entries)
        ids.push_back(e.id);
    return ids;
}

using tools::HasForm;

std::string FileOf(const std::string& id)
{
    return id + ".json";
}

class PrintSpoolTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(temp.Valid()); }

    SpoolEntry AddOrFail(PrintSpool& spool, const std::string& label, int board = 1)
    {
        std::string error;
        std::optional<SpoolEntry> entry = spool.Add(207, 3, board, label, Message(board), error);
        EXPECT_TRUE(entry.has_value()) << error;
        return entry.value_or(SpoolEntry());
    }

    // No write may leave its temporary file behind, in any of the folders.
    void ExpectNoTemporaryFile()
    {
        for (const auto& e : fs::recursive_directory_iterator(folder))
            EXPECT_EQ(e.path().string().find(".tmp"), std::string::npos) << e.path();
    }

    TempDir temp{"bp-spool"};
    const std::string folder = temp.Path() + "/spool/";
};

} // namespace

TEST_F(PrintSpoolTest, AnEntryGoesFromTheSpoolToDoneOrDiscarded)
{
    PrintSpool spool(folder);
    EXPECT_EQ(spool.Folder(), folder);
    EXPECT_EQ(spool.PendingCount(), 0u);

    const SpoolEntry first = AddOrFail(spool, "A 12", 12);
    const SpoolEntry second = AddOrFail(spool, "B 3", 3);
    EXPECT_EQ(first.state, SpoolState::Waiting);
    EXPECT_EQ(first.label, "A 12");
    EXPECT_EQ(first.teamNumber, 12);
    EXPECT_EQ(Ids(spool.Pending()), (std::vector<std::string>{first.id, second.id}));
    EXPECT_EQ(Names(folder), (std::vector<std::string>{FileOf(first.id), FileOf(second.id)}));

    SpoolEntry submitted = first;
    submitted.state = SpoolState::Submitted;
    submitted.attempts = 2;
    submitted.printJob = 417;
    submitted.printer = "Office_A4";
    submitted.lastError = "缺纸 (media-empty)";
    std::string error;
    ASSERT_TRUE(spool.Update(submitted, error)) << error;
    const std::optional<SpoolEntry> found = spool.Find(first.id);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->state, SpoolState::Submitted);
    EXPECT_EQ(found->attempts, 2);
    EXPECT_EQ(found->printJob, 417);
    EXPECT_EQ(found->printer, "Office_A4");
    EXPECT_EQ(found->lastError, "缺纸 (media-empty)");
    EXPECT_EQ(found->message, Message(12));

    EXPECT_TRUE(spool.MarkPrinted(first.id));
    EXPECT_EQ(Ids(spool.Pending()), std::vector<std::string>{second.id});
    EXPECT_TRUE(spool.Discard(second.id));
    EXPECT_EQ(spool.PendingCount(), 0u);
    EXPECT_EQ(Names(folder), std::vector<std::string>{});
    EXPECT_EQ(Names(folder + "done/"), std::vector<std::string>{FileOf(first.id)});
    EXPECT_EQ(Names(folder + "discarded/"), std::vector<std::string>{FileOf(second.id)});

    // A finished entry is no longer the spool's to change, but it can still
    // be found and read.
    EXPECT_FALSE(spool.MarkPrinted(first.id));
    EXPECT_FALSE(spool.Discard(first.id));
    EXPECT_FALSE(spool.Find(first.id).has_value());
    EXPECT_FALSE(spool.Update(submitted, error));
    EXPECT_NE(error.find(first.id), std::string::npos) << error;
    EXPECT_EQ(PrintSpool::FindEntryFile(folder, first.id), folder + "done/" + FileOf(first.id));
    EXPECT_EQ(PrintSpool::FindEntryFile(folder, second.id), folder + "discarded/" + FileOf(second.id));
    const std::optional<SpoolEntry> printed = PrintSpool::ReadEntryFile(folder + "done/" + FileOf(first.id), error);
    ASSERT_TRUE(printed.has_value()) << error;
    EXPECT_EQ(printed->printJob, 417);
    ExpectNoTemporaryFile();
}

TEST_F(PrintSpoolTest, IdsThatCouldReachOutsideTheSpoolFindNothing)
{
    PrintSpool spool(folder);
    const SpoolEntry entry = AddOrFail(spool, "A 1");
    fs::create_directories(folder + "sub");
    fs::copy_file(folder + FileOf(entry.id), temp.File("outside.json"));
    const std::vector<std::string> ids = {"", ".", "..", "../outside", "done/../../outside", "sub/../" + entry.id};
    for (const std::string& id : ids) {
        SCOPED_TRACE(id);
        EXPECT_FALSE(spool.Find(id).has_value());
        EXPECT_FALSE(spool.MarkPrinted(id));
        EXPECT_EQ(PrintSpool::FindEntryFile(folder, id), "");
    }
    EXPECT_EQ(spool.PendingCount(), 1u);
}

TEST_F(PrintSpoolTest, EntriesAndTheirMessagesSurviveARestart)
{
    std::vector<SpoolEntry> added;
    {
        PrintSpool spool(folder);
        added.push_back(AddOrFail(spool, "甲 7", 7));
        added.push_back(AddOrFail(spool, "A 12", 12));
        SpoolEntry held = added[1];
        held.state = SpoolState::Held;
        held.lastError = "the print dialog was cancelled";
        std::string error;
        ASSERT_TRUE(spool.Update(held, error)) << error;
        added[1] = held;
    }

    PrintSpool restarted(folder);
    const std::vector<SpoolEntry> pending = restarted.Pending();
    ASSERT_EQ(pending.size(), added.size());
    for (size_t i = 0; i < added.size(); ++i) {
        SCOPED_TRACE(added[i].label);
        const SpoolEntry& a = added[i];
        const SpoolEntry& p = pending[i];
        EXPECT_EQ(p.id, a.id);
        EXPECT_EQ(p.msgId, 207);
        EXPECT_EQ(p.sectionId, 3);
        EXPECT_EQ(p.teamNumber, a.teamNumber);
        EXPECT_EQ(p.label, a.label);
        EXPECT_EQ(p.received, a.received);
        EXPECT_TRUE(HasForm(p.received, "9999-99-99T99:99:99.999+99:99")) << p.received;
        EXPECT_EQ(p.state, a.state);
        EXPECT_EQ(p.lastError, a.lastError);
        EXPECT_EQ(p.message, a.message);
        EXPECT_EQ(NumericJson::WriteCompact(p.message), NumericJson::WriteCompact(Message(a.teamNumber)));
    }
    EXPECT_EQ(pending[0].message["vp"].asDouble(), 7.67);
    EXPECT_EQ(pending[0].message["big"].asInt64(), Json::Int64(1) << 40);

    // The file is what a person or another program reads: one JSON object
    // with readable keys, the text as UTF-8 rather than escapes.
    const std::string text = ReadFile(folder + FileOf(added[1].id));
    EXPECT_NE(text.find("\"label\": \"A 12\""), std::string::npos) << text;
    EXPECT_NE(text.find("春季桥牌公开赛"), std::string::npos) << text;
    Json::Value root;
    ASSERT_TRUE(NumericJson::Parse(text, root));
    EXPECT_EQ(root["id"].asString(), added[1].id);
    EXPECT_EQ(root["msgId"].asInt(), 207);
    EXPECT_EQ(root["section"].asInt(), 3);
    EXPECT_EQ(root["team"].asInt(), 12);
    EXPECT_EQ(root["state"].asString(), "held");
    EXPECT_EQ(root["attempts"].asInt(), 0);
    EXPECT_EQ(root["printer"].asString(), "");
    EXPECT_EQ(root["message"], Message(12));
}

TEST_F(PrintSpoolTest, AnEntryFileWithMembersMissingReadsThemAsDefaults)
{
    PrintSpool spool(folder);
    const std::string id = "20261210-153003-000009";
    WriteFile(folder + FileOf(id), R"({"id":")" + id + R"(","state":"printing?","attempts":"two","message":{}})");
    const std::vector<SpoolEntry> pending = spool.Pending();
    ASSERT_EQ(pending.size(), 1u);
    EXPECT_EQ(pending[0].id, id);
    EXPECT_EQ(pending[0].state, SpoolState::Waiting); // an unknown state is printed again
    EXPECT_EQ(pending[0].attempts, 0);
    EXPECT_EQ(pending[0].label, "");
    EXPECT_EQ(pending[0].message, Json::Value(Json::objectValue));
}

TEST_F(PrintSpoolTest, IdsSortInArrivalOrderAndStayUniqueAcrossRestarts)
{
    std::vector<std::string> arrival;
    {
        PrintSpool spool(folder);
        for (const char* label : {"A 1", "A 2", "A 3"})
            arrival.push_back(AddOrFail(spool, label).id);
        EXPECT_TRUE(spool.Discard(arrival[1]));
        EXPECT_TRUE(spool.MarkPrinted(arrival[2]));
    }
    // The highest sequence is in done/, on an entry printed long ago: the
    // next id continues after it, whatever the clock says.
    WriteFile(folder + "done/19991231-235959-000041.json", "{}");
    {
        PrintSpool restarted(folder);
        const std::string next = AddOrFail(restarted, "A 4").id;
        EXPECT_EQ(next.substr(16), "000042") << next;
        arrival.push_back(next);
    }
    {
        // A file that appears after the folder was read (another program,
        // a copy by hand) never has its id reused.
        PrintSpool restarted(folder);
        const auto now = std::chrono::system_clock::now();
        std::set<std::string> planted;
        for (int second = 0; second < 3; ++second) {
            const std::string id = LocalIdStamp(now + std::chrono::seconds(second)) + "-000043";
            WriteFile(folder + "done/" + FileOf(id), "{}");
            planted.insert(id);
        }
        const std::string next = AddOrFail(restarted, "A 5").id;
        EXPECT_EQ(planted.count(next), 0u) << next;
        arrival.push_back(next);
    }

    for (const std::string& id : arrival)
        EXPECT_TRUE(HasForm(id, "99999999-999999-999999")) << id;
    EXPECT_TRUE(std::is_sorted(arrival.begin(), arrival.end()));
    EXPECT_EQ(std::set<std::string>(arrival.begin(), arrival.end()).size(), arrival.size());
}

TEST_F(PrintSpoolTest, AddsFromSeveralThreadsAllLandWithUniqueIds)
{
    PrintSpool spool(folder);
    constexpr int kThreads = 4;
    constexpr int kEach = 20;
    std::vector<std::vector<std::string>> ids(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i) {
                std::string error;
                const std::optional<SpoolEntry> e = spool.Add(208, t, i, "T" + std::to_string(t), Message(i), error);
                ids[t].push_back(e ? e->id : "failed: " + error);
            }
        });
    for (std::thread& t : threads)
        t.join();

    std::set<std::string> all;
    for (const std::vector<std::string>& mine : ids) {
        EXPECT_TRUE(std::is_sorted(mine.begin(), mine.end()));
        all.insert(mine.begin(), mine.end());
    }
    EXPECT_EQ(all.size(), size_t(kThreads * kEach));
    const std::vector<std::string> pending = Ids(spool.Pending());
    EXPECT_EQ(std::set<std::string>(pending.begin(), pending.end()), all);
    ExpectNoTemporaryFile();
}

TEST_F(PrintSpoolTest, FilesThatAreNotEntriesAreMovedToBrokenAndSkipped)
{
    PrintSpool spool(folder);
    const SpoolEntry good = AddOrFail(spool, "A 1");
    const std::string id = "20261210-153003-000042";
    const struct {
        const char* name;
        std::string file;
        std::string bytes;
        const char* reason;
    } cases[] = {
        {"not JSON", "20261210-153003-000031.json", R"({"id": "20261210-153003-000031", "mess)", "not JSON"},
        {"empty", "20261210-153003-000032.json", "", "not JSON"},
        {"an array", "20261210-153003-000033.json", "[1, 2]", "not a JSON object"},
        {"no message", FileOf(id), R"({"id":")" + id + R"("})", "no \"message\" object"},
        {"message not an object", "20261210-153003-000034.json", R"({"id":"20261210-153003-000034","message":[207]})",
         "no \"message\" object"},
        {"id of another file", "20261210-153003-000035.json", R"({"id":"20261210-153003-000001","message":{}})",
         "is not its file name"},
        {"no id", "20261210-153003-000036.json", R"({"message":{"pub_MsgID":207}})", "is not its file name"},
    };
    for (const auto& c : cases)
        WriteFile(folder + c.file, c.bytes);
    // An older broken file of the same name is kept beside the new one.
    const std::string again = "20261210-153003-000037.json";
    fs::create_directories(folder + "broken");
    WriteFile(folder + "broken/" + again, "older");
    WriteFile(folder + again, "{");
    // Files that are not entries by their name, and folders, are not the
    // spool's business.
    WriteFile(folder + "notes.txt", "director's notes");
    fs::create_directories(folder + "by-hand.json");

    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        EXPECT_FALSE(PrintSpool::ReadEntryFile(folder + c.file, error).has_value());
        EXPECT_NE(error.find(folder + c.file), std::string::npos) << error;
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    }

    EXPECT_EQ(Ids(spool.Pending()), std::vector<std::string>{good.id});
    EXPECT_EQ(Names(folder), (std::vector<std::string>{FileOf(good.id), "notes.txt"}));
    EXPECT_TRUE(fs::is_directory(folder + "by-hand.json"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ReadFile(folder + "broken/" + c.file), c.bytes);
    }
    EXPECT_EQ(ReadFile(folder + "broken/" + again), "older");
    EXPECT_EQ(ReadFile(folder + "broken/" + again + ".1"), "{");
    EXPECT_EQ(Names(folder + "broken/").size(), std::size(cases) + 2);
    // A broken file is set aside once; the spool reads clean afterwards.
    EXPECT_EQ(spool.PendingCount(), 1u);
    EXPECT_EQ(Names(folder + "broken/").size(), std::size(cases) + 2);
}

TEST_F(PrintSpoolTest, AnEntryNameThatIsNotARegularFileIsNeverReadFrom)
{
    // Something swapped in under an entry's name after the folder was
    // listed: the read returns at once and says what it found.
    fs::create_directories(folder);
    const std::string fifo = folder + "20261210-153003-000040.json";
    const std::string zero = folder + "20261210-153003-000041.json";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", zero);
    const struct {
        std::string path;
        const char* says;
    } cases[] = {{fifo, "a FIFO"}, {zero, "a character device"}};
    for (const auto& c : cases) {
        std::string error;
        auto read = std::async(std::launch::async, [&] { return PrintSpool::ReadEntryFile(c.path, error); });
        if (read.wait_for(std::chrono::seconds(3)) == std::future_status::timeout) {
            ADD_FAILURE() << c.path << ": the read did not return";
            const int writer = open(c.path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (writer >= 0)
                close(writer);
        }
        EXPECT_FALSE(read.get().has_value());
        EXPECT_NE(error.find(c.path), std::string::npos) << error;
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
    }
}

TEST_F(PrintSpoolTest, AnInterruptedWriteIsFinishedWhenWholeAndSetAsideOtherwise)
{
    std::string whole;
    std::string wholeId;
    {
        PrintSpool spool(folder);
        const SpoolEntry entry = AddOrFail(spool, "A 9", 9);
        wholeId = entry.id;
        whole = ReadFile(folder + FileOf(wholeId));
        // The crash came after the last byte, before the rename.
        fs::rename(folder + FileOf(wholeId), folder + FileOf(wholeId) + ".tmp");
    }
    const std::string cutId = "20261210-153003-000077";
    WriteFile(folder + FileOf(cutId) + ".tmp", whole.substr(0, whole.size() / 2));

    PrintSpool restarted(folder);
    const std::vector<SpoolEntry> pending = restarted.Pending();
    ASSERT_EQ(Ids(pending), std::vector<std::string>{wholeId});
    EXPECT_EQ(pending[0].message, Message(9));
    EXPECT_EQ(ReadFile(folder + "broken/" + FileOf(cutId) + ".tmp"), whole.substr(0, whole.size() / 2));
    EXPECT_EQ(Names(folder), std::vector<std::string>{FileOf(wholeId)});
    // The id of the set-aside write is not handed out again.
    EXPECT_GT(AddOrFail(restarted, "A 10").id.substr(16), "000077");
}

TEST_F(PrintSpoolTest, AnEntryTheFolderCannotTakeIsKeptInMemoryUntilItCan)
{
    // A regular file where the spool folder should be fails for every user,
    // root included.
    const std::string place = temp.File("occupied");
    WriteFile(place, "x");
    PrintSpool spool(place + "/");
    std::string error;
    const std::optional<SpoolEntry> first = spool.Add(207, 1, 1, "A 1", Message(1), error);
    ASSERT_TRUE(first.has_value()) << "a scorecard the server handed over is never dropped";
    EXPECT_TRUE(first->kept);
    EXPECT_NE(error.find(place), std::string::npos) << error;
    EXPECT_NE(error.find("Not a directory"), std::string::npos) << error;
    error.clear();
    const SpoolEntry second = *spool.Add(208, 2, 5, "B 5", Message(2), error);
    EXPECT_TRUE(second.kept);

    // Pending, followed and finished like any other.
    EXPECT_EQ(Ids(spool.Pending()), (std::vector<std::string>{first->id, second.id}));
    SpoolEntry submitted = second;
    submitted.state = SpoolState::Submitted;
    submitted.printJob = 41;
    ASSERT_TRUE(spool.Update(submitted, error)) << error;
    EXPECT_EQ(spool.Find(second.id)->printJob, 41);
    ASSERT_TRUE(spool.MarkPrinted(first->id));
    EXPECT_EQ(Ids(spool.Pending()), std::vector<std::string>{second.id});
    EXPECT_EQ(spool.KeptCount(), 2u);

    // While the folder still cannot take them, nothing is written and
    // nothing lost.
    EXPECT_TRUE(spool.WriteKeptEntries(error).empty());
    EXPECT_EQ(spool.KeptCount(), 2u);

    // The folder is back: the printed one goes to done/, the submitted one
    // into the spool with its job, each once.
    fs::remove(place);
    fs::create_directories(place + "/done");
    error.clear();
    const std::vector<SpoolEntry> written = spool.WriteKeptEntries(error);
    EXPECT_EQ(error, "");
    EXPECT_EQ(Ids(written), (std::vector<std::string>{first->id, second.id}));
    EXPECT_EQ(spool.KeptCount(), 0u);
    EXPECT_EQ(Names(place + "/done/"), std::vector<std::string>{FileOf(first->id)});
    EXPECT_EQ(Names(place + "/"), std::vector<std::string>{FileOf(second.id)});
    const std::optional<SpoolEntry> reread = PrintSpool(place + "/").Find(second.id);
    ASSERT_TRUE(reread.has_value());
    EXPECT_EQ(reread->state, SpoolState::Submitted);
    EXPECT_EQ(reread->printJob, 41);
    EXPECT_FALSE(reread->kept);

    PrintSpool good(folder);
    error.clear();
    EXPECT_FALSE(good.Add(207, 1, 1, "A 1", Json::Value("not an object"), error).has_value());
    EXPECT_NE(error.find("A 1"), std::string::npos) << error;
    EXPECT_EQ(Names(folder), std::vector<std::string>{});
}

TEST_F(PrintSpoolTest, FinishedFoldersKeepTheirNewestEntries)
{
    PrintSpool spool(folder);
    const size_t keep = PrintSpool::kKeepFinished;
    std::vector<std::string> printed;
    for (size_t i = 0; i < keep + 3; ++i) {
        printed.push_back(AddOrFail(spool, "A " + std::to_string(i)).id);
        ASSERT_TRUE(spool.MarkPrinted(printed.back()));
    }
    const std::string discarded = AddOrFail(spool, "B 1").id;
    ASSERT_TRUE(spool.Discard(discarded));

    std::vector<std::string> newest;
    for (size_t i = 3; i < printed.size(); ++i)
        newest.push_back(FileOf(printed[i]));
    EXPECT_EQ(Names(folder + "done/"), newest);
    EXPECT_EQ(Names(folder + "discarded/"), std::vector<std::string>{FileOf(discarded)});
    ExpectNoTemporaryFile();
}
