#include "lattice/RandomSource.h"

#include <chrono>

std::uint32_t RandomSource::clockSeed()
{
    using namespace std::chrono;
    const auto now = system_clock::now().time_since_epoch();
    const auto msOfDay = duration_cast<milliseconds>(now).count() % (24LL * 60 * 60 * 1000);
    const auto ms = static_cast<int>(msOfDay);
    return seedForTimeOfDay(ms / 3'600'000, ms / 60'000 % 60, ms / 1000 % 60, ms % 1000);
}

std::uint32_t RandomSource::seedForTimeOfDay(int hour, int minute, int second, int milliseconds)
{
    return static_cast<std::uint32_t>(((hour * 60 + minute) * 60 + second) * 1000 + milliseconds);
}
