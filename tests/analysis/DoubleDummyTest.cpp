// The double-dummy tables and par scores of deals whose results are known by
// reasoning, solved through the real solver library in the worker program of
// this build; how a worker that fails, crashes or hangs is stopped and
// reported; and where the worker program is looked for.

#include "analysis/DoubleDummy.h"

#include "support/TempDir.h"
#include "tournament/BridgeBasics.h"
#include "tournament/HandRecords.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>
#include <utility>

namespace {

// The worker of this build, named through the variable: the test programs
// live in a folder of their own, not beside it. Set before any test starts.
[[maybe_unused]] const bool kWorkerNamed = setenv(kSolverProgramVariable, SOLVER_PROGRAM, 1) == 0;

Deal DealOf(const std::string& pbnDeal, int32_t board = 1)
{
    HandRecordFile file;
    std::string error;
    EXPECT_TRUE(ReadHandRecords("[Board \"" + std::to_string(board) + "\"]\n[Deal \"" + pbnDeal + "\"]\n", "t", file,
                                error))
        << error;
    return file.boards.empty() ? Deal() : file.boards[0].deal;
}

// North holds every spade, East every heart, South every diamond, West every
// club. A side whose hand holds the trump suit ruffs everything and takes all
// thirteen tricks; in no trump, or with the opponents' suit as trumps, the
// defender on lead (or his partner) runs his own suit and declarer takes none.
const char* const kOneSuitEach = "N:AKQJT98765432... .AKQJT98765432.. ..AKQJT98765432. ...AKQJT98765432";
// The same deal turned a quarter: East holds the spades, North the clubs.
const char* const kOneSuitEachTurned = "E:AKQJT98765432... .AKQJT98765432.. ..AKQJT98765432. ...AKQJT98765432";

// Seats N E S W; strains C D H S NT.
const TrickTable kOneSuitEachTable{{{0, 13, 0, 13, 0}, {13, 0, 13, 0, 0}, {0, 13, 0, 13, 0}, {13, 0, 13, 0, 0}}};
const char* const kOneSuitEachText = "0d0d0d0d000d0d0d0d00";
const char* const kOneSuitEachTurnedText = "d0d000d0d0d0d000d0d0";

using Told = std::vector<std::pair<size_t, size_t>>;

} // namespace

TEST(DoubleDummy, OneSuitPerHandIsSolvedAsReasoned)
{
    const Deal deal = DealOf(kOneSuitEach);
    std::vector<DealAnalysis> results;
    std::string error;
    ASSERT_TRUE(AnalyseDeals({{&deal, kSeatNorth, kVulNone, ""}}, results, error)) << error;
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].tricks, kOneSuitEachTable);
    EXPECT_EQ(TrickTableText(results[0].tricks), kOneSuitEachText);
}

TEST(DoubleDummy, ManyDealsInOneCallKeepTheirOrderAndTellTheirProgress)
{
    // More deals than one call of the library takes: every third deal is the
    // deal above turned a quarter, the others the deal as it is, and the
    // answers must come back in the order asked. Every fifth deal brings its
    // own (made-up) table, which must come back as given, not solved.
    const Deal plain = DealOf(kOneSuitEach);
    const Deal turned = DealOf(kOneSuitEachTurned);
    std::vector<DealToAnalyse> deals;
    for (int i = 0; i < 45; ++i)
        deals.push_back({i % 3 == 2 ? &turned : &plain, kSeatNorth, kVulNone, i % 5 == 4 ? "12345123451234512345" : ""});
    std::vector<DealAnalysis> results;
    std::string error;
    Told told;
    SolveOptions options;
    options.progress = [&](size_t solved, size_t total) { told.emplace_back(solved, total); };
    ASSERT_TRUE(AnalyseDeals(deals, results, error, options)) << error;
    ASSERT_EQ(results.size(), deals.size());
    for (size_t i = 0; i < deals.size(); ++i) {
        SCOPED_TRACE(i);
        if (i % 5 == 4) {
            EXPECT_EQ(TrickTableText(results[i].tricks), "12345123451234512345");
            continue;
        }
        EXPECT_EQ(TrickTableText(results[i].tricks), i % 3 == 2 ? kOneSuitEachTurnedText : kOneSuitEachText);
    }
    // The 36 deals without a table are solved a page of sixteen at a time,
    // and the caller hears of each page.
    EXPECT_EQ(told, (Told{{16, 36}, {32, 36}, {36, 36}}));
}

