// The kiosk program as the person looking after the kiosk PC runs it: help
// and version without any display, a refused option, and --data-dir.

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

struct KioskRun {
    int status = -1; // exit status (128 + signal when killed); -1 when it did not end by itself
    std::string out, err;
};

std::string ReadAll(const std::string& path)
{
    std::string text;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
            text.append(buffer, n);
        std::fclose(f);
    }
    return text;
}

// Starts the kiosk with `args` in an environment of `env` alone (no display
// unless it names one) and waits for it `seconds`, or until `enough` says
// what was to be seen has happened; a kiosk still running then is ended, and
// its status left at -1.
KioskRun RunKiosk(const TempDir& temp, const std::vector<std::string>& args, const std::vector<std::string>& env,
                  int seconds, const std::function<bool()>& enough = nullptr, const std::string& settings = "")
{
    // With `settings`: the file is put first in the folder given last in
    // `args` (the --data-dir folder), and the kiosk runs without a network.
    std::vector<std::string> argStore{KIOSK_BINARY};
    std::string program = KIOSK_BINARY;
    if (!settings.empty()) {
        const std::string folder = args.back();
        std::filesystem::create_directories(folder);
        std::ofstream(folder + "/Self_Print.txt") << settings << "\n";
        argStore = {"unshare", "-n", "--", KIOSK_BINARY};
        program = "/usr/bin/unshare";
    }
    argStore.insert(argStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argStore)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> envStore = env;
    std::vector<char*> envp;
    for (std::string& e : envStore)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    const std::string out = temp.File("stdout"), err = temp.File("stderr");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    KioskRun run;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return run;
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    pid_t done = 0;
    while ((done = waitpid(pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline &&
           !(enough && enough()))
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (done == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    } else {
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    run.out = ReadAll(out);
    run.err = ReadAll(err);
    return run;
}

class KioskCommandLine : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(temp.Valid()); }
    TempDir temp{"bp-kiosk-cli"};
    // No DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM: a kiosk that made its
    // application object first would fail here.
    std::vector<std::string> noDisplay{"HOME=" + temp.Path(), "PATH=/usr/bin:/bin", "LC_ALL=C.UTF-8"};
};

} // namespace

TEST_F(KioskCommandLine, HelpAndVersionNeedNoDisplay)
{
    const KioskRun help = RunKiosk(temp, {"--help"}, noDisplay, 20);
    EXPECT_EQ(help.status, 0) << help.err;
    EXPECT_EQ(help.out.rfind("usage: bridgeprint-kiosk", 0), 0u) << help.out;
    for (const char* option : {"--fullscreen", "--data-dir DIR", "--pdf-folder DIR", "--version"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    EXPECT_EQ(help.err, "");

    const KioskRun version = RunKiosk(temp, {"--version"}, noDisplay, 20);
    EXPECT_EQ(version.status, 0) << version.err;
    EXPECT_EQ(version.out, "bridgeprint-kiosk 7.26.15\n");
}

TEST_F(KioskCommandLine, UnknownOptionEndsWithStatusTwoAndOneLine)
{
    const KioskRun run = RunKiosk(temp, {"--fulscreen"}, noDisplay, 20);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("--fulscreen"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
}

// The kiosk keeps its journal in the folder given, made for it, and the
// toolkit option before it still reaches the application object (otherwise
// no window could be made without a display and nothing would be written).
// The kiosk asks its scoring server for the sign-up list on its own, so it
// runs without any network (a namespace of its own, loopback down) and with
// a settings file that names this machine; where no such namespace can be
// made the test is skipped rather than let it reach out.
TEST_F(KioskCommandLine, DataDirIsCreatedAndUsed)
{
    if (std::system("/usr/bin/unshare -n true >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "no network namespace can be made here";
    const std::string runtime = temp.File("runtime");
    ASSERT_EQ(mkdir(runtime.c_str(), 0700), 0);
    std::vector<std::string> env = noDisplay;
    env.push_back("XDG_RUNTIME_DIR=" + runtime);
    const std::string data = temp.File("not/yet/there");
    const std::string journal = data + "/print-journal.jsonl";
    auto started = [&] { return ReadAll(journal).find("\"start\"") != std::string::npos; };
    // Long enough for a slow, shared machine; ended as soon as the journal
    // shows the kiosk has started printing from the folder.
    const KioskRun run =
        RunKiosk(temp, {"-platform", "offscreen", "--data-dir", data}, env, 60, started, R"({"1":"127.0.0.1"})");
    EXPECT_EQ(run.status, -1) << "the kiosk ended by itself: " << run.err;
    EXPECT_TRUE(started()) << run.err;
    struct stat st {};
    EXPECT_EQ(stat((data + "/spool").c_str(), &st), 0);
}
