#include "BmpFile.h"

#include "SaveError.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

void putLittleEndian(std::uint8_t* at, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t pixelBlockSize(std::int32_t width, std::int32_t height)
{
    return static_cast<std::uint32_t>(GrowthField::rowBytesFor(width) * static_cast<std::size_t>(height));
}

std::string directoryOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

/// Where the bytes really go: a symbolic link is followed to the file it names (which may not
/// exist yet), so the link itself survives the save.
std::string followLinks(std::string path)
{
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return path;
        std::vector<char> target(PATH_MAX + 1);
        const ssize_t length = readlink(path.c_str(), target.data(), PATH_MAX);
        if (length < 0)
            return path;
        const std::string link(target.data(), static_cast<std::size_t>(length));
        path = link.starts_with('/') ? link : directoryOf(path) + "/" + link;
    }
    return path;
}

mode_t modeForNewFile()
{
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

/// Writes all of `size` bytes; false when the file takes fewer (disk full, size limit).
bool writeAll(int fd, const std::uint8_t* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

/// A file-size limit would otherwise kill the process with SIGXFSZ instead of failing the write.
class FileSizeSignalIgnored {
public:
    FileSizeSignalIgnored() { previous_ = std::signal(SIGXFSZ, SIG_IGN); }
    ~FileSizeSignalIgnored() { std::signal(SIGXFSZ, previous_); }
    FileSizeSignalIgnored(const FileSizeSignalIgnored&) = delete;
    FileSizeSignalIgnored& operator=(const FileSizeSignalIgnored&) = delete;

private:
    void (*previous_)(int);
};

} // namespace

std::string BmpFile::fileNameFor(const std::string& name)
{
    // Step back over four UTF-8 characters; continuation bytes are 10xxxxxx.
    std::size_t position = name.size();
    for (int characters = 0; characters < 4; ++characters) {
        if (position == 0)
            return name + ".bmp";
        --position;
        while (position > 0 && (static_cast<unsigned char>(name[position]) & 0xC0) == 0x80)
            --position;
    }
    return name[position] == '.' ? name : name + ".bmp";
}

std::array<std::uint8_t, BmpFile::FileHeaderSize> BmpFile::fileHeader(std::int32_t width, std::int32_t height)
{
    std::array<std::uint8_t, FileHeaderSize> header{};
    header[0] = 'B';
    header[1] = 'M';
    putLittleEndian(&header[2], static_cast<std::uint32_t>(FileHeaderSize + InfoHeaderSize) +
                                    pixelBlockSize(width, height), 4);
    putLittleEndian(&header[10], FileHeaderSize + InfoHeaderSize, 4);
    return header;
}

std::array<std::uint8_t, BmpFile::InfoHeaderSize> BmpFile::infoHeader(std::int32_t width, std::int32_t height)
{
    std::array<std::uint8_t, InfoHeaderSize> header{};
    putLittleEndian(&header[0], InfoHeaderSize, 4);
    putLittleEndian(&header[4], static_cast<std::uint32_t>(width), 4);
    putLittleEndian(&header[8], static_cast<std::uint32_t>(height), 4); // positive: bottom-up rows
    putLittleEndian(&header[12], 1, 2);                                 // planes
    putLittleEndian(&header[14], 24, 2);                                // bits per pixel
    putLittleEndian(&header[16], 0, 4);                                 // uncompressed
    putLittleEndian(&header[20], pixelBlockSize(width, height), 4);
    putLittleEndian(&header[24], PixelsPerMetre, 4);
    putLittleEndian(&header[28], PixelsPerMetre, 4);
    return header;
}

void BmpFile::save(const GrowthField& field, const std::string& path)
{
    const SaveError cannotCreate("Cannot create file " + path);
    const std::string target = followLinks(path);
    struct stat existing {};
    const bool targetExists = stat(target.c_str(), &existing) == 0;
    if (targetExists && !S_ISREG(existing.st_mode))
        throw cannotCreate;

    std::string temporary = directoryOf(target) + "/.dla-save-XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0)
        throw cannotCreate;
    fchmod(fd, targetExists ? (existing.st_mode & 07777) : modeForNewFile());

    const auto fileBytes = fileHeader(field.width(), field.height());
    const auto infoBytes = infoHeader(field.width(), field.height());
    bool written;
    {
        FileSizeSignalIgnored guard;
        written = writeAll(fd, fileBytes.data(), fileBytes.size()) &&
                  writeAll(fd, infoBytes.data(), infoBytes.size()) &&
                  writeAll(fd, field.pixelBlock(), field.pixelBlockSize()) && fsync(fd) == 0;
    }
    written = (::close(fd) == 0) && written;
    if (!written) {
        unlink(temporary.c_str());
        throw SaveError("Stream write error");
    }
    if (rename(temporary.c_str(), target.c_str()) != 0) {
        unlink(temporary.c_str());
        throw cannotCreate;
    }
}
