// Hand records as a director prints them after a session: bridgeprint-render
// --pbn started as a whole process on a PBN file of 36 boards without
// double-dummy data, so every trick table is worked out by the solver (the
// bulk of the time) before the three pages are painted and written. The
// deals are shuffled from a fixed seed, the same on every run and machine.
//
//   bench_hand_records [--runs N] [--boards N] [--render EXE]

#include "ProcessRun.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

namespace {

std::string ShuffledPbn(int boards)
{
    static const char* const kSeats = "NESW";
    static const char* const kVul[16] = {"None", "NS", "EW", "All", "NS", "EW", "All", "None",
                                         "EW",   "All", "None", "NS", "All", "None", "NS", "EW"};
    static const char kRanks[] = "AKQJT98765432";
    std::mt19937 dice(20261211);
    std::string text = "[Event \"Benchmark session\"]\n[Site \"Club\"]\n[Date \"2026.12.11\"]\n\n";
    for (int b = 1; b <= boards; ++b) {
        std::vector<int> pack(52);
        for (int i = 0; i < 52; ++i)
            pack[size_t(i)] = i;
        std::shuffle(pack.begin(), pack.end(), dice);
        std::string deal = "N:";
        for (int seat = 0; seat < 4; ++seat) {
            std::vector<int> hand(pack.begin() + seat * 13, pack.begin() + seat * 13 + 13);
            std::sort(hand.begin(), hand.end());
            for (int suit = 0; suit < 4; ++suit) { // card i: suit i / 13 (spades first), rank i % 13 (ace first)
                for (int card : hand)
                    if (card / 13 == suit)
                        deal += kRanks[card % 13];
                if (suit < 3)
                    deal += '.';
            }
            if (seat < 3)
                deal += ' ';
        }
        text += "[Board \"" + std::to_string(b) + "\"]\n[Dealer \"" + kSeats[(b - 1) % 4] + "\"]\n[Vulnerable \"" +
                kVul[(b - 1) % 16] + "\"]\n[Deal \"" + deal + "\"]\n\n";
    }
    return text;
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 5;
    int boards = 36;
    std::string render = BP_RENDER_EXE;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--runs")
            runs = std::max(1, std::atoi(argv[i + 1]));
        else if (a == "--boards")
            boards = std::max(1, std::atoi(argv[i + 1]));
        else if (a == "--render")
            render = argv[i + 1];
    }
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    char pattern[] = "/tmp/bench-hands-XXXXXX";
    if (mkdtemp(pattern) == nullptr)
        return 1;
    const std::string dir = pattern;
    std::ofstream(dir + "/session.pbn") << ShuffledPbn(boards);
    ProcessFigures f;
    const bool ok =
        MeasureProcess("bench_hand_records", {render, "--pbn", dir + "/session.pbn", "--pdf", dir + "/hands.pdf"},
                       runs, f);
    if (ok) {
        const int pages = (boards + 15) / 16;
        std::printf("hand records: %d boards solved and printed (%d pages), %u cores   n=%d   median %7.1f ms   "
                    "worst %7.1f ms   %.1f boards/s   peak memory %5.1f MiB   cpu %7.1f ms\n",
                    boards, pages, std::thread::hardware_concurrency(), runs, f.medianMs, f.worstMs,
                    boards * 1000.0 / f.medianMs, f.peakMiB, f.medianCpuMs);
    }
    std::error_code ignored;
    if (std::getenv("BENCH_KEEP") == nullptr)
        std::filesystem::remove_all(dir, ignored);
    else
        std::printf("kept %s\n", dir.c_str());
    return ok ? 0 : 1;
}
