#include "StopSignals.h"

#include <cerrno>
#include <ctime>
#include <initializer_list>
#include <pthread.h>
#include <unistd.h>

namespace {

bool ignored(int signal)
{
    struct sigaction action {};
    return sigaction(signal, nullptr, &action) == 0 && action.sa_handler == SIG_IGN;
}

} // namespace

StopSignals::StopSignals()
{
    sigemptyset(&stopping_);
    // A signal the process was started to ignore (SIGHUP under nohup, SIGINT for a background
    // job of a script) stays ignored: blocking it would have it queued and taken after all.
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        if (!ignored(signal))
            sigaddset(&stopping_, signal);
    pthread_sigmask(SIG_BLOCK, &stopping_, &previous_);
}

StopSignals::~StopSignals()
{
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

int StopSignals::take()
{
    const timespec noWait{0, 0};
    for (;;) {
        const int signal = sigtimedwait(&stopping_, nullptr, &noWait);
        if (signal > 0)
            return signal;
        if (errno != EINTR)
            return 0;
    }
}

void StopSignals::release()
{
    pthread_sigmask(SIG_UNBLOCK, &stopping_, nullptr);
}

void StopSignals::endBy(int signal)
{
    std::signal(signal, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    raise(signal);
    // Not reached with the default action of these signals; the shell's way of telling it.
    _exit(128 + signal);
}
