#include "CloseRequests.h"

#include <csignal>

namespace closerequests {
namespace {

constexpr int kCloseSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

volatile std::sig_atomic_t firstSignal = 0;

void SetDisposition(int signal, void (*disposition)(int)) {
    struct sigaction action = {};
    action.sa_handler = disposition;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
}

// Only async-signal-safe calls here: sigaction and raise.
void OnCloseRequest(int signal) {
    if (firstSignal == 0) {
        firstSignal = signal;
    } else if (signal != SIGPIPE) {
        // Delivered with the default action as soon as this handler returns.
        SetDisposition(signal, SIG_DFL);
        std::raise(signal);
    }
    // Writes to the closed pipe now simply fail with EPIPE.
    if (signal == SIGPIPE) SetDisposition(SIGPIPE, SIG_IGN);
}

bool StartedIgnored(int signal) {
    struct sigaction current = {};
    return sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
}

}  // namespace

void Install() {
    for (int signal : kCloseSignals) {
        // nohup and shells starting background jobs ignore these on purpose; a caller that
        // ignores SIGPIPE wants a failed write instead, which the program reports.
        if (signal != SIGTERM && StartedIgnored(signal)) continue;
        struct sigaction action = {};
        action.sa_handler = OnCloseRequest;
        // A test file's write must not fail because of the signal: the phase notices the request
        // at its next pump point instead.
        action.sa_flags = SA_RESTART;
        // One handler at a time, so that two signals arriving together cannot both be first.
        sigemptyset(&action.sa_mask);
        for (int other : kCloseSignals) sigaddset(&action.sa_mask, other);
        sigaction(signal, &action, nullptr);
    }
}

int FirstSignal() {
    return firstSignal;
}

const char* SignalName(int signal) {
    switch (signal) {
        case SIGINT:
            return "SIGINT";
        case SIGTERM:
            return "SIGTERM";
        case SIGHUP:
            return "SIGHUP";
        case SIGPIPE:
            return "SIGPIPE";
        default:
            return "";
    }
}

}  // namespace closerequests
