#pragma once

#include <optional>
#include <string>

/// A name that leads to a stream rather than to a file a save may replace: a descriptor of this
/// process (/dev/stdout, /dev/stderr, /dev/fd/N, /proc/self/fd/N, also behind links), a
/// character device (/dev/null, a terminal) or a FIFO. Such a name is written through as it
/// stands, with no temporary file and no rename, so whatever a descriptor leads to (a log file
/// opened for appending, a pipe) takes the bytes where it stands and is never replaced.
class StreamTarget {
public:
    /// The stream `path` leads to, or nothing for any other name (a file, a missing name, a
    /// folder: SaveTarget judges those). Throws SaveError "Cannot create file <path>" for a
    /// descriptor of another process, which could only be written by opening its file anew.
    static std::optional<StreamTarget> of(const std::string& path);
    /// Whether `path` leads to a stream, one that of() refuses included: a name to keep as it is.
    static bool isStream(const std::string& path);

    /// Refuses before any work is spent what could never take the bytes: a descriptor that is
    /// not open for writing, a device or FIFO the process may not write, a FIFO no process
    /// reads. A FIFO is opened here and held open until the save takes it (a reader would see
    /// its end if it were closed again in between). Throws SaveError "Cannot create file <path>".
    void checkWritable() const;

    /// A new descriptor open for writing the stream: a copy of this process's descriptor (its
    /// offset and append mode shared), or the device or FIFO opened (the one held since
    /// checkWritable(), if any). The caller closes it. Throws SaveError "Cannot create file <path>".
    int open() const;

private:
    explicit StreamTarget(const std::string& path) : path_(path) {}

    int openDevice() const;
    [[noreturn]] void refuse() const;

    std::string path_;
    /// This process's descriptor the name leads to; -1 for a device or a FIFO.
    int descriptor_ = -1;
    bool fifo_ = false;
};
