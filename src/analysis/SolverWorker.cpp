#include "analysis/SolverWorker.h"

#include "analysis/DoubleDummy.h"
#include "foundation/Files.h"
#include "tournament/BridgeBasics.h"

#include <dds/dll.h>
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <sstream>

namespace {

// The solver library, opened here in the worker (never linked: loading it
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

// One line of the request.
struct WorkerDeal {
    int32_t board = 0;
    int32_t dealer = 0;
    int32_t vulnerability = 0;
    std::string known; // the trick text the hand record gave; "" to solve
    std::string cards; // the library's text form
};

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

using Progress = void (*)(int out, size_t solved, size_t total);

bool SolveTrickTables(const std::vector<const WorkerDeal*>& deals, std::vector<TrickTable>& tables,
                      std::string& error, int out, Progress progress)
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
            const std::string& text = deals[start + i]->cards;
            std::strncpy(request->deals[i].cards, text.c_str(), sizeof(request->deals[i].cards) - 1);
        }
        std::memset(answer.get(), 0, sizeof(ddTablesRes));
        const int rc = solver.calcAllTablesPbn(request.get(), -1, filter, answer.get(), nullptr);
        if (rc != RETURN_NO_FAULT) {
            // Name the board: solving the deals one by one finds the culprit.
            for (size_t i = 0; i < count; ++i) {
                ddTableDealPBN one{};
                const std::string& text = deals[start + i]->cards;
                std::strncpy(one.cards, text.c_str(), sizeof(one.cards) - 1);
                ddTableResults result{};
                const int single = solver.calcDdTablePbn(one, &result);
                if (single != RETURN_NO_FAULT) {
                    error = "board " + std::to_string(deals[start + i]->board) +
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
        progress(out, tables.size(), deals.size());
    }
    return true;
}

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

// The answer lines of every deal, or false with the error.
bool AnalyseHere(const std::vector<WorkerDeal>& deals, std::string& out, std::string& error, int progressOut,
                 Progress progress)
{
    std::vector<const WorkerDeal*> unsolved;
    for (const WorkerDeal& d : deals)
        if (d.known.empty())
            unsolved.push_back(&d);
    std::vector<TrickTable> solved;
    if (!SolveTrickTables(unsolved, solved, error, progressOut, progress))
        return false;
    size_t next = 0;
    for (const WorkerDeal& d : deals) {
        TrickTable table{};
        if (d.known.empty())
            table = solved[next++];
        else
            TrickTableFromText(d.known, table); // checked when the request was read
        ParResult par;
        if (!ComputePar(table, d.dealer, d.vulnerability, par, error)) {
            error = "board " + std::to_string(d.board) + ": " + error;
            return false;
        }
        out += TrickTableText(table) + " " + std::to_string(par.score) + " ";
        for (size_t i = 0; i < par.contracts.size(); ++i)
            out += (i > 0 ? ";" : "") + par.contracts[i];
        out += "\n";
    }
    return true;
}

bool ReadRequest(const std::string& text, std::vector<WorkerDeal>& deals, std::string& error)
{
    std::istringstream lines(text);
    size_t number = 0;
    for (std::string line; std::getline(lines, line);) {
        ++number;
        std::istringstream fields(line);
        WorkerDeal d;
        TrickTable table{};
        const bool read = static_cast<bool>(fields >> d.board >> d.dealer >> d.vulnerability >> d.known) &&
                          std::getline(fields >> std::ws, d.cards) && !d.cards.empty() &&
                          d.cards.size() < sizeof(ddTableDealPBN::cards) &&
                          (d.known == "-" || TrickTableFromText(d.known, table));
        if (!read) {
            error = "line " + std::to_string(number) + " of the deals to analyse is not one: \"" + line + "\"";
            return false;
        }
        if (d.known == "-")
            d.known.clear();
        deals.push_back(std::move(d));
    }
    return true;
}

// More than any session's deals: a caller that sends this much is not ours.
constexpr size_t kMaxRequestBytes = 16 * 1024 * 1024;

bool ReadAll(int in, std::string& text, std::string& error)
{
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = std::string("cannot read the deals to analyse: ") + std::strerror(errno);
            return false;
        }
        if (n == 0)
            return true;
        text.append(buffer, size_t(n));
        if (text.size() > kMaxRequestBytes) {
            error = "the deals to analyse are more than 16 MiB";
            return false;
        }
    }
}

void WriteProgress(int out, size_t solved, size_t total)
{
    // Lost only when the caller has gone, which then ends this process.
    WriteAllBytes(out, "# " + std::to_string(solved) + " " + std::to_string(total) + "\n");
}

} // namespace

int RunSolverWorker(int in, int out)
{
    std::string request, answer, error;
    std::vector<WorkerDeal> deals;
    const bool ok = ReadAll(in, request, error) && ReadRequest(request, deals, error) &&
                    AnalyseHere(deals, answer, error, out, WriteProgress);
    if (!ok)
        answer = "!" + error + "\n";
    const bool written = WriteAllBytes(out, answer);
    return ok && written ? 0 : 1;
}