TEST(DoubleDummy, ParFollowsDealerAndVulnerability)
{
    // North-South make seven spades, East-West seven hearts; spades outrank
    // hearts, and seven no trump doubled by East-West would go down thirteen.
    const Deal deal = DealOf(kOneSuitEach);
    const struct Case {
        int32_t dealer;
        int32_t vulnerability;
        const char* known;
        int32_t score;
        std::vector<std::string> contracts;
    } cases[] = {
        {kSeatNorth, kVulNone, "", 1510, {"7S NS"}},
        {kSeatEast, kVulNone, "", 1510, {"7S NS"}},
        {kSeatWest, kVulBoth, "", 2210, {"7S NS"}},
        {kSeatSouth, kVulNorthSouth, "", 2210, {"7S NS"}},
        // Nobody can make anything (a table as a file may state it): passed out.
        {kSeatNorth, kVulNone, "66666666666666666666", 0, {}},
    };
    std::vector<DealToAnalyse> deals;
    for (const Case& c : cases)
        deals.push_back({&deal, c.dealer, c.vulnerability, c.known});
    std::vector<DealAnalysis> results;
    std::string error;
    ASSERT_TRUE(AnalyseDeals(deals, results, error)) << error;
    ASSERT_EQ(results.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(results[i].par.score, cases[i].score);
        EXPECT_EQ(results[i].par.contracts, cases[i].contracts);
    }
}

TEST(DoubleDummy, TrickTextsReadBack)
{
    TrickTable table;
    ASSERT_TRUE(TrickTableFromText("0d0d0d0d000d0d0d0d00", table));
    EXPECT_EQ(table[1][0], 13);
    EXPECT_EQ(TrickTableText(table), "0d0d0d0d000d0d0d0d00");
    EXPECT_FALSE(TrickTableFromText("0d0d0d0d000d0d0d0d0", table));
    EXPECT_FALSE(TrickTableFromText("0d0d0d0d000d0d0d0de0", table));
}

TEST(DoubleDummy, SeveralThreadsSolveAtOnce)
{
    // As a renderer solving pages of deals on several threads calls it: each
    // call has its own worker, its own answers and its own progress. Thread
    // t asks for t + 1 deals, plain and turned in turn from a different
    // start.
    const Deal plain = DealOf(kOneSuitEach);
    const Deal turned = DealOf(kOneSuitEachTurned);
    constexpr size_t kThreads = 4;
    struct Outcome {
        bool ok = false;
        std::vector<DealAnalysis> results;
        std::string error;
        Told told;
    };
    std::vector<Outcome> outcomes(kThreads);
    {
        std::vector<std::jthread> threads;
        for (size_t t = 0; t < kThreads; ++t)
            threads.emplace_back([&, t] {
                std::vector<DealToAnalyse> deals;
                for (size_t i = 0; i <= t; ++i)
                    deals.push_back({(t + i) % 2 ? &turned : &plain, kSeatNorth, kVulNone, ""});
                Outcome& o = outcomes[t];
                SolveOptions options;
                options.progress = [&o](size_t solved, size_t total) { o.told.emplace_back(solved, total); };
                o.ok = AnalyseDeals(deals, o.results, o.error, options);
            });
    }
    for (size_t t = 0; t < kThreads; ++t) {
        SCOPED_TRACE(t);
        const Outcome& o = outcomes[t];
        ASSERT_TRUE(o.ok) << o.error;
        ASSERT_EQ(o.results.size(), t + 1);
        for (size_t i = 0; i <= t; ++i)
            EXPECT_EQ(TrickTableText(o.results[i].tricks), (t + i) % 2 ? kOneSuitEachTurnedText : kOneSuitEachText);
        EXPECT_EQ(o.told, (Told{{t + 1, t + 1}}));
    }
}

