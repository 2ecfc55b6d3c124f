#pragma once

// SIGTERM, SIGINT and SIGHUP end the process at once, as if it had no handlers, unless a
// thread is inside a TerminationDeferred scope: then the signal waits until the last such
// scope ends, and the process ends there with that signal (status 128 + N in a shell). A
// commit that writes files holds a scope from its first scratch file until the last is gone,
// so that a polite signal never leaves a file half written or a scratch file behind.

// Installs the handlers; each host's main() calls it once, before it starts a thread.
void installTerminationHandlers();

// The process is not ended by a polite signal while this lives (on any thread). Scopes may
// nest and overlap across threads.
class TerminationDeferred {
public:
    TerminationDeferred();
    ~TerminationDeferred();
    TerminationDeferred(const TerminationDeferred &) = delete;
    TerminationDeferred &operator=(const TerminationDeferred &) = delete;
};
