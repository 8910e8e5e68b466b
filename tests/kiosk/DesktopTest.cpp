#include "comm/ServerMessage.h"
#include "foundation/Files.h"
#include "kiosk/DesktopPicture.h"
#include "kiosk/MainFrame.h"
#include "kiosk/SelfPrintDesktop.h"
#include "platform/QtText.h"
#include "platform/RecordingCanvas.h"
#include "platform/UiSeam.h"
#include "settings/SettingsDialog.h"
#include "settings/TeamSelectionDialog.h"
#include "support/LoopbackServer.h"
#include "support/TempDir.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>

#include <gtest/gtest.h>

#include <mutex>

using namespace std::chrono_literals;

namespace {

// Serves `connections` requests: keeps the body of each request frame and
// closes without answering (or after `hold`, to keep a request in flight).
class RequestLog {
public:
    explicit RequestLog(int connections, std::chrono::milliseconds hold = 0ms)
        : server(
              [this, hold](int& fd) {
                  const std::string frame = loopback::ReadFrame(fd, 3000ms);
                  {
                      std::lock_guard<std::mutex> lock(mutex);
                      bodies.push_back(frame.size() > 8 ? frame.substr(8) : std::string());
                  }
                  std::this_thread::sleep_for(hold);
              },
              connections)
    {
    }
    uint16_t Port() const { return server.Port(); }
    int Accepted() const { return server.Accepted(); }
    std::vector<ServerMessage> Requests()
    {
        std::lock_guard<std::mutex> lock(mutex);
        std::vector<ServerMessage> out;
        for (const std::string& body : bodies) {
            ServerMessage m;
            m.FromJsonText(body);
            out.push_back(m);
        }
        return out;
    }
    size_t Count()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return bodies.size();
    }

private:
    std::mutex mutex;
    std::vector<std::string> bodies;
    loopback::ScriptedServer server;
};

void Pump(std::chrono::milliseconds d = 50ms)
{
    const auto until = std::chrono::steady_clock::now() + d;
    while (std::chrono::steady_clock::now() < until)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

class DesktopTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.Valid());
        KioskSettings::SetFilePathForTesting(dir.File("Self_Print.txt"));
        WriteWholeFile(dir.File("Self_Print.txt"), "{\"9\":1}\n", 1);
        hostWidget = std::make_unique<QWidget>();
        QWidget& host = *hostWidget;
        host.resize(1280, 720);
        FrameServices services;
        services.blockTaskManager = [this] { ++blockCalls; };
        services.requestClose = [this] { ++closeCalls; };
        desktop = new SelfPrintDesktop(&host, services);
        desktop->setGeometry(0, 0, 1280, 720);
        host.show();
        Pump(20ms);
    }
    void TearDown() override
    {
        delete desktop;
        hostWidget.reset();
        KioskSettings::SetFilePathForTesting("");
    }

    // Makes the desk synchronized with `n` team entries of section 1, as a
    // confirming list reply does.
    void Synchronize(int n, uint16_t port, bool reprintAllowed = false)
    {
        KioskSettings s = desktop->Desk().GetSettings();
        s.SetServerIp("127.0.0.1");
        s.SetAccessCode("td");
        s.SetReprintAllowed(reprintAllowed);
        desktop->Desk().SetPendingSettings(s);
        desktop->Desk().SetServerPort(port);
        ServerMessage reply(kMsgSignupList);
        reply.SetFlag("82", true);
        reply.SetText("1", "Open Teams");
        Json::Value list(Json::objectValue);
        for (int i = 1; i <= n; ++i) {
            Json::Value e;
            e["4"] = 1;
            e["5"] = "A";
            e["6"] = i;
            e["7"] = "Team " + std::to_string(i);
            list["_o"].append(e);
        }
        reply["85"] = list;
        desktop->Desk().OnSocketMessage(-1, reply);
        ASSERT_TRUE(desktop->Desk().IsSynchronized());
    }

    void Touch(int32_t pressCell, int32_t releaseCell)
    {
        const Rect p = desktop->CellRect(pressCell), r = desktop->CellRect(releaseCell);
        desktop->OnPointerPress(p.left + 5, p.top + 5);
        desktop->OnPointerRelease(r.left + 5, r.top + 5);
    }

    TempDir dir{"bp-desktop"};
    std::unique_ptr<QWidget> hostWidget;
    SelfPrintDesktop* desktop = nullptr;
    int blockCalls = 0;
    int closeCalls = 0;
};

} // namespace

TEST_F(DesktopTest, UnsynchronizedIgnoresTouchesAndSendsNothing)
{
    RequestLog log(1);
    desktop->Desk().SetServerPort(log.Port());
    Touch(0, 0);
    for (int i = 0; i < 120; ++i)
        desktop->OnTick();
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(log.Accepted(), 0);
    EXPECT_EQ(desktop->GetListCountdown(), 10);
}

