#include "ProgressBar.h"

#include <algorithm>
#include <cmath>
#include <sys/ioctl.h>

namespace {
// Carriage return to the line's start; "erase to end of line" removes what a longer line left.
constexpr const char* CarriageReturn = "\r";
constexpr const char* EraseLine = "\033[K";
} // namespace

std::string ProgressBar::render(double fraction, const std::string& text, int columns)
{
    const double clamped = std::isnan(fraction) ? 0.0 : std::clamp(fraction, 0.0, 1.0);
    const int filled = static_cast<int>(clamped * BarWidth);
    const int percent = static_cast<int>(clamped * 100);
    const std::string percentText = std::to_string(percent) + "%";
    std::string line(1, '[');
    line.append(static_cast<std::size_t>(filled), '#');
    line.append(static_cast<std::size_t>(BarWidth - filled), ' ');
    line.append("] ");
    line.append(4 - std::min<std::size_t>(4, percentText.size()), ' ');
    line.append(percentText).append("  ").append(text);
    const auto room = static_cast<std::size_t>(std::max(columns - 1, 1));
    if (line.size() > room)
        line.resize(room);
    return line;
}

void ProgressBar::draw(double fraction, const std::string& text)
{
    out_ << CarriageReturn << render(fraction, text, columns_) << EraseLine << std::flush;
    shown_ = true;
}

void ProgressBar::clear()
{
    if (!shown_)
        return;
    out_ << CarriageReturn << EraseLine << std::flush;
    shown_ = false;
}

int ProgressBar::terminalColumns(int fd)
{
    winsize size{};
    if (ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}
