#pragma once
// Double-dummy analysis of whole deals through the system's double-dummy
// solver library: the tricks each seat takes as declarer in each strain with
// every card in view, and the par score that follows from them for the
// dealer and the vulnerability. Deals are solved a page (sixteen) at a time,
// which lets the library spread them over every core.
//
// The library runs in a worker program of its own, bridgeprint-solver
// (SolverWorker.h), started for one analysis: loading it starts a thread
// pool and sets aside memory that a program printing scorecards should not
// pay for, its clean-up at exit is not safe once it has been loaded at run
// time, and a fault inside it must not take the caller down. The worker is
// a program started afresh (posix_spawn), never a forked copy of the caller:
// in a copy of a process with threads, a lock that another thread held at
// the fork stays taken for good. It hands back plain text through a socket,
// within a time limit, and is killed when it overruns.
//
// Plain C++ and POSIX, no Qt.

#include "tournament/Deals.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Tricks by declarer seat (N, E, S, W) and strain (C, D, H, S, NT), the
// order of the trick texts in Deals.h.
using TrickTable = std::array<std::array<int32_t, 5>, 4>;

// The trick text of a table (Deals.h: one character per trick count, "0" to
// "9" and "a" to "d" for ten to thirteen, as the scoring server writes them).
std::string TrickTableText(const TrickTable& table);
// The table of a trick text; false for a text that is not one.
bool TrickTableFromText(const std::string& text, TrickTable& table);

// The par of a deal: its score for North-South (negative when East-West
// score) and the contracts that reach it, such as "4S N", "5DX EW -2";
// score 0 and no contract for a deal passed out.
struct ParResult {
    int32_t score = 0;
    std::vector<std::string> contracts;
};

// One deal to analyse: the 52 cards, the dealer (a seat) and the
// vulnerability (a kVul value); its trick table is solved unless `known`
// holds it already (a trick text from the hand record).
struct DealToAnalyse {
    const Deal* deal = nullptr;
    int32_t dealer = 0;
    int32_t vulnerability = 0;
    std::string known;
};

struct DealAnalysis {
    TrickTable tricks{};
    ParResult par;
};

// Told after each call of the solver how many of the deals to solve are
// solved. Called on the caller's thread, inside AnalyseDeals, as the worker
// reports.
using SolveProgress = std::function<void(size_t solved, size_t total)>;

// The time the worker is given for an analysis with `dealsToSolve` deals
// without a table: 20 s to start and load the library (and work out the
// pars), and 5 s a deal. A deal takes a few tenths of a second on two cores,
// so only a worker that hangs or a machine that has stopped reaches it.
std::chrono::milliseconds SolveTimeLimit(size_t dealsToSolve);

struct SolveOptions {
    SolveProgress progress;
    // The worker's time limit; none: SolveTimeLimit of the deals to solve.
    std::optional<std::chrono::milliseconds> timeLimit;
    // The worker program; empty: the one FindSolverProgram finds.
    std::string program;
};

// The trick table and par of every deal, in order. On a failure (the worker
// or the library missing, a deal the library refuses, the worker ending
// without an answer, or not answering in time) returns false with one line
// in `error`, naming the board when one is at fault. Several threads may
// call it at once: each call has a worker of its own.
bool AnalyseDeals(const std::vector<DealToAnalyse>& deals, std::vector<DealAnalysis>& results, std::string& error,
                  const SolveOptions& options = {});

// The variable that names the worker program, for a run from somewhere the
// program does not find it by itself (tests, a copy elsewhere).
inline constexpr const char* kSolverProgramVariable = "BRIDGEPRINT_SOLVER";

// Where the worker program is: the path in $BRIDGEPRINT_SOLVER when that is
// set (and then nowhere else); else bridgeprint-solver beside the running
// program (the build, where both are made in one folder); else where the
// package installs it, found from the running program's folder
// (<prefix>/bin/ -> <prefix>/libexec/bridgeprint-kiosk/), so that an
// installed or unpacked copy finds its own. False with an error naming
// every place looked at when none holds an executable file.
bool FindSolverProgram(std::string& path, std::string& error);
// The same for the value of the variable (null when it is not set) and the
// running program's folder (ending with "/").
bool FindSolverProgramFrom(const char* variable, const std::string& programFolder, std::string& path,
                           std::string& error);