TEST_F(DesktopTest, ConfirmingReplySynchronizesAndSavesTheSettings)
{
    RequestLog log(0);
    Synchronize(5, log.Port());
    EXPECT_EQ(desktop->Desk().GetPrintableList().size(), 5u);
    EXPECT_EQ(ReadWholeFile(dir.File("Self_Print.txt")),
              "{\"1\":\"127.0.0.1\",\"5\":\"When the team name appears in "
              "the list, you can click to print it[cn:当队名出现在列表中,方可"
              "点击打印]\",\"9\":1}\n");
    EXPECT_EQ(desktop->EventTextW(), u"Open Teams");
}

TEST_F(DesktopTest, ATouchSendsOnePrintRequestAndTheGuardStopsASecond)
{
    RequestLog log(2);
    Synchronize(5, log.Port());
    Touch(2, 2);
    ASSERT_TRUE(loopback::WaitUntil([&] { return log.Count() == 1; }));
    const ServerMessage sent = log.Requests()[0];
    EXPECT_EQ(sent.MsgId(), kMsgPrintRequest);
    EXPECT_EQ(sent.GetInt("11"), 1);
    EXPECT_EQ(sent.GetInt("15"), 3);
    ASSERT_TRUE(loopback::WaitUntil([&] { return !desktop->Desk().IsConnectionInProgress(); }));

    // A second touch within 1.5 seconds: the press is ignored, so its
    // release finds nothing pressed.
    Touch(3, 3);
    EXPECT_EQ(desktop->GetPressedIndex(), -1);
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(log.Count(), 1u);
}

TEST_F(DesktopTest, ReleaseOnAnotherButtonDoesNothing)
{
    RequestLog log(1);
    Synchronize(5, log.Port());
    Touch(0, 1);
    EXPECT_EQ(desktop->GetPressedIndex(), -1);
    std::this_thread::sleep_for(150ms);
    EXPECT_EQ(log.Accepted(), 0);
    EXPECT_FALSE(desktop->Desk().IsConnectionInProgress());
}

TEST_F(DesktopTest, PollsTheListEveryElevenSeconds)
{
    RequestLog log(2);
    Synchronize(3, log.Port());
    for (int i = 0; i < 100; ++i) // ten seconds
        desktop->OnTick();
    EXPECT_EQ(desktop->GetListCountdown(), 0);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(log.Accepted(), 0);
    for (int i = 0; i < 10; ++i) // the eleventh second
        desktop->OnTick();
    ASSERT_TRUE(loopback::WaitUntil([&] { return log.Count() == 1; }));
    EXPECT_EQ(desktop->GetListCountdown(), 10);
    const ServerMessage sent = log.Requests()[0];
    EXPECT_EQ(sent.MsgId(), kMsgSignupList);
    EXPECT_EQ(sent.GetText("2"), "td");
    EXPECT_FALSE(sent.GetFlag("82"));
    EXPECT_EQ(sent.GetText("99"), "7.26.15");
}

TEST_F(DesktopTest, HoverRepaintsOnlyOnChangeAndReprintAreaNeedsThePermission)
{
    RequestLog log(0);
    Synchronize(5, log.Port(), false);
    const Rect cell = desktop->CellRect(1);
    desktop->OnPointerMove(cell.left + 2, cell.top + 2);
    EXPECT_EQ(desktop->GetHoverIndex(), 1);
    const Rect client = desktop->ClientRect();
    const DesktopBands bands = ComputeDesktopBands(client);
    desktop->OnPointerMove(bands.reprint.left + 5, bands.reprint.top + 5);
    EXPECT_EQ(desktop->GetHoverIndex(), -1);
    Synchronize(5, log.Port(), true);
    desktop->OnPointerMove(bands.reprint.left + 5, bands.reprint.top + 5);
    EXPECT_EQ(desktop->GetHoverIndex(), kReprintIndex);
}

