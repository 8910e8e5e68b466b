// scoring-server-sim: a reference scoring server for demos and tests.
//
//   scoring-server-sim [--bind ADDR] [--port N] [--code CODE]
//                      [--tournament FILE] [--write-sample FILE]
//
// It prints one line when it listens ("listening on ADDR:PORT ..."), then one
// line per request, and stops cleanly on SIGINT or SIGTERM.

#include "ScoringServer.h"
#include "Tournament.h"

#include "foundation/Files.h"
#include "foundation/NumericJson.h"

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <malloc.h>
#include <pthread.h>
#include <string>

namespace {

void Usage(std::ostream& out)
{
    out << "usage: scoring-server-sim [--bind ADDR] [--port N] [--code CODE]\n"
           "                          [--tournament FILE] [--write-sample FILE]\n"
           "  --bind ADDR          IPv4 address to listen on (default 127.0.0.1)\n"
           "  --port N             TCP port (default 9975; 0 lets the system choose)\n"
           "  --code CODE          access code that confirms kiosk settings (default 8888;\n"
           "                       an empty code accepts any)\n"
           "  --tournament FILE    tournament file (see docs/scoring-server.md); without it\n"
           "                       a built-in sample tournament is served\n"
           "  --write-sample FILE  write the built-in sample as a tournament file and exit\n";
}

bool ParsePort(const std::string& text, uint16_t& port)
{
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const long value = std::strtol(text.c_str(), nullptr, 10);
    if (value > 65535)
        return false;
    port = static_cast<uint16_t>(value);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    // Every connection has a thread of its own, and a request's buffers are
    // freed when it has been answered. By default the allocator hands such
    // memory back to the system at once and takes it again for the next
    // connection, page by page, which under a flood of connections costs
    // more than the requests themselves. Kept instead: what is kept is
    // bounded by what the connections held at their peak (each request is
    // bounded), and buffers of a request's size are never mapped singly.
    mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
    mallopt(M_MMAP_THRESHOLD, 4 * 1024 * 1024);
    // For the same reason, a connection's thread has a small stack, which
    // the C library keeps for the next thread rather than unmapping it.
    // Little is needed: a request is flat (deeper nesting is refused before
    // it is parsed) and a reply a few levels deep.
    pthread_attr_t threads;
    pthread_attr_init(&threads);
    pthread_attr_setstacksize(&threads, 256 * 1024);
    pthread_setattr_default_np(&threads);
    pthread_attr_destroy(&threads);

    sim::ServerOptions options;
    options.log = &std::cout;
    std::string tournamentFile;
    std::string sampleFile;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            Usage(std::cout);
            return 0;
        }
        if (!hasValue || (arg != "--bind" && arg != "--port" && arg != "--code" && arg != "--tournament" &&
                          arg != "--write-sample")) {
            std::cerr << "scoring-server-sim: unknown or incomplete option " << arg << "\n";
            Usage(std::cerr);
            return 2;
        }
        const std::string value = argv[++i];
        if (arg == "--bind") {
            options.bindAddress = value;
        } else if (arg == "--port") {
            if (!ParsePort(value, options.port)) {
                std::cerr << "scoring-server-sim: not a port number: " << value << "\n";
                return 2;
            }
        } else if (arg == "--code") {
            options.accessCode = value;
        } else if (arg == "--tournament") {
            tournamentFile = value;
        } else {
            sampleFile = value;
        }
    }

    if (!sampleFile.empty()) {
        const std::u16string failed = WriteWholeFile(sampleFile, sim::TournamentFileText(sim::SampleTournament()), kLangEnglish);
        if (!failed.empty()) {
            std::cerr << "scoring-server-sim: cannot write " << sampleFile << "\n";
            return 1;
        }
        std::cout << "sample tournament written to " << sampleFile << std::endl;
        return 0;
    }

    sim::Tournament tournament;
    if (tournamentFile.empty()) {
        tournament = sim::SampleTournament();
    } else {
        std::string error;
        std::vector<std::string> warnings;
        if (!sim::LoadTournamentFile(tournamentFile, tournament, error, &warnings)) {
            std::cerr << "scoring-server-sim: " << error << "\n";
            return 1;
        }
        for (const std::string& warning : warnings)
            std::cerr << "scoring-server-sim: warning: " << warning << "\n";
    }
    const size_t sections = tournament.sections.size();
    const size_t entries = tournament.EntryCount();

    // The signals are taken by sigwait below; every thread started from here
    // on inherits the mask, so none of them is interrupted by them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    sim::ScoringServer server(std::move(tournament), options);
    std::string error;
    if (!server.Start(error)) {
        std::cerr << "scoring-server-sim: " << error << "\n";
        return 1;
    }
    std::cout << "listening on " << options.bindAddress << ":" << server.Port() << " (" << sections << " sections, "
              << entries << " entries, " << (tournamentFile.empty() ? "built-in sample" : tournamentFile) << ")"
              << std::endl;

    int signal = 0;
    sigwait(&stopSignals, &signal);
    std::cout << "stopping on " << (signal == SIGINT ? "SIGINT" : "SIGTERM") << std::endl;
    server.Stop();
    std::cout << "stopped after " << server.ConnectionsServed() << " connections" << std::endl;
    return 0;
}
