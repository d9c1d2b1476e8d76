#pragma once

#include <string>
#include <sys/stat.h>

/// The file a save really writes: the name given, with its symbolic links followed as the system
/// follows them, so a link survives the save and the file it names is replaced (or created, for
/// a link to a file that does not exist yet).
class SaveTarget {
public:
    /// Resolves `path`. Throws SaveError "Cannot create file <path>" for a name that can never
    /// be a file we replace: one that is not a regular file (a folder, FIFO, socket or device,
    /// also behind a link), a link loop or a chain of links longer than the system follows, a
    /// name too long for the system, or a folder on the way that cannot be searched.
    explicit SaveTarget(const std::string& path);

    /// The file's full name, links followed.
    const std::string& file() const { return file_; }
    /// The folder that holds it, and its name in that folder.
    std::string folder() const;
    std::string name() const;
    /// Whether the file exists; then existing() is its status.
    bool exists() const { return exists_; }
    const struct stat& existing() const { return existing_; }

private:
    [[noreturn]] void refuse() const;
    std::string nameOfMissingFile() const;

    std::string path_;
    std::string file_;
    bool exists_ = false;
    struct stat existing_ {};
};