TEST_F(DesktopTest, MenuItemsFollowFullScreenAndLanguage)
{
    ScriptedUiSeam ui;
    auto snapshot = [&] {
        QMenu menu;
        desktop->FillContextMenu(menu);
        std::vector<std::string> items;
        for (QAction* a : menu.actions()) {
            if (a->isSeparator()) {
                items.push_back("-");
                continue;
            }
            items.push_back(std::to_string(a->data().toInt()) + " " + a->text().toStdString() +
                            (a->isEnabled() ? "" : " [off]") + (a->isChecked() ? " [x]" : ""));
        }
        return items;
    };
    EXPECT_EQ(snapshot(), (std::vector<std::string>{"2001 Settings...", "2003 Select printer...", "2005 Print test page",
                                                    "-", "2009 Full screen", "-", "2021 English(英文) [x]", "-",
                                                    "2999 Exit"}));
    desktop->SwitchLanguage();
    EXPECT_EQ(ReadWholeFile(dir.File("Self_Print.txt")).find("\"9\""), std::string::npos) << "Chinese is not written";
    EXPECT_EQ(snapshot()[6], "2021 English(英文)");
    EXPECT_EQ(desktop->OptionsButton()->text().toStdString(), "-设置-");
    desktop->SwitchLanguage();
    EXPECT_NE(ReadWholeFile(dir.File("Self_Print.txt")).find("\"9\":1"), std::string::npos);
    EXPECT_EQ(desktop->OptionsButton()->text().toStdString(), "-Setting-");

    desktop->EnterFullScreen();
    EXPECT_TRUE(desktop->IsFullScreen());
    EXPECT_EQ(blockCalls, 1);
    // Before any code is confirmed the lock guards nothing, and a kiosk
    // started full screen must still be set up by the director.
    EXPECT_EQ(snapshot(), (std::vector<std::string>{"2001 Settings...", "2003 Select printer...", "2005 Print test page",
                                                    "-", "2009 Full screen", "-", "2021 English(英文) [x]", "-",
                                                    "2999 Exit"}));
    RequestLog log(0);
    Synchronize(1, log.Port());
    EXPECT_EQ(snapshot(), (std::vector<std::string>{"2001 Settings... [off]", "2003 Select printer... [off]",
                                                    "2005 Print test page [off]", "-", "2009 Full screen [off]", "-",
                                                    "2021 English(英文) [off] [x]", "-", "2999 Exit"}));
    // Exit is posted to the frame.
    ui.menuHandlers.push_back([](QMenu& m) { return m.actions().back(); });
    desktop->ShowContextMenu();
    EXPECT_EQ(closeCalls, 0);
    Pump();
    EXPECT_EQ(closeCalls, 1);
}

TEST_F(DesktopTest, ConfirmedSettingsTravelToTheServerBeforeTheyTakeEffect)
{
    RequestLog log(1, 800ms);
    desktop->Desk().SetServerPort(log.Port());
    ScriptedUiSeam ui;
    ui.dialogHandlers.push_back([](QDialog& d) {
        auto& dlg = static_cast<SettingsDialog&>(d);
        dlg.Edit(dlg.IdServerIp)->setText(QStringLiteral("127.0.0.1"));
        dlg.Edit(dlg.IdAccessCode)->setText(QStringLiteral("Td"));
        dlg.Edit(dlg.IdFilter)->setText(QStringLiteral("A;C#21~29"));
        dlg.Check(dlg.IdReprintAllowed)->setChecked(false);
        dlg.OnOK();
        return dlg.result();
    });
    desktop->OpenSettings();
    ASSERT_TRUE(loopback::WaitUntil([&] { return log.Count() == 1; }));
    const ServerMessage sent = log.Requests()[0];
    EXPECT_EQ(sent.MsgId(), kMsgSignupList);
    EXPECT_TRUE(sent.GetFlag("82"));
    EXPECT_EQ(sent.GetText("2"), "Td");
    EXPECT_EQ(sent.GetText("61"), "A;C#21~29");
    EXPECT_FALSE(desktop->ReprintButton()->isVisible());
    // Not in force until the server confirms.
    EXPECT_EQ(desktop->Desk().GetSettings().GetAccessCode(), "");
    EXPECT_FALSE(desktop->Desk().IsSynchronized());
}

TEST_F(DesktopTest, LanguageSwitchReachesTheFrameTitle)
{
    MainFrame frame;
    auto* desk = dynamic_cast<SelfPrintDesktop*>(frame.Desktop());
    ASSERT_NE(desk, nullptr);
    frame.OnTimer();
    EXPECT_EQ(frame.windowTitle().toStdString(), "Self service printing[cn:自助打印] - Quorvane V7.26.15");
    desk->RunMenuCommand(SelfPrintDesktop::MenuEnglish);
    Pump(300ms);
    EXPECT_EQ(frame.windowTitle().toStdString(), "自助打印 - 奎沃桥牌 V7.26.15");
}

