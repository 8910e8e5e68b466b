// bridgeprint-solver: the double-dummy solver's own process. bridgeprint-render
// starts it for each set of hand records to solve (analysis/DoubleDummy.h): it
// reads the deals on its standard input and writes their tables and pars on
// its standard output (analysis/SolverWorker.h). Not a program to run by hand.

#include "analysis/SolverWorker.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>

int main(int argc, char**)
{
    if (argc > 1) {
        std::fputs("bridgeprint-solver takes no options: bridgeprint-render starts it with the deals to solve on its "
                   "standard input\n",
                   stderr);
        return 2;
    }
    // Ends with the thread that started it, rather than solving on for no one.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    // The answer has standard output to itself: anything the library might
    // print goes to standard error instead (or nowhere, when there is none).
    const int answer = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    if (answer < 0)
        return 1;
    if (dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
        const int nowhere = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (nowhere < 0 || dup2(nowhere, STDOUT_FILENO) < 0)
            return 1;
        close(nowhere);
    }
    const int status = RunSolverWorker(STDIN_FILENO, answer);
    // Straight out: the library's clean-up at exit is what must not run.
    _exit(status);
}
