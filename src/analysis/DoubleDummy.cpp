#include "analysis/DoubleDummy.h"

#include "foundation/Files.h"
#include "tournament/BridgeBasics.h"

#include <dds/dll.h>
#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <memory>
#include <sstream>

namespace {

// The solver library, opened in the child process (never linked: loading it
// starts its thread pool and sets aside its memory, which would cost every
// scorecard the renderer prints 70 ms and 15 MiB for nothing).
struct Solver {
    decltype(&::SetMaxThreads) setMaxThreads = nullptr;
    decltype(&::CalcAllTablesPBN) calcAllTablesPbn = nullptr;
    decltype(&::CalcDDtablePBN) calcDdTablePbn = nullptr;
    decltype(&::DealerParBin) dealerParBin = nullptr;
    decltype(&::ErrorMessage) errorMessage = nullptr;
    std::string missing; // why the library could not be used; "" when it can
};

constexpr const char* kSolverLibrary = "libdds.so.0";

template <class F>
bool Bind(void* library, const char* name, F& function, std::string& missing)
{
    function = reinterpret_cast<F>(dlsym(library, name));
    if (function == nullptr && missing.empty())
        missing = std::string(kSolverLibrary) + " has no " + name;
    return function != nullptr;
}

const Solver& OpenSolver()
{
    static const Solver solver = [] {
        Solver s;
        void* library = dlopen(kSolverLibrary, RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) {
            const char* why = dlerror();
            s.missing = "the double-dummy solver library cannot be loaded (" +
                        std::string(why ? why : kSolverLibrary) + "); install the package libdds0";
            return s;
        }
        Bind(library, "SetMaxThreads", s.setMaxThreads, s.missing);
        Bind(library, "CalcAllTablesPBN", s.calcAllTablesPbn, s.missing);
        Bind(library, "CalcDDtablePBN", s.calcDdTablePbn, s.missing);
        Bind(library, "DealerParBin", s.dealerParBin, s.missing);
        Bind(library, "ErrorMessage", s.errorMessage, s.missing);
        // The library sizes its thread pool and memory for the machine's cores.
        if (s.missing.empty())
            s.setMaxThreads(0);
        return s;
    }();
    return solver;
}

// Deals per call of the library: a page of hand records. The library takes
// up to MAXNOOFTABLES; sixteen keep both cores busy as well (each deal is
// five jobs, one per strain) and let the progress be told page by page.
constexpr size_t kDealsPerCall = 16;
static_assert(kDealsPerCall <= MAXNOOFTABLES);

// The library's strains: spades, hearts, diamonds, clubs, no trump; ours:
// clubs, diamonds, hearts, spades, no trump.
constexpr int32_t kLibraryStrain[5] = {3, 2, 1, 0, 4}; // ours -> the library's

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

std::string LibraryError(int code)
{
    char line[80] = {};
    OpenSolver().errorMessage(code, line);
    return std::string(line) + " (code " + std::to_string(code) + ")";
}

int LibraryVulnerability(int32_t vulnerability)
{
    switch (vulnerability) {
    case kVulBoth: return 1;
    case kVulNorthSouth: return 2;
    case kVulEastWest: return 3;
    default: return 0;
    }
}

bool SolveTrickTables(const std::vector<const Deal*>& deals, std::vector<TrickTable>& tables, std::string& error,
                      const SolveProgress& progress)
{
    tables.clear();
    if (deals.empty())
        return true;
    const Solver& solver = OpenSolver();
    if (!solver.missing.empty()) {
        error = solver.missing;
        return false;
    }
    tables.reserve(deals.size());
    // The request and answer structures hold room for the library's largest
    // batch (a few hundred kilobytes): on the heap, not the stack.
    auto request = std::make_unique<ddTableDealsPBN>();
    auto answer = std::make_unique<ddTablesRes>();
    int filter[DDS_STRAINS] = {0, 0, 0, 0, 0}; // every strain
    for (size_t start = 0; start < deals.size(); start += kDealsPerCall) {
        const size_t count = std::min<size_t>(kDealsPerCall, deals.size() - start);
        std::memset(request.get(), 0, sizeof(ddTableDealsPBN));
        request->noOfTables = static_cast<int>(count);
        for (size_t i = 0; i < count; ++i) {
            const std::string text = LibraryDealText(*deals[start + i]);
            std::strncpy(request->deals[i].cards, text.c_str(), sizeof(request->deals[i].cards) - 1);
        }
        std::memset(answer.get(), 0, sizeof(ddTablesRes));
        const int rc = solver.calcAllTablesPbn(request.get(), -1, filter, answer.get(), nullptr);
        if (rc != RETURN_NO_FAULT) {
            // Name the board: solving the deals one by one finds the culprit.
            for (size_t i = 0; i < count; ++i) {
                ddTableDealPBN one{};
                const std::string text = LibraryDealText(*deals[start + i]);
                std::strncpy(one.cards, text.c_str(), sizeof(one.cards) - 1);
                ddTableResults result{};
                const int single = solver.calcDdTablePbn(one, &result);
                if (single != RETURN_NO_FAULT) {
                    error = "board " + std::to_string(deals[start + i]->GetBoard()) +
                            ": the double-dummy solver refused the deal: " + LibraryError(single);
                    return false;
                }
            }
            error = "the double-dummy solver failed: " + LibraryError(rc);
            return false;
        }
        for (size_t i = 0; i < count; ++i) {
            TrickTable table{};
            for (int32_t seat = 0; seat < 4; ++seat)
                for (int32_t strain = 0; strain < 5; ++strain)
                    table[size_t(seat)][size_t(strain)] = answer->results[i].resTable[kLibraryStrain[strain]][seat];
            tables.push_back(table);
        }
        if (progress)
            progress(tables.size(), deals.size());
    }
    return true;
}

} // namespace

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