namespace {

std::string TeamReplyFrame(int section, int number)
{
    const std::string json = "{\"11\":" + std::to_string(section) + ",\"15\":" + std::to_string(number) +
                             ",\"66\":{\"1\":\"Owls\",\"_L\":[{\"1\":1,\"3\":\" \",\"5\":{\"3\":\"3NT\",\"9\":400}}]}" +
                             ",\"81\":0,\"83\":\"Open Teams\",\"85\":[{\"1\":1}],\"102\":\"IMP\",\"pub_MsgID\":207}";
    return MessageFrame::Encode(json, "");
}

// A list reply of teams 1..5 of section 1 in which team 1 is printed: every
// button after the first moves one place to the left.
std::string ShiftedListFrame(bool confirmed)
{
    ServerMessage reply(kMsgSignupList);
    if (confirmed)
        reply.SetFlag("82", true);
    reply.SetText("1", "Round 3");
    Json::Value list(Json::objectValue);
    for (int i = 1; i <= 5; ++i) {
        Json::Value e;
        e["4"] = 1;
        e["5"] = "A";
        e["6"] = i;
        e["7"] = "Team " + std::to_string(i);
        if (i == 1)
            e["9"] = 1;
        list["_o"].append(e);
    }
    reply["85"] = list;
    return MessageFrame::Encode(reply.ToJsonText(), "");
}

// The entry buttons a picture shows: the first line of each ("A 12") and
// the rectangle it is drawn in.
std::vector<std::pair<std::u16string, Rect>> DrawnEntries(SelfPrintDesktop& desktop)
{
    RecordingCanvas dc;
    desktop.PaintPicture(dc);
    std::vector<std::pair<std::u16string, Rect>> out;
    for (const CanvasCall& call : dc.Calls(CanvasOp::Text))
        if (call.text.rfind(u"A ", 0) == 0)
            out.emplace_back(call.text, call.rect);
    return out;
}

Point Centre(const Rect& r)
{
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

} // namespace

TEST_F(DesktopTest, AnActionThatMeetsARequestInProgressRunsRightAfterIt)
{
    struct Case {
        const char* name;
        std::function<void(ScriptedUiSeam&)> act;
        std::function<std::string(const ServerMessage&)> answer; // the reply to the action's request
        std::function<void(const ServerMessage&)> checkRequest;
        std::function<void()> checkAfter;
    };
    const Case cases[] = {
        {"touch, remembered by its entry while the list changes",
         [&](ScriptedUiSeam&) { Touch(1, 1); }, // Team 2 at the moment of the touch
         [](const ServerMessage& m) { return TeamReplyFrame(m.GetInt("11"), m.GetInt("15")); },
         [](const ServerMessage& m) {
             EXPECT_EQ(m.MsgId(), kMsgPrintRequest);
             EXPECT_EQ(m.GetInt("11"), 1);
             EXPECT_EQ(m.GetInt("15"), 2);
         },
         [&] {
             EXPECT_EQ(desktop->Desk().TeamJobCount(), 1u);
             EXPECT_EQ(desktop->Desk().CurrentNote(), u"Printing Scorecard[cn:正在打印记分表]");
         }},
        {"settings OK",
         [&](ScriptedUiSeam& ui) {
             ui.dialogHandlers.push_back([](QDialog& d) {
                 auto& dlg = static_cast<SettingsDialog&>(d);
                 dlg.Edit(dlg.IdServerIp)->setText(QStringLiteral("127.0.0.1"));
                 dlg.Edit(dlg.IdAccessCode)->setText(QStringLiteral("td2"));
                 dlg.Edit(dlg.IdFilter)->setText(QStringLiteral("A"));
                 dlg.OnOK();
                 return dlg.result();
             });
             desktop->OpenSettings();
         },
         [](const ServerMessage&) { return ShiftedListFrame(true); },
         [](const ServerMessage& m) {
             EXPECT_EQ(m.MsgId(), kMsgSignupList);
             EXPECT_TRUE(m.GetFlag("82"));
             EXPECT_EQ(m.GetText("2"), "td2");
         },
         [&] {
             EXPECT_EQ(desktop->Desk().GetSettings().GetAccessCode(), "td2");
             EXPECT_EQ(desktop->Desk().GetSettings().GetPartialFilter(), "A");
             EXPECT_EQ(desktop->Desk().CurrentNote(), u"");
         }},
        {"reprint",
         [&](ScriptedUiSeam& ui) {
             ui.dialogHandlers.push_back([](QDialog& d) {
                 auto* dialog = dynamic_cast<TeamSelectionDialog*>(&d);
                 if (dialog == nullptr) {
                     ADD_FAILURE() << "expected the reprint dialog";
                     return int(QDialog::Rejected);
                 }
                 QListWidget* list = dialog->List();
                 for (int row = 0; row < list->count(); ++row)
                     if (list->item(row)->text().contains(QStringLiteral("Team 4"))) {
                         list->setCurrentRow(row);
                         list->item(row)->setSelected(true);
                     }
                 dialog->OnOK();
                 return dialog->result();
             });
             desktop->StartReprint();
         },
         [](const ServerMessage& m) { return TeamReplyFrame(m.GetInt("11"), m.GetInt("15")); },
         [](const ServerMessage& m) {
             EXPECT_EQ(m.MsgId(), kMsgPrintRequest);
             EXPECT_EQ(m.GetInt("15"), 4);
         },
         [&] { EXPECT_EQ(desktop->Desk().CurrentNote(), u"Printing Scorecard[cn:正在打印记分表]"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::mutex m;
        std::vector<ServerMessage> seen;
        auto take = [&](int fd) {
            const std::string frame = loopback::ReadFrame(fd, 3000ms);
            ServerMessage msg;
            msg.FromJsonText(frame.size() > 8 ? frame.substr(8) : std::string());
            std::lock_guard<std::mutex> lock(m);
            seen.push_back(msg);
            return msg;
        };
        int served = 0;
        loopback::ScriptedServer server(
            [&](int& fd) {
                const ServerMessage request = take(fd);
                if (served++ == 0) {
                    // The periodic poll: the server takes its time, and its
                    // reply moves the buttons.
                    std::this_thread::sleep_for(300ms);
                    loopback::SendAll(fd, ShiftedListFrame(false));
                } else {
                    loopback::SendAll(fd, c.answer(request));
                }
                loopback::ReadSome(fd, 1, 2s);
            },
            2);
        Synchronize(5, server.Port(), true);
        desktop->Desk().ShowNote(u"");
        ScriptedUiSeam ui;
        desktop->ForgetLastPress();
        desktop->Desk().RequestSignupList("", false, "", "td");
        ASSERT_TRUE(loopback::WaitUntil([&] { return server.Accepted() == 1; }));

        const auto start = std::chrono::steady_clock::now();
        c.act(ui);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 100ms);
        // The poll is due, but a waiting action goes first.
        desktop->SetListCountdown(0);
        for (int i = 0; i < 10; ++i)
            desktop->OnTick();

        ASSERT_TRUE(loopback::WaitUntil([&] {
            std::lock_guard<std::mutex> lock(m);
            return seen.size() == 2 && !desktop->Desk().IsConnectionInProgress();
        }));
        std::lock_guard<std::mutex> lock(m);
        EXPECT_EQ(seen[0].MsgId(), kMsgSignupList);
        c.checkRequest(seen[1]);
        c.checkAfter();
        TeamScorecardJob job;
        while (desktop->Desk().TakeTeamJob(job)) {
        }
    }
}

TEST_F(DesktopTest, ARefusedConfirmationSaysSoAndReopensTheDialogWithWhatWasTyped)
{
    loopback::ScriptedServer server([](int& fd) {
        loopback::ReadFrame(fd, 3000ms);
        // A wrong access code: the list comes back without the confirmation.
        loopback::SendAll(fd, ShiftedListFrame(false));
        loopback::ReadSome(fd, 1, 2s);
    });
    desktop->Desk().SetServerPort(server.Port());
    ScriptedUiSeam ui;
    ui.dialogHandlers.push_back([](QDialog& d) {
        auto& dlg = static_cast<SettingsDialog&>(d);
        dlg.Edit(dlg.IdServerIp)->setText(QStringLiteral("127.0.0.1"));
        dlg.Edit(dlg.IdAccessCode)->setText(QStringLiteral("wrong"));
        dlg.Edit(dlg.IdFilter)->setText(QStringLiteral("A;C#21~29"));
        dlg.Check(dlg.IdReprintAllowed)->setChecked(true);
        dlg.OnOK();
        return dlg.result();
    });
    std::string shownIp, shownCode, shownFilter;
    std::u16string shownWhy;
    ui.dialogHandlers.push_back([&](QDialog& d) {
        auto& dlg = static_cast<SettingsDialog&>(d);
        shownIp = dlg.Edit(dlg.IdServerIp)->text().toStdString();
        shownCode = dlg.Edit(dlg.IdAccessCode)->text().toStdString();
        shownFilter = dlg.Edit(dlg.IdFilter)->text().toStdString();
        // The note on the desktop is behind the dialog: the dialog says it.
        if (const QLabel* why = dlg.RefusalLabel(); why != nullptr && !why->isHidden())
            shownWhy = ToU16(why->text());
        return int(QDialog::Rejected);
    });
    desktop->OpenSettings();
    ASSERT_TRUE(loopback::WaitUntil([&] { return !desktop->Desk().IsConnectionInProgress(); }));
    EXPECT_EQ(desktop->Desk().CurrentNote(),
              u"Settings not accepted, please check the access code(cn:设置未被接受,请检查访问码).");
    EXPECT_FALSE(desktop->Desk().IsSynchronized());

    desktop->OnTick();
    Pump();
    EXPECT_EQ(ui.dialogsRun, 2);
    EXPECT_EQ(shownIp, "127.0.0.1");
    EXPECT_EQ(shownFilter, "A;C#21~29");
    EXPECT_EQ(shownCode, "");
    EXPECT_EQ(shownWhy, u"Settings not accepted, please check the access code(cn:设置未被接受,请检查访问码).");
    // Nothing of the refused settings is in force, the list asked for with
    // them is not shown, and no reprint is offered.
    EXPECT_EQ(desktop->Desk().GetSettings().GetAccessCode(), "");
    EXPECT_TRUE(desktop->Desk().GetFullList().empty());
    EXPECT_EQ(desktop->Desk().GetEventText(), "") << "the footer does not change";
    EXPECT_FALSE(desktop->ReprintButton()->isVisible());
}

TEST_F(DesktopTest, ReprintIsOfferedOnlyInStepWithTheServer)
{
    // Reprint allowed and the code required, as a settings file may say
    // before the server has confirmed anything.
    {
        std::lock_guard<std::mutex> lock(desktop->Desk().DeskMutex());
        desktop->Desk().SettingsLocked().SetReprintAllowed(true);
        desktop->Desk().SettingsLocked().SetCodeRequired(true);
    }
    ScriptedUiSeam ui;
    desktop->OnTick();
    EXPECT_FALSE(desktop->ReprintButton()->isVisible());
    desktop->StartReprint();
    EXPECT_EQ(ui.dialogsRun, 0) << "neither the code nor the team list is asked for";
    const DesktopBands bands = ComputeDesktopBands(desktop->ClientRect());
    desktop->OnPointerMove(bands.reprint.left + 5, bands.reprint.top + 5);
    EXPECT_EQ(desktop->GetHoverIndex(), -1);

    RequestLog log(0);
    Synchronize(2, log.Port(), true);
    desktop->OnTick();
    EXPECT_TRUE(desktop->ReprintButton()->isVisible());
    desktop->OnPointerMove(bands.reprint.left + 5, bands.reprint.top + 5);
    EXPECT_EQ(desktop->GetHoverIndex(), kReprintIndex);
}

TEST_F(DesktopTest, PageButtonsTurnPagesAndATouchPrintsTheEntryDrawn)
{
    RequestLog log(1);
    Synchronize(400, log.Port());
    const DesktopPageLayout first = ComputeDesktopPageLayout(desktop->ClientRect(), 400, 0);
    ASSERT_TRUE(first.paged);
    ASSERT_GE(first.pageCount, 3);
    EXPECT_EQ(DrawnEntries(*desktop).size(), size_t(first.count));

    // Previous leads nowhere on the first page; next turns to the second,
    // without a word to the server.
    const auto touch = [&](Point p) {
        desktop->ForgetLastPress();
        desktop->OnPointerPress(p.x, p.y);
        desktop->OnPointerRelease(p.x, p.y);
    };
    touch(Centre(first.previous));
    EXPECT_EQ(desktop->GetPage(), 0);
    touch(Centre(first.next));
    touch(Centre(first.next));
    touch(Centre(first.previous));
    EXPECT_EQ(desktop->GetPage(), 1);
    // A press on a page button released over an entry turns nothing.
    desktop->ForgetLastPress();
    desktop->OnPointerPress(Centre(first.next).x, Centre(first.next).y);
    desktop->OnPointerRelease(Centre(desktop->CellRect(first.count + 1)).x,
                              Centre(desktop->CellRect(first.count + 1)).y);
    EXPECT_EQ(desktop->GetPage(), 1);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(log.Accepted(), 0);

    // The second page's pictures and touches agree: touching where "A k" is
    // drawn asks for team k.
    const std::vector<std::pair<std::u16string, Rect>> drawn = DrawnEntries(*desktop);
    ASSERT_EQ(drawn.size(), size_t(first.count));
    EXPECT_EQ(drawn.front().first, u"A " + IntToWide(first.count + 1));
    const auto& [label, rect] = drawn[5];
    touch(Centre(rect));
    ASSERT_TRUE(loopback::WaitUntil([&] { return log.Count() == 1; }));
    EXPECT_EQ(u"A " + IntToWide(log.Requests()[0].GetInt("15")), label);
}

TEST_F(DesktopTest, AShrinkingListKeepsThePageValid)
{
    RequestLog log(0);
    Synchronize(400, log.Port());
    const int32_t pages = ComputeDesktopPageLayout(desktop->ClientRect(), 400, 0).pageCount;
    desktop->SetPage(pages - 1);
    EXPECT_FALSE(DrawnEntries(*desktop).empty());
    EXPECT_EQ(desktop->GetPage(), pages - 1);

    // Most entries are printed: the last page left is shown, and a touch
    // (before and after the next repaint) finds the entry drawn there.
    Synchronize(100, log.Port());
    const DesktopPageLayout shrunk = ComputeDesktopPageLayout(desktop->ClientRect(), 100, pages - 1);
    ASSERT_LT(shrunk.page, pages - 1);
    const int32_t last = 99;
    const Point p = Centre(desktop->CellRect(last));
    desktop->OnPointerMove(p.x, p.y);
    EXPECT_EQ(desktop->GetHoverIndex(), last);
    const std::vector<std::pair<std::u16string, Rect>> drawn = DrawnEntries(*desktop);
    EXPECT_EQ(desktop->GetPage(), shrunk.page);
    ASSERT_EQ(drawn.size(), size_t(shrunk.count));
    EXPECT_EQ(drawn.back().first, u"A 100");
    EXPECT_TRUE(desktop->CellRect(last).Contains(Centre(drawn.back().second)));

    // Down to one screen: no pages, and the page starts afresh.
    Synchronize(5, log.Port());
    EXPECT_EQ(DrawnEntries(*desktop).size(), 5u);
    EXPECT_EQ(desktop->GetPage(), 0);
}

// The largest list the kiosk accepts (a longer one is refused whole).
TEST_F(DesktopTest, TheLargestListAcceptedPaintsOnlyThePageShown)
{
    const int32_t n = int32_t(kMaxSignupEntries);
    RequestLog log(1);
    Synchronize(n, log.Port(), true);
    desktop->SetPage(50);
    const DesktopPageLayout layout = ComputeDesktopPageLayout(desktop->ClientRect(), n, 50);
    RecordingCanvas dc;
    desktop->PaintPicture(dc);
    size_t faces = 0;
    for (const CanvasCall& call : dc.Calls(CanvasOp::FillRoundRect))
        faces += call.colour == kTeamButtonColour;
    EXPECT_EQ(faces, size_t(layout.count));
    EXPECT_NE(dc.FindText(u"A " + IntToWide(layout.first + 1)), nullptr);
    const Point p = Centre(desktop->CellRect(layout.first + 7));
    desktop->OnPointerMove(p.x, p.y);
    EXPECT_EQ(desktop->GetHoverIndex(), layout.first + 7);

    // Entry 9999 is an entry like any other, not the reprint area.
    desktop->SetPage(9999 / (layout.rows * layout.columns));
    const Point q = Centre(desktop->CellRect(9999));
    desktop->OnPointerPress(q.x, q.y);
    desktop->OnPointerRelease(q.x, q.y);
    ASSERT_TRUE(loopback::WaitUntil([&] { return log.Count() == 1; }));
    EXPECT_EQ(log.Requests()[0].MsgId(), kMsgPrintRequest);
    EXPECT_EQ(log.Requests()[0].GetInt("15"), 10000);
}

// --- back in service without the director -------------------------------------------

namespace {

// Serves list requests: keeps each one and answers the n-th with replies[n]
// (an empty reply: the connection is closed unanswered, as a server that is
// still starting or a cable pulled mid-request does).
class ListServer {
public:
    explicit ListServer(std::vector<std::string> replies)
        : replies(std::move(replies)),
          server(
              [this](int& fd) {
                  const std::string frame = loopback::ReadFrame(fd, 3000ms);
                  size_t n;
                  {
                      std::lock_guard<std::mutex> lock(mutex);
                      n = bodies.size();
                      ServerMessage m;
                      m.FromJsonText(frame.size() > 8 ? frame.substr(8) : std::string());
                      bodies.push_back(m);
                  }
                  if (n < this->replies.size() && !this->replies[n].empty()) {
                      loopback::SendAll(fd, this->replies[n]);
                      loopback::ReadSome(fd, 1, 1s);
                  }
              },
              static_cast<int>(this->replies.size()))
    {
    }
    uint16_t Port() const { return server.Port(); }
    std::vector<ServerMessage> Requests()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return bodies;
    }

private:
    std::vector<std::string> replies;
    std::mutex mutex;
    std::vector<ServerMessage> bodies;
    loopback::ScriptedServer server;
};

// Ticks the desktop until `done` or `limit`.
template <typename Pred>
bool TickUntil(SelfPrintDesktop& desktop, Pred done, std::chrono::milliseconds limit = 8000ms)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        desktop.OnTick();
        Pump(20ms);
    }
    return true;
}

} // namespace

