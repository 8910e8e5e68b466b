#include "foundation/Files.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <future>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The file functions take folders with a trailing slash.
class Files : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(temp.Valid()); }
    TempDir temp{"bp-files"};
    const std::string dir = temp.Path() + "/";
};

void WriteRaw(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

} // namespace

TEST(ProgramFolderOf, CutsBuildFoldersWithoutRegardToCase)
{
    struct Case {
        std::string exe, folder;
    } cases[] = {
        {"/opt/Kiosk/Release/app", "/opt/Kiosk/"},
        {"/src/Debug_A9/app", "/src/"},
        {"/opt/Kiosk/app", "/opt/Kiosk/"},
        {"/opt/k/debugunicode_ya/app", "/opt/k/"},
        {"/DEBUG/TOOLS/app", "/"},
        {"/home/x/Debugger/app", "/home/x/Debugger/"},
        {"app", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ProgramFolderOf(c.exe), c.folder) << c.exe;
    const std::string folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
}

TEST_F(Files, CreateFoldersMakesEveryLevel)
{
    const std::string deep = dir + "a/b/c/";
    EXPECT_FALSE(FolderExists(deep));
    EXPECT_TRUE(CreateFolders(deep));
    EXPECT_TRUE(FolderExists(dir + "a/b/"));
    EXPECT_TRUE(FolderExists(deep));
    EXPECT_TRUE(CreateFolders(deep)); // already there
    WriteRaw(dir + "file", "x");
    EXPECT_FALSE(FolderExists(dir + "file"));
    EXPECT_FALSE(CreateFolders(dir + "file/sub/"));
}

TEST_F(Files, ReadWholeFileStopsAtTheFirstZeroByte)
{
    WriteRaw(dir + "z", std::string("ab\0cd", 5));
    EXPECT_EQ(ReadWholeFile(dir + "z"), "ab");
    WriteRaw(dir + "empty", "");
    EXPECT_EQ(ReadWholeFile(dir + "empty"), "");
    EXPECT_EQ(ReadWholeFile(dir + "missing"), "");
    const std::string big(200000, 'q');
    WriteRaw(dir + "big", big);
    EXPECT_EQ(ReadWholeFile(dir + "big"), big);
}

TEST_F(Files, WriteWholeFileReplacesAtomicallyAndReportsFailures)
{
    const std::string path = dir + "Self_Print.txt";
    EXPECT_EQ(WriteWholeFile(path, "first\n", 1), u"");
    EXPECT_EQ(ReadWholeFile(path), "first\n");
    EXPECT_EQ(WriteWholeFile(path, "2", 1), u"");
    EXPECT_EQ(ReadWholeFile(path), "2");

    // Empty bytes write nothing and leave the old content.
    EXPECT_EQ(WriteWholeFile(path, "", 1), u"Data len = 0");
    EXPECT_EQ(ReadWholeFile(path), "2");

    // A read-only file is made writable and rewritten.
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    EXPECT_EQ(WriteWholeFile(path, "third", 1), u"");
    EXPECT_EQ(ReadWholeFile(path), "third");
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_TRUE(st.st_mode & S_IWUSR);

    // A file that cannot be written gives the message in the caller's language.
    EXPECT_EQ(WriteWholeFile(dir + "no/such/folder/f", "x", 1), u"File is read only");
    EXPECT_EQ(WriteWholeFile(dir + "no/such/folder/f", "x", 0), u"文件是只读的,不能记录数据.");
    CreateFolders(dir + "sub/");
    EXPECT_EQ(WriteWholeFile(dir + "sub", "x", 1), u"File is read only");

    // No temporary file is left behind.
    EXPECT_EQ(std::system(("test -z \"$(ls '" + dir + "' | grep tmp)\"").c_str()), 0);
}

namespace {

// Reads `path` on a thread of its own and fails the test when the read has
// not returned within a few seconds. A read stuck in the open of a FIFO is
// then set free by opening the FIFO's other end, so that a fault ends this
// test instead of hanging the whole suite.
FileRead ReadWithWatchdog(const std::string& path, size_t cap)
{
    auto read = std::async(std::launch::async, [&] { return ReadRegularFile(path, cap); });
    if (read.wait_for(std::chrono::seconds(3)) == std::future_status::timeout) {
        ADD_FAILURE() << path << ": the read did not return";
        const int writer = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (writer >= 0)
            close(writer);
    }
    return read.get();
}

// The outcome of reading `path` as an ordinary user: a child process drops
// root first when the tests run as root, since root reads every file.
int OutcomeAsOrdinaryUser(const std::string& path)
{
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && setuid(65534) != 0)
            _exit(100);
        _exit(static_cast<int>(ReadRegularFile(path).outcome));
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

pid_t DeadPid()
{
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

} // namespace

TEST_F(Files, OnlyRegularFilesWithinTheCapAreRead)
{
    constexpr size_t kCap = 4096;
    WriteRaw(dir + "regular", "{\"1\":\"10.0.0.1\"}\n");
    WriteRaw(dir + "empty", "");
    WriteRaw(dir + "at-cap", std::string(kCap, 'a'));
    WriteRaw(dir + "over-cap", std::string(kCap + 1, 'a'));
    ASSERT_EQ(mkfifo((dir + "fifo").c_str(), 0600), 0);
    ASSERT_EQ(symlink("/dev/zero", (dir + "zero-link").c_str()), 0);
    ASSERT_EQ(symlink((dir + "fifo").c_str(), (dir + "fifo-link").c_str()), 0);
    ASSERT_EQ(symlink((dir + "regular").c_str(), (dir + "regular-link").c_str()), 0);
    ASSERT_EQ(symlink((dir + "missing").c_str(), (dir + "dangling-link").c_str()), 0);
    CreateFolders(dir + "folder/");

    struct Case {
        const char* name;
        FileReadOutcome outcome;
        std::string bytes;
    } cases[] = {
        {"regular", FileReadOutcome::Read, "{\"1\":\"10.0.0.1\"}\n"},
        {"empty", FileReadOutcome::Read, ""},
        {"at-cap", FileReadOutcome::Read, std::string(kCap, 'a')},
        {"over-cap", FileReadOutcome::TooLarge, ""},
        {"fifo", FileReadOutcome::NotRegular, ""},
        {"fifo-link", FileReadOutcome::NotRegular, ""},
        {"zero-link", FileReadOutcome::NotRegular, ""},
        // A director may keep the real file elsewhere and link to it.
        {"regular-link", FileReadOutcome::Read, "{\"1\":\"10.0.0.1\"}\n"},
        {"dangling-link", FileReadOutcome::Missing, ""},
        {"folder", FileReadOutcome::NotRegular, ""},
        {"missing", FileReadOutcome::Missing, ""},
    };
    for (const Case& c : cases) {
        const FileRead read = ReadWithWatchdog(dir + c.name, kCap);
        EXPECT_EQ(read.outcome, c.outcome) << c.name << ": " << read.reason;
        EXPECT_EQ(read.bytes, c.bytes) << c.name;
        EXPECT_EQ(read.reason.empty(), c.outcome == FileReadOutcome::Read) << c.name;
    }

    WriteRaw(dir + "secret", "x");
    ASSERT_EQ(chmod((dir + "secret").c_str(), 0600), 0);
    ASSERT_EQ(chmod(dir.c_str(), 0755), 0);
    if (geteuid() == 0) {
        ASSERT_EQ(chown((dir + "secret").c_str(), 0, 0), 0);
    }
    EXPECT_EQ(OutcomeAsOrdinaryUser(dir + "secret"), static_cast<int>(FileReadOutcome::Unreadable));
}

TEST_F(Files, ReadWholeFileTellsWhyAFileWasIgnored)
{
    ASSERT_EQ(mkfifo((dir + "Self_Print.txt").c_str(), 0600), 0);
    ASSERT_EQ(symlink("/dev/zero", (dir + "Printer.json").c_str()), 0);
    WriteRaw(dir + "big", std::string(kSmallFileCap + 1, 'q'));

    struct Case {
        const char* name;
        const char* says; // empty: nothing is said
    } cases[] = {
        {"Self_Print.txt", "is a FIFO"},
        {"Printer.json", "is a character device"},
        {"big", "more than 1048576 bytes"},
        {"missing", ""},
    };
    for (const Case& c : cases) {
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(ReadWholeFile(dir + c.name), "") << c.name;
        const std::string said = ::testing::internal::GetCapturedStderr();
        if (*c.says == '\0') {
            EXPECT_EQ(said, "") << c.name;
            continue;
        }
        EXPECT_EQ(said.find(dir + c.name + " ignored: "), 0U) << said;
        EXPECT_NE(said.find(c.says), std::string::npos) << said;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    }
}

TEST_F(Files, StaleTempFilesGoAndLiveOnesStay)
{
    const pid_t dead = DeadPid();
    const pid_t live = fork();
    if (live == 0) {
        pause();
        _exit(0);
    }
    const std::string ours = std::to_string(getpid());
    const std::string gone = std::to_string(dead);
    for (const std::string& name : std::vector<std::string>{
             "Self_Print.txt.tmp-" + gone, "Printer.json.tmp-" + ours, "Self_Print.txt.tmp-" + std::to_string(live),
             "Self_Print.txt", std::string("notes.tmp-"), std::string("notes.tmp-12ab"), ".tmp-" + gone})
        WriteRaw(dir + name, "x");
    ASSERT_EQ(symlink((dir + "Self_Print.txt").c_str(), (dir + "link.tmp-" + gone).c_str()), 0);
    CreateFolders(dir + "folder.tmp-" + gone + "/");

    const std::vector<std::string> removed = RemoveStaleTempFiles(dir);
    kill(live, SIGKILL);
    waitpid(live, nullptr, 0);

    std::vector<std::string> expected = {"Printer.json.tmp-" + ours, "Self_Print.txt.tmp-" + gone};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(removed, expected);
    for (const std::string& name : expected)
        EXPECT_EQ(access((dir + name).c_str(), F_OK), -1) << name;
    for (const std::string& name : std::vector<std::string>{
             "Self_Print.txt.tmp-" + std::to_string(live), std::string("Self_Print.txt"), std::string("notes.tmp-"),
             std::string("notes.tmp-12ab"), ".tmp-" + gone, "link.tmp-" + gone, "folder.tmp-" + gone})
        EXPECT_EQ(access((dir + name).c_str(), F_OK), 0) << name;
    EXPECT_TRUE(RemoveStaleTempFiles(dir + "no-such-folder/").empty());
}

TEST_F(Files, WriteWholeFileWritesPastWhatSitsAtItsTempName)
{
    // A leftover of an earlier run with the same pid, or a FIFO put there,
    // must neither block the save nor receive its bytes.
    const std::string path = dir + "Self_Print.txt";
    const std::string temp = TempFileNameFor(path, getpid());
    ASSERT_EQ(mkfifo(temp.c_str(), 0600), 0);
    auto save = std::async(std::launch::async, [&] { return WriteWholeFile(path, "saved\n", 1); });
    int reader = -1;
    if (save.wait_for(std::chrono::seconds(3)) == std::future_status::timeout) {
        ADD_FAILURE() << "the save waited on a FIFO";
        reader = open(temp.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    }
    EXPECT_EQ(save.get(), u"");
    if (reader >= 0)
        close(reader);
    EXPECT_EQ(ReadWholeFile(path), "saved\n");
    EXPECT_EQ(access(temp.c_str(), F_OK), -1);
}

TEST(MillisecondClock, NeverRunsBackwards)
{
    const int64_t a = MillisecondClock();
    usleep(20000);
    const int64_t b = MillisecondClock();
    EXPECT_GE(b - a, 19);
    EXPECT_LT(b - a, 5000);
}
