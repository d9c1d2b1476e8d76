#include "RunPlan.h"

#include "memory/AvailableMemory.h"
#include "FileIdentity.h"
#include "JobCount.h"
#include "RunFileName.h"
#include "files/SafeSave.h"
#include "files/SaveError.h"
#include "files/StreamTarget.h"
#include "UsageError.h"

#include <algorithm>
#include <functional>
#include <vector>

namespace {

/// The files of a plan, each known by the run it belongs to and whether it is the picture.
struct PlannedFile {
    std::uint64_t index;
    bool picture;
};

std::string describe(const RunPlan& plan, PlannedFile file)
{
    return std::string(file.picture ? "the picture" : "the particle list") + " of seed " +
           std::to_string(plan.seedOf(file.index));
}

} // namespace

RunPlan::RunPlan(const GrowRequest& request)
    : request_(request), pictureToStream_(leadsToStream(request.output)),
      particlesToStream_(leadsToStream(request.particles))
{
}

bool RunPlan::leadsToStream(const std::string& name)
{
    return !name.empty() && name.find(RunFileName::SeedField) == std::string::npos && StreamTarget::isStream(name);
}

GrowRequest RunPlan::requestOf(std::uint64_t index) const
{
    GrowRequest run = request_;
    run.seed = seedOf(index);
    run.output = nameOf(index, true);
    run.particles = nameOf(index, false);
    return run;
}

std::string RunPlan::nameOf(std::uint64_t index, bool picture) const
{
    const std::string& name = picture ? request_.output : request_.particles;
    if (!isEnsemble() || name.empty())
        return name; // a single run's names are taken as given
    if (toStream(picture))
        return name; // a seed in the name would make a new file beside the stream
    return RunFileName::forSeed(name, seedOf(index), runs() > 1);
}

void RunPlan::check() const
{
    // Every file's identity is hashed; equal hashes are compared in full, so the plan holds
    // 16 bytes a file rather than every name.
    FileIdentity identity;
    // The kinds of file each run writes, the picture first: a run's file number k is kind
    // k % kinds of run k / kinds.
    std::vector<bool> kinds; // true for the picture
    if (request_.wantsPicture())
        kinds.push_back(true);
    if (!request_.particles.empty())
        kinds.push_back(false);
    const std::uint64_t perRun = kinds.size();
    std::vector<std::pair<std::size_t, std::uint64_t>> hashes; // hash, file number
    hashes.reserve(static_cast<std::size_t>(runs() * perRun));
    const auto fileOf = [&kinds, perRun](std::uint64_t number) {
        return PlannedFile{number / perRun, kinds[number % perRun]};
    };
    for (std::uint64_t index = 0; index < runs(); ++index)
        for (std::uint64_t kind = 0; kind < perRun; ++kind)
            hashes.emplace_back(std::hash<std::string>{}(identity.of(nameOf(index, kinds[kind]))), index * perRun + kind);
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
        const GrowRequest run = requestOf(later.index);
        if (earlier.index == later.index)
            throw UsageError(std::string(isEnsemble() && runs() > 1 ? "seed " + std::to_string(run.seed) + ": " : "") +
                             "--particles and --output name the same file, " + run.output);
        throw UsageError(describe(*this, earlier) + " and " + describe(*this, later) + " are the same file, " +
                         nameOf(later.index, later.picture));
    }
    request_.mode->checkBeforeRuns(request_);
    if (isEnsemble())
        checkSharedFolders();
}

void RunPlan::checkSharedFolders() const
{
    for (const bool picture : {true, false}) {
        const std::string& given = picture ? request_.output : request_.particles;
        const auto slash = given.rfind('/');
        if (given.empty() || toStream(picture) ||
            (slash != std::string::npos && given.substr(0, slash).find(RunFileName::SeedField) != std::string::npos))
            continue; // each run has a folder (or a stream) of its own, and checks it itself
        const std::string folder = FileIdentity::folderOf(given);
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
    jobs.wanted = static_cast<int>(std::min<std::int64_t>(request_.jobs.value_or(JobCount::processorsAvailable()),
                                                          static_cast<std::int64_t>(runs())));
    jobs.fitting = JobCount::fittingMemory(jobs.wanted, memoryOfOneRun(), AvailableMemory::bytes());
    return jobs;
}