TEST_F(DesktopTest, UnattendedStartRetriesUntilTheServerConfirmsTheSavedSettings)
{
    WriteWholeFile(dir.File("Self_Print.txt"), "{\"1\":\"127.0.0.1\",\"5\":\"Finals\",\"7\":\"A\",\"9\":1}\n", 1);
    desktop->Desk().LoadSettings();
    // Twice no answer, then the confirmation.
    ListServer server({"", "", ShiftedListFrame(true)});
    desktop->Desk().SetServerPort(server.Port());
    desktop->SetUnattendedRetryMs(50);
    ScriptedUiSeam ui;
    EXPECT_EQ(desktop->GetStartupState(), SelfPrintDesktop::StartupState::WaitingForDirector);
    desktop->StartUnattended("td");
    EXPECT_EQ(desktop->GetStartupState(), SelfPrintDesktop::StartupState::Confirming);

    ASSERT_TRUE(TickUntil(*desktop, [&] { return desktop->Desk().IsSynchronized(); }));
    desktop->OnTick();
    EXPECT_EQ(desktop->GetStartupState(), SelfPrintDesktop::StartupState::InService);
    EXPECT_EQ(desktop->UnattendedAttempts(), 3);
    EXPECT_EQ(ui.dialogsRun, 0) << "nobody is asked anything";
    const std::vector<ServerMessage> requests = server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    for (const ServerMessage& m : requests) {
        EXPECT_EQ(m.MsgId(), kMsgSignupList);
        EXPECT_TRUE(m.GetFlag(MsgKey::kConfirmed)) << "a confirmation, as the director's OK sends";
        EXPECT_EQ(m.GetText(MsgKey::kAccessCode), "td");
        EXPECT_EQ(m.GetText(MsgKey::kFilter), "A") << "the saved filter";
    }
    // In service with the saved settings and the code (for the director's
    // gate), and the code is still not written anywhere.
    const KioskSettings inForce = desktop->Desk().GetSettings();
    EXPECT_EQ(inForce.GetTitle(), "Finals");
    EXPECT_EQ(inForce.GetAccessCode(), "td");
    EXPECT_EQ(desktop->Desk().GetPrintableList().size(), 4u);
    EXPECT_EQ(ReadWholeFile(dir.File("Self_Print.txt")).find("td"), std::string::npos);
}

