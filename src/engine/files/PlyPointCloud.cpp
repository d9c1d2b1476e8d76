#include "files/PlyPointCloud.h"

#include "files/SaveError.h"

#include <bit>
#include <cctype>
#include <cstring>

namespace {

constexpr std::size_t BufferBytes = 1 << 16;

/// `bytes` bytes of `value` in little-endian order, whatever the machine's.
template <typename Value>
unsigned char* putLittleEndian(unsigned char* out, Value value)
{
    auto bits = std::bit_cast<std::conditional_t<sizeof(Value) == 8, std::uint64_t, std::uint32_t>>(value);
    for (std::size_t i = 0; i < sizeof(Value); ++i, bits >>= 8)
        *out++ = static_cast<unsigned char>(bits & 0xFF);
    return out;
}

} // namespace

bool PlyPointCloud::isPlyName(const std::string& path)
{
    if (path.size() < 4)
        return false;
    std::string ending = path.substr(path.size() - 4);
    for (char& c : ending)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ending == ".ply";
}

std::string PlyPointCloud::header(std::int64_t vertices)
{
    return "ply\n"
           "format binary_little_endian 1.0\n"
           "comment dla cluster: particles of diameter 1, vertex 0 the first, parent -1 for it\n"
           "element vertex " +
           std::to_string(vertices) +
           "\n"
           "property double x\n"
           "property double y\n"
           "property double z\n"
           "property int parent\n"
           "end_header\n";
}

std::uint64_t PlyPointCloud::fileBytes(std::int64_t vertices)
{
    return header(vertices).size() + static_cast<std::uint64_t>(vertices) * VertexBytes;
}

PlyPointCloud::PlyPointCloud(const std::string& path, std::int64_t vertices)
    : save_(path), buffer_(BufferBytes), expected_(vertices)
{
    const std::string text = header(vertices);
    save_.write(text.data(), text.size());
}

void PlyPointCloud::write(double x, double y, double z, std::int32_t parent)
{
    if (BufferBytes - used_ < VertexBytes)
        flush();
    unsigned char* out = buffer_.data() + used_;
    out = putLittleEndian(out, x);
    out = putLittleEndian(out, y);
    out = putLittleEndian(out, z);
    out = putLittleEndian(out, parent);
    used_ = static_cast<std::size_t>(out - buffer_.data());
    ++written_;
}

void PlyPointCloud::flush()
{
    save_.write(buffer_.data(), used_); // a short write is remembered and reported by commit()
    used_ = 0;
}

void PlyPointCloud::commit()
{
    flush();
    if (written_ != expected_) {
        save_.abandon();
        throw SaveError("Stream write error");
    }
    save_.commit();
}
