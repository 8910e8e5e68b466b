#pragma once
// The double-dummy solver's side of the analysis: what the worker program
// bridgeprint-solver runs, in a process of its own that AnalyseDeals
// (DoubleDummy.h) starts for one analysis. Only this side loads the solver
// library.
//
// What goes in, one line a deal:
//   <board> <dealer> <vulnerability> <trick text or "-"> <deal>
// the dealer a seat (0 to 3), the vulnerability a kVul value, the trick text
// of a table the hand record gave (the deal is then not solved, only its par
// worked out), the deal in the library's text form "N:<north> <east> <south>
// <west>", each hand "spades.hearts.diamonds.clubs".
//
// What comes out: "# <solved> <total>" after each call of the library, which
// the caller hands to its SolveProgress; then one line a deal, in order,
// "<trick text> <par score> <contract>;<contract>...", or one line "!<error>"
// and nothing after it.
//
// Plain C++ and POSIX, no Qt.

// Reads the deals from `in` to its end, answers on `out`. Returns the exit
// status for the worker: 0 when every deal was answered, 1 otherwise.
int RunSolverWorker(int in, int out);