TEST_F(DesktopTest, UnattendedStartGivesUpOnARefusedCodeAndWaitsForTheDirector)
{
    WriteWholeFile(dir.File("Self_Print.txt"), "{\"1\":\"127.0.0.1\",\"9\":1}\n", 1);
    desktop->Desk().LoadSettings();
    ListServer server({ShiftedListFrame(false)});
    desktop->Desk().SetServerPort(server.Port());
    desktop->SetUnattendedRetryMs(50);
    ScriptedUiSeam ui;
    desktop->StartUnattended("wrong");
    ASSERT_TRUE(TickUntil(*desktop, [&] {
        return desktop->GetStartupState() == SelfPrintDesktop::StartupState::CodeRefused;
    }));
    // No dialog over an unattended kiosk, no second try with the same code.
    for (int i = 0; i < 20; ++i) {
        desktop->OnTick();
        Pump(10ms);
    }
    EXPECT_EQ(ui.dialogsRun, 0);
    EXPECT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(desktop->UnattendedAttempts(), 1);
    EXPECT_FALSE(desktop->Desk().IsSynchronized());

    // The screen says so in the title band.
    RecordingCanvas dc;
    desktop->PaintPicture(dc);
    const std::u16string expected =
        u"  The access code given at start was not accepted by the server; waiting for the director.  ";
    const std::vector<std::u16string> texts = dc.Texts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), expected), texts.end());
}

