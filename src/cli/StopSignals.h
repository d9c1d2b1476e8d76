#pragma once

#include <csignal>

/// The signals that end dla-grow from outside (SIGINT, SIGTERM, SIGHUP), taken while an ensemble
/// runs as a request to stop rather than where they strike. Made before the ensemble's threads
/// start, it blocks them in the calling thread, and the threads inherit that; the caller polls
/// with take(), lets the runs in progress stop and the saves in progress finish, tells what has
/// been done and then ends the process by the signal, so the exit status still tells it.
class StopSignals {
public:
    StopSignals();
    /// Restores the signal mask the thread had.
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    /// The signal waiting, taken from the queue; 0 when none is.
    int take();
    /// Lets the signals act again in this thread (a second Ctrl-C while the ensemble winds down
    /// then ends it at once).
    void release();

    /// Ends the process by `signal` with its default action.
    [[noreturn]] static void endBy(int signal);

private:
    sigset_t stopping_{};
    sigset_t previous_{};
};
