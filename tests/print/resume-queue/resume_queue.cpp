// Resumes a print queue with ResumePrinterQueue, as whatever user runs it:
// the queue tests start it as an unprivileged user, since the scheduler
// decides by who is asking. The queue is the first argument ("" or none: the
// default destination); the scheduler is CUPS_SERVER's. Prints "resumed" and
// exits 0, or prints the error and exits 1.

#include "platform/CupsPrinters.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    const std::string queue = argc > 1 ? argv[1] : "";
    std::string error;
    if (!ResumePrinterQueue(queue, error)) {
        std::printf("error: %s\n", error.c_str());
        return 1;
    }
    std::printf("resumed\n");
    return 0;
}
