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
class SafeSave {
public:
    /// Writes the file's content to the open temporary file `fd`; false when a write falls short.
    using WriteContent = std::function<bool(int fd)>;

    /// Saves to `path` through `writeContent`. Throws SaveError: "Cannot create file <path>"
    /// when the file cannot be made or put in place, "Stream write error" when a write falls
    /// short. Either way the old file is untouched and no temporary file is left behind.
    static void save(const std::string& path, const WriteContent& writeContent);

    /// Writes all of `size` bytes to `fd`; false when the file takes fewer (disk full, size limit).
    static bool writeAll(int fd, const void* data, std::size_t size);
};