TEST_F(DesktopTest, UnattendedStartWithoutConfirmedSettingsSendsNothing)
{
    // Never confirmed: no server address saved. The built-in default
    // address is never asked on the kiosk's own.
    RequestLog log(1);
    desktop->Desk().SetServerPort(log.Port());
    desktop->SetUnattendedRetryMs(10);
    desktop->StartUnattended("td");
    for (int i = 0; i < 30; ++i) {
        desktop->OnTick();
        Pump(10ms);
    }
    EXPECT_EQ(log.Accepted(), 0);
    EXPECT_EQ(desktop->GetStartupState(), SelfPrintDesktop::StartupState::WaitingForDirector);
    EXPECT_EQ(SelfPrintDesktop::StartupStatusText(desktop->GetStartupState(), 0, "", 1),
              u"Waiting for the director: choose Settings... in the menu and confirm them.");
    EXPECT_EQ(SelfPrintDesktop::StartupStatusText(SelfPrintDesktop::StartupState::Confirming, 3, "127.0.0.1", 1),
              u"Confirming the saved settings with the scoring server 127.0.0.1 (attempt 3)...");
    EXPECT_EQ(SelfPrintDesktop::StartupStatusText(SelfPrintDesktop::StartupState::Confirming, 0, "10.0.0.9", 0),
              u"正在与记分服务器 10.0.0.9 确认设置 (第 1 次)...");
}
