#include "ParticleListReader.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace {

constexpr std::string_view PlaneHeader = "index,x,y,parent";
constexpr std::string_view SpaceHeader = "index,x,y,z,parent";

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

/// The longest line a list may have: a row of dla-grow's is under 120 characters.
constexpr std::streamsize MaxLine = 4096;

enum class LineRead { Line, End, TooLong };

/// Reads the next line of `file` into `line`, up to MaxLine characters. A longer one is
/// TooLong and is not read on: a file of no line ends (/dev/zero, say) would otherwise be
/// taken into memory whole.
LineRead readLine(std::istream& file, std::string& line)
{
    char buffer[MaxLine + 2];
    file.getline(buffer, sizeof buffer);
    if (file.bad() || (file.fail() && file.gcount() == 0))
        return LineRead::End;
    if (file.fail())
        return LineRead::TooLong;
    line.assign(buffer);
    return LineRead::Line;
}

/// The bytes left in `file` from where it stands; -1 where it cannot tell (a pipe).
std::int64_t bytesLeft(std::istream& file)
{
    const std::istream::pos_type here = file.tellg();
    if (here == std::istream::pos_type(-1))
        return -1;
    file.seekg(0, std::ios::end);
    const std::istream::pos_type end = file.tellg();
    file.clear();
    file.seekg(here);
    return end == std::istream::pos_type(-1) ? -1 : static_cast<std::int64_t>(end - here);
}

std::uint64_t littleEndian(const unsigned char* bytes, int count)
{
    std::uint64_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = (value << 8) | bytes[i];
    return value;
}

} // namespace

ParticleListReader::Particles ParticleListReader::read(const std::string& path)
{
    // A folder opens as a file on Linux, and reads as one that is empty.
    std::error_code error;
    std::ifstream file(path, std::ios::binary);
    if (!file || std::filesystem::is_directory(path, error))
        throw Unreadable("Cannot read file " + path);
    Particles particles = file.peek() == 'p' ? readPly(file, path) : readCsv(file, path);
    if (file.bad())
        throw Unreadable("Cannot read file " + path);
    return particles;
}

ParticleListReader::Particles ParticleListReader::readCsv(std::istream& file, const std::string& path)
{
    const auto malformed = [&](std::int64_t line, const std::string& reason) {
        return Malformed(path + ":" + std::to_string(line) + ": " + reason);
    };
    const auto tooLong = [&](std::int64_t line) {
        return malformed(line, "a line longer than " + std::to_string(MaxLine) + " characters, not a particle list's");
    };
    std::string line;
    Particles particles;
    const LineRead header = readLine(file, line);
    if (header == LineRead::TooLong)
        throw tooLong(1);
    if (header == LineRead::End || (line != PlaneHeader && line != SpaceHeader))
        throw malformed(1, "not a particle list (its first line must be " + std::string(PlaneHeader) + " or " +
                               std::string(SpaceHeader) + ")");
    particles.dimensions = line == PlaneHeader ? 2 : 3;
    const auto fields = static_cast<std::ptrdiff_t>(particles.dimensions + 2);
    bool whole = particles.dimensions == 2;
    std::int64_t row = 0;
    for (;;) {
        const std::int64_t lineNumber = row + 2;
        const LineRead read = readLine(file, line);
        if (read == LineRead::End)
            break;
        if (read == LineRead::TooLong)
            throw tooLong(lineNumber);
        std::size_t at = 0;
        const std::string_view text(line);
        std::int64_t index = -1;
        if (!parse(nextField(text, at), index) || index != row)
            throw malformed(lineNumber, "the index must be " + std::to_string(row));
        if (std::count(line.begin(), line.end(), ',') != fields - 1)
            throw malformed(lineNumber, "not " + std::string(particles.dimensions == 2 ? PlaneHeader : SpaceHeader));
        for (int axis = 0; axis < particles.dimensions; ++axis) {
            const std::string_view coordinate = nextField(text, at);
            double value = 0;
            if (!parse(coordinate, value))
                throw malformed(lineNumber, "not " + std::string(particles.dimensions == 2 ? PlaneHeader : SpaceHeader));
            whole = whole && wholeNumber(coordinate);
            particles.positions.push_back(value);
        }
        std::int64_t parent = 0;
        if (!parse(nextField(text, at), parent) || parent < -1 || parent >= row)
            throw malformed(lineNumber, "the parent must be -1 or an earlier row");
        particles.parents.push_back(static_cast<std::int32_t>(parent));
        ++row;
    }
    particles.offLattice = !whole;
    if (particles.offLattice) {
        // The list has no row for the origin particle, which the cluster's arrays begin with.
        particles.positions.insert(particles.positions.begin(), static_cast<std::size_t>(particles.dimensions), 0.0);
        for (std::int32_t& parent : particles.parents)
            ++parent;
        particles.parents.insert(particles.parents.begin(), -1);
    }
    return particles;
}

