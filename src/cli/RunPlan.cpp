#include "RunPlan.h"

#include "AvailableMemory.h"
#include "JobCount.h"
#include "RunFileName.h"
#include "SafeSave.h"
#include "SaveError.h"
#include "SaveTarget.h"
#include "UsageError.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace {

namespace fs = std::filesystem;

/// The files of a plan, each known by the run it belongs to and whether it is the picture.
struct PlannedFile {
    std::uint64_t index;
    bool picture;
};

/// Tells where a name leads. A folder is resolved once however many names it holds (its links,
/// "." and ".."), and read once for the links it holds; a name that is itself a link is followed
/// as the save follows it. No name costs a look-up of its own: a plan of a million runs is
/// checked in a moment.
class FileIdentity {
public:
    std::string of(const std::string& name)
    {
        const auto slash = name.rfind('/');
        const std::string folderName = slash == std::string::npos ? "." : slash == 0 ? "/" : name.substr(0, slash);
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

private:
    /// The file a save to `name` writes, also when it does not exist yet: its links followed as
    /// the save follows them (a link to a missing file leads to that file), then "." and ".."
    /// resolved.
    static std::string resolved(const std::string& name)
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

    struct Folder {
        std::string place;                     ///< the folder's full name, links followed
        std::unordered_set<std::string> links; ///< the names in it that are symbolic links
    };

    static std::unordered_set<std::string> linksIn(const std::string& folder)
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

    std::unordered_map<std::string, Folder> folders_;
};

std::string describe(const RunPlan& plan, PlannedFile file)
{
    return std::string(file.picture ? "the picture" : "the particle list") + " of seed " +
           std::to_string(plan.seedOf(file.index));
}

} // namespace

GrowOptions RunPlan::optionsOf(std::uint64_t index) const
{
    GrowOptions run = options_;
    run.seed = seedOf(index);
    run.output = nameOf(index, true);
    run.particles = nameOf(index, false);
    return run;
}

std::string RunPlan::nameOf(std::uint64_t index, bool picture) const
{
    const std::string& name = picture ? options_.output : options_.particles;
    if (!isEnsemble() || name.empty())
        return name; // a single run's names are taken as given
    return RunFileName::forSeed(name, seedOf(index), runs() > 1);
}

void RunPlan::check() const
{
    // Every file's identity is hashed; equal hashes are compared in full, so the plan holds
    // 16 bytes a file rather than every name.
    FileIdentity identity;
    const bool withParticles = !options_.particles.empty();
    std::vector<std::pair<std::size_t, std::uint64_t>> hashes; // hash, file number
    hashes.reserve(static_cast<std::size_t>(runs() * (withParticles ? 2 : 1)));
    const auto fileOf = [withParticles](std::uint64_t number) {
        return withParticles ? PlannedFile{number / 2, number % 2 == 0} : PlannedFile{number, true};
    };
    for (std::uint64_t index = 0; index < runs(); ++index) {
        hashes.emplace_back(std::hash<std::string>{}(identity.of(nameOf(index, true))), withParticles ? 2 * index : index);
        if (withParticles)
            hashes.emplace_back(std::hash<std::string>{}(identity.of(nameOf(index, false))), 2 * index + 1);
    }
    std::sort(hashes.begin(), hashes.end());

    // Of the files that meet, tell the pair whose later file comes first in the plan.
    std::optional<std::pair<PlannedFile, PlannedFile>> meeting;
    std::uint64_t meetingLater = 0;
    for (std::size_t i = 1; i < hashes.size(); ++i) {
        if (hashes[i].first != hashes[i - 1].first)
            continue;
        const PlannedFile earlier = fileOf(hashes[i - 1].second);
        const PlannedFile later = fileOf(hashes[i].second);
        if (meeting && hashes[i].second >= meetingLater)
            continue;
        if (identity.of(nameOf(earlier.index, earlier.picture)) != identity.of(nameOf(later.index, later.picture)))
            continue;
        meeting.emplace(earlier, later);
        meetingLater = hashes[i].second;
    }
    if (meeting) {
        const auto [earlier, later] = *meeting;
        const GrowOptions run = optionsOf(later.index);
        if (earlier.index == later.index)
            throw UsageError(std::string(isEnsemble() && runs() > 1 ? "seed " + std::to_string(run.seed) + ": " : "") +
                             "--particles and --output name the same file, " + run.output);
        throw UsageError(describe(*this, earlier) + " and " + describe(*this, later) + " are the same file, " +
                         nameOf(later.index, later.picture));
    }
    options_.mode->checkBeforeRuns(options_);
    if (isEnsemble())
        checkSharedFolders();
}

void RunPlan::checkSharedFolders() const
{
    for (const bool picture : {true, false}) {
        const std::string& given = picture ? options_.output : options_.particles;
        const auto slash = given.rfind('/');
        if (given.empty() || (slash != std::string::npos && given.substr(0, slash).find(RunFileName::SeedField) != std::string::npos))
            continue; // each run has a folder of its own, and checks it itself
        const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : given.substr(0, slash);
        try {
            // A name no run writes: the check makes and removes a temporary file in the folder.
            SafeSave::checkWritable(folder + "/.dla-grow-folder-check", 0);
        } catch (const SaveError&) {
            throw SaveError("Cannot create file " + nameOf(0, picture));
        }
    }
}

RunPlan::Jobs RunPlan::jobs() const
{
    Jobs jobs;
    jobs.wanted = static_cast<int>(std::min<std::int64_t>(options_.jobs.value_or(JobCount::processorsAvailable()),
                                                          static_cast<std::int64_t>(runs())));
    jobs.fitting = JobCount::fittingMemory(jobs.wanted, memoryOfOneRun(), AvailableMemory::bytes());
    return jobs;
}
