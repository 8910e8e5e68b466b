// A single render as a director runs it: bridgeprint-render started as a
// whole process (program load, fonts, painting, the PDF written), for the
// test page and for a 16-deal team scorecard. Each case runs N times; the
// figures are wall time per run (median and worst) and the largest resident
// memory of any run.
//
//   bench_render [--runs N] [--render EXE]

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct Run {
    double ms = 0;
    long maxRssKiB = 0;
    bool ok = false;
};

Run RunOnce(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    Run run;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return run;
    }
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid)
        return run;
    run.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    run.maxRssKiB = usage.ru_maxrss;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

bool Measure(const char* what, const std::vector<std::string>& args, int runs)
{
    std::vector<double> times;
    long rss = 0;
    for (int i = 0; i < runs; ++i) {
        const Run run = RunOnce(args);
        if (!run.ok) {
            std::fprintf(stderr, "bench_render: %s failed: %s ...\n", what, args[0].c_str());
            return false;
        }
        times.push_back(run.ms);
        rss = std::max(rss, run.maxRssKiB);
    }
    std::sort(times.begin(), times.end());
    std::printf("%-40s n=%-4d median %7.1f ms   worst %7.1f ms   peak memory %5.1f MiB\n", what, runs,
                times[times.size() / 2], times.back(), double(rss) / 1024.0);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 10;
    std::string render = BP_RENDER_EXE;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--runs")
            runs = std::max(1, std::atoi(argv[i + 1]));
        else if (a == "--render")
            render = argv[i + 1];
    }
    // Headless, as on a server: no display is asked for.
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    char pattern[] = "/tmp/bench-render-XXXXXX";
    if (mkdtemp(pattern) == nullptr)
        return 1;
    const std::string dir = pattern;
    const std::string fixture = std::string(BP_SOURCE_DIR) + "/tests/e2e/fixtures/team-16-boards.json";
    bool ok = Measure("render: test page to PDF", {render, "--test-page", "--pdf", dir + "/test.pdf"}, runs);
    ok = ok && Measure("render: 16-deal team scorecard to PDF", {render, "--message", fixture, "--pdf", dir + "/team.pdf"}, runs);
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    return ok ? 0 : 1;
}
