#include "foundation/DataFolderChoice.h"
#include "foundation/Files.h"
#include "settings/KioskSettings.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.Valid());
        CreateFolders(dir.File("ztxt/"));
        KioskSettings::SetFilePathForTesting(path);
    }
    void TearDown() override { KioskSettings::SetFilePathForTesting(""); }
    void WriteFile(const std::string& text) { ASSERT_EQ(WriteWholeFile(path, text, 1), u""); }
    TempDir dir{"bp-settings"};
    const std::string path = dir.File("ztxt/Self_Print.txt");
};

} // namespace

TEST_F(SettingsFile, NoFileKeepsTheInitialValues)
{
    KioskSettings s;
    s.Load();
    EXPECT_EQ(s.GetLangIndex(), -1);
    EXPECT_EQ(s.GetServerIp(), "");
    EXPECT_EQ(s.GetServerIpOrDefault(), kDefaultServerIp);
    EXPECT_FALSE(s.GetReprintAllowed());
    WriteFile("\n");
    s.Load(); // a file that does not parse reads as one without keys
    EXPECT_EQ(s.GetLangIndex(), 0);
}

TEST_F(SettingsFile, SavesOneCompactLineInKeyOrderWithoutTheAccessCode)
{
    KioskSettings s;
    s.SetLangIndex(1);
    s.SetReprintAllowed(true);
    s.SetCodeRequired(true);
    s.SetPartialFilter("A;C#21~29");
    s.SetAccessCode("secret");
    s.SetSwissStartRound(4);
    s.Save();
    EXPECT_EQ(ReadWholeFile(path), "{\"11\":1,\"12\":1,\"7\":\"A;C#21~29\",\"9\":1}\n");

    s.SetServerIp("10.0.0.5");
    s.SetTitle("第五届 公开赛");
    s.Save();
    EXPECT_EQ(ReadWholeFile(path),
              "{\"1\":\"10.0.0.5\",\"11\":1,\"12\":1,\"5\":\"第五届 公开赛\",\"7\":\"A;C#21~29\",\"9\":1}\n");

    KioskSettings back;
    back.Load();
    EXPECT_EQ(back.GetTitle(), "第五届 公开赛");
    EXPECT_EQ(back.GetServerIp(), "10.0.0.5");
    EXPECT_EQ(back.GetPartialFilter(), "A;C#21~29");
    EXPECT_TRUE(back.GetReprintAllowed());
    EXPECT_TRUE(back.GetCodeRequired());
    EXPECT_EQ(back.GetLangIndex(), 1);
    EXPECT_EQ(back.GetAccessCode(), "");
    EXPECT_EQ(back.GetSwissStartRound(), 0);

    // Copies carry the in-memory fields too.
    KioskSettings copy;
    copy = s;
    EXPECT_EQ(copy.GetAccessCode(), "secret");
    EXPECT_EQ(copy.GetSwissStartRound(), 4);
}

TEST_F(SettingsFile, NothingToWriteLeavesTheFileAlone)
{
    KioskSettings s;
    s.SetLangIndex(1);
    s.Save();
    EXPECT_EQ(ReadWholeFile(path), "{\"9\":1}\n");
    s.SetLangIndex(0);
    s.Save();
    EXPECT_EQ(ReadWholeFile(path), "{\"9\":1}\n");
    KioskSettings back;
    back.Load();
    EXPECT_EQ(back.GetLangIndex(), 1);
}

TEST_F(SettingsFile, ReadsFlagsAndMissingKeysByTheFileRules)
{
    struct Case {
        std::string text;
        bool codeRequired;
        LangIndex lang;
    } cases[] = {
        {"{\"12\":true}", false, 0},
        {"{\"12\":1}", true, 0},
        {"{\"12\":2,\"9\":1}", true, 1},
        {"{\"12\":\"1\",\"9\":\"1\"}", false, 0}, // wrong types read as missing
        {"{\"12\":-1,\"9\":null}", false, 0},
        {"[1,2]", false, 0},
        {"{\"9\":1,\"12\":1", true, 1}, // truncated: members before the error count
    };
    for (const Case& c : cases) {
        WriteFile(c.text);
        KioskSettings s;
        s.SetTitle("old");
        s.SetServerIp("1.2.3.4");
        s.SetAccessCode("kept");
        s.Load();
        EXPECT_EQ(s.GetCodeRequired(), c.codeRequired) << c.text;
        EXPECT_EQ(s.GetLangIndex(), c.lang) << c.text;
        EXPECT_EQ(s.GetTitle(), "") << c.text;
        EXPECT_EQ(s.GetServerIp(), "") << c.text;
        EXPECT_EQ(s.GetAccessCode(), "kept") << c.text;
    }
}

