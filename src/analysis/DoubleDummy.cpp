#include "analysis/DoubleDummy.h"

#include "tournament/BridgeBasics.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <thread>

extern char** environ;

std::string TrickTableText(const TrickTable& table)
{
    std::string text;
    for (const auto& seat : table)
        for (int32_t tricks : seat)
            text += TrickCountChar(tricks);
    return text;
}

bool TrickTableFromText(const std::string& text, TrickTable& table)
{
    if (text.size() != 20)
        return false;
    for (size_t i = 0; i < 20; ++i) {
        const int32_t tricks = TrickCountOf(text[i]);
        if (tricks < 0)
            return false;
        table[i / 5][i % 5] = tricks;
    }
    return true;
}

std::chrono::milliseconds SolveTimeLimit(size_t dealsToSolve)
{
    return std::chrono::seconds(20 + 5 * static_cast<int64_t>(dealsToSolve));
}

// ---------------------------------------------------------------------------
// Finding the worker

namespace {

// Both set by the build (src/analysis/CMakeLists.txt): the worker's file
// name, and its installed folder as seen from the installed programs'.
constexpr const char* kSolverName = BP_SOLVER_NAME;
constexpr const char* kSolverFromProgramFolder = BP_SOLVER_FROM_PROGRAM_FOLDER;

bool IsExecutableFile(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// The running program's own folder, exactly (not ProgramFolder(), which
// passes over a build configuration's folder to reach the kiosk's data).
std::string RunningProgramFolder()
{
    std::array<char, 4096> buffer{};
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    const std::string exe = n > 0 ? std::string(buffer.data(), size_t(n)) : std::string();
    const size_t slash = exe.rfind('/');
    return slash == std::string::npos ? "./" : exe.substr(0, slash + 1);
}

} // namespace

bool FindSolverProgramFrom(const char* variable, const std::string& programFolder, std::string& path,
                           std::string& error)
{
    if (variable != nullptr && *variable != '\0') {
        if (IsExecutableFile(variable)) {
            path = variable;
            return true;
        }
        error = "the double-dummy solver program " + std::string(variable) + " (from $" + kSolverProgramVariable +
                ") is not an executable file";
        return false;
    }
    const std::string places[] = {
        programFolder + kSolverName,
        std::filesystem::path(programFolder + kSolverFromProgramFolder + kSolverName).lexically_normal().string(),
    };
    for (const std::string& place : places)
        if (IsExecutableFile(place)) {
            path = place;
            return true;
        }
    error = "the double-dummy solver program is missing: neither " + places[0] + " nor " + places[1] +
            " is an executable file (or set $" + kSolverProgramVariable + " to its path)";
    return false;
}

bool FindSolverProgram(std::string& path, std::string& error)
{
    return FindSolverProgramFrom(std::getenv(kSolverProgramVariable), RunningProgramFolder(), path, error);
}

// ---------------------------------------------------------------------------
// Talking to the worker (SolverWorker.h says what goes in and comes out)

namespace {

// A deal in the library's text form, "N:AKQ.T98.... ...", hands in our order.
std::string LibraryDealText(const Deal& deal)
{
    static constexpr int32_t kWrittenSuits[4] = {kSuitSpades, kSuitHearts, kSuitDiamonds, kSuitClubs};
    std::string text = "N:";
    for (int32_t seat = 0; seat < 4; ++seat) {
        if (seat > 0)
            text += ' ';
        const std::string hand = deal.Hand(seat);
        for (int32_t s = 0; s < 4; ++s) {
            if (s > 0)
                text += '.';
            std::string cards = SuitCards(hand, kWrittenSuits[s]);
            std::sort(cards.begin(), cards.end(), [](char a, char b) { return CardRank(a) > CardRank(b); });
            text += RankLetters(cards);
        }
    }
    return text;
}

// The worker's request, or false with the board whose given table is not
// one (checked here, so that a bad file starts no worker).
bool Request(const std::vector<DealToAnalyse>& deals, std::string& request, size_t& toSolve, std::string& error)
{
    toSolve = 0;
    for (const DealToAnalyse& d : deals) {
        TrickTable table{};
        if (!d.known.empty() && !TrickTableFromText(d.known, table)) {
            error = "board " + std::to_string(d.deal->GetBoard()) + ": \"" + d.known + "\" is not a trick table";
            return false;
        }
        toSolve += d.known.empty() ? 1 : 0;
        request += std::to_string(d.deal->GetBoard()) + " " + std::to_string(d.dealer) + " " +
                   std::to_string(d.vulnerability) + " " + (d.known.empty() ? "-" : d.known) + " " +
                   LibraryDealText(*d.deal) + "\n";
    }
    return true;
}

bool ReadAnswer(const std::string& answer, size_t count, std::vector<DealAnalysis>& results, std::string& error)
{
    if (!answer.empty() && answer[0] == '!') {
        error = answer.substr(1, answer.find('\n') == std::string::npos ? std::string::npos : answer.find('\n') - 1);
        return false;
    }
    std::istringstream lines(answer);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string tricks, contracts;
        DealAnalysis a;
        if (!(fields >> tricks >> a.par.score) || !TrickTableFromText(tricks, a.tricks))
            break;
        std::getline(fields >> std::ws, contracts); // the contracts hold spaces: the rest of the line
        for (size_t at = 0; !contracts.empty() && at != std::string::npos;) {
            const size_t end = contracts.find(';', at);
            a.par.contracts.push_back(contracts.substr(at, end == std::string::npos ? end : end - at));
            at = end == std::string::npos ? end : end + 1;
        }
        results.push_back(std::move(a));
    }
    if (results.size() != count) {
        error = "the double-dummy solver's answer is incomplete (" + std::to_string(results.size()) + " of " +
                std::to_string(count) + " deals)";
        return false;
    }
    return true;
}

// "20", "0.5", "0.25": seconds as a person reads them.
std::string SecondsText(std::chrono::milliseconds limit)
{
    const long long ms = std::max<long long>(0, limit.count());
    std::string text = std::to_string(ms / 1000);
    if (ms % 1000 != 0) {
        std::string fraction = std::to_string(1000 + ms % 1000).substr(1);
        fraction.erase(fraction.find_last_not_of('0') + 1);
        text += "." + fraction;
    }
    return text;
}

using Clock = std::chrono::steady_clock;

// A worker process: killed and reaped when the caller leaves it behind, so
// that neither a running worker nor a zombie outlives a call.
class Worker {
public:
    Worker() = default;
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;
    ~Worker()
    {
        Kill();
        if (socket >= 0)
            close(socket);
    }

