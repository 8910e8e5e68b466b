#include "foundation/Files.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
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

TEST(MillisecondClock, NeverRunsBackwards)
{
    const int64_t a = MillisecondClock();
    usleep(20000);
    const int64_t b = MillisecondClock();
    EXPECT_GE(b - a, 19);
    EXPECT_LT(b - a, 5000);
}
