#include "files/SafeSave.h"

#include "files/PendingTemporaryFiles.h"
#include "files/SaveError.h"
#include "files/StreamTarget.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

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

std::uint64_t randomBits()
{
    std::uint64_t bits = 0;
    if (getrandom(&bits, sizeof bits, GRND_NONBLOCK) == sizeof bits)
        return bits;
    // No entropy yet (early boot): the clock and a counter still make names unlikely to meet,
    // and a name that is taken is simply tried again.
    static std::atomic<std::uint64_t> counter{0};
    const auto now = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    return now * 0x9E3779B97F4A7C15u ^ counter.fetch_add(1) ^ static_cast<std::uint64_t>(getpid()) << 40;
}

std::string temporaryName()
{
    static constexpr char Letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::uint64_t bits = randomBits();
    std::string name = SafeSave::TemporaryPrefix;
    for (int i = 0; i < 6; ++i, bits /= sizeof Letters - 1)
        name += Letters[bits % (sizeof Letters - 1)];
    return name;
}

/// A folder that cannot do fsync (some network and FUSE file systems) has nothing to flush.
bool syncUnsupported(int error)
{
    return error == EINVAL || error == ENOTSUP || error == EROFS;
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

void SafeSave::checkWritable(const std::string& path, std::uint64_t bytes)
{
    if (const auto stream = StreamTarget::of(path)) {
        stream->checkWritable();
        return;
    }
    const SafeSave probe(path);
    probe.checkRoomFor(bytes);
}

void SafeSave::removeTemporaryFiles() noexcept
{
    PendingTemporaryFiles::removeAll();
}

SafeSave::SafeSave(const std::string& path) : path_(path), stream_(StreamTarget::of(path))
{
    ignoreFileSizeSignal();
    if (stream_) {
        fd_ = stream_->open();
        return;
    }
    target_.emplace(path);
    PendingTemporaryFiles::installHandlers();
    openFolder();
    try {
        createTemporaryFile();
    } catch (...) {
        closeFolder();
        throw;
    }
    if (target_->exists())
        takeOverOwnerAndMode();
}

SafeSave::~SafeSave()
{
    if (!committed_)
        discard();
    closeFolder();
}

bool SafeSave::write(const void* data, std::size_t size)
{
    if (!failed_ && !writeAll(fd_, data, size))
        failed_ = true;
    return !failed_;
}

void SafeSave::commit()
{
    if (stream_) {
        commitStream();
        return;
    }
    const bool flushed = !failed_ && fsync(fd_) == 0;
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    if (!flushed || !closed) {
        discard();
        throw SaveError("Stream write error");
    }
    if (renameat(folderFd_, temporaryName_.c_str(), folderFd_, target_->name().c_str()) != 0) {
        discard();
        refuse();
    }
    // Off the list only now: until the rename, a signal must still find the file to remove.
    PendingTemporaryFiles::remove(slot_);
    slot_ = -1;
    committed_ = true;
    syncFolder();
}

/// A stream has nothing to flush or put in place: its bytes are where they go once written.
void SafeSave::commitStream()
{
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    committed_ = true;
    if (failed_ || !closed)
        throw SaveError("Stream write error");
}

/// The folder stays open for the whole save: the temporary file is made, renamed and removed
/// relative to it, the signal handler removes it through it, and it is flushed after the rename.
void SafeSave::openFolder()
{
    const std::string folder = target_->folder();
    folderFd_ = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    folderSyncable_ = folderFd_ >= 0;
    if (folderFd_ < 0 && errno == EACCES) // writable but not readable: no flush, still a save
        folderFd_ = open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folderFd_ < 0)
        refuse();
}

void SafeSave::createTemporaryFile()
{
    // A replaced file's content may be private: its new file is readable by its owner alone
    // until it has the old file's mode. A new file takes the umask's mode from the start.
    const mode_t mode = target_->exists() ? 0600 : 0666;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporaryName_ = temporaryName();
        // Listed before it exists, so no signal can come between its creation and its listing.
        if (slot_ < 0)
            slot_ = PendingTemporaryFiles::add(folderFd_, temporaryName_.c_str());
        else
            PendingTemporaryFiles::rename(slot_, temporaryName_.c_str());
        fd_ = openat(folderFd_, temporaryName_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd_ >= 0)
            return;
        if (errno != EEXIST)
            break;
    }
    PendingTemporaryFiles::remove(slot_);
    slot_ = -1;
    refuse();
}

/// The new file takes the old one's owner and group where the process may give them (root, or
/// a group the user belongs to), then its mode: changing the owner clears the set-id bits.
void SafeSave::takeOverOwnerAndMode()
{
    const struct stat& old = target_->existing();
    struct stat created {};
    fstat(fd_, &created);
    bool ownerKept = created.st_uid == old.st_uid;
    if (created.st_uid != old.st_uid || created.st_gid != old.st_gid) {
        ownerKept = fchown(fd_, old.st_uid, old.st_gid) == 0;
        if (!ownerKept)
            (void)fchown(fd_, static_cast<uid_t>(-1), old.st_gid); // a refusal is no failure
    }
    // Never hand set-id bits to a file of another owner than the old one's.
    const mode_t mode = old.st_mode & (ownerKept ? 07777 : 0777);
    fchmod(fd_, mode);
}

void SafeSave::checkRoomFor(std::uint64_t bytes) const
{
    rlimit fileSize{};
    if (getrlimit(RLIMIT_FSIZE, &fileSize) == 0 && fileSize.rlim_cur != RLIM_INFINITY && bytes > fileSize.rlim_cur)
        throw SaveError("Stream write error");
    struct statvfs space {};
    if (fstatvfs(fd_, &space) != 0 || space.f_frsize == 0)
        return; // the save will tell
    // Root may also fill the blocks a file system keeps back for it.
    const std::uint64_t freeBlocks = geteuid() == 0 ? space.f_bfree : space.f_bavail;
    if (freeBlocks < bytes / space.f_frsize + (bytes % space.f_frsize != 0))
        throw SaveError("Stream write error");
}

void SafeSave::syncFolder() const
{
    if (folderSyncable_ && fsync(folderFd_) != 0 && !syncUnsupported(errno))
        throw SaveError("Stream write error");
}

void SafeSave::discard()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    committed_ = true; // nothing left to remove
    if (stream_)
        return;
    unlinkat(folderFd_, temporaryName_.c_str(), 0);
    PendingTemporaryFiles::remove(slot_);
    slot_ = -1;
}

void SafeSave::closeFolder()
{
    if (folderFd_ >= 0)
        ::close(folderFd_);
    folderFd_ = -1;
}

void SafeSave::refuse() const
{
    throw SaveError("Cannot create file " + path_);
}
