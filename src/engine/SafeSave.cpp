#include "SafeSave.h"

#include "SaveError.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

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

bool SafeSave::writeAll(int fd, const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

void SafeSave::save(const std::string& path, const WriteContent& writeContent)
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

    bool written;
    {
        FileSizeSignalIgnored guard;
        written = writeContent(fd) && fsync(fd) == 0;
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
