#include "settings/TeamSelectionDialog.h"
#include "platform/QtText.h"
#include "platform/UiSeam.h"

#include <QListWidget>
#include <QMenu>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

SignupEntry Entry(int32_t section, int32_t team, const std::string& name = "", bool pair = false,
                  const std::string& sectionName = "")
{
    SignupEntry e;
    e.SetSectionId(section);
    e.SetSectionName(sectionName.empty() ? std::to_string(section) : sectionName);
    e.SetTeamNumber(team);
    e.SetTeamName(name);
    e.SetIsPair(pair);
    return e;
}

std::vector<std::string> Rows(const TeamSelectionDialog& dlg)
{
    std::vector<std::string> rows;
    for (int i = 0; i < dlg.List()->count(); ++i)
        rows.push_back(dlg.List()->item(i)->text().toStdString());
    return rows;
}

class TeamSelection : public ::testing::Test {
protected:
    ScriptedUiSeam ui;
};

} // namespace

TEST_F(TeamSelection, OrdersByNumberThenPaddedSectionThenName)
{
    struct Case {
        const char* name;
        std::vector<SignupEntry> entries;
        std::vector<std::string> rows;
    } cases[] = {
        {"one section", {Entry(1, 3), Entry(1, 1), Entry(1, 2)}, {"1 (1)", "2 (1)", "3 (1)"}},
        {"sections interleave by number",
         {Entry(1, 1), Entry(1, 2), Entry(1, 3), Entry(2, 1), Entry(2, 2)},
         {"1 (1)", "1 (2)", "2 (1)", "2 (2)", "3 (1)"}},
        {"section 9 before 10", {Entry(10, 1), Entry(9, 1)}, {"1 (9)", "1 (10)"}},
        {"north-south before east-west",
         {Entry(1, -2, "", true), Entry(1, 2, "", true), Entry(1, -1, "", true), Entry(1, 1, "", true)},
         {"NS1 (1)", "NS2 (1)", "EW1 (1)", "EW2 (1)"}},
        {"equal keys collapse", {Entry(1, 4, "Aces"), Entry(1, 4, "Aces"), Entry(1, 4, "Kings")},
         {"4.Aces (1)", "4.Kings (1)"}},
    };
    for (const Case& c : cases) {
        TeamSelectionDialog dlg(1, c.entries);
        EXPECT_EQ(Rows(dlg), c.rows) << c.name;
    }
}

TEST_F(TeamSelection, SingleRowIsPreselectedAndOkReturnsItsNumbers)
{
    TeamSelectionDialog dlg(1, {Entry(3, -7, "Lee - Wong", true, "B")});
    EXPECT_EQ(ToU16(dlg.windowTitle()), u" Print confirm[cn:打印确认]");
    EXPECT_FALSE(dlg.QuickFindButton()->isEnabled());
    dlg.OnOK();
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.GetChosenSection(), 3);
    EXPECT_EQ(dlg.GetChosenTeam(), -7);
    EXPECT_FALSE(dlg.TimerRunning());
}

TEST_F(TeamSelection, OkWithoutASelectionAsksForOne)
{
    TeamSelectionDialog dlg(0, {Entry(1, 1), Entry(1, 2)});
    dlg.OnOK();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, u"请选择一个.");
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    EXPECT_TRUE(dlg.TimerRunning());
    dlg.List()->setCurrentRow(1);
    dlg.OnOK();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.GetChosenTeam(), 2);
}

TEST_F(TeamSelection, CountsDownAndCancelsItself)
{
    TeamSelectionDialog dlg(1, {});
    EXPECT_EQ(dlg.List()->count(), 0);
    dlg.OnTimerTick();
    EXPECT_EQ(ToU16(dlg.CancelButton()->text()), u"Cancel(15)");
    for (int i = 0; i < 15; ++i)
        dlg.OnTimerTick();
    EXPECT_EQ(ToU16(dlg.CancelButton()->text()), u"Cancel(0)");
    EXPECT_TRUE(dlg.TimerRunning());
    dlg.OnTimerTick();
    EXPECT_FALSE(dlg.TimerRunning());
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
}

TEST_F(TeamSelection, QuickFindNarrowsToAGroupAndAlwaysOffersTheWholeList)
{
    std::vector<SignupEntry> entries;
    for (int n = 1; n <= 25; ++n)
        entries.push_back(Entry(1, n, "", false, "A"));
    entries.push_back(Entry(2, 1, "", false, "B"));

    {
        TeamSelectionDialog small(1, std::vector<SignupEntry>(entries.begin(), entries.begin() + 20));
        EXPECT_FALSE(small.QuickFindButton()->isEnabled());
    }
    TeamSelectionDialog dlg(1, entries);
    ASSERT_TRUE(dlg.QuickFindButton()->isEnabled());
    std::vector<std::string> offered;
    auto choose = [&offered](int which) {
        return [&offered, which](QMenu& menu) -> QAction* {
            offered.clear();
            for (QAction* a : menu.actions())
                offered.push_back(a->text().toStdString() + "#" + a->data().toString().toStdString());
            return menu.actions().value(which);
        };
    };
    ui.menuHandlers.push_back(choose(1));
    dlg.OnQuickFind();
    EXPECT_EQ(offered, (std::vector<std::string>{"A (1~12)#3199", "A (13~25)#3200", "B#3201"}));
    EXPECT_EQ(dlg.List()->count(), 13);
    EXPECT_EQ(Rows(dlg).front(), "13 (A)");

    ui.menuHandlers.push_back(choose(2));
    dlg.OnQuickFind();
    EXPECT_EQ(offered.size(), 3u) << "the second search still sees every group";
    ASSERT_EQ(Rows(dlg), (std::vector<std::string>{"1 (B)"}));
    EXPECT_TRUE(dlg.List()->selectedItems().isEmpty()) << "a single row left is not selected";

    ui.menuHandlers.push_back([](QMenu&) -> QAction* { return nullptr; });
    dlg.OnQuickFind();
    EXPECT_EQ(dlg.List()->count(), 1) << "dismissing the menu changes nothing";
}
