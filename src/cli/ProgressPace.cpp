#include "ProgressPace.h"

#include <cstdlib>

std::chrono::milliseconds ProgressPace::firstDrawDelay()
{
    const char* setting = std::getenv("DLA_GROW_PROGRESS_AFTER_MS");
    if (setting == nullptr || *setting == '\0')
        return FirstDrawDelay;
    char* end = nullptr;
    const long milliseconds = std::strtol(setting, &end, 10);
    if (*end != '\0' || milliseconds < 0)
        return FirstDrawDelay;
    return std::chrono::milliseconds(milliseconds);
}

bool ProgressPace::due(bool barShown)
{
    const Clock::time_point now = Clock::now();
    if (now - started_ < firstDraw_ || (barShown && now - lastDrawn_ < RedrawInterval))
        return false;
    lastDrawn_ = now;
    return true;
}
