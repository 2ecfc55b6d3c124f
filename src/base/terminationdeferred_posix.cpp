#include "terminationdeferred.h"

#include <atomic>
#include <csignal>
#include <unistd.h>

namespace {

// Touched by the handlers, so lock-free: the handler may run on any thread, also on one that
// is inside a scope.
std::atomic<int> openScopes { 0 };
std::atomic<int> pendingSignal { 0 };
static_assert(std::atomic<int>::is_always_lock_free);

constexpr int politeSignals[] = { SIGTERM, SIGINT, SIGHUP };

// Async-signal-safe: ends the process by `signal` as its default action would.
[[noreturn]] void endBy(int signal)
{
    struct sigaction action { };
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    // Inside the handler the signal is blocked on this thread.
    pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    raise(signal);
    _exit(128 + signal);
}

void onPoliteSignal(int signal)
{
    // Stored before the scopes are counted, and counted before a scope looks for it, so that
    // a scope that ends meanwhile sees it (see ~TerminationDeferred).
    pendingSignal.store(signal);
    if (openScopes.load() == 0)
        endBy(signal);
}

} // namespace

void installTerminationHandlers()
{
    struct sigaction action { };
    action.sa_handler = onPoliteSignal;
    sigemptyset(&action.sa_mask);
    // A deferred signal must not make the commit's calls fail half way.
    action.sa_flags = SA_RESTART;
    // One handler at a time per thread.
    for (const int signal : politeSignals)
        sigaddset(&action.sa_mask, signal);
    for (const int signal : politeSignals) {
        struct sigaction previous { };
        sigaction(signal, nullptr, &previous);
        // A signal the caller's parent chose to ignore (nohup) stays ignored.
        if (previous.sa_handler != SIG_IGN)
            sigaction(signal, &action, nullptr);
    }
}

TerminationDeferred::TerminationDeferred()
{
    openScopes.fetch_add(1);
}

TerminationDeferred::~TerminationDeferred()
{
    if (openScopes.fetch_sub(1) == 1) {
        const int signal = pendingSignal.load();
        if (signal != 0)
            endBy(signal);
    }
}
