#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

/// The one way the program puts a file on disk, whatever its format: the bytes go to a new
/// temporary file beside the target (".dla-save-XXXXXX"), which replaces the target only when
/// it is complete and flushed. A symbolic link is followed and stays a link; a target that is
/// not a regular file is never replaced; a file-size limit fails the write instead of killing
/// the process.
///
/// A save in progress is an object: made when the temporary file is created, fed with write(),
/// and put in place by commit(). Destroyed without a commit, it removes its temporary file and
/// leaves the target as it was, so a file can be streamed while a run goes on.
class SafeSave {
public:
    /// Writes the file's content to the open temporary file `fd`; false when a write falls short.
    using WriteContent = std::function<bool(int fd)>;

    /// Saves to `path` through `writeContent` in one go. Throws SaveError: "Cannot create file
    /// <path>" when the file cannot be made or put in place, "Stream write error" when a write
    /// falls short. Either way the old file is untouched and no temporary file is left behind.
    static void save(const std::string& path, const WriteContent& writeContent);

    /// Writes all of `size` bytes to `fd`; false when the file takes fewer (disk full, size limit).
    static bool writeAll(int fd, const void* data, std::size_t size);

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
    /// Flushes the file and puts it in place of the target. Throws SaveError: "Stream write
    /// error" when a write fell short, "Cannot create file <path>" when it cannot be put in
    /// place; the temporary file is then removed and the target left as it was.
    void commit();

private:
    void discard();

    std::string path_;
    std::string target_;
    std::string temporary_;
    int fd_ = -1;
    bool failed_ = false;
    bool committed_ = false;
};
