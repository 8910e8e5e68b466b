#pragma once
// The kiosk screen in a host widget, against the reference server on
// loopback, with its settings in a temporary folder: the fixture of the
// tests that drive the screen as the director and the players do.

#include "ScoringServer.h"
#include "Tournament.h"

#include "kiosk/SelfPrintDesktop.h"
#include "platform/RecordingCanvas.h"
#include "platform/UiSeam.h"
#include "settings/SettingsDialog.h"
#include "support/LoopbackServer.h"
#include "support/TempDir.h"

#include <QLineEdit>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

class DesktopAgainstServer : public ::testing::Test {
protected:
    static constexpr const char* kAccessCode = "8125";

    void SetUp() override
    {
        ASSERT_TRUE(folder.Valid());
        KioskSettings::SetFilePathForTesting(folder.File("Self_Print.txt"));
        sim::ServerOptions options;
        options.port = 0;
        options.accessCode = kAccessCode;
        options.lingerMs = 200;
        server = std::make_unique<sim::ScoringServer>(sim::SampleTournament(), options);
        std::string error;
        ASSERT_TRUE(server->Start(error)) << error;
        host = std::make_unique<QWidget>();
        host->resize(1280, 720);
        desktop = new SelfPrintDesktop(host.get(), FrameServices{});
        desktop->setGeometry(0, 0, 1280, 720);
        desktop->Desk().SetServerPort(server->Port());
    }
    void TearDown() override
    {
        delete desktop;
        host.reset();
        server.reset();
        KioskSettings::SetFilePathForTesting("");
    }

    // Waits until the reply has been handled and the connection released.
    bool Settled()
    {
        return loopback::WaitUntil([&] { return !desktop->Desk().IsConnectionInProgress(); });
    }

    // The director opens Settings..., types the address and `code`, and
    // presses OK; returns when the server's answer has been handled.
    void ConfirmSettings(const std::string& code)
    {
        ScriptedUiSeam ui;
        ui.dialogHandlers.push_back([code](QDialog& d) {
            auto& dlg = static_cast<SettingsDialog&>(d);
            dlg.Edit(dlg.IdServerIp)->setText(QStringLiteral("127.0.0.1"));
            dlg.Edit(dlg.IdAccessCode)->setText(QString::fromStdString(code));
            dlg.OnOK();
            return dlg.result();
        });
        desktop->OpenSettings();
        ASSERT_TRUE(Settled());
    }

    std::vector<std::u16string> ScreenTexts()
    {
        RecordingCanvas dc;
        desktop->PaintPicture(dc);
        return dc.Texts();
    }

    TempDir folder{"bp-desktop-server"};
    std::unique_ptr<sim::ScoringServer> server;
    std::unique_ptr<QWidget> host;
    SelfPrintDesktop* desktop = nullptr;
};
