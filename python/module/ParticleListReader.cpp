#include "ParticleListReader.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <string_view>

namespace {

constexpr std::string_view Header = "index,x,y,parent";

/// The next comma-separated field of `line`, from `at` on.
std::string_view nextField(std::string_view line, std::size_t& at)
{
    if (at > line.size())
        return {};
    const std::size_t comma = std::min(line.find(',', at), line.size());
    const std::string_view field = line.substr(at, comma - at);
    at = comma + 1;
    return field;
}

template <typename Number>
bool parse(std::string_view text, Number& value)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && error == std::errc{} && end == text.data() + text.size();
}

bool wholeNumber(std::string_view text)
{
    std::int64_t ignored = 0;
    return parse(text, ignored);
}

} // namespace

ParticleListReader::Particles ParticleListReader::read(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw Unreadable("Cannot read file " + path);
    const auto malformed = [&](std::int64_t line, const std::string& reason) {
        return Malformed(path + ":" + std::to_string(line) + ": " + reason);
    };

    std::string line;
    if (!std::getline(file, line) || line != Header)
        throw malformed(1, "not a particle list (its first line must be " + std::string(Header) + ")");
    Particles particles;
    bool whole = true;
    std::int64_t row = 0;
    while (std::getline(file, line)) {
        const std::int64_t lineNumber = row + 2;
        std::size_t at = 0;
        const std::string_view text(line);
        const std::string_view index = nextField(text, at);
        const std::string_view x = nextField(text, at);
        const std::string_view y = nextField(text, at);
        const std::string_view parent = nextField(text, at);
        std::int64_t indexValue = -1;
        if (!parse(index, indexValue) || indexValue != row)
            throw malformed(lineNumber, "the index must be " + std::to_string(row));
        double xValue = 0;
        double yValue = 0;
        std::int64_t parentValue = 0;
        if (std::count(line.begin(), line.end(), ',') != 3 || !parse(x, xValue) || !parse(y, yValue))
            throw malformed(lineNumber, "not index,x,y,parent");
        if (!parse(parent, parentValue) || parentValue < -1 || parentValue >= row)
            throw malformed(lineNumber, "the parent must be -1 or an earlier row");
        whole = whole && wholeNumber(x) && wholeNumber(y);
        particles.positions.push_back(xValue);
        particles.positions.push_back(yValue);
        particles.parents.push_back(static_cast<std::int32_t>(parentValue));
        ++row;
    }
    if (file.bad())
        throw Unreadable("Cannot read file " + path);
    particles.offLattice = !whole;
    if (particles.offLattice) {
        particles.positions.insert(particles.positions.begin(), {0.0, 0.0});
        for (std::int32_t& parent : particles.parents)
            ++parent;
        particles.parents.insert(particles.parents.begin(), -1);
    }
    return particles;
}
