#pragma once

#include <string>
#include <unordered_map>
#include <unordered_set>

/// Tells where a name leads. A folder is resolved once however many names it holds (its links,
/// "." and ".."), and read once for the links it holds; a name that is itself a link is followed
/// as the save follows it. No name costs a look-up of its own: a plan of a million runs is
/// checked in a moment.
class FileIdentity {
public:
    /// The full name of the file a save to `name` writes: two names that lead to one file give
    /// the same text.
    std::string of(const std::string& name);

    /// The folder a file name is in, as written: "." for a bare name, "/" for one in the root.
    static std::string folderOf(const std::string& name);

private:
    struct Folder {
        std::string place;                     ///< the folder's full name, links followed
        std::unordered_set<std::string> links; ///< the names in it that are symbolic links
    };

    /// The file a save to `name` writes, also when it does not exist yet: its links followed as
    /// the save follows them (a link to a missing file leads to that file), then "." and ".."
    /// resolved.
    static std::string resolved(const std::string& name);
    static std::unordered_set<std::string> linksIn(const std::string& folder);

    std::unordered_map<std::string, Folder> folders_;
};
