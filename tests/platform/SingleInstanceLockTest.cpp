#include "platform/ProcessServices.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kFlag = "SingleClientFlag-test";

// A folder made with exactly `mode`, whatever the umask.
std::string MakeFolder(const std::string& path, mode_t mode)
{
    mkdir(path.c_str(), 0700);
    chmod(path.c_str(), mode);
    return path;
}

class LockPlace : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(temp.Valid()); }
    TempDir temp{"bp-lock"};
    const std::string shared = temp.Path() + "/tmp/";
    const std::string ownFolder = shared + kFlag + "-" + std::to_string(geteuid()) + "/";
    const std::string ownPath = ownFolder + kFlag + ".lock";

    void SetUpShared() { MakeFolder(shared, 01777); }
};

} // namespace

TEST_F(LockPlace, TheRuntimeFolderIsUsedOnlyWhenItIsOursAlone)
{
    SetUpShared();
    const std::string good = MakeFolder(temp.File("run-good"), 0700);
    const std::string open = MakeFolder(temp.File("run-open"), 0777);
    const std::string group = MakeFolder(temp.File("run-group"), 0770);
    const std::string goodSlash = good + "/";
    const std::string plain = temp.File("run-file");
    std::ofstream(plain) << "x";
    // Root owns every folder it makes; another user's folder is then one
    // given away, otherwise one of root's.
    std::string foreign = "/proc";
    if (geteuid() == 0) {
        foreign = MakeFolder(temp.File("run-foreign"), 0700);
        ASSERT_EQ(chown(foreign.c_str(), 65534, 65534), 0);
    }

    struct Case {
        const char* name;
        const char* runtimeDir;
        std::string path;
        const char* note; // a part of the note; empty: no note
    } cases[] = {
        {"unset", nullptr, ownPath, ""},
        {"empty", "", ownPath, ""},
        {"good", good.c_str(), good + "/" + kFlag + ".lock", ""},
        {"good with slash", goodSlash.c_str(), good + "/" + kFlag + ".lock", ""},
        {"world-writable", open.c_str(), ownPath, "writable by others"},
        {"group-writable", group.c_str(), ownPath, "writable by others"},
        {"not ours", foreign.c_str(), ownPath, "owned by another user"},
        {"a file", plain.c_str(), ownPath, "not a folder"},
        {"missing", "/no/such/runtime/folder", ownPath, "No such file"},
    };
    for (const Case& c : cases) {
        const LockPathChoice choice = ChooseSingleInstanceLockPath(kFlag, c.runtimeDir, shared);
        EXPECT_EQ(choice.path, c.path) << c.name;
        if (*c.note == '\0')
            EXPECT_EQ(choice.note, "") << c.name;
        else
            EXPECT_NE(choice.note.find(c.note), std::string::npos) << c.name << ": " << choice.note;
    }
    struct stat st {};
    ASSERT_EQ(lstat(ownFolder.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700U);
}

TEST_F(LockPlace, AFolderSomeoneElseMadeAtOurNameIsNotUsed)
{
    SetUpShared();
    const std::string elsewhere = MakeFolder(temp.File("elsewhere"), 0700);
    struct Case {
        const char* name;
        void (*make)(const std::string& folder, const std::string& elsewhere);
        const char* note;
    } cases[] = {
        {"link",
         [](const std::string& f, const std::string& e) { symlink(e.c_str(), f.substr(0, f.size() - 1).c_str()); },
         "a link"},
        {"open to all", [](const std::string& f, const std::string&) { MakeFolder(f, 0777); }, "writable by others"},
        {"a file", [](const std::string& f, const std::string&) { std::ofstream(f.substr(0, f.size() - 1)) << "x"; },
         "not a folder"},
    };
    for (const Case& c : cases) {
        c.make(ownFolder, elsewhere);
        const LockPathChoice choice = ChooseSingleInstanceLockPath(kFlag, nullptr, shared);
        EXPECT_EQ(choice.path, "") << c.name;
        EXPECT_NE(choice.note.find(c.note), std::string::npos) << c.name << ": " << choice.note;
        // No lock path means the kiosk runs without the check.
        EXPECT_TRUE(SingleInstanceLock(choice.path).Held()) << c.name;
        std::filesystem::remove_all(ownFolder.substr(0, ownFolder.size() - 1));
    }
    if (geteuid() == 0) {
        MakeFolder(ownFolder, 0700);
        ASSERT_EQ(chown(ownFolder.c_str(), 65534, 65534), 0);
        const LockPathChoice choice = ChooseSingleInstanceLockPath(kFlag, nullptr, shared);
        EXPECT_EQ(choice.path, "");
        EXPECT_NE(choice.note.find("owned by another user"), std::string::npos) << choice.note;
    }
}

TEST_F(LockPlace, TwoLocksOnOnePathExcludeEachOtherAndOtherUsersCannotInterfere)
{
    SetUpShared();
    const std::string path = ChooseSingleInstanceLockPath(kFlag, nullptr, shared).path;
    ASSERT_EQ(path, ownPath);

    // Another user holds the lock of the old shared place and the one in
    // their own folder: neither is ours.
    const SingleInstanceLock oldShared(shared + kFlag + ".lock");
    const std::string otherFolder = MakeFolder(shared + kFlag + "-" + std::to_string(geteuid() + 1), 0700);
    const SingleInstanceLock otherUser(otherFolder + "/" + kFlag + ".lock");
    ASSERT_TRUE(oldShared.Held());
    ASSERT_TRUE(otherUser.Held());

    {
        const SingleInstanceLock first(path);
        EXPECT_TRUE(first.Held());
        const SingleInstanceLock second(path);
        EXPECT_FALSE(second.Held());
    }
    // The first kiosk is gone: the next one starts.
    EXPECT_TRUE(SingleInstanceLock(path).Held());
}

TEST_F(LockPlace, ALinkAtTheLockNameIsNeverFollowed)
{
    const std::string target = temp.File("target");
    const std::string path = temp.File("flag.lock");
    ASSERT_EQ(symlink(target.c_str(), path.c_str()), 0);
    EXPECT_TRUE(SingleInstanceLock(path).Held()); // runs without the check
    EXPECT_EQ(access(target.c_str(), F_OK), -1);

    ASSERT_EQ(mkfifo(temp.File("fifo.lock").c_str(), 0600), 0);
    EXPECT_TRUE(SingleInstanceLock(temp.File("fifo.lock")).Held());
}
