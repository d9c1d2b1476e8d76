#pragma once

#include "files/SaveTarget.h"
#include "files/StreamTarget.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

/// The one way the program puts a file on disk, whatever its format: the bytes go to a new
/// temporary file beside the target (".dla-save-" and six letters or digits), which replaces
/// the target only when it is complete and flushed; then the folder is flushed too, so a
/// finished save survives a power cut. Symbolic links are followed as the system follows them
/// and stay links; a target that is neither a regular file nor a stream (below), a link loop or
/// an over-long chain of links is refused. A replaced file keeps its mode and, where the process
/// may set them, its owner and group; a hard-linked target gets a new file, its other names keep
/// the old content. A name that leads to a stream (StreamTarget: a descriptor of this process, a
/// character device, a FIFO) is written through as it stands instead, with no temporary file
/// and no rename.
/// A file-size limit fails the write instead of killing the process, and SIGINT, SIGTERM or
/// SIGHUP during a save removes the temporary file before the process ends.
///
/// A save in progress is an object: made when the temporary file is created, fed with write(),
/// and put in place by commit(). Destroyed without a commit, it removes its temporary file and
/// leaves the target as it was, so a file can be streamed while a run goes on.
class SafeSave {
public:
    /// Writes the file's content to the open temporary file `fd`; false when a write falls short.
    using WriteContent = std::function<bool(int fd)>;

    /// The start of every temporary file's name.
    static constexpr const char* TemporaryPrefix = ".dla-save-";

    /// Saves to `path` through `writeContent` in one go. Throws SaveError: "Cannot create file
    /// <path>" when the file cannot be made or put in place, "Stream write error" when a write
    /// falls short. Either way the old file is untouched and no temporary file is left behind
    /// (unless only the folder's flush failed: see commit()).
    static void save(const std::string& path, const WriteContent& writeContent);

    /// Refuses, before any work is spent on its content, a file of `bytes` bytes that could
    /// never be saved to `path`: everything SaveTarget refuses, a folder where no file can be
    /// created (the temporary file is made there and removed again), and a file system or a
    /// file-size limit without room for the new file beside the old one. Throws the SaveError
    /// the save itself would give; writes nothing. The save still has the last word.
    static void checkWritable(const std::string& path, std::uint64_t bytes);

    /// Writes all of `size` bytes to `fd`; false when the file takes fewer (disk full, size limit).
    static bool writeAll(int fd, const void* data, std::size_t size);

    /// Removes the temporary files of every save in progress. Async-signal-safe: for a program
    /// that handles SIGINT, SIGTERM or SIGHUP itself and ends the process from its handler.
    static void removeTemporaryFiles() noexcept;

    /// Creates the temporary file for `path`. Throws SaveError "Cannot create file <path>".
    explicit SafeSave(const std::string& path);
    /// Removes the temporary file unless the save was committed.
    ~SafeSave();
    SafeSave(const SafeSave&) = delete;
    SafeSave& operator=(const SafeSave&) = delete;

    /// The open temporary file, for writers that write through a descriptor of their own.
    int fd() const { return fd_; }
    /// Appends bytes; a short write is remembered and reported by commit(). False once failed.
    bool write(const void* data, std::size_t size);
    /// Marks the content as failed, for a writer that met a short write of its own through fd().
    void fail() { failed_ = true; }
    /// Whether a write has fallen short, so that commit() will fail.
    bool failed() const { return failed_; }
    /// Gives the save up before its commit: the temporary file is removed at once (its room on
    /// the disk is free again for another save) and the target left as it was.
    void abandon() { discard(); }
    /// Flushes the file, puts it in place of the target and flushes the folder. Throws
    /// SaveError: "Stream write error" when a write fell short or the file's flush failed,
    /// "Cannot create file <path>" when it cannot be put in place; the temporary file is then
    /// removed and the target left as it was. When only the folder's flush fails, after the
    /// file is in place, it throws "Stream write error" too: the new file is the target then,
    /// but may not survive a power cut.
    void commit();

private:
    void commitStream();
    void openFolder();
    void createTemporaryFile();
    void takeOverOwnerAndMode();
    void checkRoomFor(std::uint64_t bytes) const;
    void syncFolder() const;
    void discard();
    void closeFolder();
    [[noreturn]] void refuse() const;

    std::string path_;
    std::optional<StreamTarget> stream_;
    std::optional<SaveTarget> target_; ///< the file a save replaces, when the name leads to no stream
    int folderFd_ = -1;
    bool folderSyncable_ = false;
    std::string temporaryName_;
    int slot_ = -1;
    int fd_ = -1;
    bool failed_ = false;
    bool committed_ = false;
};
