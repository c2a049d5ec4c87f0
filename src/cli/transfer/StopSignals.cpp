// Turns SIGINT and SIGTERM into a stop request.
#include "cli/transfer/StopSignals.h"

#include "cli/output/ExitStatus.h"

#include <csignal>

namespace bitreel::cli {
namespace {

// The first stop signal's number, 0 before one.
volatile std::sig_atomic_t signalled = 0;

extern "C" void OnStopSignal(int number) {
    if (signalled == 0) {
        signalled = number;
    }
}

} // namespace

void CatchStopSignals() {
#ifdef _WIN32
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
#else
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    // The second signal finds the default action again and ends the program.
    action.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
#endif
}

bool StopSignalled() {
    return signalled != 0;
}

int StoppedStatus() {
    return signalled == SIGTERM ? ExitTerminated : ExitInterrupted;
}

} // namespace bitreel::cli
