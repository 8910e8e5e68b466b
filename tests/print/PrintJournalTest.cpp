#include "print/PrintJournal.h"

#include "foundation/NumericJson.h"
#include "support/TextForm.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <future>
#include <optional>
#include <sstream>
#include <thread>
#include <vector>

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// The lines of `text`; a text that does not end with a line feed has its
// last, cut-short line reported as such so that the test fails on it.
std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    if (start < text.size())
        lines.push_back("<no line feed> " + text.substr(start));
    return lines;
}

using tools::HasForm;

Json::Value Parsed(const std::string& line)
{
    Json::Value value;
    EXPECT_TRUE(NumericJson::Parse(line, value)) << line;
    EXPECT_TRUE(value.isObject()) << line;
    return value;
}

// A mirror that keeps what it is given in memory.
class MemoryMirror {
public:
    MemoryMirror() : file_(open_memstream(&buffer_, &size_)) {}
    ~MemoryMirror()
    {
        std::fclose(file_);
        std::free(buffer_);
    }
    MemoryMirror(const MemoryMirror&) = delete;
    MemoryMirror& operator=(const MemoryMirror&) = delete;

    std::FILE* File() { return file_; }
    std::string Text()
    {
        std::fflush(file_);
        return std::string(buffer_, size_);
    }

private:
    char* buffer_ = nullptr;
    size_t size_ = 0;
    std::FILE* file_;
};

// Sets the process's time zone for one test.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone)
    {
        if (const char* old = std::getenv("TZ"))
            old_ = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTimeZone()
    {
        if (old_)
            setenv("TZ", old_->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::optional<std::string> old_;
};

class PrintJournalTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(temp.Valid()); }
    TempDir temp{"bp-journal"};
};

} // namespace

TEST_F(PrintJournalTest, EachWriteIsOneJsonLineInTheFileAndTheMirror)
{
    const std::string path = temp.Path() + "/logs/print-journal.log"; // the folder does not exist yet
    MemoryMirror mirror;
    {
        PrintJournal journal(path, mirror.File());
        EXPECT_EQ(journal.Path(), path);
        journal.Write(JournalEvent::kTouch, PrintJournal::EntryFields("甲 12", 3, 12));
        Json::Value fields = PrintJournal::EntryFields("A 1", 1, 1);
        fields["spool"] = "20261210-153003-000001";
        fields["time"] = "not the caller's to set";
        fields["event"] = "nor this";
        journal.Write(JournalEvent::kSpooled, fields);
        journal.Write(JournalEvent::kStart);
        journal.Write(JournalEvent::kFailed, Json::Value("not an object"));
    }

    const std::string text = ReadFile(path);
    EXPECT_EQ(mirror.Text(), text);
    const std::vector<std::string> lines = Lines(text);
    ASSERT_EQ(lines.size(), 4u) << text;
    const char* events[] = {"touch", "spooled", "start", "failed"};
    for (size_t i = 0; i < lines.size(); ++i) {
        SCOPED_TRACE(lines[i]);
        const Json::Value line = Parsed(lines[i]);
        EXPECT_EQ(line["event"].asString(), events[i]);
        EXPECT_TRUE(HasForm(line["time"].asString(), "9999-99-99T99:99:99.999+99:99")) << line["time"];
    }
    const Json::Value touch = Parsed(lines[0]);
    EXPECT_EQ(touch["entry"].asString(), "甲 12");
    EXPECT_EQ(touch["section"].asInt(), 3);
    EXPECT_EQ(touch["team"].asInt(), 12);
    EXPECT_NE(lines[0].find("\"甲 12\""), std::string::npos) << "Chinese must stay readable: " << lines[0];
    EXPECT_EQ(Parsed(lines[1])["spool"].asString(), "20261210-153003-000001");
    EXPECT_EQ(Parsed(lines[2]).size(), 2u); // time and event alone
    EXPECT_EQ(Parsed(lines[3]).size(), 2u);
}

