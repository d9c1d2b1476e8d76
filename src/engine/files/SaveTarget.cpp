#include "files/SaveTarget.h"

#include "files/SaveError.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

std::string folderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

/// The most links the system follows in one name: Linux's own limit where it names none.
long linkLimit()
{
    const long limit = sysconf(_SC_SYMLOOP_MAX);
    return limit > 0 ? limit : 40;
}

} // namespace

SaveTarget::SaveTarget(const std::string& path) : path_(path)
{
    // The system itself resolves the name: it follows links with its own limit and says ELOOP
    // for a loop or an over-long chain, ENAMETOOLONG for a name it cannot take. O_PATH opens
    // neither a FIFO's reader side nor a device, so looking has no effect.
    const int probe = open(path.c_str(), O_PATH | O_CLOEXEC);
    if (probe < 0) {
        if (errno != ENOENT)
            refuse();
        file_ = nameOfMissingFile();
        return;
    }
    const bool known = fstat(probe, &existing_) == 0;
    close(probe);
    if (!known || !S_ISREG(existing_.st_mode))
        refuse();
    const std::unique_ptr<char, decltype(&std::free)> real(realpath(path.c_str(), nullptr), &std::free);
    if (!real)
        refuse();
    file_ = real.get();
    exists_ = true;
}

std::string SaveTarget::folder() const
{
    return folderOf(file_);
}

std::string SaveTarget::name() const
{
    const auto slash = file_.rfind('/');
    return slash == std::string::npos ? file_ : file_.substr(slash + 1);
}

void SaveTarget::refuse() const
{
    throw SaveError("Cannot create file " + path_);
}

/// The name a save creates when the system found nothing under `path_`: `path_` itself, or the
/// missing file at the end of its chain of links. The system has already followed that chain
/// within its limit, so the limit here only guards against a chain changed meanwhile.
std::string SaveTarget::nameOfMissingFile() const
{
    std::string name = path_;
    std::vector<char> link(PATH_MAX + 1);
    for (long links = 0; links <= linkLimit(); ++links) {
        struct stat info {};
        if (lstat(name.c_str(), &info) != 0) {
            if (errno != ENOENT)
                refuse();
            return name;
        }
        if (!S_ISLNK(info.st_mode))
            refuse(); // it appeared meanwhile; the next try sees what it is
        const ssize_t length = readlink(name.c_str(), link.data(), link.size() - 1);
        if (length < 0)
            refuse();
        const std::string target(link.data(), static_cast<std::size_t>(length));
        name = target.starts_with('/') ? target : folderOf(name) + "/" + target;
    }
    refuse();
}
