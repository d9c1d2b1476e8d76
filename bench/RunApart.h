#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <type_traits>

/// Runs `work` in a child process of its own, so that the peak resident memory the parent then
/// reads is the run's alone, and returns what it returned (a plain struct with a field
/// `peakBytes`, filled in here). A run that fails ends the benchmark with a line naming
/// `program` and the run's `particles`.
template <class Work>
auto runApart(const char* program, long long particles, Work work)
{
    using Figures = decltype(work());
    static_assert(std::is_trivially_copyable_v<Figures>);
    int channel[2];
    if (pipe(channel) != 0) {
        std::fprintf(stderr, "%s: pipe: %s\n", program, std::strerror(errno));
        std::exit(1);
    }
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        const Figures figures = work();
        const bool written = write(channel[1], &figures, sizeof figures) == static_cast<ssize_t>(sizeof figures);
        _exit(written ? 0 : 1);
    }
    close(channel[1]);
    Figures figures;
    const bool read = ::read(channel[0], &figures, sizeof figures) == static_cast<ssize_t>(sizeof figures);
    close(channel[0]);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    if (!read || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s: the run of %lld particles failed\n", program, particles);
        std::exit(1);
    }
    figures.peakBytes = static_cast<double>(usage.ru_maxrss) * 1024;
    return figures;
}
