#include "SystemSeed.h"

#include <cerrno>
#include <random>
#include <sys/random.h>

std::uint32_t SystemSeed::draw()
{
    std::uint32_t seed = 0;
    ssize_t got = -1;
    do
        got = getrandom(&seed, sizeof seed, 0);
    while (got < 0 && errno == EINTR);
    if (got == static_cast<ssize_t>(sizeof seed))
        return seed;
    // Requests of up to 256 bytes are never cut short; a failure means no such call (ENOSYS).
    std::random_device device;
    return static_cast<std::uint32_t>(device());
}
