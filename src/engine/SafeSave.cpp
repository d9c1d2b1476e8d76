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

/// The mode a new file gets under the process's umask. The umask can only be read by setting
/// it, which would race with a save on another thread; it is read once, the first time, under
/// the guard of a static local, and the program never changes it afterwards.
mode_t modeForNewFile()
{
    static const mode_t mode = [] {
        const mode_t mask = umask(0);
        umask(mask);
        return static_cast<mode_t>(0666 & ~mask);
    }();
    return mode;
}

/// A file-size limit would otherwise kill the process with SIGXFSZ instead of failing the write.
/// Ignored for the life of the program: a save can be in progress at any time, from any thread.
void ignoreFileSizeSignal()
{
    static const bool ignored = [] {
        std::signal(SIGXFSZ, SIG_IGN);
        return true;
    }();
    (void)ignored;
}

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
    SafeSave save(path);
    if (!writeContent(save.fd()))
        save.fail();
    save.commit();
}

SafeSave::SafeSave(const std::string& path) : path_(path), target_(followLinks(path))
{
    ignoreFileSizeSignal();
    struct stat existing {};
    const bool targetExists = stat(target_.c_str(), &existing) == 0;
    if (targetExists && !S_ISREG(existing.st_mode))
        throw SaveError("Cannot create file " + path_);

    temporary_ = directoryOf(target_) + "/.dla-save-XXXXXX";
    fd_ = mkstemp(temporary_.data());
    if (fd_ < 0)
        throw SaveError("Cannot create file " + path_);
    fchmod(fd_, targetExists ? (existing.st_mode & 07777) : modeForNewFile());
}

SafeSave::~SafeSave()
{
    if (!committed_)
        discard();
}

bool SafeSave::write(const void* data, std::size_t size)
{
    if (!failed_ && !writeAll(fd_, data, size))
        failed_ = true;
    return !failed_;
}

void SafeSave::commit()
{
    const bool flushed = !failed_ && fsync(fd_) == 0;
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    if (!flushed || !closed) {
        discard();
        throw SaveError("Stream write error");
    }
    if (rename(temporary_.c_str(), target_.c_str()) != 0) {
        discard();
        throw SaveError("Cannot create file " + path_);
    }
    committed_ = true;
}

void SafeSave::discard()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    unlink(temporary_.c_str());
    committed_ = true; // nothing left to remove
}