TEST_F(SettingsFile, RewritesAReadOnlyFile)
{
    WriteFile("{\"9\":1}\n");
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    KioskSettings s;
    s.Load();
    s.SetTitle("T");
    s.Save();
    EXPECT_EQ(ReadWholeFile(path), "{\"5\":\"T\",\"9\":1}\n");
}

TEST_F(SettingsFile, OnlyARegularFileIsRead)
{
    const std::string real = dir.File("director/Self_Print.txt");
    CreateFolders(dir.File("director/"));
    ASSERT_EQ(WriteWholeFile(real, "{\"1\":\"10.0.0.9\",\"9\":1}\n", 1), u"");

    struct Case {
        const char* name;
        void (*make)(const std::string& path, const std::string& real);
        std::string serverIp; // empty: the defaults stay
    } cases[] = {
        {"FIFO", [](const std::string& p, const std::string&) { mkfifo(p.c_str(), 0600); }, ""},
        {"link to /dev/zero", [](const std::string& p, const std::string&) { symlink("/dev/zero", p.c_str()); }, ""},
        {"folder", [](const std::string& p, const std::string&) { CreateFolders(p + "/"); }, ""},
        {"link to a director's file", [](const std::string& p, const std::string& r) { symlink(r.c_str(), p.c_str()); },
         "10.0.0.9"},
    };
    for (const Case& c : cases) {
        c.make(path, real);
        KioskSettings s;
        s.SetServerIp("");
        auto load = std::async(std::launch::async, [&] {
            s.Load();
            s.Save(); // never into a FIFO or a device either
        });
        if (load.wait_for(std::chrono::seconds(3)) == std::future_status::timeout) {
            ADD_FAILURE() << c.name << ": the settings file held up the kiosk";
            // Set the stuck open free, so that the suite goes on.
            for (int flags : {O_WRONLY | O_NONBLOCK, O_RDONLY | O_NONBLOCK}) {
                const int fd = open(path.c_str(), flags | O_CLOEXEC);
                if (fd >= 0)
                    close(fd);
            }
        }
        load.get();
        EXPECT_EQ(s.GetServerIp(), c.serverIp) << c.name;
        EXPECT_EQ(s.GetLangIndex(), c.serverIp.empty() ? -1 : 1) << c.name;
        if (!c.serverIp.empty()) {
            // The save lands in the kiosk's own file; the director's stays.
            struct stat st {};
            ASSERT_EQ(lstat(path.c_str(), &st), 0);
            EXPECT_TRUE(S_ISREG(st.st_mode));
            EXPECT_EQ(ReadWholeFile(real), "{\"1\":\"10.0.0.9\",\"9\":1}\n");
        }
        std::filesystem::remove_all(path);
    }
}

// --data-dir reaches the settings through the chosen data folder: the file is
// written there and read back from there, and nothing lands beside the program.
TEST(SettingsFileFolder, FollowsTheChosenDataFolder)
{
    TempDir dir{"bp-settings-data"};
    ASSERT_TRUE(dir.Valid());
    const std::string data = dir.File("kiosk-data/");
    ASSERT_TRUE(CreateFolders(data));
    UseDataFolder(data);
    EXPECT_EQ(KioskSettings::FilePath(), data + "Self_Print.txt");
    KioskSettings saved;
    saved.SetLangIndex(1);
    saved.Save();
    KioskSettings loaded;
    loaded.Load();
    UseDataFolder("");
    EXPECT_TRUE(ReadRegularFile(data + "Self_Print.txt").outcome == FileReadOutcome::Read);
    EXPECT_EQ(loaded.GetLangIndex(), 1);
    EXPECT_NE(KioskSettings::FilePath(), data + "Self_Print.txt");
}
