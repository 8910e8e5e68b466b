#include "settings/SettingsDialog.h"
#include "platform/QtText.h"
#include "platform/UiSeam.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

class SettingsDialogTest : public ::testing::Test {
protected:
    ScriptedUiSeam ui;
};

} // namespace

TEST_F(SettingsDialogTest, OpensWithTheCopyAndTheDefaultAddress)
{
    KioskSettings s;
    s.SetTitle("Open Teams");
    s.SetPartialFilter("B");
    s.SetCodeRequired(true);
    s.SetAccessCode("kept-out");
    SettingsDialog dlg(1, s);
    EXPECT_EQ(ToU16(dlg.windowTitle()), u" settings[cn:设置]");
    EXPECT_EQ(dlg.Edit(dlg.IdServerIp)->text().toStdString(), kDefaultServerIp);
    EXPECT_EQ(dlg.Edit(dlg.IdAccessCode)->text(), QString());
    EXPECT_EQ(dlg.Edit(dlg.IdAccessCode)->echoMode(), QLineEdit::Password);
    EXPECT_EQ(dlg.Edit(dlg.IdTitle)->text(), QStringLiteral("Open Teams"));
    EXPECT_EQ(dlg.Edit(dlg.IdFilter)->text(), QStringLiteral("B"));
    EXPECT_TRUE(dlg.Check(dlg.IdCodeRequired)->isChecked());
    EXPECT_FALSE(dlg.Check(dlg.IdReprintAllowed)->isChecked());
    // The switches keep their Chinese captions; the hidden Swiss controls stay hidden.
    EXPECT_EQ(ToU16(dlg.Check(dlg.IdReprintAllowed)->text()), u"可补打");
    EXPECT_EQ(ToU16(dlg.Check(dlg.IdCodeRequired)->text()), u"需密码");
    EXPECT_EQ(ToU16(static_cast<QLabel*>(dlg.Control(dlg.IdServerLabel))->text()), u"Scoring Server IP");
    EXPECT_EQ(ToU16(static_cast<QPushButton*>(dlg.Control(dlg.IdOk))->text()), u"OK");
    dlg.show();
    EXPECT_TRUE(dlg.Control(dlg.IdSwissLabel)->isHidden());
    EXPECT_TRUE(dlg.Control(dlg.IdSwissRounds)->isHidden());
    EXPECT_EQ(dlg.focusWidget(), dlg.Edit(dlg.IdAccessCode));

    SettingsDialog chinese(0, KioskSettings());
    EXPECT_EQ(ToU16(chinese.windowTitle()), u" 设置");
    EXPECT_EQ(ToU16(static_cast<QPushButton*>(chinese.Control(chinese.IdCancel))->text()), u"取 消");
}

TEST_F(SettingsDialogTest, ChecksTheAddressLengthThenTheCode)
{
    struct Case {
        const char* name;
        const char* address;
        const char* code;
        const char16_t* message; // null: accepted
    } cases[] = {
        {"address too short", "1.2.3.4", "x", u"Please enter a compliant IP address(cn:请输入合规的IP)."},
        {"no address", "", "x", u"Please enter a compliant IP address(cn:请输入合规的IP)."},
        {"no code", "10.0.0.1", "", u"Please enter a TD password (cn:请输入接入码)."},
        {"address and code", "10.0.0.1", "x", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ui.messages.clear();
        SettingsDialog dlg(1, KioskSettings());
        dlg.Edit(dlg.IdServerIp)->setText(QString::fromUtf8(c.address));
        dlg.Edit(dlg.IdAccessCode)->setText(QString::fromUtf8(c.code));
        dlg.OnOK();
        if (c.message) {
            ASSERT_EQ(ui.messages.size(), 1u);
            EXPECT_EQ(ui.messages[0].text, c.message);
            EXPECT_NE(dlg.result(), QDialog::Accepted);
            EXPECT_EQ(dlg.Settings().GetServerIp(), "") << "nothing stored on a refused OK";
        } else {
            EXPECT_TRUE(ui.messages.empty());
            EXPECT_EQ(dlg.result(), QDialog::Accepted);
        }
    }
}

TEST_F(SettingsDialogTest, OkStoresEverythingAsTyped)
{
    KioskSettings s;
    s.SetLangIndex(1);
    s.SetSwissStartRound(3);
    SettingsDialog dlg(1, s);
    dlg.Edit(dlg.IdServerIp)->setText(QStringLiteral(" 127.0.0.1 "));
    dlg.Edit(dlg.IdAccessCode)->setText(QStringLiteral("Td42"));
    dlg.Edit(dlg.IdTitle)->setText(QStringLiteral("  第三轮 "));
    dlg.Edit(dlg.IdFilter)->setText(QStringLiteral("xyz"));
    dlg.OnExample();
    dlg.Check(dlg.IdReprintAllowed)->setChecked(true);
    dlg.OnOK();
    ASSERT_EQ(dlg.result(), QDialog::Accepted);
    const KioskSettings& out = dlg.Settings();
    EXPECT_EQ(out.GetServerIp(), " 127.0.0.1 ");
    EXPECT_EQ(out.GetAccessCode(), "Td42");
    EXPECT_EQ(out.GetTitle(), "  第三轮 ");
    EXPECT_EQ(out.GetPartialFilter(), "A;C#21~29");
    EXPECT_TRUE(out.GetReprintAllowed());
    EXPECT_FALSE(out.GetCodeRequired());
    EXPECT_EQ(out.GetLangIndex(), 1);
    EXPECT_EQ(out.GetSwissStartRound(), 3);
}

TEST_F(SettingsDialogTest, LaidOutInTouchSizedDialogUnits)
{
    SettingsDialog dlg(0, KioskSettings());
    // A finger needs buttons of at least about 9 mm: 28 pixels or more.
    EXPECT_GE(dlg.Control(dlg.IdOk)->height(), 28);
    const QRect ok = dlg.Control(dlg.IdOk)->geometry();
    const QRect cancel = dlg.Control(dlg.IdCancel)->geometry();
    EXPECT_EQ(ok.width(), cancel.width());
    EXPECT_LT(ok.bottom(), cancel.top());
    EXPECT_LE(ok.right(), dlg.width());
    EXPECT_LE(dlg.Edit(dlg.IdFilter)->geometry().bottom(), dlg.height());
}

TEST_F(SettingsDialogTest, EveryCaptionFitsItsBoxInBothLanguages)
{
    for (LangIndex lang : {kLangChinese, kLangEnglish}) {
        SettingsDialog dlg(lang, KioskSettings());
        for (const QLabel* label : dlg.findChildren<QLabel*>()) {
            const int needed = QFontMetrics(label->font()).horizontalAdvance(label->text());
            EXPECT_LE(needed, label->width()) << label->text().toStdString() << " in language " << lang;
        }
    }
}
