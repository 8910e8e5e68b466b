// The server program itself: its start line, its log, and a clean stop.

#include "comm/MessageFrame.h"
#include "comm/ServerMessage.h"
#include "support/LoopbackServer.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <regex>
#include <string>

namespace {

using namespace std::chrono_literals;

class ServerProcess {
public:
    explicit ServerProcess(std::vector<std::string> args)
    {
        // Everything the child needs is prepared before the fork: only
        // async-signal-safe calls may follow it in a threaded process.
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(SIM_BINARY));
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        int out[2];
        if (::pipe(out) != 0)
            return;
        pid = ::fork();
        if (pid == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::close(out[0]);
            ::close(out[1]);
            ::execv(SIM_BINARY, argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        outFd = out[0];
    }
    ~ServerProcess()
    {
        if (pid > 0 && !exited) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        if (outFd >= 0)
            ::close(outFd);
    }

    // Output read so far, waiting up to `limit` for `want` to appear.
    std::string ReadUntil(const std::string& want, std::chrono::milliseconds limit = 5000ms)
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (output.find(want) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
            pollfd p{outFd, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            char buf[4096];
            const ssize_t n = ::read(outFd, buf, sizeof buf);
            if (n <= 0)
                break;
            output.append(buf, size_t(n));
        }
        return output;
    }

    // Exit status after sending `signal` (0 sends none and only waits), or
    // -1 when the program did not end in time.
    int StopWith(int signal)
    {
        ::kill(pid, signal);
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                exited = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(10ms);
        }
        return -1;
    }

    pid_t pid = -1;
    int outFd = -1;
    bool exited = false;
    std::string output;
};

uint16_t ListeningPort(const std::string& output)
{
    std::smatch m;
    if (!std::regex_search(output, m, std::regex("listening on 127\\.0\\.0\\.1:([0-9]+) ")))
        return 0;
    return uint16_t(std::stoi(m[1]));
}

std::string Ask(uint16_t port, const ServerMessage& request)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    std::string reply;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
        loopback::SendAll(fd, MessageFrame::Encode(request.ToJsonText(), ""));
        reply = loopback::ReadFrame(fd);
    }
    ::close(fd);
    return reply;
}

TEST(ServerProgram, ReportsItsPortLogsEachRequestAndStopsCleanlyOnSignals)
{
    for (int signal : {SIGTERM, SIGINT}) {
        ServerProcess server({"--port", "0", "--code", "42"});
        const uint16_t port = ListeningPort(server.ReadUntil("listening on"));
        ASSERT_NE(port, 0) << server.output;
        EXPECT_NE(server.output.find("(4 sections, 48 entries, built-in sample)"), std::string::npos);

        ServerMessage list(kMsgSignupList);
        list.SetText("2", "42");
        list.SetFlag("82", true);
        EXPECT_FALSE(Ask(port, list).empty());
        ServerMessage print(kMsgPrintRequest);
        print.SetInt("11", 3);
        print.SetInt("15", -4);
        EXPECT_FALSE(Ask(port, print).empty());
        server.ReadUntil("-> 208");

        EXPECT_EQ(server.StopWith(signal), 0);
        const std::string out = server.ReadUntil("stopped after");
        EXPECT_NE(out.find("code=ok confirm=yes -> 203 entries=48 confirmed"), std::string::npos) << out;
        EXPECT_NE(out.find("205 section=3 number=-4 -> 208"), std::string::npos) << out;
        EXPECT_NE(out.find(signal == SIGINT ? "stopping on SIGINT" : "stopping on SIGTERM"), std::string::npos) << out;
        EXPECT_NE(out.find("stopped after 2 connections"), std::string::npos) << out;
    }
}

TEST(ServerProgram, RefusesABadTournamentFileOrOption)
{
    const std::string missing = "/nonexistent/tournament.json";
    ServerProcess a({"--port", "0", "--tournament", missing});
    EXPECT_EQ(a.StopWith(0), 1);
    ServerProcess b({"--port", "70000"});
    EXPECT_EQ(b.StopWith(0), 2);
}

} // namespace
