#include "foundation/DataFolderChoice.h"
#include "foundation/Files.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

// Folders the kiosk cannot make are folders under a plain file: that holds
// for every user, root included, where a folder without write permission
// would not.
class DataFolderChoiceTable : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp.Valid());
        ASSERT_TRUE(CreateFolders(program));
        std::ofstream(root + "plain-file") << "x";
    }
    TempDir temp{"bp-datafolder"};
    const std::string root = temp.Path() + "/";
    const std::string program = root + "opt/kiosk/";
    const std::string blocked = root + "plain-file/below";
};

} // namespace

TEST_F(DataFolderChoiceTable, PicksOptionThenPortableThenStateFolder)
{
    struct Case {
        const char* what;
        bool programWritable;
        std::string option, stateHome, home;
        DataFolderSource source;
        std::string folder;
        bool usable;
    } cases[] = {
        {"portable", true, "", root + "state", root + "home", DataFolderSource::Portable, program + "ztxt/", true},
        {"option over portable", true, root + "given/deep", "", "", DataFolderSource::Option, root + "given/deep/",
         true},
        {"option over state", false, root + "given2/", root + "state", root + "home", DataFolderSource::Option,
         root + "given2/", true},
        {"option not creatable, no falling back", true, blocked, root + "state", root + "home",
         DataFolderSource::Option, blocked + "/", false},
        {"installed, XDG_STATE_HOME set", false, "", root + "state", root + "home", DataFolderSource::State,
         root + "state/bridgeprint-kiosk/", true},
        {"installed, XDG_STATE_HOME unset", false, "", "", root + "home", DataFolderSource::State,
         root + "home/.local/state/bridgeprint-kiosk/", true},
        {"installed, XDG_STATE_HOME relative is ignored", false, "", "rel/state", root + "home2",
         DataFolderSource::State, root + "home2/.local/state/bridgeprint-kiosk/", true},
        {"installed, XDG_STATE_HOME not creatable", false, "", blocked, root + "home", DataFolderSource::State,
         blocked + "/bridgeprint-kiosk/", false},
        {"installed, HOME not creatable", false, "", "", blocked, DataFolderSource::State,
         blocked + "/.local/state/bridgeprint-kiosk/", false},
    };
    for (const Case& c : cases) {
        DataFolderRequest request;
        request.programFolder = program;
        request.programFolderWritable = c.programWritable;
        request.dataDirOption = c.option;
        request.xdgStateHome = c.stateHome;
        request.home = c.home;
        const DataFolderChoice choice = ChooseDataFolder(request);
        EXPECT_EQ(choice.source, c.source) << c.what;
        EXPECT_EQ(choice.folder, c.folder) << c.what;
        EXPECT_EQ(choice.usable, c.usable) << c.what;
        EXPECT_EQ(FolderExists(c.folder), c.usable) << c.what;
        // A folder that cannot be used is named in the message, for whoever
        // has to fix it.
        if (c.usable)
            EXPECT_EQ(choice.problem, "") << c.what;
        else
            EXPECT_NE(choice.problem.find(c.folder), std::string::npos) << c.what << ": " << choice.problem;
    }
}

TEST_F(DataFolderChoiceTable, NoHomeAtAllIsReportedNotGuessed)
{
    DataFolderRequest request;
    request.programFolder = program;
    const DataFolderChoice choice = ChooseDataFolder(request);
    EXPECT_FALSE(choice.usable);
    EXPECT_NE(choice.problem.find("HOME"), std::string::npos) << choice.problem;
}

// The running test program sits in the build tree, which can be written: it
// is portable, which is what the tests and desktop sessions rely on.
TEST(DataFolderOfThisRun, BuildTreeIsPortable)
{
    const DataFolderRequest request = DataFolderRequestOfThisRun("");
    EXPECT_TRUE(request.programFolderWritable);
    EXPECT_EQ(DataFolder(), ProgramFolder() + "ztxt/");
}
