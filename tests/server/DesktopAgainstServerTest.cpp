// The kiosk screen against the reference server over loopback: the director
// confirms the settings from the menu, the buttons appear, and the screen
// polls the list on its own.

#include "ScoringServer.h"
#include "Tournament.h"

#include "QtTestApp.h"
#include "kiosk/DesktopWnd_jovSelfPrint.h"
#include "platform/RecordingCanvas.h"
#include "platform/UiSeam.h"
#include "settings/CDlgSetting_selfPrint.h"
#include "support/LoopbackServer.h"

#include <QLineEdit>

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>

namespace {

using loopback::WaitUntil;

class DesktopAgainstServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureQtApp();
        folder = std::filesystem::temp_directory_path() / ("desktop-server-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        Setting_selfPrint_qiv::SetFilePathForTesting((folder / "Self_Print.txt").string());
        pendingSettings = Setting_selfPrint_qiv();
        sim::ServerOptions options;
        options.port = 0;
        options.accessCode = "8125";
        options.lingerMs = 200;
        server = std::make_unique<sim::ScoringServer>(sim::SampleTournament(), options);
        std::string error;
        ASSERT_TRUE(server->Start(error)) << error;
        host = std::make_unique<QWidget>();
        host->resize(1280, 720);
        desktop = new DesktopWnd_jovSelfPrint(host.get(), FrameServices{});
        desktop->setGeometry(0, 0, 1280, 720);
        desktop->Desk().SetServerPort(server->Port());
    }
    void TearDown() override
    {
        delete desktop;
        host.reset();
        server.reset();
        Setting_selfPrint_qiv::SetFilePathForTesting("");
        std::filesystem::remove_all(folder);
    }

    // The director opens Settings..., types the address and `code`, and
    // presses OK; returns when the server's answer has been handled.
    void ConfirmSettings(const std::string& code)
    {
        ScriptedUiSeam ui;
        ui.dialogHandlers.push_back([code](QDialog& d) {
            auto& dlg = static_cast<CDlgSetting_selfPrint&>(d);
            dlg.Edit(dlg.IdServerIp)->setText("127.0.0.1");
            dlg.Edit(dlg.IdAccessCode)->setText(QString::fromStdString(code));
            dlg.OnOK();
            return dlg.result();
        });
        desktop->OpenSettings();
        ASSERT_TRUE(WaitUntil([&] { return !desktop->Desk().IsConnectionInProgress(); }));
    }

    std::vector<std::u16string> ScreenTexts()
    {
        RecordingCanvas dc;
        desktop->PaintPicture(dc);
        return dc.Texts();
    }

    std::filesystem::path folder;
    std::unique_ptr<sim::ScoringServer> server;
    std::unique_ptr<QWidget> host;
    DesktopWnd_jovSelfPrint* desktop = nullptr;
};

} // namespace

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
