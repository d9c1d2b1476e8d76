#include "files/StreamTarget.h"

#include "files/SaveError.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <memory>
#include <mutex>
#include <sys/stat.h>
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

std::string lastPartOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::optional<long> numberIn(std::string_view text)
{
    long number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() || number < 0)
        return std::nullopt;
    return number;
}

/// Which process's descriptor folder `folder` (links resolved) is: /proc/PID/fd or
/// /proc/PID/task/TID/fd. Nothing for any other folder.
std::optional<long> processOfDescriptorFolder(const std::string& folder)
{
    constexpr std::string_view Proc = "/proc/";
    if (!folder.starts_with(Proc) || !folder.ends_with("/fd"))
        return std::nullopt;
    std::string_view inside(folder);
    inside.remove_prefix(Proc.size());
    inside.remove_suffix(3);
    const auto slash = inside.find('/');
    const auto process = numberIn(inside.substr(0, slash));
    if (!process || slash == std::string_view::npos)
        return process;
    constexpr std::string_view Task = "/task/";
    const std::string_view rest = inside.substr(slash);
    if (!rest.starts_with(Task) || !numberIn(rest.substr(Task.size())))
        return std::nullopt;
    return process;
}

/// The most links the system follows in one name: Linux's own limit where it names none.
long linkLimit()
{
    const long limit = sysconf(_SC_SYMLOOP_MAX);
    return limit > 0 ? limit : 40;
}

/// The descriptors FIFOs were opened on by checkWritable(), each waiting for its save.
class HeldFifos {
public:
    void hold(const std::string& path, int fd)
    {
        const std::lock_guard lock(mutex_);
        const auto [at, added] = held_.emplace(path, fd);
        if (!added)
            ::close(fd); // one held already serves the save
    }
    int take(const std::string& path)
    {
        const std::lock_guard lock(mutex_);
        const auto found = held_.find(path);
        if (found == held_.end())
            return -1;
        const int fd = found->second;
        held_.erase(found);
        return fd;
    }

private:
    std::mutex mutex_;
    std::map<std::string, int> held_;
};

HeldFifos& heldFifos()
{
    static HeldFifos fifos;
    return fifos;
}

} // namespace

std::optional<StreamTarget> StreamTarget::of(const std::string& path)
{
    StreamTarget stream(path);
    // Follow the chain of links one by one: a descriptor is a link in a process's descriptor
    // folder, which the system itself would follow to the file behind it.
    std::string name = path;
    std::vector<char> link(PATH_MAX + 1);
    for (long links = 0; links <= linkLimit(); ++links) {
        struct stat info {};
        if (lstat(name.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            break;
        const std::unique_ptr<char, decltype(&std::free)> folder(realpath(folderOf(name).c_str(), nullptr), &std::free);
        if (folder) {
            if (const auto process = processOfDescriptorFolder(folder.get())) {
                const auto descriptor = numberIn(lastPartOf(name));
                if (*process != getpid() || !descriptor || *descriptor > INT_MAX)
                    stream.refuse();
                stream.descriptor_ = static_cast<int>(*descriptor);
                return stream;
            }
        }
        const ssize_t length = readlink(name.c_str(), link.data(), link.size() - 1);
        if (length < 0)
            break;
        const std::string target(link.data(), static_cast<std::size_t>(length));
        name = target.starts_with('/') ? target : folderOf(name) + "/" + target;
    }
    // O_PATH opens neither a FIFO's writer side nor a device: looking has no effect.
    const int probe = ::open(path.c_str(), O_PATH | O_CLOEXEC);
    if (probe < 0)
        return std::nullopt;
    struct stat info {};
    const bool known = fstat(probe, &info) == 0;
    ::close(probe);
    if (!known || !(S_ISCHR(info.st_mode) || S_ISFIFO(info.st_mode)))
        return std::nullopt;
    stream.fifo_ = S_ISFIFO(info.st_mode);
    return stream;
}

bool StreamTarget::isStream(const std::string& path)
{
    try {
        return of(path).has_value();
    } catch (const SaveError&) {
        return true;
    }
}

void StreamTarget::checkWritable() const
{
    if (descriptor_ >= 0) {
        const int flags = fcntl(descriptor_, F_GETFL);
        if (flags < 0 || (flags & O_ACCMODE) == O_RDONLY)
            refuse();
        return;
    }
    if (!fifo_) {
        if (access(path_.c_str(), W_OK) != 0)
            refuse();
        return;
    }
    heldFifos().hold(path_, openDevice());
}

int StreamTarget::open() const
{
    if (descriptor_ >= 0) {
        checkWritable();
        const int copy = fcntl(descriptor_, F_DUPFD_CLOEXEC, 0);
        if (copy < 0)
            refuse();
        return copy;
    }
    if (fifo_) {
        const int held = heldFifos().take(path_);
        if (held >= 0)
            return held;
    }
    return openDevice();
}

/// Opens the device or FIFO without waiting: a FIFO that no process reads is refused at once
/// (it would hold the save until a reader came), and a terminal never becomes the process's
/// controlling one. Writes then wait as they should.
int StreamTarget::openDevice() const
{
    const int fd = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        refuse();
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        refuse();
    }
    return fd;
}

void StreamTarget::refuse() const
{
    throw SaveError("Cannot create file " + path_);
}
