#include "kiosk/AccessCodeDialog.h"
#include "platform/QtText.h"
#include "platform/UiSeam.h"

#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

// A dialog handler that types `code` and presses OK.
std::function<int(QDialog&)> Type(const char* code)
{
    return [code](QDialog& d) {
        auto& dlg = static_cast<AccessCodeDialog&>(d);
        dlg.CodeBox()->setText(QString::fromUtf8(code));
        dlg.OnOK();
        return dlg.result();
    };
}

} // namespace

TEST(AccessCodeDialog, ShowsItsTextsAndCountsDownToACancel)
{
    for (LangIndex lang : {0, 1}) {
        AccessCodeDialog dlg(lang, 16);
        EXPECT_TRUE(dlg.TimerRunning());
        EXPECT_EQ(dlg.CodeBox()->echoMode(), QLineEdit::Password);
        dlg.OnTimerTick();
        EXPECT_EQ(ToU16(dlg.CancelButton()->text()), lang == 0 ? u"取 消(15)" : u"Cancel(15)");
        for (int i = 0; i < 15; ++i)
            dlg.OnTimerTick();
        EXPECT_EQ(dlg.Countdown(), 0);
        EXPECT_TRUE(dlg.TimerRunning()) << "still open while 0 is shown";
        dlg.OnTimerTick();
        EXPECT_EQ(ToU16(dlg.CancelButton()->text()), lang == 0 ? u"取 消(-1)" : u"Cancel(-1)");
        EXPECT_FALSE(dlg.TimerRunning());
        EXPECT_EQ(dlg.result(), QDialog::Rejected);
    }
    AccessCodeDialog english(1, 16);
    EXPECT_EQ(ToU16(english.windowTitle()), u" Please input TD password[cn:请输入接入码]");
    EXPECT_EQ(ToU16(english.KeyboardButton()->text()), u"Show OSK");
}

TEST(AccessCodeGate, ComparesWithoutRegardToCase)
{
    struct Case {
        const char* name;
        bool synchronized;
        const char* stored;
        std::function<int(QDialog&)> answer;
        bool expected;
        bool wrongCodeMessage;
    } cases[] = {
        {"not in step: no question asked", false, "secret", nullptr, true, false},
        {"other letter case", true, "Secret", Type("sECRET"), true, false},
        {"no code stored, none typed", true, "", Type(""), true, false},
        {"wrong code", true, "secret", Type("secrets"), false, true},
        {"cancelled", true, "secret", [](QDialog&) { return int(QDialog::Rejected); }, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedUiSeam ui;
        if (c.answer)
            ui.dialogHandlers.push_back(c.answer);
        EXPECT_EQ(RunAccessCodeGate(c.synchronized, c.stored, 1, nullptr), c.expected);
        EXPECT_EQ(ui.dialogsRun, c.synchronized ? 1 : 0);
        if (c.wrongCodeMessage) {
            ASSERT_EQ(ui.messages.size(), 1u);
            EXPECT_EQ(ui.messages[0].text, u"The access code is incorrect.");
            EXPECT_EQ(ui.messages[0].style, 0u);
        } else {
            EXPECT_TRUE(ui.messages.empty());
        }
    }
}