TEST(DoubleDummy, WorkerThatFailsOrHangsIsStoppedAndReported)
{
    // Stand-ins for the worker, each failing one way. Those that would run
    // on leave their pid, to show that nothing of them is left afterwards
    // (killed and reaped: not even a zombie answers a signal), and would end
    // by themselves only after 30 s: a call that returns long before then
    // was ended by its limit.
    TempDir dir("double-dummy");
    ASSERT_TRUE(dir.Valid());
    const Deal deal = DealOf(kOneSuitEach);
    using std::chrono::milliseconds;
    const struct Case {
        const char* name;
        const char* script; // nullptr: no program at all
        size_t deals;
        std::optional<milliseconds> limit;
        std::string error;
        Told told;
    } cases[] = {
        // Takes nothing in, and is sent more than the socket holds: the
        // sending is bounded by the limit as well as the waiting.
        {"hangs", "echo $$ >\"$0.pid\"; exec sleep 30", 5000, milliseconds(300),
         "the double-dummy solver did not answer within 0.3 s", {}},
        // Its end of the socket closes but the process stays.
        {"lingers", "cat >/dev/null; echo $$ >\"$0.pid\"; exec sleep 30 <&- >&-", 2, milliseconds(250),
         "the double-dummy solver did not answer within 0.25 s", {}},
        {"chatters", "echo $$ >\"$0.pid\"; exec yes 0d0d0d0d000d0d0d0d00", 2, std::nullopt,
         "the double-dummy solver's answer is far longer than any for 2 deals", {}},
        {"crashes", "kill -SEGV $$", 2, std::nullopt,
         "the double-dummy solver stopped with signal 11 (" + std::string(strsignal(SIGSEGV)) + ")", {}},
        {"ends", "exit 3", 2, std::nullopt, "the double-dummy solver ended with status 3 and no answer", {}},
        {"refuses", "cat >/dev/null; echo '!board 7: the double-dummy solver refused the deal'; exit 1", 2,
         std::nullopt, "board 7: the double-dummy solver refused the deal", {}},
        {"falls short", "cat >/dev/null; echo '# 1 2'; echo '0d0d0d0d000d0d0d0d00 1510 7S NS'", 2, std::nullopt,
         "the double-dummy solver's answer is incomplete (1 of 2 deals)", {{1, 2}}},
        {"is missing", nullptr, 2, std::nullopt,
         "cannot start the double-dummy solver " + dir.File("is missing") + ": No such file or directory", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string program = dir.File(c.name);
        if (c.script != nullptr) {
            std::ofstream(program) << "#!/bin/sh\n" << c.script << "\n";
            ASSERT_EQ(chmod(program.c_str(), 0755), 0);
        }
        std::vector<DealToAnalyse> deals(c.deals, DealToAnalyse{&deal, kSeatNorth, kVulNone, ""});
        std::vector<DealAnalysis> results;
        std::string error;
        Told told;
        SolveOptions options;
        options.program = program;
        options.timeLimit = c.limit;
        options.progress = [&](size_t solved, size_t total) { told.emplace_back(solved, total); };
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(AnalyseDeals(deals, results, error, options));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));
        EXPECT_EQ(error, c.error);
        EXPECT_TRUE(results.empty());
        EXPECT_EQ(told, c.told);
        std::ifstream pidFile(program + ".pid");
        pid_t pid = 0;
        if (pidFile >> pid) {
            errno = 0;
            EXPECT_EQ(kill(pid, 0), -1) << "the stand-in " << pid << " is still there";
            EXPECT_EQ(errno, ESRCH);
        }
    }
}

TEST(DoubleDummy, WorkerIsFoundBesideTheProgramOrWhereThePackageInstallsIt)
{
    // A program in <root>/usr/bin/, the worker beside it or in the package's
    // folder under /usr/libexec, or named by the variable.
    enum Place { kNowhere, kBeside, kInstalled, kVariable };
    const struct Case {
        const char* name;
        bool beside;      // an executable worker beside the program
        bool besideFile;  // a file of that name that cannot be run
        bool installed;   // an executable worker where the package puts it
        const char* variable; // relative to the root; nullptr: not set
        Place found;
    } cases[] = {
        {"both", true, false, true, nullptr, kBeside},
        {"installed", false, false, true, nullptr, kInstalled},
        {"not executable beside", false, true, true, nullptr, kInstalled},
        {"nowhere", false, true, false, nullptr, kNowhere},
        {"variable first", true, false, true, "elsewhere/worker", kVariable},
        {"variable only", true, false, true, "elsewhere/missing", kNowhere},
        {"variable empty", true, false, false, "", kBeside},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir("solver-place");
        ASSERT_TRUE(dir.Valid());
        const std::string programs = dir.File("usr/bin/");
        const std::string beside = programs + "bridgeprint-solver";
        const std::string installed = dir.File("usr/libexec/bridgeprint-kiosk/bridgeprint-solver");
        const std::string elsewhere = dir.File("elsewhere/worker");
        auto make = [](const std::string& path, mode_t mode) {
            std::filesystem::create_directories(std::filesystem::path(path).parent_path());
            std::ofstream(path) << "#!/bin/sh\n";
            chmod(path.c_str(), mode);
        };
        make(elsewhere, 0755);
        if (c.beside || c.besideFile)
            make(beside, c.beside ? 0755 : 0644);
        if (c.installed)
            make(installed, 0755);
        std::filesystem::create_directories(programs);
        const std::string variable = c.variable && *c.variable ? dir.File(c.variable) : std::string();
        std::string path, error;
        const bool found = FindSolverProgramFrom(c.variable ? variable.c_str() : nullptr, programs, path, error);
        switch (c.found) {
        case kBeside: EXPECT_TRUE(found) << error; EXPECT_EQ(path, beside); break;
        case kInstalled: EXPECT_TRUE(found) << error; EXPECT_EQ(path, installed); break;
        case kVariable: EXPECT_TRUE(found) << error; EXPECT_EQ(path, elsewhere); break;
        case kNowhere:
            EXPECT_FALSE(found) << path;
            // Every place looked at is named.
            EXPECT_EQ(error, c.variable ? "the double-dummy solver program " + variable +
                                              " (from $BRIDGEPRINT_SOLVER) is not an executable file"
                                        : "the double-dummy solver program is missing: neither " + beside + " nor " +
                                              installed +
                                              " is an executable file (or set $BRIDGEPRINT_SOLVER to its path)");
            break;
        }
    }
}
