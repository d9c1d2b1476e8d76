#include "FileIdentity.h"

#include "files/SaveError.h"
#include "files/SaveTarget.h"

#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

std::string FileIdentity::of(const std::string& name)
{
    const auto slash = name.rfind('/');
    const std::string folderName = folderOf(name);
    const std::string last = slash == std::string::npos ? name : name.substr(slash + 1);
    if (last.empty() || last == "." || last == "..")
        return resolved(name);
    auto found = folders_.find(folderName);
    if (found == folders_.end())
        found = folders_.emplace(folderName, Folder{resolved(folderName), linksIn(folderName)}).first;
    const Folder& folder = found->second;
    if (folder.links.count(last) != 0)
        return resolved(name);
    return folder.place.empty() || folder.place.back() != '/' ? folder.place + "/" + last : folder.place + last;
}

std::string FileIdentity::folderOf(const std::string& name)
{
    const auto slash = name.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : name.substr(0, slash);
}

std::string FileIdentity::resolved(const std::string& name)
{
    std::string written = name;
    try {
        written = SaveTarget(name).file();
    } catch (const SaveError&) {
        // A name no save can write is refused by the save itself; here it is only a name.
    }
    std::error_code error;
    const fs::path path = fs::weakly_canonical(fs::absolute(written, error), error);
    return error ? fs::path(written).lexically_normal().native() : path.native();
}

std::unordered_set<std::string> FileIdentity::linksIn(const std::string& folder)
{
    std::unordered_set<std::string> links;
    DIR* listing = opendir(folder.c_str());
    if (listing == nullptr)
        return links; // a folder that cannot be read holds no link a save could follow
    while (const dirent* entry = readdir(listing)) {
        struct stat status {};
        const bool link = entry->d_type == DT_LNK ||
                          (entry->d_type == DT_UNKNOWN &&
                           fstatat(dirfd(listing), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
                           S_ISLNK(status.st_mode));
        if (link)
            links.insert(entry->d_name);
    }
    closedir(listing);
    return links;
}
