#pragma once
// Runs a program as a whole process for the benchmarks that time a command a
// director types: wall time from spawn to exit and the child's peak resident
// memory, over several runs.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <vector>

extern char** environ;

struct ProcessRun {
    double ms = 0;
    double cpuMs = 0; // user and system time of the child: what the run costs whatever else the machine does
    long maxRssKiB = 0;
    bool ok = false;
};

// One run with standard output discarded.
inline ProcessRun RunProcessOnce(const std::vector<std::string>& args)
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
    ProcessRun run;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return run;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid)
        return run;
    run.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    run.maxRssKiB = usage.ru_maxrss;
    run.cpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
                (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

struct ProcessFigures {
    double medianMs = 0;
    double worstMs = 0;
    double medianCpuMs = 0;
    double peakMiB = 0;
};

// `runs` runs; false (with a line on stderr) when one fails.
inline bool MeasureProcess(const char* what, const std::vector<std::string>& args, int runs, ProcessFigures& figures)
{
    std::vector<double> times;
    std::vector<double> cpu;
    long rss = 0;
    for (int i = 0; i < runs; ++i) {
        const ProcessRun run = RunProcessOnce(args);
        if (!run.ok) {
            std::fprintf(stderr, "%s failed: %s ...\n", what, args[0].c_str());
            return false;
        }
        times.push_back(run.ms);
        cpu.push_back(run.cpuMs);
        rss = std::max(rss, run.maxRssKiB);
    }
    std::sort(times.begin(), times.end());
    std::sort(cpu.begin(), cpu.end());
    figures.medianMs = times[times.size() / 2];
    figures.medianCpuMs = cpu[cpu.size() / 2];
    figures.worstMs = times.back();
    figures.peakMiB = double(rss) / 1024.0;
    return true;
}