TEST_F(PrintJournalTest, TimeIsLocalWithItsOffsetFromUtc)
{
    // POSIX zone rules need no zone files: "X-8" is eight hours east of UTC.
    const struct {
        const char* zone;
        const char* offset;
    } cases[] = {
        {"UTC0", "+00:00"},
        {"CST-8", "+08:00"},
        {"NST3:30", "-03:30"},
        {"NPT-5:45", "+05:45"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.zone);
        ScopedTimeZone zone(c.zone);
        MemoryMirror mirror;
        PrintJournal journal(temp.File("zone.log"), mirror.File());
        const std::time_t before = std::time(nullptr);
        journal.Write(JournalEvent::kPrinter);
        const std::time_t after = std::time(nullptr);
        const std::string time = Parsed(Lines(mirror.Text()).at(0))["time"].asString();
        ASSERT_EQ(time.size(), 29u) << time;
        EXPECT_EQ(time.substr(23), c.offset);
        // The date and time of day are the local ones, as localtime gives
        // them for a moment around the write.
        auto local = [](std::time_t t) {
            std::tm tm{};
            localtime_r(&t, &tm);
            char text[32];
            std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &tm);
            return std::string(text);
        };
        const std::string seconds = time.substr(0, 19);
        EXPECT_TRUE(seconds == local(before) || seconds == local(after)) << time << " at " << local(before);
    }
}

TEST_F(PrintJournalTest, AFullFileMovesToDotOneAndANewOneStarts)
{
    const std::string path = temp.File("journal.log");
    const std::string older = path + ".1";
    std::ofstream(older) << "the journal before the last\n";
    // Starting size counts: the file already holds most of what it may.
    const std::string existing = std::string(250, 'x') + "\n";
    std::ofstream(path) << existing;

    constexpr size_t kMax = 300;
    PrintJournal journal(path, nullptr, kMax);
    Json::Value fields(Json::objectValue);
    fields["reason"] = std::string(40, 'r');
    journal.Write(JournalEvent::kFailed, fields);
    EXPECT_EQ(ReadFile(older), existing);
    EXPECT_EQ(Lines(ReadFile(path)).size(), 1u);

    std::vector<std::string> written;
    for (int i = 0; i < 12; ++i) {
        fields["attempt"] = i;
        journal.Write(JournalEvent::kRetried, fields);
    }
    const std::vector<std::string> previous = Lines(ReadFile(older));
    const std::vector<std::string> current = Lines(ReadFile(path));
    EXPECT_LE(ReadFile(path).size(), kMax);
    EXPECT_LE(ReadFile(older).size(), kMax);
    // Together the two files hold the latest lines, in order, none lost
    // between them.
    std::vector<int> attempts;
    for (const std::vector<std::string>* file : {&previous, &current})
        for (const std::string& line : *file)
            attempts.push_back(Parsed(line)["attempt"].asInt());
    ASSERT_FALSE(attempts.empty());
    EXPECT_EQ(attempts.back(), 11);
    for (size_t i = 1; i < attempts.size(); ++i)
        EXPECT_EQ(attempts[i], attempts[i - 1] + 1);
    EXPECT_GE(current.size(), 1u);
    EXPECT_GE(previous.size(), 2u);
}

TEST_F(PrintJournalTest, ALineLongerThanTheLimitIsStillWritten)
{
    const std::string path = temp.File("journal.log");
    PrintJournal journal(path, nullptr, 50);
    Json::Value fields(Json::objectValue);
    fields["reason"] = std::string(100, 'r');
    journal.Write(JournalEvent::kFailed, fields);
    EXPECT_EQ(Parsed(Lines(ReadFile(path)).at(0))["reason"].asString(), std::string(100, 'r'));
    EXPECT_FALSE(fs::exists(path + ".1"));
}

TEST_F(PrintJournalTest, ALineCutShortByACrashIsClosedBeforeTheNextOne)
{
    const std::string path = temp.File("journal.log");
    const std::string whole = R"({"event":"touch","time":"2026-12-10T15:30:03.123+00:00"})";
    std::ofstream(path) << whole << "\n"
                        << R"({"event":"req)";
    {
        PrintJournal journal(path, nullptr);
        journal.Write(JournalEvent::kStart);
    }
    const std::vector<std::string> lines = Lines(ReadFile(path));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], R"({"event":"req)");
    EXPECT_EQ(Parsed(lines[2])["event"].asString(), "start");
}