ParticleListReader::Particles ParticleListReader::readPly(std::istream& file, const std::string& path)
{
    const auto malformed = [&](const std::string& reason) { return Malformed(path + ": " + reason); };
    // The header dla-grow writes, line by line; comments may come anywhere before the vertices.
    const std::vector<std::string> expected{"ply", "format binary_little_endian 1.0", "element vertex",
                                            "property double x", "property double y", "property double z",
                                            "property int parent", "end_header"};
    std::int64_t vertices = -1;
    std::string line;
    for (const std::string& wanted : expected) {
        do {
            const LineRead read = readLine(file, line);
            if (read == LineRead::TooLong)
                throw malformed("not a PLY particle list (a header line longer than " + std::to_string(MaxLine) + " characters)");
            if (read == LineRead::End)
                throw malformed("not a PLY particle list (its header ends early)");
        } while (line.rfind("comment ", 0) == 0);
        if (wanted == "element vertex") {
            const std::string_view count = std::string_view(line).substr(std::min(line.size(), wanted.size() + 1));
            if (line.rfind(wanted + " ", 0) != 0 || !parse(count, vertices) || vertices < 1 ||
                vertices > std::int64_t{INT32_MAX})
                throw malformed("not a PLY particle list ('" + line + "' where 'element vertex N', N from 1 to " +
                                std::to_string(INT32_MAX) + ", belongs)");
        } else if (line != wanted) {
            throw malformed("not a PLY particle list ('" + line + "' where '" + wanted + "' belongs)");
        }
    }
    Particles particles;
    particles.offLattice = true;
    particles.dimensions = 3;
    constexpr int VertexBytes = 3 * 8 + 4;
    // Room for the vertices the file holds, not for what its header claims: a count the file
    // falls short of ends below with the vertex that is missing, not in a refused allocation.
    const std::int64_t left = bytesLeft(file);
    const std::int64_t room = std::min(vertices, left >= 0 ? left / VertexBytes : std::int64_t{1} << 20);
    particles.positions.reserve(static_cast<std::size_t>(room) * 3);
    particles.parents.reserve(static_cast<std::size_t>(room));
    unsigned char vertex[VertexBytes];
    bool plane = true;
    for (std::int64_t i = 0; i < vertices; ++i) {
        if (!file.read(reinterpret_cast<char*>(vertex), VertexBytes))
            throw malformed("vertex " + std::to_string(i) + " of " + std::to_string(vertices) + " is missing");
        for (int axis = 0; axis < 3; ++axis)
            particles.positions.push_back(std::bit_cast<double>(littleEndian(vertex + 8 * axis, 8)));
        const auto parent = static_cast<std::int32_t>(static_cast<std::uint32_t>(littleEndian(vertex + 24, 4)));
        if (parent < -1 || parent >= i || (parent == -1) != (i == 0))
            throw malformed("vertex " + std::to_string(i) + ": the parent must be an earlier vertex (-1 for vertex 0 alone)");
        particles.parents.push_back(parent);
        plane = plane && particles.positions.back() == 0.0;
    }
    if (file.peek() != std::char_traits<char>::eof())
        throw malformed("more bytes than its " + std::to_string(vertices) + " vertices");
    if (plane) {
        // A plane cluster's cloud: its arrays have two coordinates.
        std::vector<double> planePositions;
        planePositions.reserve(static_cast<std::size_t>(vertices) * 2);
        for (std::size_t i = 0; i < particles.positions.size(); i += 3) {
            planePositions.push_back(particles.positions[i]);
            planePositions.push_back(particles.positions[i + 1]);
        }
        particles.positions = std::move(planePositions);
        particles.dimensions = 2;
    }
    return particles;
}
