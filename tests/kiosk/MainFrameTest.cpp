#include "kiosk/MainFrame.h"
#include "foundation/Files.h"
#include "kiosk/KioskApp.h"
#include "platform/ProcessServices.h"
#include "platform/QtText.h"
#include "platform/UiSeam.h"
#include "settings/KioskSettings.h"
#include "support/TempDir.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.Valid());
        KioskSettings::SetFilePathForTesting(dir.File("Self_Print.txt"));
    }
    void TearDown() override
    {
        KioskSettings::SetFilePathForTesting("");
        KioskApp::SetLockPathForTesting("");
    }
    void WriteSettings(const std::string& text) { WriteWholeFile(dir.File("Self_Print.txt"), text, 1); }
    TempDir dir{"bp-frame"};
};

} // namespace

TEST(FrameTitle, NamesTheKioskAndTheProductInBothLanguages)
{
    EXPECT_EQ(MainFrame::TitleText(1), u"Self service printing[cn:自助打印] - Quorvane V7.26.15");
    EXPECT_EQ(MainFrame::TitleText(0), u"自助打印 - 奎沃桥牌 V7.26.15");
}

TEST_F(FrameTest, TitleFollowsTheDesktopLanguageAndIsOnlyRewrittenWhenItChanges)
{
    WriteSettings("{\"9\":1}\n");
    MainFrame english;
    ASSERT_TRUE(english.Created());
    EXPECT_EQ(ToU16(english.windowTitle()), u"qivBridgePrint");
    english.OnTimer();
    EXPECT_EQ(ToU16(english.windowTitle()), MainFrame::TitleText(1));
    english.OnTimer();
    english.OnTimer();
    EXPECT_EQ(english.TitleUpdates(), 1);

    WriteSettings("{\"5\":\"x\"}\n"); // no language key: Chinese
    MainFrame chinese;
    chinese.OnTimer();
    EXPECT_EQ(ToU16(chinese.windowTitle()), MainFrame::TitleText(0));
}

TEST_F(FrameTest, TimerRefreshesTheTitleWithinTwoHundredMilliseconds)
{
    WriteSettings("{\"9\":1}\n");
    MainFrame frame;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(600);
    while (std::chrono::steady_clock::now() < until && frame.TitleUpdates() == 0)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(ToU16(frame.windowTitle()), MainFrame::TitleText(1));
}

TEST_F(FrameTest, ClosingAsksWithCancelAsTheDefault)
{
    WriteSettings("{\"9\":1}\n");
    ScriptedUiSeam ui;
    MainFrame frame;
    frame.show();
    ui.messageAnswers = {MessageBoxAnswer::Cancel, MessageBoxAnswer::Ok};
    EXPECT_FALSE(frame.close());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, u"Do you want to exit?                ");
    EXPECT_EQ(ui.messages[0].style, 0x121u);
    EXPECT_TRUE(frame.isVisible());
    EXPECT_TRUE(frame.close());
    EXPECT_FALSE(frame.isVisible());
}

TEST_F(FrameTest, SecondInstanceIsRefusedWithItsMessage)
{
    const std::string lockPath = dir.File("SingleClientFlag-jovBridgePrint.lock");
    KioskApp::SetLockPathForTesting(lockPath);
    ScriptedUiSeam ui;
    {
        SingleInstanceLock first(lockPath);
        ASSERT_TRUE(first.Held());
        KioskApp second;
        EXPECT_FALSE(second.InitInstance());
        EXPECT_EQ(second.Frame(), nullptr);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, KioskApp::AlreadyRunningText(OemCodePage()));
        EXPECT_EQ(ui.messages[0].style, 0u);
    }
    // Once the first one is gone, the lock is free again.
    KioskApp next;
    EXPECT_TRUE(next.InitInstance());
    ASSERT_NE(next.Frame(), nullptr);
    EXPECT_TRUE(next.Frame()->isVisible());
    EXPECT_EQ(KioskApp::AlreadyRunningText(936), u"jovBridgePrint 已经运行.");
    EXPECT_EQ(KioskApp::AlreadyRunningText(437), u"jovBridgePrint already running?");
}