namespace {

bool ComputePar(const TrickTable& table, int32_t dealer, int32_t vulnerability, ParResult& par, std::string& error)
{
    par = ParResult();
    ddTableResults results{};
    for (int32_t seat = 0; seat < 4; ++seat)
        for (int32_t strain = 0; strain < 5; ++strain)
            results.resTable[kLibraryStrain[strain]][seat] = table[size_t(seat)][size_t(strain)];
    const Solver& solver = OpenSolver();
    if (!solver.missing.empty()) {
        error = solver.missing;
        return false;
    }
    parResultsMaster master{};
    const int rc =
        solver.dealerParBin(&results, &master, std::clamp(dealer, 0, 3), LibraryVulnerability(vulnerability));
    if (rc != RETURN_NO_FAULT) {
        error = "the par could not be worked out: " + LibraryError(rc);
        return false;
    }
    par.score = master.score;
    static const char* const kStrains[] = {"NT", "S", "H", "D", "C"};
    static const char* const kSeats[] = {"N", "E", "S", "W", "NS", "EW"};
    for (int i = 0; i < std::clamp(master.number, 0, 10); ++i) {
        const contractType& c = master.contracts[i];
        if (c.level < 1 || c.level > 7 || c.denom < 0 || c.denom > 4 || c.seats < 0 || c.seats > 5)
            continue;
        std::string text = std::to_string(c.level) + kStrains[c.denom] + (c.underTricks > 0 ? "X" : "") + " " +
                           kSeats[c.seats];
        if (c.underTricks > 0)
            text += " -" + std::to_string(c.underTricks);
        else if (c.overTricks > 0)
            text += " +" + std::to_string(c.overTricks);
        par.contracts.push_back(text);
    }
    return true;
}

// The analysis itself, in the child: one line per deal, "<trick text>
// <score> <contract>;<contract>...", or one line "!<error>" and nothing
// after it.
bool AnalyseHere(const std::vector<DealToAnalyse>& deals, std::string& out, std::string& error,
                 const SolveProgress& progress)
{
    std::vector<const Deal*> unsolved;
    for (const DealToAnalyse& d : deals)
        if (d.known.empty())
            unsolved.push_back(d.deal);
    std::vector<TrickTable> solved;
    if (!SolveTrickTables(unsolved, solved, error, progress))
        return false;
    size_t next = 0;
    for (const DealToAnalyse& d : deals) {
        TrickTable table{};
        if (d.known.empty()) {
            table = solved[next++];
        } else if (!TrickTableFromText(d.known, table)) {
            error = "board " + std::to_string(d.deal->GetBoard()) + ": \"" + d.known + "\" is not a trick table";
            return false;
        }
        ParResult par;
        if (!ComputePar(table, d.dealer, d.vulnerability, par, error)) {
            error = "board " + std::to_string(d.deal->GetBoard()) + ": " + error;
            return false;
        }
        out += TrickTableText(table) + " " + std::to_string(par.score) + " ";
        for (size_t i = 0; i < par.contracts.size(); ++i)
            out += (i > 0 ? ";" : "") + par.contracts[i];
        out += "\n";
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

} // namespace

bool AnalyseDeals(const std::vector<DealToAnalyse>& deals, std::vector<DealAnalysis>& results, std::string& error,
                  const SolveProgress& progress)
{
    results.clear();
    if (deals.empty())
        return true;
    int fds[2];
    if (pipe(fds) != 0) {
        error = std::string("cannot start the double-dummy solver: ") + std::strerror(errno);
        return false;
    }
    std::fflush(nullptr); // nothing buffered is written twice
    const pid_t child = fork();
    if (child < 0) {
        error = std::string("cannot start the double-dummy solver: ") + std::strerror(errno);
        close(fds[0]);
        close(fds[1]);
        return false;
    }
    if (child == 0) {
        close(fds[0]);
        std::string out, childError;
        const bool ok = AnalyseHere(deals, out, childError, progress);
        if (!ok)
            out = "!" + childError + "\n";
        const bool written = WriteAllBytes(fds[1], out);
        std::fflush(nullptr);
        // Straight out: the library's clean-up at exit is what must not run.
        _exit(ok && written ? 0 : 1);
    }
    close(fds[1]);
    std::string answer;
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        answer.append(buffer, size_t(n));
    }
    close(fds[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status)) {
        error = "the double-dummy solver stopped with signal " + std::to_string(WTERMSIG(status)) + " (" +
                strsignal(WTERMSIG(status)) + ")";
        return false;
    }
    if (!ReadAnswer(answer, deals.size(), results, error)) {
        results.clear();
        return false;
    }
    return true;
}
