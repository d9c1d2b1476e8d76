#include "BoundedLine.h"


BoundedLine::Read BoundedLine::next(std::istream& in, std::string& line)
{
    line.clear();
    in.getline(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    const std::streamsize taken = in.gcount();
    if (in.bad())
        return Read::End;
    if (in.fail() && taken > 0 && !in.eof()) {
        // The buffer filled before the line ended. Its end may be gigabytes away or never come,
        // so nothing more is read.
        in.clear();
        return Read::TooLong;
    }
    if (taken == 0)
        return Read::End;
    // The line break, when one ended the line, is counted but not stored.
    const auto stored = static_cast<std::size_t>(taken) - (in.eof() ? 0 : 1);
    line.assign(buffer_.data(), stored);
    return Read::Line;
}