// A data folder that cannot be written is put to the person at the kiosk
// in a message box naming the folder, in either language.
TEST_F(FrameTest, UnusableDataFolderIsShownNamingTheFolder)
{
    KioskApp::SetLockPathForTesting(dir.File("SingleClientFlag-jovBridgePrint.lock"));
    ScriptedUiSeam ui;
    KioskApp kiosk;
    ASSERT_TRUE(kiosk.InitInstance());
    const std::string folder = "/var/lib/无法/kiosk/";
    kiosk.ReportUnusableDataFolder(folder);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, KioskApp::UnusableDataFolderText(folder, DefaultLanguageForCodePage(OemCodePage())));
    for (LangIndex lang : {kLangChinese, kLangEnglish}) {
        const std::u16string text = KioskApp::UnusableDataFolderText(folder, lang);
        EXPECT_NE(text.find(Utf8ToWide(folder)), std::u16string::npos) << lang;
        EXPECT_NE(text.find(u"--data-dir"), std::u16string::npos) << lang;
        EXPECT_EQ(text.find(u"%1"), std::u16string::npos) << lang;
    }
}

TEST_F(FrameTest, OnlyTheSingleInstanceClearsTempFilesOfInterruptedSaves)
{
    const std::string lockPath = dir.File("SingleClientFlag-jovBridgePrint.lock");
    KioskApp::SetLockPathForTesting(lockPath);
    ScriptedUiSeam ui;
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    waitpid(child, nullptr, 0);
    // Left by a kiosk killed during a save, and one being written right now
    // by a process that still runs (the one that started this test).
    const std::string stale = DataFolder() + "Self_Print.txt.tmp-" + std::to_string(child);
    const std::string live = DataFolder() + "Printer.json.tmp-" + std::to_string(getppid());
    ASSERT_EQ(WriteWholeFile(stale, "{\"1\":\"half", 1), u"");
    ASSERT_EQ(WriteWholeFile(live, "{}", 1), u"");
    {
        SingleInstanceLock first(lockPath);
        KioskApp second;
        EXPECT_FALSE(second.InitInstance());
        EXPECT_EQ(access(stale.c_str(), F_OK), 0) << "the other kiosk may be saving";
    }
    KioskApp next;
    EXPECT_TRUE(next.InitInstance());
    EXPECT_EQ(access(stale.c_str(), F_OK), -1);
    EXPECT_EQ(access(live.c_str(), F_OK), 0);
    unlink(stale.c_str());
    unlink(live.c_str());
}

TEST_F(FrameTest, KioskModeKillsSystemMonitorsByExactName)
{
    // Stand-in monitors: copies of sleep under a blocked name and under the
    // same name in another letter case.
    const std::string blocked = dir.File(TaskManagerNames().front());
    const std::string otherCase = dir.File("Gnome-system-monitor");
    ASSERT_EQ(std::system(("cp /bin/sleep '" + blocked + "' && cp /bin/sleep '" + otherCase + "'").c_str()), 0);
    auto spawn = [](const std::string& path) {
        const pid_t pid = fork();
        if (pid == 0) {
            execl(path.c_str(), path.c_str(), "30", static_cast<char*>(nullptr));
            _exit(127);
        }
        return pid;
    };
    const pid_t monitor = spawn(blocked);
    const pid_t lookalike = spawn(otherCase);
    std::this_thread::sleep_for(std::chrono::milliseconds(200)); // let exec finish

    MainFrame frame;
    frame.OnTimer();
    int status = 0;
    EXPECT_EQ(waitpid(monitor, &status, WNOHANG), 0) << "killed before kiosk mode";

    frame.SetBlockTaskManager();
    frame.OnTimer();
    EXPECT_EQ(waitpid(monitor, &status, 0), monitor);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_EQ(waitpid(lookalike, &status, WNOHANG), 0) << "a name in another case was killed";
    kill(lookalike, SIGKILL);
    waitpid(lookalike, &status, 0);
}