TEST_F(PrintJournalTest, AJournalThatCannotBeOpenedStillMirrorsAndPicksUpLater)
{
    // A regular file where the journal's folder should be: no user, root
    // included, can open the journal.
    const std::string blocker = temp.File("logs");
    std::ofstream(blocker) << "in the way";
    const std::string path = blocker + "/print-journal.log";
    MemoryMirror mirror;
    PrintJournal journal(path, mirror.File());
    journal.Write(JournalEvent::kTouch, PrintJournal::EntryFields("A 1", 1, 1));
    journal.Write(JournalEvent::kRequest, PrintJournal::EntryFields("A 1", 1, 1));
    EXPECT_EQ(Lines(mirror.Text()).size(), 2u);
    EXPECT_FALSE(fs::exists(path));

    fs::remove(blocker);
    journal.Write(JournalEvent::kReply, PrintJournal::EntryFields("A 1", 1, 1));
    const std::vector<std::string> lines = Lines(ReadFile(path));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(Parsed(lines[0])["event"].asString(), "reply");
    EXPECT_EQ(Lines(mirror.Text()).size(), 3u);

    // Without a mirror as well, nothing is written and nothing breaks.
    PrintJournal nowhere(temp.File("logs/print-journal.log") + "/below-a-file.log", nullptr);
    nowhere.Write(JournalEvent::kStart);
}

TEST_F(PrintJournalTest, AFifoOrADeviceAtTheJournalsNameIsNotWrittenTo)
{
    // A FIFO nobody reads takes 64 KiB and then blocks every write; the
    // journal must go on mirroring instead of stopping the kiosk.
    const std::string fifo = temp.File("fifo.log");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string zero = temp.File("zero.log");
    fs::create_symlink("/dev/zero", zero);
    for (const std::string& path : {fifo, zero}) {
        MemoryMirror mirror;
        auto writes = std::async(std::launch::async, [&] {
            PrintJournal journal(path, mirror.File());
            Json::Value fields = PrintJournal::EntryFields(std::string(1000, 'x'), 1, 1);
            for (int i = 0; i < 200; ++i)
                journal.Write(JournalEvent::kTouch, fields);
        });
        if (writes.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
            ADD_FAILURE() << path << ": the journal stopped the writer";
            // Drain the FIFO so that the writer and the suite can go on.
            std::thread([fifo] {
                std::ifstream in(fifo, std::ios::binary);
                std::ostringstream sink;
                sink << in.rdbuf();
            }).detach();
        }
        writes.get();
        EXPECT_EQ(Lines(mirror.Text()).size(), 200u) << path;
    }
}

TEST_F(PrintJournalTest, WritesFromSeveralThreadsComeOutAsWholeLines)
{
    const std::string path = temp.File("journal.log");
    MemoryMirror mirror;
    constexpr int kThreads = 6;
    constexpr int kEach = 150;
    {
        PrintJournal journal(path, mirror.File());
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t)
            threads.emplace_back([&journal, t] {
                for (int i = 0; i < kEach; ++i) {
                    Json::Value fields = PrintJournal::EntryFields("T" + std::to_string(t), t, i);
                    fields["reason"] = std::string(static_cast<size_t>(1 + (i * 37) % 300), char('a' + t));
                    journal.Write(JournalEvent::kFailed, fields);
                }
            });
        for (std::thread& t : threads)
            t.join();
    }

    const std::string text = ReadFile(path);
    EXPECT_EQ(mirror.Text(), text);
    const std::vector<std::string> lines = Lines(text);
    ASSERT_EQ(lines.size(), size_t(kThreads * kEach));
    std::vector<int> next(kThreads, 0);
    for (const std::string& line : lines) {
        const Json::Value value = Parsed(line);
        const int t = value["section"].asInt();
        ASSERT_TRUE(t >= 0 && t < kThreads) << line;
        EXPECT_EQ(value["team"].asInt(), next[t]++) << line;
        EXPECT_EQ(value["reason"].asString().find_first_not_of(char('a' + t)), std::string::npos) << line;
    }
}
