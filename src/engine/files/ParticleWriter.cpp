#include "files/ParticleWriter.h"

#include <charconv>
#include <cstring>
#include <string_view>

namespace {

/// The longest row: two integers of at most 20 characters, up to three doubles of at most 24
/// (the shortest form of a double, "-2.2250738585072014e-308"), four commas and a line break.
constexpr std::size_t LongestRow = 2 * 20 + 3 * 24 + 5;
constexpr char Header[] = "index,x,y,parent\n";
constexpr char SpaceHeader[] = "index,x,y,z,parent\n";

} // namespace

ParticleWriter::ParticleWriter(const std::string& path, Columns columns) : save_(path), buffer_(BufferBytes)
{
    const std::string_view header = columns == Columns::Space ? SpaceHeader : Header;
    std::memcpy(buffer_.data(), header.data(), header.size());
    used_ = header.size();
}

void ParticleWriter::write(std::int64_t index, std::int32_t x, std::int32_t y, std::int64_t parent)
{
    writeRow(index, x, y, parent);
}

void ParticleWriter::write(std::int64_t index, double x, double y, std::int64_t parent)
{
    writeRow(index, x, y, parent);
}

void ParticleWriter::write(std::int64_t index, double x, double y, double z, std::int64_t parent)
{
    if (BufferBytes - used_ < LongestRow)
        flush();
    char* out = buffer_.data() + used_;
    char* const end = buffer_.data() + BufferBytes;
    out = std::to_chars(out, end, index).ptr;
    for (double coordinate : {x, y, z}) {
        *out++ = ',';
        out = std::to_chars(out, end, coordinate).ptr; // the shortest form that reads back exactly
    }
    *out++ = ',';
    out = std::to_chars(out, end, parent).ptr;
    *out++ = '\n';
    used_ = static_cast<std::size_t>(out - buffer_.data());
}

template <typename Coordinate>
void ParticleWriter::writeRow(std::int64_t index, Coordinate x, Coordinate y, std::int64_t parent)
{
    if (BufferBytes - used_ < LongestRow)
        flush();
    char* out = buffer_.data() + used_;
    char* const end = buffer_.data() + BufferBytes;
    out = std::to_chars(out, end, index).ptr;
    *out++ = ',';
    out = std::to_chars(out, end, x).ptr; // for a double: the shortest form that reads back exactly
    *out++ = ',';
    out = std::to_chars(out, end, y).ptr;
    *out++ = ',';
    out = std::to_chars(out, end, parent).ptr;
    *out++ = '\n';
    used_ = static_cast<std::size_t>(out - buffer_.data());
}

void ParticleWriter::flush()
{
    save_.write(buffer_.data(), used_); // a short write is remembered and reported by commit()
    used_ = 0;
}

bool ParticleWriter::writeOut()
{
    flush();
    return !save_.failed();
}

void ParticleWriter::commit()
{
    flush();
    save_.commit();
}