    // Starts `program` with one end of a socket pair as its standard input
    // and output, its other descriptors closed and its signals as a new
    // program's; this side keeps the other end.
    bool Start(const std::string& program, std::string& error)
    {
        int ends[2];
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
            error = std::string("cannot start the double-dummy solver: ") + std::strerror(errno);
            return false;
        }
        socket = ends[0];
        // Its end above the standard descriptors, so that each dup2 below
        // makes a new descriptor without close-on-exec (for the same
        // descriptor on both sides the flag would stay).
        int theirs = ends[1];
        if (theirs <= STDERR_FILENO) {
            theirs = fcntl(ends[1], F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
            close(ends[1]);
            if (theirs < 0) {
                error = std::string("cannot start the double-dummy solver: ") + std::strerror(errno);
                return false;
            }
        }
        posix_spawn_file_actions_t actions;
        posix_spawnattr_t attributes;
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
        posix_spawn_file_actions_adddup2(&actions, theirs, STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, theirs, STDOUT_FILENO);
        // Whatever else is open in this process, even without close-on-exec
        // (another library's, another thread's), stays out of the worker:
        // a copy of another call's socket there would keep that call from
        // ever seeing its own worker's end.
        posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
        sigset_t none, all;
        sigemptyset(&none);
        sigfillset(&all);
        posix_spawnattr_setsigmask(&attributes, &none);
        posix_spawnattr_setsigdefault(&attributes, &all);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        std::string name = program;
        char* argv[] = {name.data(), nullptr};
        const int rc = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        close(theirs);
        if (rc != 0) {
            pid = -1;
            error = "cannot start the double-dummy solver " + program + ": " + std::strerror(rc);
            return false;
        }
        return true;
    }

