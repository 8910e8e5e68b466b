// A single render as a director runs it: bridgeprint-render started as a
// whole process (program load, fonts, painting, the PDF written), for the
// test page and for a 16-deal team scorecard. Each case runs N times; the
// figures are wall time per run (median and worst) and the largest resident
// memory of any run.
//
// Then the binder of a session: 25, 100 and 400 team scorecards (the 16-deal
// fixture, each with its own team name, one page each) printed by one
// process into one PDF, with wall time, pages per second and peak memory,
// which should not grow with the number of scorecards.
//
//   bench_render [--runs N] [--batch-runs N] [--render EXE]

#include "ProcessRun.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

bool Measure(const char* what, const std::vector<std::string>& args, int runs)
{
    ProcessFigures f;
    if (!MeasureProcess(what, args, runs, f))
        return false;
    std::printf("%-40s n=%-4d median %7.1f ms   worst %7.1f ms   peak memory %5.1f MiB\n", what, runs, f.medianMs,
                f.worstMs, f.peakMiB);
    return true;
}

// One process printing `files` into one PDF, `runs` times.
bool MeasureBatch(const std::string& render, const std::vector<std::string>& files, const std::string& pdf, int runs)
{
    std::vector<std::string> args = {render};
    for (const std::string& file : files)
        args.insert(args.end(), {"--message", file});
    args.insert(args.end(), {"--pdf", pdf});
    ProcessFigures f;
    if (!MeasureProcess("bench_render: the batch", args, runs, f))
        return false;
    // The 16-deal team scorecard is one page.
    const double pages = double(files.size());
    char what[64];
    std::snprintf(what, sizeof what, "render: %zu team scorecards to one PDF", files.size());
    std::printf("%-40s n=%-4d median %7.1f ms   worst %7.1f ms   %5.1f pages/s   peak memory %5.1f MiB   "
                "cpu %7.1f ms\n",
                what, runs, f.medianMs, f.worstMs, pages / (f.medianMs / 1000.0), f.peakMiB, f.medianCpuMs);
    return true;
}

// The team fixture with its home team renamed, written `count` times.
std::vector<std::string> WriteTeams(const std::string& fixture, const std::string& dir, int count)
{
    std::ifstream in(fixture, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string home = "12.星河队";
    const size_t at = text.find(home);
    std::vector<std::string> files;
    if (at == std::string::npos)
        return files;
    for (int i = 1; i <= count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/team-%03d.json", i);
        std::string message = text;
        message.replace(at, home.size(), std::to_string(i) + ".Team " + std::to_string(i));
        files.push_back(dir + name);
        std::ofstream(files.back(), std::ios::binary) << message;
    }
    return files;
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 10;
    int batchRuns = 3;
    std::string render = BP_RENDER_EXE;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--runs")
            runs = std::max(1, std::atoi(argv[i + 1]));
        else if (a == "--batch-runs")
            batchRuns = std::max(1, std::atoi(argv[i + 1]));
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
    const std::vector<std::string> teams = WriteTeams(fixture, dir, 400);
    ok = ok && teams.size() == 400;
    for (const int count : {25, 100, 400}) {
        const std::vector<std::string> batch(teams.begin(), teams.begin() + count);
        ok = ok && MeasureBatch(render, batch, dir + "/binder.pdf", batchRuns);
    }
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    return ok ? 0 : 1;
}
