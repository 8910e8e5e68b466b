#include "foundation/AccessCodeCredential.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>

namespace {

std::string Write(const std::string& path, const std::string& bytes, mode_t mode)
{
    std::ofstream(path, std::ios::binary) << bytes;
    chmod(path.c_str(), mode);
    return path;
}

} // namespace

TEST(AccessCodeCredential, OptionWinsThenTheServiceManagersCredential)
{
    TempDir dir("bp-credential");
    ASSERT_TRUE(dir.Valid());
    EXPECT_EQ(AccessCodeCredentialPath("/etc/kiosk/code", dir.Path().c_str()), "/etc/kiosk/code");
    EXPECT_EQ(AccessCodeCredentialPath("", nullptr), "");
    EXPECT_EQ(AccessCodeCredentialPath("", ""), "");
    EXPECT_EQ(AccessCodeCredentialPath("", dir.Path().c_str()), "") << "no credential in the folder";
    Write(dir.File("access-code"), "td\n", 0400);
    EXPECT_EQ(AccessCodeCredentialPath("", dir.Path().c_str()), dir.Path() + "/access-code");
    EXPECT_EQ(AccessCodeCredentialPath("", (dir.Path() + "/").c_str()), dir.Path() + "/access-code");
}

TEST(AccessCodeCredential, ReadsOneLineFromAPrivateFileAndSaysWhyOtherwise)
{
    TempDir dir("bp-credential");
    ASSERT_TRUE(dir.Valid());
    struct Case {
        const char* what;
        std::string bytes;
        mode_t mode;
        bool mustBePrivate;
        std::string code;    // expected code; empty when refused
        std::string problem; // a piece of the expected problem
    } cases[] = {
        {"plain line", "td2026\n", 0600, true, "td2026", ""},
        {"no line end", "td2026", 0400, true, "td2026", ""},
        {"windows line end and blanks", "td 2026 \t\r\n", 0600, true, "td 2026", ""},
        {"readable by others", "td\n", 0644, true, "", "mode 0644"},
        {"writable by the group", "td\n", 0620, true, "", "chmod 600"},
        {"service credential with an access list", "td\n", 0440, false, "td", ""},
        {"empty", "", 0600, true, "", "holds no access code"},
        {"blank lines only", "\n\n", 0600, true, "", "holds no access code"},
        {"two lines", "td\nsecond\n", 0600, true, "", "more than one line"},
        {"too large", std::string(kMaxAccessCodeFileBytes + 1, 'x'), 0600, true, "", "more than 4096 bytes"},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = Write(dir.File("code-" + std::to_string(n++)), c.bytes, c.mode);
        const AccessCodeCredential got = ReadAccessCodeCredential(path, c.mustBePrivate);
        EXPECT_TRUE(got.Given());
        EXPECT_EQ(got.code, c.code);
        EXPECT_EQ(got.Usable(), !c.code.empty());
        if (c.problem.empty()) {
            EXPECT_EQ(got.problem, "");
        } else {
            EXPECT_NE(got.problem.find(c.problem), std::string::npos) << got.problem;
            EXPECT_EQ(got.problem.rfind(path, 0), 0u) << "the problem names the file";
        }
    }

    const AccessCodeCredential missing = ReadAccessCodeCredential(dir.File("absent"), true);
    EXPECT_FALSE(missing.Usable());
    EXPECT_FALSE(missing.problem.empty());
    const AccessCodeCredential folder = ReadAccessCodeCredential(dir.Path(), true);
    EXPECT_FALSE(folder.Usable());
    EXPECT_FALSE(ReadAccessCodeCredential("", true).Given());
}