    // Sends the request and gathers the answer until the worker closes its
    // end, passing on its progress lines; false when `deadline` comes first.
    bool Exchange(const std::string& request, size_t count, Clock::time_point deadline, const SolveProgress& progress,
                  std::string& answer, std::string& error)
    {
        // An answer line is some 30 bytes, a few hundred with every par
        // contract; the progress lines add a few per page. A worker that
        // goes on past this is not answering.
        const size_t cap = 64 * 1024 + 512 * count;
        size_t sent = 0;
        bool sending = true;
        std::string line;
        char buffer[65536];
        for (size_t received = 0;;) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0)
                return false;
            pollfd p{socket, short(POLLIN | (sending ? POLLOUT : 0)), 0};
            const int ready = poll(&p, 1, int(std::min<long long>(left.count(), 60000)));
            if (ready < 0 && errno != EINTR) {
                error = std::string("cannot wait for the double-dummy solver: ") + std::strerror(errno);
                return false;
            }
            if (ready <= 0)
                continue;
            if (sending && (p.revents & (POLLOUT | POLLERR | POLLHUP)) != 0) {
                const ssize_t n =
                    send(socket, request.data() + sent, request.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
                if (n > 0)
                    sent += size_t(n);
                // A worker that stops taking the request has ended or is
                // about to; its status says why.
                if ((n < 0 && errno != EAGAIN && errno != EINTR) || sent == request.size()) {
                    shutdown(socket, SHUT_WR);
                    sending = false;
                }
            }
            if ((p.revents & (POLLIN | POLLERR | POLLHUP)) == 0)
                continue;
            const ssize_t n = recv(socket, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            if (n <= 0)
                break; // the worker's end is closed (or broken: the same to us)
            received += size_t(n);
            if (received > cap) {
                error = "the double-dummy solver's answer is far longer than any for " + std::to_string(count) +
                        " deals";
                return false;
            }
            for (ssize_t i = 0; i < n; ++i) {
                if (buffer[i] != '\n') {
                    line += buffer[i];
                    continue;
                }
                size_t solved = 0, total = 0;
                if (line.starts_with('#')) {
                    if (progress && std::sscanf(line.c_str(), "# %zu %zu", &solved, &total) == 2)
                        progress(solved, total);
                } else {
                    answer += line + "\n";
                }
                line.clear();
            }
        }
        answer += line;
        return true;
    }

    // Waits for the worker to end, until `deadline`: its end of the socket
    // closes as it exits, so this is a short wait unless it lingers.
    bool Reap(Clock::time_point deadline, std::string& error)
    {
        for (auto pause = std::chrono::milliseconds(1);;) {
            const pid_t done = waitpid(pid, &status, WNOHANG);
            if (done == pid) {
                reaped = true;
                return true;
            }
            if (done < 0 && errno != EINTR) {
                reaped = true; // not ours to wait for any more (SIGCHLD ignored)
                error = std::string("the double-dummy solver's end was lost: ") + std::strerror(errno);
                return false;
            }
            const auto now = Clock::now();
            if (now >= deadline)
                return false;
            std::this_thread::sleep_for(std::min<Clock::duration>(pause, deadline - now));
            pause = std::min(pause * 2, std::chrono::milliseconds(50));
        }
    }

    void Kill()
    {
        if (pid <= 0 || reaped)
            return;
        kill(pid, SIGKILL);
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        reaped = true;
    }

    int Status() const { return status; }

private:
    pid_t pid = -1;
    int socket = -1;
    int status = 0;
    bool reaped = false;
};

} // namespace

bool AnalyseDeals(const std::vector<DealToAnalyse>& deals, std::vector<DealAnalysis>& results, std::string& error,
                  const SolveOptions& options)
{
    results.clear();
    if (deals.empty())
        return true;
    std::string request;
    size_t toSolve = 0;
    if (!Request(deals, request, toSolve, error))
        return false;
    std::string program = options.program;
    if (program.empty() && !FindSolverProgram(program, error))
        return false;
    const std::chrono::milliseconds limit = options.timeLimit.value_or(SolveTimeLimit(toSolve));
    const Clock::time_point deadline = Clock::now() + limit;

    Worker worker;
    if (!worker.Start(program, error))
        return false;
    std::string answer;
    error.clear();
    if (!worker.Exchange(request, deals.size(), deadline, options.progress, answer, error) ||
        !worker.Reap(deadline, error)) {
        worker.Kill();
        if (error.empty())
            error = "the double-dummy solver did not answer within " + SecondsText(limit) + " s";
        return false;
    }
    const int status = worker.Status();
    if (WIFSIGNALED(status)) {
        error = "the double-dummy solver stopped with signal " + std::to_string(WTERMSIG(status)) + " (" +
                strsignal(WTERMSIG(status)) + ")";
        return false;
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) != 0 && answer.empty()) {
        error = "the double-dummy solver ended with status " + std::to_string(WEXITSTATUS(status)) +
                " and no answer";
        return false;
    }
    if (!ReadAnswer(answer, deals.size(), results, error)) {
        results.clear();
        return false;
    }
    return true;
}
